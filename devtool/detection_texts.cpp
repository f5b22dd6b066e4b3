// Filling log patterns and upper-casing device names (see detection_texts.h).
#include "devtool/detection_texts.h"

namespace quarrow {

std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> args) {
    std::string result;
    result.reserve(pattern.size() + 64);
    auto next = args.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const bool place = pattern[i] == '%' && i + 1 < pattern.size() &&
                           (pattern[i + 1] == 's' || pattern[i + 1] == 'd');
        if (place && next != args.end()) {
            result += *next++;
            ++i;
        } else {
            result += pattern[i];
        }
    }
    return result;
}

std::string UpperAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

}  // namespace quarrow
