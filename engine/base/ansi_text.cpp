// Letter-case rules for 8-bit texts (see ansi_text.h).
#include "engine/base/ansi_text.h"

namespace kel {

std::string UpperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
    return result;
}

std::string LowerCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = FoldCase(c);
    return result;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

std::size_t FindIgnoreCase(std::string_view text, std::string_view needle, std::size_t from) {
    if (needle.empty()) return from <= text.size() ? from : std::string_view::npos;
    if (needle.size() > text.size()) return std::string_view::npos;
    const char first = FoldCase(needle[0]);
    for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
        if (FoldCase(text[i]) == first && EqualsIgnoreCase(text.substr(i, needle.size()), needle)) {
            return i;
        }
    }
    return std::string_view::npos;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to,
                       bool ignoreCase) {
    if (from.empty()) return std::string(text);
    std::string result;
    result.reserve(text.size());
    std::size_t pos = 0;
    for (;;) {
        const std::size_t hit = ignoreCase ? FindIgnoreCase(text, from, pos) : text.find(from, pos);
        if (hit == std::string_view::npos) break;
        result.append(text.substr(pos, hit - pos));
        result.append(to);
        pos = hit + from.size();
    }
    result.append(text.substr(pos));
    return result;
}

std::size_t CaseInsensitiveHash::operator()(std::string_view text) const {
    std::size_t hash = 1469598103934665603ull & static_cast<std::size_t>(-1);
    for (char c : text) {
        hash ^= static_cast<unsigned char>(FoldCase(c));
        hash *= static_cast<std::size_t>(1099511628211ull);
    }
    return hash;
}

}  // namespace kel
