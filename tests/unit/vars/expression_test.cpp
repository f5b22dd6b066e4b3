// The expression evaluator: every rule of the grammar as a labelled case, the syntax check the
// validation pass uses, very long and very deeply nested texts, and a comparison over every short
// token sequence with a literal recursive reading of the grammar.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/vars/expression_evaluator.h"

namespace kel {
namespace {

struct EvaluationCase {
    const char* label;
    std::string text;
    const char* expected;
};

const EvaluationCase kEvaluationCases[] = {
    // Comparisons: byte by byte, case-sensitive, a prefix first.
    {"equal texts", R"("a" = "a")", "TRUE"},
    {"case matters", R"("a" = "A")", "FALSE"},
    {"greater, last byte decides", R"("abc" > "abd")", "FALSE"},
    {"digits compare as text", R"("5" < "10")", "FALSE"},
    {"10 before 9", R"("10" < "9")", "TRUE"},
    {"upper case before lower case", R"("B" < "a")", "TRUE"},
    {"bytes above 127 are unsigned", "\"\xE9\" > \"z\"", "TRUE"},
    {"prefix is before", R"("ab" > "a")", "TRUE"},
    {"empty text before any", R"("" < "a")", "TRUE"},
    {"two empty texts", R"("" = "")", "TRUE"},
    {"zero bytes are characters", std::string("\"a\0b\" = \"a\0c\"", 13), "FALSE"},
    {"not equal", R"("a" <> "b")", "TRUE"},
    {"less or equal on equal", R"("a" <= "a")", "TRUE"},
    {"less on equal", R"("a" < "a")", "FALSE"},
    {"greater or equal", R"("b" >= "a")", "TRUE"},
    {"greater on less", R"("a" > "b")", "FALSE"},
    {"relation without spaces", R"("a"<>"b")", "TRUE"},
    {"unknown relation", R"("a" == "a")", "ERROR"},
    {"reversed relation", R"("a" => "a")", "ERROR"},
    {"missing relation", R"("a" "a")", "ERROR"},
    {"relation runs into a parenthesis", R"("a" =("a"))", "ERROR"},
    {"missing right text", R"("a" =)", "ERROR"},
    // Quoted texts.
    {"doubled quotes", R"("a""b" = "a""b")", "TRUE"},
    {"a text of one quote", R"("""" = """")", "TRUE"},
    {"doubled quote is not the closing one", R"("""" = "")", "FALSE"},
    {"unterminated left text", R"("a = a)", "ERROR"},
    {"unterminated right text", R"("a" = "a)", "ERROR"},
    {"lone quote", R"(")", "ERROR"},
    {"unterminated after a connective", R"("a" = "a" and "b)", "ERROR"},
    // Connectives: lower case, equal precedence, left to right.
    {"groups and and", R"(("a" = "a") and ("b" <> "b"))", "FALSE"},
    {"or", R"("x" = "y" or "x" = "x")", "TRUE"},
    {"left to right, not and first", R"("a" = "a" or "b" = "c" and "d" = "e")", "FALSE"},
    {"parentheses group", R"("a" = "a" or ("b" = "c" and "d" = "e"))", "TRUE"},
    {"upper-case connective", R"("a" = "a" AND "b" = "b")", "ERROR"},
    {"connective without operand", R"("a" = "a" and)", "ERROR"},
    {"connective, then spaces only", R"("a" = "a" and   )", "ERROR"},
    {"connective first", R"(or "a" = "a")", "ERROR"},
    {"no connective between comparisons", R"("a" = "a" "b" = "b")", "ERROR"},
    {"word runs into a parenthesis", R"("a" = "a" and("b" = "b"))", "ERROR"},
    {"space before the parenthesis", R"("a" = "a" and ("b" = "b"))", "TRUE"},
    {"a quote ends the word", R"("a" = "a" and"b" = "b")", "TRUE"},
    {"a closing parenthesis then the word", R"(("a" = "a")and ("b" = "b"))", "TRUE"},
    // Operands and parentheses.
    {"empty text", "", "ERROR"},
    {"spaces only", "   ", "ERROR"},
    {"empty parentheses", "()", "ERROR"},
    {"spaces everywhere", R"(  (  "a"   =   "a"  )   or   "b" = "c"  )", "TRUE"},
    {"tab between tokens", "\"a\"\t= \"a\"", "ERROR"},
    {"unquoted words", "a = a", "ERROR"},
    {"numbers", "1 = 1", "ERROR"},
    {"unreplaced reference", R"($A$ = "yes")", "ERROR"},
    {"replaced reference", R"("yes" = "yes")", "TRUE"},
    {"missing closing parenthesis", R"(("a" = "a")", "ERROR"},
    {"closing parenthesis left over", R"("a" = "a"))", "ERROR"},
    {"text after the expression", R"("a" = "a") x)", "ERROR"},
    {"missing operand in a group", R"(("a" = "a" and))", "ERROR"},
    // The text is read as "(" + text + ")", so its own parentheses may pair with those.
    {"outer parentheses pair with the text's", R"("a" = "a") or ("b" = "c")", "TRUE"},
};

TEST(EvaluateExpression, Cases) {
    for (const EvaluationCase& c : kEvaluationCases) {
        EXPECT_EQ(EvaluateExpression(c.text), c.expected) << c.label << ": " << c.text;
    }
}

struct SyntaxCase {
    const char* label;
    const char* raw;
    bool accepted;
};

const SyntaxCase kSyntaxCases[] = {
    {"reference compared with a text", R"($A$ = "yes")", true},
    {"references joined", R"($A$ = $B$ and ($C$ <> "x" or $D$ >= ""))", true},
    {"plain expression", R"("a" = "a")", true},
    {"false is no syntax error", R"("a" = "b")", true},
    {"a reference alone", "$A$", false},
    {"unquoted word", "$A$ = yes", false},
    {"dollar inside a text breaks its quoting", R"($A$ = "a$b")", false},
    {"empty expression", "", false},
    {"upper-case connective", R"($A$ = "1" OR $B$ = "2")", false},
};

TEST(CheckExpressionSyntax, Cases) {
    for (const SyntaxCase& c : kSyntaxCases) {
        EXPECT_EQ(CheckExpressionSyntax(c.raw), c.accepted) << c.label << ": " << c.raw;
    }
}

TEST(EvaluateExpression, DeepNestingNeedsNoStack) {
    constexpr int kDepth = 200000;
    const std::string balanced =
        std::string(kDepth, '(') + R"("a" = "a")" + std::string(kDepth, ')');
    EXPECT_EQ(EvaluateExpression(balanced), "TRUE");
    // Mixed: every level combines its group with a comparison.
    std::string mixed;
    for (int i = 0; i < kDepth; ++i) mixed += R"("a" = "b" or ()";
    mixed += R"("a" = "a")" + std::string(kDepth, ')');
    EXPECT_EQ(EvaluateExpression(mixed), "TRUE");
    EXPECT_EQ(EvaluateExpression(std::string(kDepth, '(')), "ERROR");
    EXPECT_EQ(EvaluateExpression(balanced + ")"), "ERROR");
}

TEST(EvaluateExpression, LongChain) {
    std::string chain = R"("k" = "k")";
    while (chain.size() < (1u << 20)) chain += R"( or "k" = "k" and "a" > "b")";
    EXPECT_EQ(EvaluateExpression(chain), "FALSE");  // the last operand decides, left to right
    EXPECT_EQ(EvaluateExpression(chain + R"( or "x" = "x")"), "TRUE");
    EXPECT_EQ(EvaluateExpression(chain + R"( or "x)"), "ERROR");
}

// The grammar read literally, recursing and consuming the text from the front.
class LiteralParser {
public:
    explicit LiteralParser(std::string text) : rest_("(" + text + ")") {}

    std::string Evaluate() {
        const int value = Expression();
        if (value == -1 || !rest_.empty()) return "ERROR";
        return value == 1 ? "TRUE" : "FALSE";
    }

private:
    void Skip() {
        std::size_t n = 0;
        while (n < rest_.size() && rest_[n] == ' ') ++n;
        rest_.erase(0, n);
    }
    std::string Word() {
        std::size_t n = 0;
        while (n < rest_.size() && rest_[n] != ' ' && rest_[n] != '"') ++n;
        std::string word = rest_.substr(0, n);
        rest_.erase(0, n);
        return word;
    }
    std::string Quoted() {
        std::string collected;
        for (std::size_t i = 1; i < rest_.size(); ++i) {
            if (rest_[i] != '"') {
                collected += rest_[i];
            } else if (i + 1 < rest_.size() && rest_[i + 1] == '"') {
                collected += '"';
                ++i;
            } else {
                rest_.erase(0, i + 1);
                return collected;
            }
        }
        return collected;
    }
    int Expression() {
        int value = Operand();
        if (value == -1) return -1;
        while (!rest_.empty()) {
            Skip();
            if (rest_.empty() || rest_[0] == ')') break;
            const std::string word = Word();
            const int operand = Operand();
            if (operand == -1) return -1;
            if (word == "and") {
                value = (value == 1 && operand == 1) ? 1 : 0;
            } else if (word == "or") {
                value = (value == 1 || operand == 1) ? 1 : 0;
            } else {
                return -1;
            }
        }
        return value;
    }
    int Operand() {
        Skip();
        if (rest_.empty()) return -1;
        if (rest_[0] == '(') {
            rest_.erase(0, 1);
            const int value = Expression();
            if (value == -1) return -1;
            Skip();
            if (rest_.empty() || rest_[0] != ')') return -1;
            rest_.erase(0, 1);
            return value;
        }
        if (rest_[0] == '"') return Comparison();
        return -1;
    }
    int Comparison() {
        Skip();
        if (rest_.empty() || rest_[0] != '"') return -1;
        const std::string left = Quoted();
        Skip();
        const std::string relation = Word();
        Skip();
        if (rest_.empty() || rest_[0] != '"') return -1;
        const std::string right = Quoted();
        Skip();
        const int order = left.compare(right);
        if (relation == "=") return order == 0;
        if (relation == "<>") return order != 0;
        if (relation == "<=") return order <= 0;
        if (relation == "<") return order < 0;
        if (relation == ">=") return order >= 0;
        if (relation == ">") return order > 0;
        return -1;
    }

    std::string rest_;
};

TEST(EvaluateExpression, AgreesWithTheLiteralGrammarOnEveryShortText) {
    const std::vector<std::string> tokens = {
        R"("a")", R"("b")", "\"", "=", "<>", "<", "(", ")", " ", "and", "or", "x",
    };
    constexpr int kMaxTokens = 5;
    std::vector<std::size_t> digits;
    int checked = 0;
    for (int length = 0; length <= kMaxTokens; ++length) {
        digits.assign(static_cast<std::size_t>(length), 0);
        for (;;) {
            std::string text;
            for (std::size_t d : digits) text += tokens[d];
            ASSERT_EQ(EvaluateExpression(text), LiteralParser(text).Evaluate()) << text;
            ++checked;
            std::size_t at = 0;
            while (at < digits.size() && ++digits[at] == tokens.size()) digits[at++] = 0;
            if (at == digits.size()) break;
        }
    }
    EXPECT_GT(checked, 200000);
}

}  // namespace
}  // namespace kel
