// Lookups over the statement model: parameters, command headers, build-time switches, sources.
#include "engine/script/script_model.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/script/script_error.h"

namespace kel {
namespace {

void AddLines(StringList& list, std::initializer_list<const char*> lines) {
    for (const char* line : lines) list.Add(line);
}

TEST(GetStatementParameter, LaterBlockAndFirstListWin) {
    ScriptModel model;
    AddLines(model.ParameterBlocks(), {"{ID}", "old", "$", "{id}", "new"});
    EXPECT_EQ(model.GetStatementParameter("{ID}", 1), "new");  // highest occurrence, any case
    model.parameterBlockLists.emplace_back(true);
    AddLines(model.parameterBlockLists.back(), {"{OTHER}", "second list"});
    EXPECT_EQ(model.GetStatementParameter("{OTHER}", 1), "second list");
    EXPECT_EQ(model.GetStatementParameter("{MISSING}", 3), "");
    EXPECT_THROW(model.GetStatementParameter("{ID}", 2), ScriptError);  // past the list's end
}

TEST(GetCommandHeader, PairsAndTheRequiredError) {
    ScriptModel model;
    AddLines(model.commandHeaderTable, {"0000000A", "3", "00000012", "12"});
    EXPECT_EQ(model.GetCommandHeader(3, true), "0000000A");
    EXPECT_EQ(model.GetCommandHeader(12, false), "00000012");
    EXPECT_EQ(model.GetCommandHeader(4, false), "");
    try {
        model.GetCommandHeader(4, true);
        FAIL();
    } catch (const ScriptError& e) {
        EXPECT_STREQ(e.what(), ScriptModel::kMissingHeaderMessage);
    }
    // A header whose text reads like an index must not be taken for one.
    ScriptModel numeric;
    AddLines(numeric.commandHeaderTable, {"7", "9", "00000001", "7"});
    EXPECT_EQ(numeric.GetCommandHeader(7, true), "00000001");
}

TEST(ExpandCompilerVariables, RoundsAndTheirIntermediateBoxes) {
    ScriptModel model;
    AddLines(model.compilerVariables, {"A", "#B#!", "B", "b", "C", "#A#"});
    std::vector<std::string> shown;
    auto sink = [&](const std::string& text) { shown.push_back(text); };

    EXPECT_EQ(model.ExpandCompilerVariables("no switch", sink), "no switch");
    // A refers to B, listed after it: one pass, no box.
    EXPECT_EQ(model.ExpandCompilerVariables("#a#", sink), "b!");
    EXPECT_TRUE(shown.empty());
    // C refers to A, listed before it: one box with the partial result, then the full expansion.
    EXPECT_EQ(model.ExpandCompilerVariables("#C#", sink), "b!");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "#A#");
    // Unknown switches stay; an unchanged text ends the rounds at once.
    shown.clear();
    EXPECT_EQ(model.ExpandCompilerVariables("#NOPE#", sink), "#NOPE#");
    EXPECT_TRUE(shown.empty());
}

TEST(ExpandCompilerVariables, SelfReferenceIsBounded) {
    ScriptModel model;
    AddLines(model.compilerVariables, {"LOOP", "x#LOOP#"});
    int boxes = 0;
    const std::string result =
        model.ExpandCompilerVariables("#LOOP#", [&](const std::string&) { ++boxes; });
    EXPECT_EQ(boxes, ScriptModel::kMaxCompilerVariableRounds);
    EXPECT_EQ(result.substr(0, 3), "xxx");
}

TEST(SourceReference, MessageRules) {
    struct Case {
        const char* stored;
        const char* file;
        int line;
    } cases[] = {
        {"C:\\proj\\setup.src*737", "setup", 738},
        {"setup.src*0", "setup", 1},
        {"dir/inc.v2.src*3", "inc.v2", 4},
        {"noStar", "", 1},
        {"file.src*abc", "file", 1},
        {"*5", "", 6},
    };
    for (const Case& c : cases) {
        SourceReference ref = ParseSourceReference(c.stored);
        EXPECT_EQ(ref.fileName, c.file) << c.stored;
        EXPECT_EQ(ref.lineNumber, c.line) << c.stored;
    }
}

}  // namespace
}  // namespace kel
