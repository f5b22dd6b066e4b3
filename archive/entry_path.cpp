// Entry path rules (see entry_path.h).
#include "archive/entry_path.h"

#include <array>
#include <cstdint>

namespace kel::archive {
namespace {

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool EqualsUpper(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (Fold(text[i]) != upper[i]) return false;
    }
    return true;
}

bool IsDigitLike(std::string_view rest) {
    if (rest.size() == 1) return rest[0] >= '0' && rest[0] <= '9';
    // Superscript one, two, three, which Windows also takes as port numbers: UTF-8 and the
    // Western single-byte forms.
    static constexpr std::array<std::string_view, 6> kSuperscripts = {
        "\xC2\xB9", "\xC2\xB2", "\xC2\xB3", "\xB9", "\xB2", "\xB3"};
    for (auto s : kSuperscripts) {
        if (rest == s) return true;
    }
    return false;
}

bool IsDeviceName(std::string_view component) {
    std::string_view base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    static constexpr std::array<std::string_view, 7> kDevices = {
        "CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (auto device : kDevices) {
        if (EqualsUpper(base, device)) return true;
    }
    if (base.size() >= 4 &&
        (EqualsUpper(base.substr(0, 3), "COM") || EqualsUpper(base.substr(0, 3), "LPT"))) {
        return IsDigitLike(base.substr(3));
    }
    return false;
}

bool IsSafeComponent(std::string_view component, bool allowWildcards) {
    if (component.empty() || component == "." || component == "..") return false;
    if (component.back() == '.' || component.back() == ' ') return false;
    for (char c : component) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20) return false;
        switch (c) {
            case '<':
            case '>':
            case ':':
            case '"':
            case '|':
                return false;
            case '?':
            case '*':
                if (!allowWildcards) return false;
                break;
            default:
                break;
        }
    }
    return !IsDeviceName(component);
}

}  // namespace

bool IsSafeEntryPath(std::string_view path, bool allowWildcards) {
    if (path.empty()) return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find_first_of("\\/", start);
        const std::string_view component = path.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!IsSafeComponent(component, allowWildcards)) return false;
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

bool MatchesEntryPattern(std::string_view path, std::string_view pattern) {
    auto fold = [](char c) {
        if (c == '/') return '\\';
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    };
    // Greedy matching with one back-track point: the last '*' seen.
    std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
    while (t < path.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || fold(pattern[p]) == fold(path[t]))) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::optional<std::string> Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                return std::nullopt;
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00u);
        } else if (code >= 0xDC00 && code <= 0xDFFF) {
            return std::nullopt;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

std::string WithBackslashes(std::string_view path) {
    std::string out(path);
    for (char& c : out) {
        if (c == '/') c = '\\';
    }
    return out;
}

std::u16string WithBackslashes(std::u16string_view path) {
    std::u16string out(path);
    for (char16_t& c : out) {
        if (c == u'/') c = u'\\';
    }
    return out;
}

}  // namespace kel::archive
