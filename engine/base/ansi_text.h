// Letter-case rules for the engine's 8-bit texts. Names, identifiers and list lookups compare
// ignoring case with the locale-neutral rule: only the ASCII letters A-Z and a-z fold, so the
// result never depends on the user's locale. Portable core.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kel {

inline char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
// Position of the first occurrence of `needle` at or after `from`, ignoring case; npos if none.
std::size_t FindIgnoreCase(std::string_view text, std::string_view needle, std::size_t from = 0);
// Replaces every occurrence of `from` by `to`, left to right without overlap.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to,
                       bool ignoreCase = false);

// Hash consistent with EqualsIgnoreCase (FNV-1a over folded bytes). Deliberately not noexcept:
// libstdc++'s hash tables then keep each element's hash code, so a lookup along a bucket chain
// compares stored codes instead of hashing long keys (38-character identifiers) again.
struct CaseInsensitiveHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const;
};
struct CaseInsensitiveEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept {
        return EqualsIgnoreCase(a, b);
    }
};

}  // namespace kel
