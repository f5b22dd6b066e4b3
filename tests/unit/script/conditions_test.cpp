// The conditions of "If" and "Else If" through whole runs: every comparison code on numbers and
// texts, the defined test, versions, the negate flag, the expansion of both sides, and the
// runtime error of a malformed version field.
#include <gtest/gtest.h>

#include "interpreter_fixture.h"

namespace kel::testing {
namespace {

struct ConditionCase {
    const char* label;
    std::string left;  // the value of variable L
    std::string code;
    std::string right;
    std::string negate;
    bool holds;
};

const ConditionCase kConditionCases[] = {
    {"integers 007 and 7 are equal", "007", "0", "7", "FALSE", true},
    {"a and A differ with code 0", "a", "0", "A", "FALSE", false},
    {"a and A are equal with code 4", "a", "4", "A", "FALSE", true},
    {"code 4 folds only the letters a to z", "\xC4x", "4", "\xE4X", "FALSE", false},
    {"equal texts", "same text", "0", "same text", "FALSE", true},
    {"contains", "abcdef", "1", "cd", "FALSE", true},
    {"contains is case-sensitive", "abcdef", "1", "CD", "FALSE", false},
    {"empty text is not contained", "abc", "1", "", "FALSE", false},
    {"empty text is not contained, negated", "abc", "1", "", "TRUE", true},
    {"contains ignoring case", "abcdef", "3", "CD", "FALSE", true},
    {"empty text is not contained ignoring case", "abc", "3", "", "FALSE", false},
    {"numbers compare as numbers", "10", "2", "9", "FALSE", true},
    {"negative numbers compare as numbers", "-1", "2", "-2", "FALSE", true},
    {"a number and a text compare as texts", "10", "2", "9a", "FALSE", false},
    {"greater text", "b", "2", "a", "FALSE", true},
    {"greater is strict", "a", "2", "a", "FALSE", false},
    {"texts compare by unsigned byte value", "\xE9", "2", "z", "FALSE", true},
    {"contains on two integers tests equality", "12", "1", "1", "FALSE", false},
    {"contains ignoring case on two integers tests equality", "12", "3", "12", "FALSE", true},
    {"hexadecimal with dollar", "$1F", "0", "31", "FALSE", true},
    {"hexadecimal with 0x, code 4", "0x1f", "4", "31", "FALSE", true},
    {"leading spaces are allowed in integers", " 7", "0", "7", "FALSE", true},
    {"a trailing space makes a text", "7 ", "0", "7", "FALSE", false},
    {"beyond 32 bits is a text", "2147483648", "2", "2147483647", "FALSE", true},
    {"unknown code on texts", "a", "7", "a", "FALSE", false},
    {"unknown code on numbers", "1", "7", "1", "FALSE", false},
    {"unknown code negated", "a", "7", "a", "TRUE", true},
    {"empty code is unknown", "a", "", "a", "FALSE", false},
    {"version 1.2.10 is greater than 1.2.9", "1.2.10", "6", "1.2.9", "FALSE", true},
    {"version 1.2 is not greater than 1.2.0.0", "1.2", "6", "1.2.0.0", "FALSE", false},
    {"version 1.2.0.1 is greater than 1.2", "1.2.0.1", "6", "1.2", "FALSE", true},
    {"version fields compare as numbers", "1.10", "6", "1.9", "FALSE", true},
    {"version major field decides", "2", "6", "1.9.9.9", "FALSE", true},
    {"version lower", "1.2.9", "6", "1.2.10", "FALSE", false},
    {"version last field that is no integer counts 0", "1.2.3.x", "6", "1.2.3.0", "FALSE", false},
    {"version fifth field is not read", "1.2.3.4.9", "6", "1.2.3.4", "FALSE", false},
    {"version of empty texts", "", "6", "", "FALSE", false},
    {"version negated", "1.2", "6", "1.2", "TRUE", true},
    {"negate TRUE in any case", "a", "0", "a", "true", false},
    {"negate -1", "a", "0", "a", "-1", false},
    {"negate 1 is false", "a", "0", "a", "1", true},
    {"negate empty is false", "a", "0", "a", "", true},
};

void PrintTo(const ConditionCase& c, std::ostream* out) { *out << c.label; }

class Condition : public InterpreterTest, public ::testing::WithParamInterface<ConditionCase> {};

TEST_P(Condition, Holds) {
    const ConditionCase& c = GetParam();
    Inject("L", c.left);
    Run({If("L", c.code, c.right, c.negate), Write("holds"), Else(), Write("fails"), End()});
    ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
    EXPECT_EQ(Output(), std::vector<std::string>{c.holds ? "holds" : "fails"});
}

INSTANTIATE_TEST_SUITE_P(Cases, Condition, ::testing::ValuesIn(kConditionCases),
                         [](const auto& info) { return CaseName(info.param.label); });

// Parameter 1 of the other codes may be written as $NAME$; both sides are expanded.
TEST_F(InterpreterTest, ConditionValuesAreExpanded) {
    Inject("L", "$R$");
    Inject("R", "abc");
    Run({If("$L$", "0", "abc"), Write("left"), End(), If("L", "0", "$R$"), Write("right"), End(),
         If("UNDEFINED", "0", ""), Write("undefined is empty"), End()});
    EXPECT_EQ(Output(), (std::vector<std::string>{"left", "right", "undefined is empty"}));
}

// Code 5 takes parameter 1 literally: $LIT$ names a variable with the dollar signs.
TEST_F(InterpreterTest, DefinedTestTakesTheNameLiterally) {
    Inject("$LIT$", "1");
    Inject("PLAIN", "");
    Run({If("$LIT$", "5", ""), Write("dollar name defined"), End(), If("LIT", "5", ""), Write("no"),
         End(), If("$PLAIN$", "5", ""), Write("no"), End(), If("PLAIN", "5", ""),
         Write("empty value is defined"), End(), If("MISSING", "5", "", "TRUE"), Write("negated"),
         End()});
    EXPECT_EQ(Output(), (std::vector<std::string>{"dollar name defined", "empty value is defined",
                                                  "negated"}));
}

struct VersionErrorCase {
    const char* label;
    std::string left;
    std::string right;
    std::string message;
};

const VersionErrorCase kVersionErrors[] = {
    {"field before a dot on the left", "1.x.3", "1", "'x' is not a valid integer value"},
    {"empty field before a dot on the right", "1", "1..2", "'' is not a valid integer value"},
    {"blank field", "1. .2", "1", "' ' is not a valid integer value"},
};

void PrintTo(const VersionErrorCase& c, std::ostream* out) { *out << c.label; }

class VersionError : public InterpreterTest,
                     public ::testing::WithParamInterface<VersionErrorCase> {};

TEST_P(VersionError, EndsTheRunWithTheRuntimeError) {
    Inject("L", GetParam().left);
    Run({Write("before"), If("L", "6", GetParam().right), Write("no"), End(), Write("no")});
    EXPECT_EQ(Output(), (std::vector<std::string>{"before"}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "Runtime error in setup script:\r\rSource File: setup\r"
              "Line Number: 2\r\r" +
                  GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Cases, VersionError, ::testing::ValuesIn(kVersionErrors),
                         [](const auto& info) { return CaseName(info.param.label); });

// Parameters are read from one list of blocks, so only the last block can be read past.
TEST_F(InterpreterTest, IfWithoutItsParametersIsARuntimeError) {
    Run({Write("before"), {"If", {"A", "0"}}});
    EXPECT_EQ(Output(), (std::vector<std::string>{"before"}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].text.find("Line Number: 2\r\rList index out of bounds"),
              std::string::npos);
}

}  // namespace
}  // namespace kel::testing
