// Entry names are hostile input: an archive can name "..\..\evil.exe", "C:\x", "\\server\share"
// or "CON". IsSafeEntryPath is the one check every path passes before anything is written from
// it. Portable core.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kel::archive {

// True for a relative path of plain names under the output folder: separators '\' or '/', and
// no empty path, leading separator (root, \\server), drive letter or other ':' (also alternate
// streams), "." or ".." component, empty component (a//b, trailing separator), component ending
// in '.' or ' ' (Windows drops those, so "..." or ".. " could act as ".."), device name
// (CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$, CLOCK$, with or without an extension),
// or character Windows refuses in names (< > " | ? * and control characters).
// With `allowWildcards`, '?' and '*' pass: for requested paths, which are patterns, and for
// 8-bit listing names, where '?' stands for a character the code page lacks.
bool IsSafeEntryPath(std::string_view path, bool allowWildcards = false);

// Whether `path` matches `pattern`: '?' one character, '*' any run of characters, '/' and '\'
// alike, ASCII letters ignoring case.
bool MatchesEntryPattern(std::string_view path, std::string_view pattern);

// UTF-16 to UTF-8; nothing when the text holds an unpaired surrogate.
std::optional<std::string> Utf16ToUtf8(std::u16string_view text);

// The same text with every '/' turned into '\'.
std::string WithBackslashes(std::string_view path);
std::u16string WithBackslashes(std::u16string_view path);

}  // namespace kel::archive
