// The script compiler against compiled bytes written out by hand from the format: every section,
// the numbering of included files, parameter values as the engine reads them back, generated
// identifiers and header defaults.
#include "tools/kelc/script_compiler.h"

#include <gtest/gtest.h>

#include <regex>

#include "engine/script/compiled_script.h"
#include "tests/unit/tools/tools_test_support.h"
#include "tools/kelc/stable_guid.h"

namespace kel::tools {
namespace {

using test::CompileFiles;
using test::SourceLines;

struct ExpectedSection {
    const char* name;
    std::vector<std::string> lines;  // list sections end with "$" here, as stored
};

// Compares line by line and names the section of the first difference.
void ExpectSections(const std::string& compiled, const std::vector<ExpectedSection>& sections) {
    std::vector<std::pair<std::string, std::string>> expected;  // (section, line)
    for (const ExpectedSection& section : sections) {
        for (const std::string& line : section.lines) expected.emplace_back(section.name, line);
    }
    std::vector<std::string> actual;
    std::size_t start = 0;
    while (start < compiled.size()) {
        const std::size_t end = compiled.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "every line ends with CR LF";
        actual.push_back(compiled.substr(start, end - start));
        start = end + 2;
    }
    for (std::size_t i = 0; i < expected.size() && i < actual.size(); ++i) {
        ASSERT_EQ(actual[i], expected[i].second)
            << "section \"" << expected[i].first << "\", compiled line " << i + 1;
    }
    ASSERT_EQ(actual.size(), expected.size());
}

TEST(CompileScriptSource, FillsEverySectionInFileOrder) {
    const std::string source = SourceLines({
        /* 0 */ "# Every section of the compiled script, each with a value of its own.",
        /* 1 */ "@title Every Section",
        /* 2 */ "@product-code {AAAAAAAA-1111-2222-3333-444444444444}",
        /* 3 */ "@revision-code {BBBBBBBB-1111-2222-3333-444444444444}",
        /* 4 */ "@publisher Hollow Works",
        /* 5 */ "@contact Support Desk",
        /* 6 */ "@help-link http://help.example/",
        /* 7 */ "@url-update-info http://update.example/",
        /* 8 */ "@comments \" quoted, with spaces \"",
        /* 9 */ "@version 2.5.1",
        /* 10 */ "@build-layout 2",
        /* 11 */ "@code-page 1250",
        /* 12 */ "@default-language German",
        /* 13 */ "@language-dialog true",
        /* 14 */ "@plugin FancyPlugin",
        /* 15 */ "@web-media-password WebBlock1 x7Yq#Scrambled",
        /* 16 */ "@web-media-password offline \"two words\"",
        /* 17 */ "@component QORV-PREDEF-COMPONENT 0",
        /* 18 */ "@component \"Main Files\" 123456789012",
        /* 19 */ "@media-file WebBlock1 0000ABCE\\core.dll WebBlock1\\0000ABCE\\",
        /* 20 */ "@compiler-variable SINGLEINSTANCE TRUE",
        /* 21 */ "@compiler-variable LOCMODE \"\"",
        /* 22 */ "@command-header 0000FFFF 3",
        /* 23 */ "",
        /* 24 */ "Set Variable [id={11111111-1111-1111-1111-111111111111} header=0000ABCD]",
        /* 25 */ "  | NAME$QORV$QORV$TRUE",
        /* 26 */ "  | $",
        /* 27 */ "  |",
        /* 28 */ "# a comment between statements",
        /* 29 */
        "Install Files [id={22222222-2222-2222-2222-222222222222} media=WebBlock1\\ "
        "header=0000ABCE]",
        /* 30 */ "\t| *.dll",
        /* 31 */ "  |  leading space",
        /* 32 */ "FancyPlugin [id={33333333-3333-3333-3333-333333333333} commented]",
        /* 33 */ "End [ id={44444444-4444-4444-4444-444444444444} ]",
    });
    auto outcome = CompileFiles({{"every.kel", source}}, "every.kel");
    ASSERT_TRUE(outcome.compiled) << outcome.diagnostics.Text();
    EXPECT_EQ(outcome.diagnostics.Text(), "");

    ExpectSections(
        outcome.compiled->bytes,
        {
            {"statement commands", {"Set Variable", "Install Files", "FancyPlugin", "End", "$"}},
            {"statement identifiers",
             {"{11111111-1111-1111-1111-111111111111}", "{22222222-2222-2222-2222-222222222222}",
              "{33333333-3333-3333-3333-333333333333}", "{44444444-4444-4444-4444-444444444444}",
              "$"}},
            {"parameter blocks",
             {"{11111111-1111-1111-1111-111111111111}", "NAME$QORV$QORV$TRUE", "$DOLLAR$", "",
              "{22222222-2222-2222-2222-222222222222}", "*.dll", " leading space", "$"}},
            {"statement states", {"", "", "C", "", "$"}},
            {"product code", {"{AAAAAAAA-1111-2222-3333-444444444444}"}},
            {"title", {"Every Section"}},
            {"plug-in names", {"FancyPlugin", "$"}},
            {"uninstall information",
             {"Hollow Works", "Support Desk", "http://help.example/", "http://update.example/",
              " quoted, with spaces ", "2.5.1"}},
            {"web media passwords", {"WebBlock1", "x7Yq#Scrambled", "offline", "two words", "$"}},
            {"statement media names", {"", "WebBlock1\\", "", "", "$"}},
            {"build layout", {"2"}},
            {"components", {"QORV-PREDEF-COMPONENT", "0", "Main Files", "123456789012", "$"}},
            {"revision code", {"{BBBBBBBB-1111-2222-3333-444444444444}"}},
            {"media files", {"WebBlock1", "0000ABCE\\core.dll", "WebBlock1\\0000ABCE\\", "$"}},
            {"language dialog flag", {"TRUE"}},
            {"default language", {"German"}},
            // The table row comes first: it stands before the statements in the source.
            {"command headers", {"0000FFFF", "3", "0000ABCD", "0", "0000ABCE", "1", "$"}},
            {"compiler variables", {"SINGLEINSTANCE", "TRUE", "LOCMODE", "", "$"}},
            {"code page", {"1250"}},
            {"source map", {"every.kel*24", "every.kel*29", "every.kel*32", "every.kel*33", "$"}},
        });
}

TEST(CompileScriptSource, DefaultsMakeALoadableScript) {
    auto outcome = CompileFiles({{"setups/Demo.kel", "Comment\n"}}, "setups/Demo.kel");
    ASSERT_TRUE(outcome.compiled) << outcome.diagnostics.Text();
    ScriptModel model;
    LoadScript(outcome.compiled->bytes, model);
    EXPECT_EQ(model.projectTitle, "Demo");  // the main file's name
    EXPECT_EQ(model.productCode, DefaultProductCode("Demo"));
    EXPECT_EQ(model.revisionCode, DefaultRevisionCode("Demo"));
    EXPECT_NE(model.productCode, model.revisionCode);
    EXPECT_EQ(model.buildLayout, 1);
    EXPECT_EQ(model.scriptCodePage, 1252);
    EXPECT_EQ(model.defaultLanguage, "English");
    EXPECT_FALSE(model.showLanguageDialog);
    EXPECT_EQ(model.sourceMap[0], "Demo.kel*0");  // the main file is named without its folder
    // No block for a statement without parameters.
    EXPECT_TRUE(model.ParameterBlocks().Empty());
}

TEST(CompileScriptSource, EmptySourceIsAScriptWithoutStatements) {
    auto outcome = CompileFiles({{"main.kel", ""}});
    ASSERT_TRUE(outcome.compiled) << outcome.diagnostics.Text();
    ScriptModel model;
    LoadScript(outcome.compiled->bytes, model);
    EXPECT_EQ(model.StatementCount(), 0u);
}

// Included statements stand at the include, numbered in their own file from 0; the including
// file's numbering goes on as if the include line were there (it is no statement). A file
// included twice appears twice, with the same identifiers and the same blocks.
TEST(CompileScriptSource, IncludedFilesKeepTheirOwnLineNumbers) {
    auto outcome = CompileFiles({
        {"main.kel", SourceLines({
                         /* 0 */ "@title Includes",
                         /* 1 */ "Comment",
                         /* 2 */ "  | main first",
                         /* 3 */ "@include sub/one.kel",
                         /* 4 */ "Comment",
                         /* 5 */ "@include sub\\one.kel",
                         /* 6 */ "End",
                     })},
        {"sub/one.kel", SourceLines({
                            /* 0 */ "# included",
                            /* 1 */ "Label",
                            /* 2 */ "  | In One",
                            /* 3 */ "@include two.kel",
                            /* 4 */ "GoTo Label",
                            /* 5 */ "  | In One",
                        })},
        {"sub/two.kel", SourceLines({"", "Comment [id={TWO}]"})},
    });
    ASSERT_TRUE(outcome.compiled) << outcome.diagnostics.Text();
    const ScriptModel& model = outcome.compiled->model;
    const std::vector<std::string> expectedMap = {"main.kel*1",    "sub/one.kel*1", "sub/two.kel*1",
                                                  "sub/one.kel*4", "main.kel*4",    "sub/one.kel*1",
                                                  "sub/two.kel*1", "sub/one.kel*4", "main.kel*6"};
    EXPECT_EQ(model.sourceMap.Lines(), expectedMap);
    const std::vector<std::string> expectedCommands = {"Comment",    "Label",      "Comment",
                                                       "GoTo Label", "Comment",    "Label",
                                                       "Comment",    "GoTo Label", "End"};
    EXPECT_EQ(model.commands.Lines(), expectedCommands);
    EXPECT_EQ(model.ids[1], model.ids[5]);
    EXPECT_EQ(model.ids[2], "{TWO}");
    EXPECT_EQ(model.ids[6], "{TWO}");
    EXPECT_NE(model.ids[0], model.ids[4]);

    // Messages about a statement point at the file it came from, 1-based.
    const auto& at = outcome.compiled->statementLocations;
    EXPECT_EQ(at[3].file, "sub/one.kel");
    EXPECT_EQ(at[3].line, 5);
    EXPECT_EQ(at[8].file, "main.kel");
    EXPECT_EQ(at[8].line, 7);

    ScriptModel loaded;
    LoadScript(outcome.compiled->bytes, loaded);
    EXPECT_EQ(loaded.GetStatementParameter(loaded.ids[7], 1), "In One");
    EXPECT_EQ(loaded.SourceOf(3).fileName, "one");
    EXPECT_EQ(loaded.SourceOf(3).lineNumber, 5);
}

TEST(CompileScriptSource, IncludePathsAreStoredRelativeToTheMainFile) {
    auto outcome = CompileFiles(
        {
            {"project/setup.kel", "@include ../shared/./lib/common.kel\n"},
            {"shared/lib/common.kel", "Comment\n@include deeper/x.kel\n"},
            {"shared/lib/deeper/x.kel", "End\n"},
        },
        "project/setup.kel");
    ASSERT_TRUE(outcome.compiled) << outcome.diagnostics.Text();
    const std::vector<std::string> expected = {"../shared/lib/common.kel*0",
                                               "../shared/lib/deeper/x.kel*0"};
    EXPECT_EQ(outcome.compiled->model.sourceMap.Lines(), expected);
}

// What the engine reads back (GetStatementParameter) for each value written after "| ".
TEST(CompileScriptSource, ParameterValuesReadBackAsWritten) {
    struct Case {
        const char* written;  // the text after "|"
        const char* stored;
        const char* readBack;
    } cases[] = {
        {" $", "$DOLLAR$", "$"},
        {"", "", ""},
        {" ", "", ""},  // the separating space is not part of the value
        {"  two spaces", " two spaces", " two spaces"},
        {"no space", "no space", "no space"},  // the space after "|" may be left out
        {" $$", "$$", "$$"},
        {" a$DOLLAR$", "a$DOLLAR$", "a$DOLLAR$"},
        {" # not a comment", "# not a comment", "# not a comment"},
        {" | bar", "| bar", "| bar"},
        {" trailing  ", "trailing  ", "trailing  "},
        {" [x] @y", "[x] @y", "[x] @y"},
        // The stored markers themselves: the format cannot hold these texts, they read as "$".
        {" $DOLLAR$", "$DOLLAR$", "$"},
        {" $wild_dollar$", "$wild_dollar$", "$"},
    };
    for (const Case& c : cases) {
        auto outcome =
            CompileFiles({{"main.kel", std::string("Set Variable\n  |") + c.written + "\n"}});
        ASSERT_TRUE(outcome.compiled) << c.written << ": " << outcome.diagnostics.Text();
        const ScriptModel& stored = outcome.compiled->model;
        ASSERT_EQ(stored.ParameterBlocks().Count(), 2u) << c.written;
        EXPECT_EQ(stored.ParameterBlocks()[1], c.stored) << "written \"" << c.written << "\"";
        ScriptModel loaded;
        LoadScript(outcome.compiled->bytes, loaded);
        EXPECT_EQ(loaded.GetStatementParameter(loaded.ids[0], 1), c.readBack)
            << "written \"" << c.written << "\"";
    }
}

TEST(CompileScriptSource, StatementLinesAndAttributes) {
    auto outcome =
        CompileFiles({{"main.kel", SourceLines({
                                       "Display Dialog   [media=\"Block One\\\" state=X]",
                                       "[command=\"#odd command\" id=\"\" source=elsewhere]",
                                       "End]",
                                       "Comment [commented id=\"{ID ]\"] ",
                                   })}});
    ASSERT_TRUE(outcome.compiled) << outcome.diagnostics.Text();
    const ScriptModel& model = outcome.compiled->model;
    EXPECT_EQ(model.commands.Lines(),
              (std::vector<std::string>{"Display Dialog", "#odd command", "End]", "Comment"}));
    EXPECT_EQ(model.mediaNames[0], "Block One\\");
    EXPECT_EQ(model.states[0], "X");
    EXPECT_EQ(model.ids[1], "");
    EXPECT_EQ(model.sourceMap[1], "elsewhere");
    EXPECT_EQ(model.states[3], "C");
    EXPECT_EQ(model.ids[3], "{ID ]");
}

TEST(CompileScriptSource, NosourceEndsTheSourceMapEarly) {
    auto outcome = CompileFiles({{"main.kel", "Comment\nEnd [nosource]\nEnd [nosource]\n"}});
    ASSERT_TRUE(outcome.compiled) << outcome.diagnostics.Text();
    EXPECT_EQ(outcome.compiled->model.sourceMap.Lines(), std::vector<std::string>{"main.kel*0"});
}

TEST(CompileScriptSource, SourcePositionRenumbersTheLinesAfterIt) {
    auto outcome = CompileFiles({{"main.kel", SourceLines({
                                                  "Comment",
                                                  "@source-position C:\\Projects\\My Setup.kws*100",
                                                  "Comment",
                                                  "",
                                                  "Comment",
                                                  "@source-position *0",
                                                  "End",
                                              })}});
    ASSERT_TRUE(outcome.compiled) << outcome.diagnostics.Text();
    const std::vector<std::string> expected = {"main.kel*0", "C:\\Projects\\My Setup.kws*100",
                                               "C:\\Projects\\My Setup.kws*102", "*0"};
    EXPECT_EQ(outcome.compiled->model.sourceMap.Lines(), expected);
}

TEST(CompileScriptSource, FreeParameterBlocksStandWhereWritten) {
    auto outcome = CompileFiles({{"main.kel", SourceLines({
                                                  "Comment [id=A]",
                                                  "  | first",
                                                  "@parameter-block {NOT A STATEMENT}",
                                                  "  | orphan",
                                                  "@parameter-block A",
                                                  "End [id=B]",
                                                  "  | last",
                                              })}});
    ASSERT_TRUE(outcome.compiled) << outcome.diagnostics.Text();
    const std::vector<std::string> expected = {"A", "first", "{NOT A STATEMENT}", "orphan", "A",
                                               "B", "last"};
    EXPECT_EQ(outcome.compiled->model.ParameterBlocks().Lines(), expected);
}

TEST(CompileScriptSource, TableRowsOnParameterLines) {
    auto outcome = CompileFiles({{"main.kel", SourceLines({
                                                  "@component",
                                                  "  | odd",
                                                  "  | number of",
                                                  "  | lines",
                                                  "@source-map-tail",
                                                  "  | extra*1",
                                                  "  |",
                                              })}});
    ASSERT_TRUE(outcome.compiled) << outcome.diagnostics.Text();
    EXPECT_EQ(outcome.compiled->model.componentTable.Lines(),
              (std::vector<std::string>{"odd", "number of", "lines"}));
    EXPECT_EQ(outcome.compiled->model.sourceMap.Lines(), (std::vector<std::string>{"extra*1", ""}));
}

TEST(CompileScriptSource, SourceFilesWithCrLfAndByteOrderMark) {
    auto outcome =
        CompileFiles({{"main.kel", "\xEF\xBB\xBF@title T\r\nSet Variable\r\n  | a\r\n  |\r\n"}});
    ASSERT_TRUE(outcome.compiled) << outcome.diagnostics.Text();
    const ScriptModel& model = outcome.compiled->model;
    EXPECT_EQ(model.projectTitle, "T");
    EXPECT_EQ(model.ParameterBlocks()[1], "a");
    EXPECT_EQ(model.ParameterBlocks()[2], "");
}

// Generated identifiers are part of the compiled output (translation files are keyed by them):
// the derivation must not change from one kelc to the next.
TEST(GeneratedStatementId, IsStableAndDependsOnTheReference) {
    EXPECT_EQ(GeneratedStatementId("setup.kel*3"), "{D1156C7B-6484-8D7E-BEE5-7CC464D779C0}");
    EXPECT_EQ(DefaultProductCode("Demo"), DefaultProductCode("Demo"));
    EXPECT_NE(DefaultProductCode("Demo"), DefaultProductCode("demo"));
    EXPECT_NE(GeneratedStatementId("setup.kel*3"), GeneratedStatementId("setup.kel*4"));
    EXPECT_NE(GeneratedStatementId("setup.kel*3"), GeneratedStatementId("other.kel*3"));
    const std::regex registryForm(
        R"(\{[0-9A-F]{8}-[0-9A-F]{4}-8[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\})");
    for (const char* text : {"", "a", "setup.kel*0", "lib/common.kel*12345"}) {
        EXPECT_TRUE(std::regex_match(GeneratedStatementId(text), registryForm)) << text;
    }
}

TEST(GeneratedStatementId, SameSourceCompilesToSameBytes) {
    const std::string source = "Comment\n  | a\nIf\n  | X\n  | =\n  | 1\nEnd\n";
    auto first = CompileFiles({{"main.kel", source}});
    auto second = CompileFiles({{"main.kel", source}});
    ASSERT_TRUE(first.compiled && second.compiled);
    EXPECT_EQ(first.compiled->bytes, second.compiled->bytes);
    const ScriptModel& model = first.compiled->model;
    EXPECT_EQ(model.ids[0], GeneratedStatementId("main.kel*0"));
    EXPECT_EQ(model.ids[1], GeneratedStatementId("main.kel*2"));
}

}  // namespace
}  // namespace kel::tools
