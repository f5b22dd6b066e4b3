// The commands that cut and change texts held in variables: "Parse String", "Replace String",
// "Convert Case" and "Extract Path". Portable core: letter case follows the ASCII rules of
// engine/base/ansi_text.h; paths are taken apart as texts, the file system is never asked.
#pragma once

#include <string>
#include <string_view>

namespace kel {

class CommandTable;

inline constexpr const char* kParseString = "Parse String";
inline constexpr const char* kReplaceString = "Replace String";
inline constexpr const char* kConvertCase = "Convert Case";
inline constexpr const char* kExtractPath = "Extract Path";

struct ParsedParts {
    std::string first;
    std::string second;
    bool operator==(const ParsedParts&) const = default;
};

// "Parse String" on texts already read: `delimiter` is the delimiter (modes 0, 1) or the count
// (modes 2, 3). Mode 2 counts below 1 and mode 3 counts outside 0 to length - 1 count as invalid.
ParsedParts ParseStringParts(std::string_view source, std::string_view delimiter, int mode,
                             bool trim, bool ignoreCase);

// The first, or every non-overlapping, occurrence of `find` replaced; an empty `find` changes
// nothing. Linear in the length of the text.
std::string ReplaceText(std::string_view text, std::string_view find, std::string_view replacement,
                        bool ignoreCase, bool all);

// "Extract Path" part codes 0 to 6; any other code gives the value unchanged. Names end at the
// last backslash or drive colon; a drive is "X:" or "\\server\share". The folder above a folder
// at the root of a drive or share is that root itself.
std::string ExtractPathPart(std::string_view path, int code);

void RegisterStringCommands(CommandTable& table);

}  // namespace kel
