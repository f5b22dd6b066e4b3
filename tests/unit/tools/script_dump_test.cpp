// The dump: source -> compiled -> source -> compiled is byte-identical, compiled scripts that kelc
// would never write (made here by hand) come back exactly, and the normal case reads like the
// source it came from.
#include "tools/kelc/script_dump.h"

#include <gtest/gtest.h>

#include "engine/script/compiled_script.h"
#include "tests/unit/tools/tools_test_support.h"

namespace kel::tools {
namespace {

using test::CompileFiles;
using test::CrLfLines;
using test::SourceLines;

// Dumps, checks that the dump claims exactness, and that compiling the dump gives `compiled`.
void ExpectExactRoundTrip(const std::string& compiled, const std::string& label) {
    DumpResult dump = DumpCompiledScript(compiled, "test");
    ASSERT_TRUE(dump.ok) << label << ": " << dump.error;
    EXPECT_EQ(dump.inexact, "") << label << "\n" << dump.source;
    auto again = CompileFiles({{"again.kel", dump.source}}, "again.kel");
    ASSERT_TRUE(again.compiled) << label << ": " << again.diagnostics.Text() << dump.source;
    EXPECT_EQ(again.compiled->bytes, compiled) << label << "\n" << dump.source;
}

TEST(DumpRoundTrip, SourcesCompileToTheSameBytesAfterADump) {
    const std::pair<const char*, std::vector<std::pair<std::string, std::string>>> sources[] = {
        {"empty", {{"main.kel", ""}}},
        {"headers only",
         {{"main.kel",
           SourceLines({"@title \" spaced \"", "@product-code \"\"", "@version \"\"\"\"",
                        "@comments \"quoted\" words", "@language-dialog TRUE", "@build-layout 3",
                        "@code-page 932"})}}},
        {"tables",
         {{"main.kel",
           SourceLines({"@plugin A Plugin", "@web-media-password \"\" \"\"",
                        "@component \"\"\"quoted\"\"\" 5", "@media-file \" b \" \"p q\" \" d \"",
                        "@compiler-variable A \"#B#\"", "@compiler-variable B x", "@component",
                        "  | one", "  |", "  | three"})}}},
        {"statements with parameters",
         {{"main.kel", SourceLines({"Set Variable", "  | A$QORV$QORV$TRUE", "  | $", "  |",
                                    "  |  lead", "If", "  | A", "  | =", "  | $DOLLAR$", "Else",
                                    "End", "Display Dialog [header=0000ABCD media=OFFLINE\\]",
                                    "  | Welcome", "  | WIZARD", "Comment [commented]"})}}},
        {"comments and gaps",
         {{"main.kel",
           SourceLines({"# header", "@title G", "", "", "# one", "Comment", "", "# two", "# three",
                        "# four", "# five", "# six", "Comment", "  | after a long gap"})}}},
        {"includes",
         {{"main.kel",
           SourceLines({"@title I", "Comment", "@include lib/a.kel", "End", "@include lib/a.kel"})},
          {"lib/a.kel",
           SourceLines({"# a", "Label", "  | L", "@include b.kel", "GoTo Label", "  | L"})},
          {"lib/b.kel", SourceLines({"Comment [id={SAME}]", "Comment [id={SAME}]", "  | x"})}}},
        {"explicit forms",
         {{"main.kel",
           SourceLines({"Comment [id=\"\" source=\"no star\"]", "[command=\" lead\" state=Q]",
                        "@parameter-block orphan", "  | o", "@parameter-block \"\"",
                        "End [nosource]", "End [nosource id={E}]"})}}},
        {"source positions",
         {{"main.kel", SourceLines({"@source-position C:\\A B\\x.kws*5", "Comment",
                                    "@source-position C:\\A B\\x.kws*5", "Comment",
                                    "@source-position y*0", "Comment"})}}},
        {"raw command headers",
         {{"main.kel",
           SourceLines({"@command-header 0000AAAA 1", "Comment [header=0000BBBB]", "Comment"})}}},
        {"source map tail", {{"main.kel", SourceLines({"Comment", "@source-map-tail a*1"})}}},
    };
    for (const auto& [label, files] : sources) {
        auto first = CompileFiles(files);
        ASSERT_TRUE(first.compiled) << label << ": " << first.diagnostics.Text();
        ExpectExactRoundTrip(first.compiled->bytes, label);
    }
}

// A compiled script from its sections; `blocks` and `map` are the parts the cases vary.
std::string Compiled(const std::vector<std::string>& commands, const std::vector<std::string>& ids,
                     const std::vector<std::string>& blocks, const std::vector<std::string>& map,
                     const std::vector<std::string>& headers = {},
                     const std::vector<std::string>& states = {}) {
    std::vector<std::string> lines;
    auto list = [&](const std::vector<std::string>& items) {
        lines.insert(lines.end(), items.begin(), items.end());
        lines.push_back("$");
    };
    list(commands);
    list(ids);
    list(blocks);
    list(states.empty() ? std::vector<std::string>(commands.size()) : states);
    lines.push_back("{00000000-0000-0000-0000-000000000001}");
    lines.push_back("Odd");
    list({});
    for (int i = 0; i < 6; ++i) lines.push_back("");
    list({});
    list(std::vector<std::string>(commands.size()));
    lines.push_back("1");
    list({});
    lines.push_back("{00000000-0000-0000-0000-000000000002}");
    list({});
    lines.push_back("FALSE");
    lines.push_back("English");
    list(headers);
    list({});
    lines.push_back("1252");
    list(map);
    return CrLfLines(lines);
}

TEST(DumpRoundTrip, CompiledScriptsKelcWouldNotWrite) {
    const std::vector<std::string> two = {"Comment", "End"};
    const std::vector<std::string> ab = {"{A}", "{B}"};
    const std::vector<std::string> map2 = {"x.src*0", "x.src*1"};
    const struct {
        const char* label;
        std::string compiled;
    } cases[] = {
        {"blocks out of statement order", Compiled(two, ab, {"{B}", "y", "{A}", "x"}, map2)},
        {"duplicate identifiers, blocks twice",
         Compiled(two, {"{A}", "{A}"}, {"{A}", "1", "{A}", "2"}, map2)},
        {"duplicate identifiers, one block", Compiled(two, {"{A}", "{A}"}, {"{A}", "1"}, map2)},
        {"three blocks for one identifier",
         Compiled(two, ab, {"{A}", "1", "{A}", "2", "{A}", "3"}, map2)},
        {"block for an identifier that is no statement",
         Compiled(two, ab, {"{ZZ}", "q", "{A}", "x"}, map2)},
        {"block in another letter case", Compiled(two, ab, {"{a}", "x", "{b}"}, map2)},
        {"empty block", Compiled(two, ab, {"{A}", "{B}", "y"}, map2)},
        {"parameter equal to another identifier", Compiled(two, ab, {"{A}", "{B}", "more"}, map2)},
        {"stored dollar markers",
         Compiled(two, ab,
                  {"{A}", "$WILD_DOLLAR$", "$dollar$", "$DOLLAR$", "a$DOLLAR$", "$Wild_Dollar$"},
                  map2)},
        {"parameter ending in a carriage return", Compiled(two, ab, {"{A}", "x\r", "\r"}, map2)},
        {"shorter source map", Compiled(two, ab, {}, {"x.src*3"})},
        {"no source map", Compiled(two, ab, {}, {})},
        {"longer source map", Compiled(two, ab, {}, {"x.src*0", "x.src*1", "x.src*2", ""})},
        {"references kelc does not write",
         Compiled({"A", "B", "C", "D", "E", "F"}, {"1", "2", "3", "4", "5", "6"}, {},
                  {"no star", "x*007", "x*-1", "", "a*b*c", "*"})},
        {"references going backwards", Compiled(two, ab, {}, {"x.src*9", "x.src*2"})},
        {"reference far ahead", Compiled(two, ab, {}, {"x.src*0", "x.src*100000"})},
        {"command headers out of order",
         Compiled(two, ab, {}, map2, {"0000000B", "1", "0000000A", "0"})},
        {"command headers odd", Compiled(two, ab, {}, map2, {"0000000A", "0", "0000000B"})},
        {"command header index not a statement",
         Compiled(two, ab, {}, map2, {"0000000A", "7", "0000000B", "01", "0000000C", "x"})},
        {"two headers for one statement",
         Compiled(two, ab, {}, map2, {"0000000A", "0", "0000000B", "0"})},
        {"awkward commands and identifiers",
         Compiled({"", " lead", "#hash", "@at", "|bar", "a [b]", "trail ", "x\"y", "]"},
                  {"", "id with spaces", "]", "\"", "[", "x", "y", "z", "w"}, {}, {}, {},
                  {"C", "c", "", "X", " ", "", "", "", ""})},
        {"generated identifiers from another tool",
         Compiled(two, {"{5C2F0E64-4DF7-8DA1-B37F-0EA2AA8D2A8A}", "{B}"}, {}, map2)},
    };
    for (const auto& c : cases) ExpectExactRoundTrip(c.compiled, c.label);
}

TEST(Dump, KeepsTheNormalCaseReadable) {
    auto compiled = CompileFiles({
        {"main.kel", SourceLines({
                         "@title Readable",
                         "@product-code {11111111-2222-3333-4444-555555555555}",
                         "",
                         "Set Variable",
                         "  | NAME",
                         "  | $",
                         "# the shared part",
                         "@include common.kel",
                         "End [header=0000ABCD]",
                     })},
        {"common.kel", SourceLines({"Comment", "  |"})},
    });
    ASSERT_TRUE(compiled.compiled) << compiled.diagnostics.Text();
    DumpResult dump = DumpCompiledScript(compiled.compiled->bytes, "readable.script");
    ASSERT_TRUE(dump.ok) << dump.error;
    EXPECT_EQ(dump.inexact, "");
    EXPECT_EQ(dump.source, SourceLines({
                               "# Script source written by kelc dump from readable.script.",
                               "@title Readable",
                               "@product-code {11111111-2222-3333-4444-555555555555}",
                               "@revision-code " + compiled.compiled->model.revisionCode,
                               "@build-layout 1",
                               "@code-page 1252",
                               "@default-language English",
                               "@language-dialog FALSE",
                               "",
                               "@source-position main.kel*3",
                               "Set Variable",
                               "  | NAME",
                               "  | $",
                               "@source-position common.kel*0",
                               "Comment",
                               "  |",
                               "@source-position main.kel*8",
                               "End [header=0000ABCD]",
                           }));
}

TEST(Dump, SaysWhenTheInputIsNotInKelcsForm) {
    const std::string canonical = Compiled({"Comment"}, {"{A}"}, {"{A}", "x"}, {"x.src*0"});
    std::string bareLineFeeds;
    for (char c : canonical) {
        if (c != '\r') bareLineFeeds += c;
    }
    std::string trailing = canonical;
    const std::size_t layout = trailing.find("\r\n1\r\n");
    trailing.replace(layout, 5, "\r\n 1 and words\r\n");
    std::string flag = canonical;
    flag.replace(flag.find("FALSE"), 5, "true");
    for (const std::string& input : {bareLineFeeds, trailing, flag, canonical + "junk"}) {
        DumpResult dump = DumpCompiledScript(input, "odd");
        ASSERT_TRUE(dump.ok) << dump.error;
        EXPECT_NE(dump.inexact.find("not the same bytes"), std::string::npos) << input;
        // The dump still describes the same script.
        auto again = CompileFiles({{"again.kel", dump.source}}, "again.kel");
        ASSERT_TRUE(again.compiled);
        ScriptModel fromInput;
        ScriptModel fromDump;
        LoadScript(input, fromInput);
        LoadScript(again.compiled->bytes, fromDump);
        EXPECT_EQ(fromDump.ParameterBlocks().Lines(), fromInput.ParameterBlocks().Lines());
        EXPECT_EQ(fromDump.buildLayout, fromInput.buildLayout);
        EXPECT_EQ(fromDump.showLanguageDialog, fromInput.showLanguageDialog);
    }
}

TEST(Dump, RefusesWhatNoSourceCanDescribe) {
    // One identifier too few: the per-statement lists disagree.
    DumpResult dump = DumpCompiledScript(Compiled({"Comment", "End"}, {"{A}"}, {}, {}), "odd");
    EXPECT_FALSE(dump.ok);
    EXPECT_NE(dump.error.find("statement lists disagree"), std::string::npos);
    dump = DumpCompiledScript("Comment\r\n$\r\n", "short");
    EXPECT_FALSE(dump.ok);
    EXPECT_NE(dump.error.find("not a compiled script"), std::string::npos);
}

}  // namespace
}  // namespace kel::tools
