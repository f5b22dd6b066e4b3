// The compile check over scripts built statement by statement: each rejected case breaks one rule
// and is accepted again once that fault is mended; declarations, the predefined names, the
// executed-statement list and the checker's all-errors mode.
#include "engine/script/validation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/script/compiled_script.h"

namespace kel {
namespace {

namespace text = validation_text;

struct Statement {
    std::string command;
    std::vector<std::string> parameters;
    bool commented = false;
};

Statement Commented(Statement statement) {
    statement.commented = true;
    return statement;
}
Statement If(std::string variable, std::string value = "x") {
    return {"If", {std::move(variable), "0", std::move(value)}};
}
Statement ElseIf(std::string variable, std::string value = "x") {
    return {"Else If", {std::move(variable), "0", std::move(value)}};
}
Statement End() { return {"End", {}}; }
Statement Label(std::string name) { return {"Label", {std::move(name)}}; }
Statement GoTo(std::string name) { return {"GoTo Label", {std::move(name)}}; }
Statement Set(std::string name) { return {"Set Variable", {std::move(name), "value"}}; }

// Compiled scripts give every statement of a command the same number of parameters; blocks are
// padded with empty ones so that a rule may read further than a case spells out. A block without
// padding ends where its last parameter ends.
constexpr std::size_t kPaddedParameters = 8;

ScriptModel BuildScript(const std::vector<Statement>& statements, bool pad = true) {
    ScriptModel model;
    for (std::size_t i = 0; i < statements.size(); ++i) {
        const Statement& statement = statements[i];
        const std::string id = "{ID" + std::to_string(i) + "}";
        model.commands.Add(statement.command);
        model.ids.Add(id);
        model.states.Add(statement.commented ? ScriptModel::kCommentedState : "");
        model.mediaNames.Add("");
        if (statement.parameters.empty()) continue;
        model.ParameterBlocks().Add(id);
        for (const std::string& parameter : statement.parameters) {
            model.ParameterBlocks().Add(parameter);
        }
        for (std::size_t k = statement.parameters.size(); pad && k < kPaddedParameters; ++k) {
            model.ParameterBlocks().Add("");
        }
    }
    return model;
}

ValidationResult Validate(const std::vector<Statement>& statements,
                          ValidationMode mode = ValidationMode::kFirstError) {
    return ValidateScript(BuildScript(statements), mode);
}

TEST(ValidateScript, AcceptsAndListsEveryStatement) {
    const ValidationResult result = Validate({
        Set("NAME"),
        {"Create Folder", {"$TARGETDIR$"}},
        Commented({"Write Registry", {"HKLM"}}),
        {"Install Files", {"x", "y", "$TARGETDIR$"}},
        {"Delete Files", {"x", "y", "TRUE", "FALSE"}},
        {"Comment", {"anything"}},
    });
    EXPECT_TRUE(result.Accepted());
    EXPECT_EQ(result.resultIndex, -1);
    EXPECT_EQ(result.message, "Script compiled successfully");
    EXPECT_TRUE(result.messages.empty());
    // Definition statements are "FALSE" until run; a commented one stays "SKIP".
    EXPECT_EQ(result.executedStatements,
              (std::vector<std::string>{"SKIP", "FALSE", "SKIP", "FALSE", "FALSE", "SKIP"}));
}

TEST(ValidateScript, EmptyScriptIsAccepted) {
    const ValidationResult result = Validate({});
    EXPECT_TRUE(result.Accepted());
    EXPECT_TRUE(result.executedStatements.empty());
}

struct RejectionCase {
    const char* label;
    std::vector<Statement> faulty;
    std::int64_t index;
    std::string message;
    std::vector<Statement> mended;
};

const std::int64_t kBalance = ValidationResult::kEndBalance;

const std::vector<RejectionCase>& RejectionCases() {
    static const std::vector<RejectionCase> cases = {
        // Pass 1: blocks and labels inside them.
        {"If without End", {If("TITLE")}, kBalance, text::kInsufficientEnd, {If("TITLE"), End()}},
        {"Wizard Loop without End",
         {{"Wizard Loop", {}}},
         kBalance,
         text::kInsufficientEnd,
         {{"Wizard Loop", {}}, End()}},
        {"one End too many",
         {If("TITLE"), End(), End()},
         kBalance,
         text::kTooManyEnd,
         {If("TITLE"), End()}},
        {"a commented End does not count",
         {If("TITLE"), Commented(End())},
         kBalance,
         text::kInsufficientEnd,
         {If("TITLE"), End()}},
        {"Label inside If",
         {If("TITLE"), Label("A"), End()},
         1,
         text::kLabelNested,
         {If("TITLE"), Commented(Label("A")), End()}},
        {"Label inside Wizard Loop",
         {{"Wizard Loop", {}}, Label("A"), End()},
         1,
         text::kLabelNested,
         {Label("A"), {"Wizard Loop", {}}, End()}},
        {"Label at negative depth",
         {End(), Label("A"), If("TITLE")},
         1,
         text::kLabelNested,
         {Label("A"), End(), If("TITLE")}},  // balanced counts pass even in the wrong order
        {"nested Label is found before the balance",
         {If("TITLE"), Label("A")},
         1,
         text::kLabelNested,
         {Label("A"), If("TITLE"), End()}},
        // Pass 2: label definitions, commented ones included.
        {"Label defined twice, differing in case",
         {Label("Start"), Label("START")},
         1,
         std::string(text::kLabelRedefined) + "START",
         {Label("Start"), Label("Again")}},
        {"a commented Label counts",
         {Commented(Label("Start")), Label("start")},
         1,
         std::string(text::kLabelRedefined) + "start",
         {Commented(Label("Start")), Label("b")}},
        // Pass 4, group A.
        {"GoTo an undefined label",
         {GoTo("Missing")},
         0,
         std::string(text::kLabelUndefined) + "Missing",
         {GoTo("Missing"), Label("MISSING")}},
        {"Web Media Block name with a wild card",
         {{"Web Media Block", {"a*b", "http://x/"}}},
         0,
         text::kWebMediaName,
         {{"Web Media Block", {"ab", "http://x/"}}}},
        {"Web Media Block name with a slash after the folder",
         {{"Web Media Block", {"c:\\dir\\a/b", "http://x/"}}},
         0,
         text::kWebMediaName,
         {{"Web Media Block", {"c:\\dir\\a b", "http://x/"}}}},
        {"Web Media Block without URL",
         {{"Web Media Block", {"blk", ""}}},
         0,
         text::kWebMediaUrl,
         {{"Web Media Block", {"blk", "http://x/"}}}},
        {"the URL message replaces the name message",
         {{"Web Media Block", {"a?b", ""}}},
         0,
         text::kWebMediaUrl,
         {{"Web Media Block", {"", ""}}}},
        {"Is MSI Setup Installed without variable",
         {{"Is MSI Setup Installed", {"{PC}", ""}}},
         0,
         text::kVariableRequired,
         {{"Is MSI Setup Installed", {"{PC}", "X"}}, If("X"), End()}},
        {"Delete Files without a mode",
         {{"Delete Files", {"f", "d", "FALSE", "1"}}},
         0,
         text::kDeleteMode,
         {{"Delete Files", {"f", "d", "-1", "FALSE"}}}},
        {"Install Files without target",
         {{"Install Files", {"f", "d", ""}}},
         0,
         text::kTargetFolder,
         {{"Install Files", {"f", "d", "$TARGETDIR$"}}}},
        {"Convert Path of an undefined variable",
         {{"Convert Path", {"P", "TRUE"}}},
         0,
         std::string(text::kVariableNotDefined) + "P",
         {Set("P"), {"Convert Path", {"p"}}}},
        {"Convert Case of an undefined variable",
         {{"Convert Case", {"P"}}},
         0,
         std::string(text::kVariableNotDefined) + "P",
         {Set("P"), {"Convert Case", {"P"}}}},
        {"Extract Path of an undefined variable",
         {{"Extract Path", {"P"}}},
         0,
         std::string(text::kVariableNotDefined) + "P",
         {Set("P"), {"Extract Path", {"P"}}}},
        {"Replace String names its variable as written",
         {Set("P"), {"Replace String", {"$P$"}}},
         1,
         std::string(text::kVariableNotDefined) + "$P$",
         {Set("P"), {"Replace String", {"P"}}}},
        {"Evaluate Expression with a bad expression",
         {{"Evaluate Expression", {"$A$ = yes", "R"}}},
         0,
         text::kExpressionSyntax,
         {{"Evaluate Expression", {"$A$ = \"yes\"", "R"}}, If("R"), End()}},
        {"Find All Files without variable",
         {{"Find All Files", {"d", "*.*", "0", ""}}},
         0,
         text::kVariableRequired,
         {{"Find All Files", {"d", "*.*", "0", "FOUND"}}, If("FOUND"), End()}},
        {"Check Disk Space without variable",
         {{"Check Disk Space", {""}}},
         0,
         text::kVariableRequired,
         {{"Check Disk Space", {"SPACE"}}}},
        {"If without variable", {If(""), End()}, 0, text::kVariableRequired, {If("TITLE"), End()}},
        {"If on an undefined variable",
         {If("NOPE"), End()},
         0,
         std::string(text::kVariableNotDefined) + "NOPE",
         {Set("NOPE"), If("NOPE"), End()}},
        {"If on an undefined reference",
         {If("$NOPE$"), End()},
         0,
         std::string(text::kVariableNotDefined) + "$NOPE$",
         {If("$TITLE$"), End()}},
        {"If compared with an undefined reference",
         {If("TITLE", "$NOPE$"), End()},
         0,
         std::string(text::kVariableNotDefined) + "$NOPE$",
         {If("TITLE", "NOPE$"), End()}},
        {"both fail: the value is named",
         {If("A", "$B$"), End()},
         0,
         std::string(text::kVariableNotDefined) + "$B$",
         {Set("A"), Set("B"), If("A", "$B$"), End()}},
        {"Else If on an undefined variable",
         {If("TITLE"), ElseIf("NOPE"), End()},
         1,
         std::string(text::kVariableNotDefined) + "NOPE",
         {If("TITLE"), ElseIf("WIZARD"), End()}},
        {"Display Dialog without name",
         {{"Display Dialog", {"", "WIZARD"}}},
         0,
         text::kDialogName,
         {{"Display Dialog", {"Welcome", "WIZARD"}}}},
        {"Display Dialog on an undefined variable",
         {{"Display Dialog", {"Welcome", "RESULT", "0", "NOPE"}}},
         0,
         std::string(text::kVariableNotDefined) + "NOPE",
         {{"Display Dialog", {"Welcome", "RESULT", "0", "$RESULT$"}}}},  // p2 is declared first
        // Declarations in script order.
        {"a variable assigned only later",
         {If("LATER"), End(), Set("LATER$QORV$QORV$FALSE")},
         0,
         std::string(text::kVariableNotDefined) + "LATER",
         {If("LATER"), End(), Set("LATER$QORV$QORV$TRUE")}},
        {"a commented assignment declares nothing",
         {Commented(Set("X")), If("X"), End()},
         1,
         std::string(text::kVariableNotDefined) + "X",
         {Commented(Set("X$QORV$QORV$TRUE")), If("X"), End()}},  // remembered: pass 3 sees it
        {"the remember flag is case-sensitive",
         {If("X"), End(), Set("X$QORV$QORV$true")},
         0,
         std::string(text::kVariableNotDefined) + "X",
         {Set("X$QORV$QORV$true"), If("X"), End()}},
        {"the reserved name as the run spells it",
         {If("QORV_COMPRESS_INSTALLER_CACHE"), End()},
         0,
         std::string(text::kVariableNotDefined) + "QORV_COMPRESS_INSTALLER_CACHE",
         {If("QORV_COMPRESSCACHE"), End()}},
        {"the group-policy path is not among the predefined names",
         {If("GPOPATH"), End()},
         0,
         std::string(text::kVariableNotDefined) + "GPOPATH",
         {If("SFXPATH"), End()}},
        // The first error ends the pass.
        {"first error wins",
         {If("NOPE"), End(), GoTo("Missing")},
         0,
         std::string(text::kVariableNotDefined) + "NOPE",
         {If("TITLE"), End(), Label("Missing")}},
    };
    return cases;
}

TEST(ValidateScript, EachRuleRejectsAndTheMendedScriptPasses) {
    for (const RejectionCase& c : RejectionCases()) {
        SCOPED_TRACE(c.label);
        const ValidationResult rejected = Validate(c.faulty);
        EXPECT_FALSE(rejected.Accepted());
        EXPECT_EQ(rejected.resultIndex, c.index);
        EXPECT_EQ(rejected.message, c.message);
        ASSERT_EQ(rejected.messages.size(), 1u);
        EXPECT_EQ(rejected.messages[0].text, c.message);
        if (c.index == kBalance) {
            EXPECT_FALSE(rejected.messages[0].statement.has_value());
        } else {
            EXPECT_EQ(rejected.messages[0].statement, static_cast<std::size_t>(c.index));
        }
        const ValidationResult mended = Validate(c.mended);
        EXPECT_TRUE(mended.Accepted()) << mended.message;
        EXPECT_EQ(mended.executedStatements.size(), c.mended.size());
    }
}

TEST(ValidateScript, AcceptedEdgeCases) {
    const std::vector<std::pair<const char*, std::vector<Statement>>> cases = {
        {"commented GoTo to an undefined label", {Commented(GoTo("Nowhere"))}},
        {"GoTo a commented label", {GoTo("Later"), Commented(Label("LATER"))}},
        {"Web Media Block without name and URL", {{"Web Media Block", {"", ""}}}},
        {"Web Media Block name after a folder and a drive",
         {{"Web Media Block", {"c:\\x\\y:blk", "u"}}}},
        {"Delete Files, the fourth parameter true", {{"Delete Files", {"", "", "", "true"}}}},
        {"names ignore case", {If("targetdir"), End(), Set("Mixed"), {"Convert Case", {"MIXED"}}}},
        {"If on a reference, value a plain word", {If("$WIZARD$", "NEXT"), End()}},
        {"If compared with a defined reference", {If("WIZARD", "$TITLE$"), End()}},
        {"Set Variable with a reference declares it as written",
         {Set("$MINE$"), If("$MINE$"), End()}},
        {"statements inside a Wizard Loop",
         {{"Wizard Loop", {}},
          {"Display Dialog", {"Welcome", "WIZARD"}},
          If("WIZARD"),
          {"Write to Text File", {"f", "t"}},
          {"Terminate Install", {}},
          End(),
          End()}},
        {"Else and Else If need no End", {If("TITLE"), ElseIf("TITLE"), {"Else", {}}, End()}},
        {"unknown commands and plug-ins", {{"My Plugin", {"$NOPE$"}}, {"Code Folding Region", {}}}},
        {"commented statements are not checked",
         {Commented(If("NOPE")), Commented({"If", {}}), Commented({"Install Files", {}})}},
        {"command names are case-sensitive", {{"if", {"NOPE"}}, {"goto label", {"Nowhere"}}}},
    };
    for (const auto& [label, statements] : cases) {
        const ValidationResult result = Validate(statements);
        EXPECT_TRUE(result.Accepted()) << label << ": " << result.message;
    }
}

struct DeclarationCase {
    const char* command;
    std::vector<std::size_t> positions;
};

// Every command of the declaration table: the named parameters become defined, the parameter
// before each does not.
TEST(ValidateScript, DeclarationTable) {
    const DeclarationCase cases[] = {
        {"Get Folder Location", {1}},   {"Get INI File Settings", {1}},
        {"Check File Version", {1}},    {"Get System Settings", {1}},
        {"Get OS or SP Level", {1}},    {"Read Registry", {1}},
        {"Check Registry", {1}},        {"Does File/Folder Exist", {1}},
        {"Localization Variable", {1}}, {"Get Temporary File", {1}},
        {"Get IIS Property", {1}},      {"Get IIS Site List", {1}},
        {"Apply Patch", {1}},           {"IIS Anonymous User", {1}},
        {"Run Light Mode Setup", {2}},  {"Get File Version", {2}},
        {"Get Environment", {2}},       {"Get IIS Site Index", {2}},
        {"Check Process", {2}},         {"Apply Changes", {2}},
        {"Get Component State", {2}},   {"Get Component Space", {2}},
        {"Extract 7Zip Archive", {3}},  {"Check Service", {3}},
        {"Register Library", {3}},      {"Mathematics", {4}},
        {"Run Program", {4}},           {"MessageBox", {5}},
        {"Run Program As", {8}},        {"Read from Text File", {2, 3}},
        {"Parse String", {3, 4}},       {"Is MSI Setup Installed", {2}},
        {"Find All Files", {4}},        {"Check Disk Space", {1}},
        {"Evaluate Expression", {2}},   {"Display Dialog", {2}},
    };
    for (const DeclarationCase& c : cases) {
        SCOPED_TRACE(c.command);
        const std::string command = c.command;
        // Parameter k holds the name vk; the expression must parse and the dialog's optional
        // variable stays empty.
        std::vector<std::string> parameters;
        for (std::size_t k = 1; k <= 8; ++k) parameters.push_back("v" + std::to_string(k));
        if (command == "Evaluate Expression") parameters[0] = "\"a\" = \"a\"";
        if (command == "Display Dialog") parameters[3] = "";
        for (std::size_t k = 1; k <= 8; ++k) {
            const bool declared =
                std::find(c.positions.begin(), c.positions.end(), k) != c.positions.end();
            EXPECT_EQ(
                Validate({{command, parameters}, If("V" + std::to_string(k)), End()}).Accepted(),
                declared)
                << "parameter " << k;
        }
    }
    // "Set Variable" declares its name without the marker, whatever the flag.
    EXPECT_TRUE(Validate({Set("N$QORV$QORV$FALSE"), If("n"), End()}).Accepted());
    EXPECT_FALSE(Validate({Set("N$QORV$QORV$FALSE"), If("N$QORV$QORV$FALSE"), End()}).Accepted());
    // A command outside the table declares nothing.
    EXPECT_FALSE(Validate({{"Write to Text File", {"V1", "V2"}}, If("V1"), End()}).Accepted());
}

TEST(ValidateScript, PredefinedNames) {
    const auto names = ValidationPredefinedNames();
    ASSERT_EQ(names.size(), 60u);
    EXPECT_STREQ(names[0].name, "QORV_COMPRESSCACHE");
    EXPECT_STREQ(names[1].name, "QORV_DISABLEROLLBACK");
    EXPECT_STREQ(names[2].name, "QORV_DISABLEVISTARESTARTMANAGER");
    EXPECT_STREQ(names[59].name, "SAVEDATA");
    for (const PredefinedDeclaration& name : names) {
        EXPECT_STREQ(name.origin,
                     std::string(name.name) == "PROGRESSMODE" ? "Initialization" : "Compilation");
        EXPECT_TRUE(Validate({If(name.name), End()}).Accepted()) << name.name;
    }
}

TEST(ValidateScript, ExecutedListOfARejectedScript) {
    // Rejected in the per-command pass: the entries up to the offending statement.
    const ValidationResult late =
        Validate({{"Create Folder", {"x"}}, Set("A"), {"Install Files", {"f", "d", ""}}, Set("B")});
    EXPECT_EQ(late.executedStatements, (std::vector<std::string>{"FALSE", "SKIP", "SKIP"}));
    // Rejected by the structure: no entries.
    const ValidationResult early = Validate({{"Create Folder", {"x"}}, If("TITLE")});
    EXPECT_TRUE(early.executedStatements.empty());
}

TEST(ValidateScript, AllErrorsModeReportsEveryFault) {
    const std::vector<Statement> script = {
        {"Create Folder", {"x"}},  // 0
        If("TITLE"),               // 1
        Label("A"),                // 2: nested
        End(),                     // 3
        Label("a"),                // 4: defined twice
        If("NOPE"),                // 5: not defined
        {"Install Files", {}},     // 6: no target
        {"Create Folder", {"y"}},  // 7
        GoTo("Missing"),           // 8: undefined label
        If("TITLE"),               // 9: no End
    };
    const ValidationResult first = Validate(script);
    EXPECT_EQ(first.resultIndex, 2);
    EXPECT_EQ(first.messages.size(), 1u);

    const ValidationResult all = Validate(script, ValidationMode::kAllErrors);
    EXPECT_EQ(all.resultIndex, 2);  // the engine's answer stays the first error
    EXPECT_EQ(all.message, text::kLabelNested);
    struct Expected {
        std::optional<std::size_t> statement;
        std::string text;
    };
    const std::vector<Expected> expected = {
        {2, text::kLabelNested},
        {std::nullopt, text::kInsufficientEnd},
        {4, std::string(text::kLabelRedefined) + "a"},
        {5, std::string(text::kVariableNotDefined) + "NOPE"},
        {6, text::kTargetFolder},
        {8, std::string(text::kLabelUndefined) + "Missing"},
    };
    ASSERT_EQ(all.messages.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(all.messages[i].statement, expected[i].statement) << i;
        EXPECT_EQ(all.messages[i].text, expected[i].text) << i;
    }
    EXPECT_TRUE(all.executedStatements.empty());
}

TEST(ValidateScript, UnreadableParametersNameTheStatement) {
    // The last block of the list is shorter than the parameters the rule reads.
    ScriptModel shortBlock = BuildScript({Set("A"), {"If", {"A"}}, End()}, /*pad=*/false);
    try {
        ValidateScript(shortBlock);
        FAIL() << "no error";
    } catch (const ValidationReadError& e) {
        EXPECT_EQ(e.Statement(), 1u);
    }
    // Fewer identifiers than commands: a ScriptError as well, for the engine's start-up handler.
    ScriptModel missingId = BuildScript({Set("A"), If("A"), End()});
    missingId.commands.Add("Set Variable");
    EXPECT_THROW(ValidateScript(missingId), ScriptError);
}

TEST(ValidateScript, WorksOnALoadedScript) {
    // Parameters that are exactly "$" travel as "$DOLLAR$" and read back as "$", which is no
    // reference form.
    ScriptModel built =
        BuildScript({Set("A"), If("A", EncodeListItem("$")), End(), Commented(GoTo("Nowhere"))});
    ScriptModel loaded;
    LoadScript(WriteCompiledScript(built), loaded);
    const ValidationResult result = ValidateScript(loaded);
    EXPECT_TRUE(result.Accepted()) << result.message;
    EXPECT_EQ(result.executedStatements.size(), 4u);
}

struct FileNameCase {
    const char* text;
    bool legal;
};

TEST(IsLegalFileName, Cases) {
    const FileNameCase cases[] = {
        {"", true},       {"media1", true},    {"dir\\media", true}, {"c:media", true},
        {"a\\b:c", true}, {"name.7z", true},   {"a/b", false},       {"a*b", false},
        {"a?", false},    {"\"a\"", false},    {"a<b", false},       {"a>b", false},
        {"a|b", false},   {"dir\\a|b", false}, {"a|b\\c", true},  // only the last part counts
    };
    for (const FileNameCase& c : cases) EXPECT_EQ(IsLegalFileName(c.text), c.legal) << c.text;
}

TEST(DollarReferenceName, Cases) {
    EXPECT_EQ(DollarReferenceName("$NAME$"), "NAME");
    EXPECT_EQ(DollarReferenceName("$$"), "");
    EXPECT_EQ(DollarReferenceName("$"), std::nullopt);
    EXPECT_EQ(DollarReferenceName("$A$B$"), std::nullopt);
    EXPECT_EQ(DollarReferenceName("NAME$"), std::nullopt);
    EXPECT_EQ(DollarReferenceName("$NAME"), std::nullopt);
    EXPECT_EQ(DollarReferenceName(" $N$"), std::nullopt);
}

}  // namespace
}  // namespace kel
