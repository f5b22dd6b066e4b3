// The evaluator of the small boolean expressions of "Evaluate Expression": comparisons of quoted
// texts joined by "and" and "or", grouped by parentheses. It knows no numbers and no variables;
// the caller has already replaced every $NAME$ reference by the variable's value in double
// quotes. The validation pass uses the same parser to reject malformed expressions before a run.
//
// Grammar (only the space, code 32, is skipped before a token):
//   expression := operand { connective operand }      connective := "and" | "or" (lower case)
//   operand    := "(" expression ")" | comparison      relation   := = <> <= < >= >
//   comparison := quoted relation quoted              quoted     := '"' chars '"' ("" is one ")
// The connectives have equal precedence and apply strictly from left to right. A connective or
// relation word runs up to the next space, double quote or the end of the text, so and("a"="b")
// reads the word and( and fails. Texts compare byte by byte, case-sensitively. The whole input is
// parsed as "(" + text + ")"; anything malformed, and any text left over, gives "ERROR".
//
// The parse runs in one pass over the text, linear in its length, with the open parentheses kept
// on a heap-allocated stack: nesting depth is bounded only by the length of the text, never by
// the thread's stack. Portable core.
#pragma once

#include <string>
#include <string_view>

namespace kel {

inline constexpr const char* kExpressionTrue = "TRUE";
inline constexpr const char* kExpressionFalse = "FALSE";
inline constexpr const char* kExpressionError = "ERROR";

enum class ExpressionValue { kFalse, kTrue, kError };

// The value of the whole text (see above).
ExpressionValue ParseExpressionValue(std::string_view text);

// "TRUE", "FALSE" or "ERROR"; never throws on malformed input.
std::string EvaluateExpression(std::string_view text);

// The check of an expression as written in the script, before substitution: every "$" becomes a
// double quote (so each $NAME$ reference reads as the quoted text "NAME"); false exactly when the
// evaluation of that text yields "ERROR".
bool CheckExpressionSyntax(std::string_view rawExpression);

}  // namespace kel
