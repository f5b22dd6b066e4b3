// Handlers of "Parse String", "Replace String", "Convert Case" and "Extract Path" (see
// string_commands.h).
#include "engine/script/string_commands.h"

#include "engine/base/ansi_text.h"
#include "engine/base/text_rules.h"
#include "engine/script/command_table.h"
#include "engine/vars/variables.h"

namespace kel {
namespace {

constexpr std::string_view kBackslashPair = "\\\\";
constexpr std::string_view kBackslash = "\\";

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Trim(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsTrimmed(text[begin])) ++begin;
    while (end > begin && IsTrimmed(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

ParsedParts Split(std::string_view source, std::size_t at, std::size_t skip) {
    return {std::string(source.substr(0, at)), std::string(source.substr(at + skip))};
}

ParsedParts Cut(std::string_view source, std::string_view delimiter, int mode, bool ignoreCase) {
    const std::size_t length = source.size();
    switch (mode) {
        case 0:
        case 1: {
            const std::string s = ignoreCase ? LowerCase(source) : std::string(source);
            const std::string d = ignoreCase ? LowerCase(delimiter) : std::string(delimiter);
            const std::size_t at =
                d.empty() ? std::string::npos : (mode == 0 ? s.find(d) : s.rfind(d));
            if (at == std::string::npos)
                return mode == 0 ? ParsedParts{std::string(source), ""}
                                 : ParsedParts{"", std::string(source)};
            return Split(source, at, d.size());
        }
        case 2: {
            const auto count = ParseInt32(delimiter);
            if (!count || *count < 1) return {"", std::string(source)};
            return Split(source, std::min<std::size_t>(*count, length), 0);
        }
        case 3: {
            const auto count = ParseInt32(delimiter);
            if (!count || *count < 0 || static_cast<std::size_t>(*count) >= length) return {};
            return Split(source, length - *count, 0);
        }
        default:
            return {};
    }
}

// Where the file name begins: after the last backslash or drive colon.
std::size_t NameStart(std::string_view path) {
    const std::size_t at = path.find_last_of("\\:");
    return at == std::string_view::npos ? 0 : at + 1;
}

// The position of the extension's dot inside the file name, npos when it has none.
std::size_t ExtensionDot(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    return (dot == std::string_view::npos || dot < NameStart(path)) ? std::string_view::npos : dot;
}

// "C:" or "\\server\share"; empty for a path without either.
std::string_view DrivePart(std::string_view path) {
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
    if (path.substr(0, 2) != kBackslashPair) return {};
    const std::size_t serverEnd = path.find('\\', 2);
    if (serverEnd == std::string_view::npos) return path;
    const std::size_t shareEnd = path.find('\\', serverEnd + 1);
    return path.substr(0, shareEnd);
}

std::string WithTrailingBackslash(std::string_view text) {
    std::string result(text);
    if (!result.empty() && result.back() != '\\') result += '\\';
    return result;
}

std::string FolderOf(std::string_view path) { return std::string(path.substr(0, NameStart(path))); }

// The variable's value as the read-and-written commands see it.
std::string ReadVariablePath(const std::string& name) { return ExpandPath(GetVariable(name)); }

// Parameters: 1 source (path); 2 delimiter or count (path); 3, 4 result variables (raw); 5 mode
// (raw); 6 trim flag (raw); 7 ignore-case flag (raw).
void ParseStringCommand(CommandContext& context) {
    const std::string firstVariable = context.Raw(3);
    const std::string secondVariable = context.Raw(4);
    for (const std::string* variable : {&firstVariable, &secondVariable})
        if (!variable->empty() && !VariableExists(*variable))
            SetVariable(UpperCase(*variable), "", context.ActionReason());
    const std::string source = context.Path(1);
    const std::string delimiter = context.Path(2);
    const int mode = IntegerOrError(context.Raw(5));
    const ParsedParts parts = ParseStringParts(source, delimiter, mode, IsTrueText(context.Raw(6)),
                                               IsTrueText(context.Raw(7)));
    if (!firstVariable.empty()) context.SetResult(firstVariable, parts.first);
    if (!secondVariable.empty()) context.SetResult(secondVariable, parts.second);
}

// Parameters: 1 variable (variable name); 2 text to find, 3 replacement (expanded); 4 ignore-case
// flag, 5 replace-all flag (raw).
void ReplaceStringCommand(CommandContext& context) {
    const std::string variable = context.VariableName(1);
    const std::string value = NewlinesToMarker(ReadVariablePath(variable));
    const std::string find = NewlinesToMarker(context.Expanded(2));
    const std::string replacement = NewlinesToMarker(context.Expanded(3));
    context.SetResult(variable, ReplaceText(value, find, replacement, IsTrueText(context.Raw(4)),
                                            IsTrueText(context.Raw(5))));
}

// Parameters: 1 variable (variable name); 2 upper-case flag (raw).
void ConvertCaseCommand(CommandContext& context) {
    const std::string variable = context.VariableName(1);
    const std::string value = ReadVariablePath(variable);
    context.SetResult(variable, IsTrueText(context.Raw(2)) ? UpperCase(value) : LowerCase(value));
}

// Parameters: 1 variable (variable name); 2 part code (raw integer).
void ExtractPathCommand(CommandContext& context) {
    const std::string variable = context.VariableName(1);
    const int code = IntegerOrError(context.Raw(2));
    context.SetResult(variable, ExtractPathPart(ReadVariablePath(variable), code));
}

}  // namespace

ParsedParts ParseStringParts(std::string_view source, std::string_view delimiter, int mode,
                             bool trim, bool ignoreCase) {
    ParsedParts parts = Cut(source, delimiter, mode, ignoreCase);
    if (trim) {
        parts.first = Trim(parts.first);
        parts.second = Trim(parts.second);
    }
    return parts;
}

std::string ReplaceText(std::string_view text, std::string_view find, std::string_view replacement,
                        bool ignoreCase, bool all) {
    if (find.empty()) return std::string(text);
    if (all) return ReplaceAll(text, find, replacement, ignoreCase);
    const std::size_t at = ignoreCase ? FindIgnoreCase(text, find) : text.find(find);
    if (at == std::string_view::npos) return std::string(text);
    std::string result;
    result.reserve(text.size() - find.size() + replacement.size());
    result.append(text.substr(0, at)).append(replacement).append(text.substr(at + find.size()));
    return result;
}

std::string ExtractPathPart(std::string_view path, int code) {
    switch (code) {
        case 0:
            return std::string(path.substr(NameStart(path)));
        case 1: {
            const std::size_t dot = ExtensionDot(path);
            const std::size_t start = NameStart(path);
            return std::string(
                path.substr(start, dot == std::string_view::npos ? dot : dot - start));
        }
        case 2: {
            const std::size_t dot = ExtensionDot(path);
            return dot == std::string_view::npos ? std::string()
                                                 : std::string(path.substr(dot + 1));
        }
        case 3:
            return FolderOf(path);
        case 4: {
            // The folder above; a folder at the root of a drive or share has none above it and
            // stays itself.
            const std::string folder = FolderOf(path);
            const std::string drive = WithTrailingBackslash(DrivePart(path));
            if (folder.empty() || folder == drive) return folder;
            std::string_view inner(folder);
            if (inner.back() == '\\') inner.remove_suffix(1);
            return WithTrailingBackslash(FolderOf(inner));
        }
        case 5:
            return WithTrailingBackslash(DrivePart(path));
        case 6:
            return ReplaceAll(path, kBackslashPair, kBackslash);
        default:
            return std::string(path);
    }
}

void RegisterStringCommands(CommandTable& table) {
    table.Add(kParseString, ParseStringCommand);
    table.Add(kReplaceString, ReplaceStringCommand);
    table.Add(kConvertCase, ConvertCaseCommand);
    table.Add(kExtractPath, ExtractPathCommand);
}

}  // namespace kel
