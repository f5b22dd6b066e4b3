// The expression parser (see expression_evaluator.h). The grammar is recursive only through
// parentheses, so the parser keeps one small record per open parenthesis on a vector instead of
// recursing: an operand either opens a group or is a comparison, and a finished operand is folded
// into its group, closing every group whose ")" follows.
#include "engine/vars/expression_evaluator.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace kel {
namespace {

constexpr char kQuote = '"';
constexpr char kSpace = ' ';

enum class Connective : std::uint8_t { kNone, kAnd, kOr };

// An expression being parsed: the value of its operands so far and the connective read before the
// next one (kNone before the first operand).
struct OpenGroup {
    bool value = false;
    Connective pending = Connective::kNone;
};

class Cursor {
public:
    explicit Cursor(std::string_view text) : text_(text) {}

    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return text_[pos_]; }
    void Advance() { ++pos_; }
    void SkipSpaces() {
        while (pos_ < text_.size() && text_[pos_] == kSpace) ++pos_;
    }

    // The run of characters up to the next space, double quote or the end of the text.
    std::string_view Word() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != kSpace && text_[pos_] != kQuote) ++pos_;
        return text_.substr(start, pos_ - start);
    }

    // At a double quote: collects the characters up to the closing quote into `into`, a doubled
    // quote standing for one, and moves past the closing quote. Without a closing quote the
    // position stays where it was and the result is false.
    bool QuotedText(std::string& into) {
        into.clear();
        std::size_t at = pos_ + 1;
        for (;;) {
            const void* hit = std::memchr(text_.data() + at, kQuote, text_.size() - at);
            if (hit == nullptr) return false;
            const std::size_t quote =
                static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data());
            into.append(text_.substr(at, quote - at));
            if (quote + 1 < text_.size() && text_[quote + 1] == kQuote) {
                into.push_back(kQuote);
                at = quote + 2;
                continue;
            }
            pos_ = quote + 1;
            return true;
        }
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

enum class Relation { kEqual, kNotEqual, kLessOrEqual, kLess, kGreaterOrEqual, kGreater, kUnknown };

Relation ReadRelation(std::string_view word) {
    if (word == "=") return Relation::kEqual;
    if (word == "<>") return Relation::kNotEqual;
    if (word == "<=") return Relation::kLessOrEqual;
    if (word == "<") return Relation::kLess;
    if (word == ">=") return Relation::kGreaterOrEqual;
    if (word == ">") return Relation::kGreater;
    return Relation::kUnknown;
}

// Buffers reused across the comparisons of one text, so a long chain allocates once.
struct ComparisonBuffers {
    std::string left;
    std::string right;
};

// At a double quote: quoted text, relation word, quoted text. An unterminated quoted text leaves
// the position on its opening quote, where no relation or connective can follow, so it is an
// error at once.
ExpressionValue Comparison(Cursor& in, ComparisonBuffers& buffers) {
    if (!in.QuotedText(buffers.left)) return ExpressionValue::kError;
    in.SkipSpaces();
    const Relation relation = ReadRelation(in.Word());
    in.SkipSpaces();
    if (in.AtEnd() || in.Peek() != kQuote) return ExpressionValue::kError;
    if (!in.QuotedText(buffers.right)) return ExpressionValue::kError;
    in.SkipSpaces();

    // std::string_view compares through char_traits<char>, that is by unsigned byte values, with
    // a prefix ordered first.
    const int order = std::string_view(buffers.left).compare(buffers.right);
    bool result = false;
    switch (relation) {
        case Relation::kEqual:
            result = order == 0;
            break;
        case Relation::kNotEqual:
            result = order != 0;
            break;
        case Relation::kLessOrEqual:
            result = order <= 0;
            break;
        case Relation::kLess:
            result = order < 0;
            break;
        case Relation::kGreaterOrEqual:
            result = order >= 0;
            break;
        case Relation::kGreater:
            result = order > 0;
            break;
        case Relation::kUnknown:
            return ExpressionValue::kError;
    }
    return result ? ExpressionValue::kTrue : ExpressionValue::kFalse;
}

void Fold(OpenGroup& group, bool operand) {
    switch (group.pending) {
        case Connective::kNone:
            group.value = operand;
            break;
        case Connective::kAnd:
            group.value = group.value && operand;
            break;
        case Connective::kOr:
            group.value = group.value || operand;
            break;
    }
}

ExpressionValue ParseWrapped(std::string_view text) {
    Cursor in(text);
    ComparisonBuffers buffers;
    // groups[0] is the expression of the whole text; every later entry is an open "(".
    std::vector<OpenGroup> groups(1);
    for (;;) {
        // An operand is due.
        in.SkipSpaces();
        if (in.AtEnd()) return ExpressionValue::kError;
        if (in.Peek() == '(') {
            in.Advance();
            groups.emplace_back();
            continue;
        }
        if (in.Peek() != kQuote) return ExpressionValue::kError;
        const ExpressionValue comparison = Comparison(in, buffers);
        if (comparison == ExpressionValue::kError) return comparison;

        bool operand = comparison == ExpressionValue::kTrue;
        for (;;) {
            OpenGroup& group = groups.back();
            Fold(group, operand);
            in.SkipSpaces();
            if (!in.AtEnd() && in.Peek() != ')') break;  // a connective follows
            if (groups.size() == 1) {
                // The whole text's expression ends here; a ")" left over is an error.
                if (!in.AtEnd()) return ExpressionValue::kError;
                return group.value ? ExpressionValue::kTrue : ExpressionValue::kFalse;
            }
            if (in.AtEnd()) return ExpressionValue::kError;  // the group's ")" is missing
            in.Advance();
            operand = group.value;
            groups.pop_back();
        }

        // Reading the next operand first would not change the outcome: a wrong word and a wrong
        // operand both end in an error.
        const std::string_view word = in.Word();
        if (word == "and") {
            groups.back().pending = Connective::kAnd;
        } else if (word == "or") {
            groups.back().pending = Connective::kOr;
        } else {
            return ExpressionValue::kError;
        }
    }
}

}  // namespace

ExpressionValue ParseExpressionValue(std::string_view text) {
    std::string wrapped;
    wrapped.reserve(text.size() + 2);
    wrapped.push_back('(');
    wrapped.append(text);
    wrapped.push_back(')');
    return ParseWrapped(wrapped);
}

std::string EvaluateExpression(std::string_view text) {
    switch (ParseExpressionValue(text)) {
        case ExpressionValue::kTrue:
            return kExpressionTrue;
        case ExpressionValue::kFalse:
            return kExpressionFalse;
        case ExpressionValue::kError:
            break;
    }
    return kExpressionError;
}

bool CheckExpressionSyntax(std::string_view rawExpression) {
    std::string quoted(rawExpression);
    for (char& c : quoted) {
        if (c == '$') c = kQuote;
    }
    return ParseExpressionValue(quoted) != ExpressionValue::kError;
}

}  // namespace kel
