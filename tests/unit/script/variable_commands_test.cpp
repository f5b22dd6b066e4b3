// "Set Variable", "Evaluate Expression" and "Mathematics": names with the remember flag, the ABORT
// trickle, the immediate progress refresh, every operation code with its edge cases and the
// engine-wide generator.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "string_commands_fixture.h"

namespace kel::testing {
namespace {

TEST_F(CommandsTest, SetVariableNamesAndRememberFlag) {
    Inject("WHO", "world");
    Run({SetVar("TARGETDIR$QORV$QORV$TRUE", "C:\\App"), SetVar("$OTHER$", "hello $WHO$"),
         SetVar("lower$QORV$QORV$FALSE", "x"), SetVar("TargetDir$QORV$QORV$TRUE", "again"),
         SetVar("CASE$QORV$QORV$true", "y")});
    EXPECT_EQ(GetVariable("TARGETDIR"), "again");
    EXPECT_EQ(GetVariable("OTHER"), "hello world");
    EXPECT_FALSE(VariableExists("$OTHER$"));
    EXPECT_EQ(GetVariable("LOWER"), "x");
    EXPECT_EQ(GetVariable("CASE"), "y");
    // Only exactly "TRUE" remembers; a name marked twice is listed once.
    EXPECT_EQ(RememberedVariables(), (std::vector<std::string>{"TARGETDIR"}));
}

TEST_F(CommandsTest, SetVariableCreatesAMissingNameUpperCased) {
    Run({SetVar("fresh", "1")});
    std::vector<std::string> pairs;
    Variables().ListAll(pairs);
    EXPECT_NE(std::find(pairs.begin(), pairs.end(), "FRESH"), pairs.end());
}

TEST_F(CommandsTest, AbortTricklesIntoTheCancelState) {
    Run({SetVar("abort", "TRUE")});
    EXPECT_EQ(GetVariable("QORV_IsCancelled"), "TRUE");
    Run({SetVar("ABORTED", "TRUE")});
    EXPECT_EQ(GetVariable("QORV_IsCancelled"), "FALSE");
}

TEST_F(CommandsTest, ProgressIsPublishedAtOnceWhileADialogIsOpen) {
    // The statement is the last one, so no later refresh of the interpreter publishes it.
    dialogs.window = 0x1234;
    Inject("PROGRESS", "0");
    Run({SetVar("PROGRESS", "40")});
    EXPECT_EQ(dialogs.published, (std::vector<Published>{{"", 0, 100, 40}}));
    dialogs.published.clear();
    Run({SetVar("progresstext", "Copying")});
    EXPECT_EQ(dialogs.published, (std::vector<Published>{{"Copying", 0, 100, 0}}));
    dialogs.published.clear();
    dialogs.window = 0;
    Run({SetVar("PROGRESS", "50")});
    EXPECT_TRUE(dialogs.published.empty());
}

TEST_F(CommandsTest, ProgressThatIsNoIntegerEndsTheRunWithADialog) {
    dialogs.window = 0x1234;
    Inject("PROGRESS", "0");
    Run({SetVar("PROGRESS", "half"), Write("not run")});
    EXPECT_TRUE(Output().empty());
    EXPECT_TRUE(RuntimeErrorShown());
}

struct ExpressionCase {
    const char* label;
    std::string expression;
    std::string result;
};

const ExpressionCase kExpressionCases[] = {
    {"equal texts", "$A$=\"one\"", "TRUE"},
    {"connectives", "$A$=\"two\" or ($B$<>\"x\" and $A$=\"one\")", "TRUE"},
    {"false", "$A$>\"z\"", "FALSE"},
    {"malformed", "$A$=", "ERROR"},
};

class EvaluateExpression : public CommandsTest,
                           public ::testing::WithParamInterface<ExpressionCase> {};

TEST_P(EvaluateExpression, WritesTheValue) {
    Inject("A", "one");
    Inject("B", "y");
    EXPECT_EQ(RunFor({Evaluate(GetParam().expression, "res")}, "RES"), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(Cases, EvaluateExpression, ::testing::ValuesIn(kExpressionCases),
                         [](const auto& info) { return CaseName(info.param.label); });

struct MathCase {
    const char* label;
    std::string a, b, code, result;
};

const std::string kMax = std::to_string(std::numeric_limits<std::int64_t>::max());
const std::string kMin = std::to_string(std::numeric_limits<std::int64_t>::min());

const MathCase kMathCases[] = {
    {"add", "2", "3", "0", "5"},
    {"add wraps", kMax, "1", "0", kMin},
    {"subtract", "2", "5", "1", "-3"},
    {"subtract wraps", kMin, "1", "1", kMax},
    {"multiply", "-4", "6", "2", "-24"},
    {"multiply wraps", "4611686018427387904", "4", "2", "0"},
    {"multiply by a non-number", "2", "x", "2", ""},
    {"divide truncates toward zero", "7", "-2", "3", "-3"},
    {"divide the smallest by -1 wraps", kMin, "-1", "3", kMin},
    {"divide by zero", "7", "0", "3", ""},
    {"remainder has the sign of A", "7", "-2", "4", "1"},
    {"remainder of a negative A", "-7", "2", "4", "-1"},
    {"remainder of the smallest by -1", kMin, "-1", "4", "0"},
    {"remainder by zero", "7", "0", "4", ""},
    {"and", "12", "10", "5", "8"},
    {"or", "12", "10", "6", "14"},
    {"xor", "12", "10", "7", "6"},
    {"shift left", "1", "4", "8", "16"},
    {"shift left into the sign", "1", "63", "8", kMin},
    {"shift left by 64", "1", "64", "8", "0"},
    {"shift left by 127", "1", "127", "8", "0"},
    {"shift left by a negative count", "1", "-1", "8", "0"},
    {"shift left by a huge count", "1", "9999999999", "8", "0"},
    {"shift right shifts zeros in", "-1", "60", "9", "15"},
    {"shift right by 64", "-1", "64", "9", "0"},
    {"not", "0", "", "10", "-1"},
    {"not ignores B", "5", "junk", "10", "-6"},
    {"character code", "A", "", "11", "65"},
    {"character code of a high byte", "\xE9t", "", "11", "233"},
    {"character code of an empty text", "", "", "11", ""},
    {"character", "321", "", "12", "A"},
    {"character of a non-number", "x", "", "12", ""},
    {"hexadecimal operands", "$10", "x10", "0", "32"},
    {"operand with trailing space", "1 ", "2", "0", ""},
    {"operand beyond 64 bits", "9223372036854775808", "0", "0", ""},
    {"empty operand", "", "2", "0", ""},
    {"code outside 0 to 15", "1", "2", "16", ""},
    {"negative code", "1", "2", "-1", ""},
    {"code that is no number", "1", "2", "plus", ""},
};

class Mathematics : public CommandsTest, public ::testing::WithParamInterface<MathCase> {};

TEST_P(Mathematics, Computes) {
    const MathCase& c = GetParam();
    EXPECT_EQ(RunFor({Math(c.a, c.b, c.code)}, "R"), c.result);
}

INSTANTIATE_TEST_SUITE_P(Cases, Mathematics, ::testing::ValuesIn(kMathCases),
                         [](const auto& info) { return CaseName(info.param.label); });

TEST_F(CommandsTest, MathematicsExpandsOperandsButNotTheCode) {
    Inject("X", "40");
    Inject("C", "0");
    Run({Math("$X$", "2", "0", "SUM"), Math("1", "2", "$C$", "RAW")});
    EXPECT_EQ(GetVariable("SUM"), "42");
    EXPECT_EQ(GetVariable("RAW"), "");
    EXPECT_TRUE(VariableExists("RAW"));
}

TEST_F(CommandsTest, CharacterOfCodeZeroIsOneCharacter) {
    EXPECT_EQ(RunFor({Math("256", "", "12")}, "R"), std::string(1, '\0'));
}

TEST_F(CommandsTest, RandomBeforeAnySeedIsZero) {
    Run({Math("7", "", "15", "R1"), Math("-3", "", "15", "R2"), Math("0", "", "15", "R3")});
    EXPECT_EQ(GetVariable("R1"), "0");
    EXPECT_EQ(GetVariable("R2"), "0");
    EXPECT_EQ(GetVariable("R3"), "");  // remainder by zero
}

TEST_F(CommandsTest, SeededGeneratorFollowsItsRecurrence) {
    // multiplier 1103515245, increment 12345, state 42 (all as signed 32-bit values).
    Run({Math("1103515245", "12345", "13", "SUM"), Math("42", "", "14", "SEED"),
         Math("1000", "", "15", "R1"), Math("1000", "", "15", "R2")});
    EXPECT_EQ(GetVariable("SUM"), "1103527590");
    EXPECT_EQ(GetVariable("SEED"), "42");

    std::int32_t state = 42;
    std::vector<std::string> expected;
    for (int i = 0; i < 2; ++i) {
        const std::int32_t x =
            static_cast<std::int32_t>(1103515245u * static_cast<std::uint32_t>(state) + 12345u);
        state = x % 32767;
        expected.push_back(std::to_string(static_cast<std::int64_t>(x) % 1000));
    }
    EXPECT_EQ(GetVariable("R1"), expected[0]);
    EXPECT_EQ(GetVariable("R2"), expected[1]);
    EXPECT_EQ(MathematicsRandom().state, state);
}

TEST_F(CommandsTest, SeedTakesTheLow32BitsAsSigned) {
    Run({Math("4294967295", "", "14", "SEED"), Math("4294967297", "-4294967296", "13", "SUM")});
    EXPECT_EQ(GetVariable("SEED"), "-1");
    EXPECT_EQ(MathematicsRandom().state, -1);
    EXPECT_EQ(MathematicsRandom().multiplier, 1);
    EXPECT_EQ(MathematicsRandom().increment, 0);
    EXPECT_EQ(GetVariable("SUM"), "1");
}

TEST_F(CommandsTest, GeneratorKeepsItsStateAcrossRuns) {
    MathematicsRandom() = {3, 1, 5};  // x = 16
    EXPECT_EQ(RunFor({Math("10", "", "15")}, "R"), "6");
    EXPECT_EQ(MathematicsRandom().state, 16);
    EXPECT_EQ(RunFor({Math("100", "", "15")}, "R"), "49");  // x = 49
}

}  // namespace
}  // namespace kel::testing
