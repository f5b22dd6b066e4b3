// The engine-level variable operations over the process-wide store: guarded writes as start-up
// and the script make them, path clean-up, references, newline markers and the plug-in snapshot.
#include "engine/vars/variables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "engine/base/comma_text.h"

namespace kel {
namespace {

using namespace std::string_literals;

class EngineVariables : public ::testing::Test {
  protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }

    static void Reset() {
        Variables().Clear();
        Variables().SetSilentMode(false);
        Variables().SetCommandLineOverrides({});
        SetFileApisToAnsiHook(nullptr);
    }

    static std::vector<std::pair<std::string, std::string>> SortedPairs(std::string_view text) {
        const std::vector<std::string> items = ParseCommaText(text);
        std::vector<std::pair<std::string, std::string>> pairs;
        for (std::size_t i = 0; i + 1 < items.size(); i += 2) {
            pairs.emplace_back(items[i], items[i + 1]);
        }
        std::sort(pairs.begin(), pairs.end());
        return pairs;
    }
};

// Start-up declares the predefined variables, injects the command line, and the script writes.
TEST_F(EngineVariables, CommandLineValueSurvivesScriptWritesOnlyInSilentRuns) {
    for (const bool silent : {true, false}) {
        Reset();
        Variables().SetCommandLineOverrides({"TARGETDIR", "C:\\X"});
        Variables().SetSilentMode(silent);
        SetVariable("TARGETDIR", "C:\\Program Files\\App\\", "Compilation");
        SetVariable("TARGETDIR", "C:\\X", kInjectOverrideReason);
        SetVariable("TARGETDIR", "D:\\Other\\", "Set Variable Action");
        EXPECT_EQ(GetVariable("TARGETDIR"), silent ? "C:\\X" : "D:\\Other\\") << silent;
    }
}

TEST_F(EngineVariables, ReadsTellUndefinedFromEmpty) {
    SetVariable("EMPTY", "", "Set Variable Action");
    SetVariable("", "ignored", "Set Variable Action");
    EXPECT_EQ(GetVariable("EMPTY"), "");
    EXPECT_EQ(GetVariable("UNDEFINED"), "");
    EXPECT_TRUE(VariableExists("empty"));
    EXPECT_FALSE(VariableExists("UNDEFINED"));
    EXPECT_FALSE(VariableExists(""));
}

TEST_F(EngineVariables, ExpandVariablesUsesTheProcessStore) {
    SetVariable("A", "x", "Set Variable Action");
    EXPECT_EQ(ExpandVariables("$A$$A$"), "xx");
    EXPECT_EQ(ExpandVariablesQuoted("$A$ = \"x\""), "\"x\" = \"x\"");
}

TEST_F(EngineVariables, ExpandPath) {
    struct Case {
        const char* label;
        const char* text;
        const char* path;
    };
    SetVariable("TARGETDIR", "C:\\App\\", "Set Variable Action");
    SetVariable("SERVER", "\\\\srv", "Set Variable Action");
    const Case cases[] = {
        {"network path keeps its leading pair", "\\\\srv\\share\\\\dir", "\\\\srv\\share\\dir"},
        {"folder variable followed by a backslash", "$TARGETDIR$\\sub", "C:\\App\\sub"},
        {"three backslashes become two", "a\\\\\\b", "a\\\\b"},
        {"three leading backslashes stay three", "\\\\\\x", "\\\\\\x"},
        {"leading pair from a variable", "$SERVER$\\share", "\\\\srv\\share"},
        {"single backslashes stay", "C:\\a\\b", "C:\\a\\b"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ExpandPath(c.text), c.path) << c.label;
}

int ansiHookCalls = 0;

TEST_F(EngineVariables, ExpandPathSwitchesFileApisFirst) {
    ansiHookCalls = 0;
    SetFileApisToAnsiHook([] { ++ansiHookCalls; });
    ExpandPath("C:\\");
    ExpandPath("D:\\");
    EXPECT_EQ(ansiHookCalls, 2);
    EXPECT_EQ(ExpandVariables("C:\\"), "C:\\");
    EXPECT_EQ(ansiHookCalls, 2);  // plain substitution leaves the file functions alone
}

TEST_F(EngineVariables, StripVariableReference) {
    struct Case {
        const char* text;
        const char* name;
    };
    const Case cases[] = {
        {"$NAME$", "NAME"}, {"$a b$", "a b"}, {"$$", ""},    {"$", ""},       {"NAME", ""},
        {"$NAME", ""},      {"NAME$", ""},    {"$A$B$", ""}, {" $NAME$", ""}, {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(StripVariableReference(c.text), c.name) << c.text;
}

TEST_F(EngineVariables, ResolveVariableReference) {
    SetVariable("GREETING", "Hello $WHO$", "Set Variable Action");
    SetVariable("WHO", "world", "Set Variable Action");
    SetVariable("EMPTY", "", "Set Variable Action");
    struct Case {
        const char* text;
        const char* resolved;
    };
    const Case cases[] = {
        {"$GREETING$", "Hello world"},  // the value is expanded
        {"greeting", "Hello world"},    // a bare name works too
        {"$EMPTY$", ""},
        {"$MISSING$", "$QORVNX$"},
        {"MISSING", "$QORVNX$"},
        {"", "$QORVNX$"},
        {"$A$B$", "$QORVNX$"},  // not one reference, and no variable has that name
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResolveVariableReference(c.text, kMissingVariableMarker), c.resolved) << c.text;
    }
    EXPECT_EQ(ResolveVariableReference("$MISSING$", ""), "");
}

TEST_F(EngineVariables, NewlineMarkers) {
    EXPECT_EQ(NewlinesToMarker("one\r\ntwo\r\n"), "one$NEWLINE$two$NEWLINE$");
    EXPECT_EQ(NewlinesToMarker("bare\nline\rends"), "bare\nline\rends");  // only pairs count
    EXPECT_EQ(MarkerToNewlines("a$NEWLINE$b$newline$c$NewLine$"), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(MarkerToNewlines("$NEWLINE"), "$NEWLINE");
    const std::string text = "first\r\nsecond\r\n\r\nlast";
    EXPECT_EQ(MarkerToNewlines(NewlinesToMarker(text)), text);
}

TEST_F(EngineVariables, SnapshotAndRestoreKeepEveryValue) {
    const std::vector<std::pair<std::string, std::string>> variables = {
        {"COMMA", "a,b"},
        {"SPACE", " leading and trailing "},
        {"QUOTE", "say \"hi\""},
        {"ONLYQUOTES", "\"\""},
        {"CONTROL", "tab\tcr\rlf\n\x01"},
        {"NUL", "before\0after"s},
        {"EMPTY", ""},
        {"HIGH", "caf\xe9"},
        {"MyVar", "mixed case name"},
        {"Name With Space", "x"},
        {"PATH", "C:\\Program Files\\App\\"},
    };
    for (const auto& [name, value] : variables) SetVariable(name, value, "Set Variable Action");
    SetVariable("MYVAR", "mixed case name", "Set Variable Action");  // keeps the name MyVar

    const std::string snapshot = SnapshotVariables();
    auto expected = variables;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(SortedPairs(snapshot), expected);

    SetVariable("ADDED", "by the plug-in call", "Set Variable Action");
    SetVariable("COMMA", "changed", "Set Variable Action");
    RestoreVariables(snapshot);
    EXPECT_EQ(SortedPairs(SnapshotVariables()), expected);
    EXPECT_FALSE(VariableExists("ADDED"));
}

TEST_F(EngineVariables, RestoreIgnoresATrailingUnpairedItem) {
    SetVariable("OLD", "gone", "Set Variable Action");
    RestoreVariables("A,1,\"B C\",\"\",LONELY");
    EXPECT_EQ(SortedPairs(SnapshotVariables()),
              (std::vector<std::pair<std::string, std::string>>{{"A", "1"}, {"B C", ""}}));
    RestoreVariables("");
    EXPECT_EQ(SnapshotVariables(), "");
}

}  // namespace
}  // namespace kel
