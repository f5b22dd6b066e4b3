// Lexical rules of the script source format (see source_syntax.h).
#include "tools/kelc/source_syntax.h"

namespace kel::tools {
namespace {

bool HasSpace(std::string_view text) {
    for (char c : text) {
        if (IsSpace(c)) return true;
    }
    return false;
}

// Reads a quoted string starting at text[0] == '"'. Returns the number of characters consumed
// (closing quote included), or 0 when the closing quote is missing.
std::size_t ReadQuoted(std::string_view text, std::string& value) {
    value.clear();
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] != kQuote) {
            value += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == kQuote) {
            value += kQuote;
            ++i;
        } else {
            return i + 1;
        }
    }
    return 0;
}

bool IsKeyChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

}  // namespace

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    return text;
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

std::string Quote(std::string_view text) {
    std::string quoted(1, kQuote);
    for (char c : text) {
        quoted += c;
        if (c == kQuote) quoted += kQuote;
    }
    quoted += kQuote;
    return quoted;
}

std::string FormatToken(std::string_view value) {
    if (value.empty() || HasSpace(value) || value.front() == kQuote) return Quote(value);
    return std::string(value);
}

std::string FormatRestValue(std::string_view value) {
    if (value.empty() || value.front() == kQuote || IsSpace(value.front()) ||
        IsSpace(value.back())) {
        return Quote(value);
    }
    return std::string(value);
}

std::string FormatAttributeValue(std::string_view value) {
    if (value.empty() || HasSpace(value) || value.front() == kQuote ||
        value.find(kAttributeClose) != std::string_view::npos) {
        return Quote(value);
    }
    return std::string(value);
}

bool ReadToken(std::string_view& rest, std::string& value, std::string& error) {
    rest = TrimLeft(rest);
    if (rest.empty()) {
        error = "a value is missing";
        return false;
    }
    if (rest.front() == kQuote) {
        const std::size_t used = ReadQuoted(rest, value);
        if (used == 0) {
            error = "a quoted value has no closing quote";
            return false;
        }
        if (used < rest.size() && !IsSpace(rest[used])) {
            error = "a quoted value must be followed by a space";
            return false;
        }
        rest.remove_prefix(used);
        return true;
    }
    std::size_t end = 0;
    while (end < rest.size() && !IsSpace(rest[end])) ++end;
    value = std::string(rest.substr(0, end));
    rest.remove_prefix(end);
    return true;
}

std::string ReadRestValue(std::string_view rest) {
    rest = Trim(rest);
    if (!rest.empty() && rest.front() == kQuote) {
        std::string value;
        if (ReadQuoted(rest, value) == rest.size()) return value;
    }
    return std::string(rest);
}

bool ParseStatementLine(std::string_view line, StatementLine& parsed, std::string& error) {
    parsed = {};
    const std::size_t open = line.find(kAttributeOpen);
    parsed.command = std::string(TrimRight(line.substr(0, open)));
    if (open == std::string_view::npos) return true;

    std::string_view rest = line.substr(open + 1);
    for (;;) {
        rest = TrimLeft(rest);
        if (rest.empty()) {
            error = "the attributes have no closing \"]\"";
            return false;
        }
        if (rest.front() == kAttributeClose) {
            rest.remove_prefix(1);
            break;
        }
        std::size_t keyEnd = 0;
        while (keyEnd < rest.size() && IsKeyChar(rest[keyEnd])) ++keyEnd;
        if (keyEnd == 0) {
            error = "an attribute name is expected at \"" + std::string(rest.substr(0, 20)) + "\"";
            return false;
        }
        Attribute attribute{std::string(rest.substr(0, keyEnd)), std::nullopt};
        rest.remove_prefix(keyEnd);
        if (!rest.empty() && rest.front() == '=') {
            rest.remove_prefix(1);
            std::string value;
            if (!rest.empty() && rest.front() == kQuote) {
                const std::size_t used = ReadQuoted(rest, value);
                if (used == 0) {
                    error = "the value of \"" + attribute.key + "\" has no closing quote";
                    return false;
                }
                rest.remove_prefix(used);
            } else {
                std::size_t end = 0;
                while (end < rest.size() && !IsSpace(rest[end]) && rest[end] != kAttributeClose)
                    ++end;
                value = std::string(rest.substr(0, end));
                rest.remove_prefix(end);
            }
            attribute.value = std::move(value);
        }
        if (!rest.empty() && !IsSpace(rest.front()) && rest.front() != kAttributeClose) {
            error = "attributes must be separated by spaces (at \"" +
                    std::string(rest.substr(0, 20)) + "\")";
            return false;
        }
        parsed.attributes.push_back(std::move(attribute));
    }
    if (!TrimLeft(rest).empty()) {
        error = "nothing may follow the attributes' closing \"]\"";
        return false;
    }
    return true;
}

bool IsPlainCommand(std::string_view command) {
    if (command.empty() || command == "$") return false;
    const char first = command.front();
    if (IsSpace(first) || first == kCommentMark || first == kDirectiveMark ||
        first == kParameterMark) {
        return false;
    }
    return command.find(kAttributeOpen) == std::string_view::npos && !IsSpace(command.back());
}

std::optional<SourcePosition> ParseSourcePosition(std::string_view reference) {
    const std::size_t star = reference.find('*');
    if (star == std::string_view::npos) return std::nullopt;
    const std::string_view digits = reference.substr(star + 1);
    // Canonical decimal only, so that writing the number back gives the same text.
    if (digits.empty() || digits.size() > 18 || (digits.size() > 1 && digits.front() == '0')) {
        return std::nullopt;
    }
    std::int64_t line = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        line = line * 10 + (c - '0');
    }
    return SourcePosition{std::string(reference.substr(0, star)), line};
}

std::string FormatSourcePosition(const SourcePosition& position) {
    return position.path + "*" + std::to_string(position.line);
}

}  // namespace kel::tools
