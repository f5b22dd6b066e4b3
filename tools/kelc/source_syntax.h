// The lexical rules of the script source format (SOURCE-FORMAT.md), shared by the compiler that
// reads them and the dump that writes them, so that whatever the dump writes reads back the same:
// tokens and quoting, statement attributes, the split of a statement line, and the text form of a
// source reference. Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kel::tools {

inline constexpr char kCommentMark = '#';
inline constexpr char kDirectiveMark = '@';
inline constexpr char kParameterMark = '|';
inline constexpr char kAttributeOpen = '[';
inline constexpr char kAttributeClose = ']';
inline constexpr char kQuote = '"';

// Space, tab and carriage return separate tokens and are trimmed from line ends.
inline bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }
std::string_view TrimLeft(std::string_view text);
std::string_view TrimRight(std::string_view text);
std::string_view Trim(std::string_view text);

// "text" with every quote doubled.
std::string Quote(std::string_view text);

// A value that ends at the next space (directive arguments before the last one): quoted when it
// is empty, holds a space or starts with a quote.
std::string FormatToken(std::string_view value);
// The last value of a directive, which runs to the end of the line: quoted when it is empty,
// starts or ends with a space, or starts with a quote.
std::string FormatRestValue(std::string_view value);
// An attribute value: quoted when it is empty, holds a space or "]", or starts with a quote.
std::string FormatAttributeValue(std::string_view value);

// Reads one token from the front of `rest` (leading spaces skipped) and advances `rest` past it.
// False with `error` set when there is none or a quoted token is malformed.
bool ReadToken(std::string_view& rest, std::string& value, std::string& error);
// The last value: `rest` trimmed, unquoted when it is exactly one quoted string.
std::string ReadRestValue(std::string_view rest);

struct Attribute {
    std::string key;                   // as written
    std::optional<std::string> value;  // nullopt for a bare flag such as "commented"
};

// A statement line: the command text before the first "[", and the attributes between that "["
// and its closing "]" (nothing but spaces may follow).
struct StatementLine {
    std::string command;
    std::vector<Attribute> attributes;
};
bool ParseStatementLine(std::string_view line, StatementLine& parsed, std::string& error);

// Whether a command name can stand as the text of a statement line; other names are written
// with the "command" attribute.
bool IsPlainCommand(std::string_view command);

// A source reference in the form kelc writes: path, "*", 0-based line in decimal without sign or
// leading zeros. The path ends at the first "*", as the engine reads it.
struct SourcePosition {
    std::string path;
    std::int64_t line = 0;
};
std::optional<SourcePosition> ParseSourcePosition(std::string_view reference);
std::string FormatSourcePosition(const SourcePosition& position);

}  // namespace kel::tools
