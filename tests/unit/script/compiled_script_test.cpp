// The compiled script reader against files written by hand from the format, and the writer
// against the reader.
#include "engine/script/compiled_script.h"

#include <gtest/gtest.h>

#include "engine/script/script_error.h"

namespace kel {
namespace {

// Two statements ("Set Variable" with three parameters, "End" without a block), every section
// filled so that a misplaced section shows up as a wrong value.
std::string SampleScript() {
    const char* lines[] = {
        "Set Variable", "End", "$",                           // 1 commands
        "{11111111-1111-1111-1111-111111111111}",              // 2 identifiers
        "{22222222-2222-2222-2222-222222222222}", "$",
        "{11111111-1111-1111-1111-111111111111}", "NAME", "$DOLLAR$", "", "$",  // 3 blocks
        "", "C", "$",                                          // 4 states
        "{AAAAAAAA-0000-0000-0000-000000000000}",              // 5 product code
        "My Product",                                          // 6 title
        "PluginA", "$",                                        // 7 plug-ins
        "Pub", "Contact", "http://help", "http://update", "Comments", "1.2.3",  // 8 uninstall
        "$",                                                   // 9 web media passwords
        "", "OFFLINE\\", "$",                                  // 10 media names
        "3 trailing words",                                    // 11 build layout
        "QORV-PREDEF-COMPONENT", "1024", "$",                  // 12 components
        "{BBBBBBBB-0000-0000-0000-000000000000}",              // 13 revision code
        "block", "0000ABCD\\f.txt", "block\\0000ABCD\\", "$",  // 14 media files
        "TRUE",                                                // 15 language dialog flag
        "German",                                              // 16 default language
        "0000ABCD", "0", "$",                                  // 17 command headers
        "SINGLEINSTANCE", "TRUE", "$",                         // 18 compiler variables
        "1250",                                                // 19 code page
        "C:\\src\\demo.src*4", "$",                            // 20 source map
    };
    std::string text;
    for (const char* line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

TEST(LoadScript, ReadsEverySectionInOrder) {
    ScriptModel model;
    LoadScript(SampleScript(), model);
    ASSERT_EQ(model.StatementCount(), 2u);
    EXPECT_EQ(model.commands[1], "End");
    EXPECT_EQ(model.ids[1], "{22222222-2222-2222-2222-222222222222}");
    EXPECT_TRUE(model.IsCommented(1));
    EXPECT_FALSE(model.IsCommented(0));
    EXPECT_EQ(model.productCode, "{AAAAAAAA-0000-0000-0000-000000000000}");
    EXPECT_EQ(model.projectTitle, "My Product");
    EXPECT_EQ(model.loadedTitle, "My Product");
    ASSERT_EQ(model.pluginNames.Count(), 1u);
    EXPECT_EQ(model.Publisher(), "Pub");
    EXPECT_EQ(model.ProductVersion(), "1.2.3");
    EXPECT_TRUE(model.webMediaPasswords.Empty());
    EXPECT_EQ(model.mediaNames[1], "OFFLINE\\");
    EXPECT_EQ(model.buildLayout, 3);
    EXPECT_EQ(model.componentTable.Count(), 2u);
    EXPECT_EQ(model.revisionCode, "{BBBBBBBB-0000-0000-0000-000000000000}");
    EXPECT_EQ(model.mediaFileTable.Count(), 3u);
    EXPECT_TRUE(model.showLanguageDialog);
    EXPECT_EQ(model.defaultLanguage, "German");
    EXPECT_EQ(model.GetCommandHeader(0, true), "0000ABCD");
    EXPECT_EQ(model.scriptCodePage, 1250);
    EXPECT_EQ(model.SourceOf(0).fileName, "demo");
    EXPECT_EQ(model.SourceOf(0).lineNumber, 5);
    // The source map may be shorter than the statement list.
    EXPECT_EQ(model.SourceOf(1).fileName, "");
    EXPECT_EQ(model.SourceOf(1).lineNumber, 1);

    const std::string id = model.ids[0];
    EXPECT_EQ(model.GetStatementParameter(id, 0), id);
    EXPECT_EQ(model.GetStatementParameter(id, 1), "NAME");
    EXPECT_EQ(model.GetStatementParameter(id, 2), "$");  // "$DOLLAR$" decodes
    EXPECT_EQ(model.GetStatementParameter(id, 3), "");
    // "End" has no block: all its parameters read empty.
    EXPECT_EQ(model.GetStatementParameter(model.ids[1], 1), "");
}

TEST(LoadScript, AcceptsBareLineFeeds) {
    std::string text = SampleScript();
    std::string bare;
    for (char c : text) {
        if (c != '\r') bare += c;
    }
    ScriptModel model;
    LoadScript(bare, model);
    EXPECT_EQ(model.scriptCodePage, 1250);
}

TEST(LoadScript, EveryTruncationFailsCleanly) {
    const std::string text = SampleScript();
    // Cut the file at every byte up to the source map's last line: each must throw, never hang.
    const std::size_t lastNeeded = text.rfind("$\r\n");
    for (std::size_t size = 0; size < lastNeeded; ++size) {
        ScriptModel model;
        EXPECT_THROW(LoadScript(std::string_view(text).substr(0, size), model), ScriptError)
            << "size " << size;
    }
}

TEST(LoadScript, NonNumberWhereAnIntegerBelongs) {
    std::string text = SampleScript();
    const std::size_t at = text.find("3 trailing words");
    text.replace(at, 1, "three");
    ScriptModel model;
    EXPECT_THROW(LoadScript(text, model), ScriptError);
}

TEST(LoadScript, DollarMarkersDecodeOnlyAsWholeLines) {
    ScriptModel model;
    std::string text = SampleScript();
    text.replace(text.find("$DOLLAR$"), 8, "a$DOLLAR$");
    LoadScript(text, model);
    EXPECT_EQ(model.GetStatementParameter(model.ids[0], 2), "a$DOLLAR$");

    ScriptModel wild;
    text = SampleScript();
    text.replace(text.find("$DOLLAR$"), 8, "$WILD_DOLLAR$");
    LoadScript(text, wild);
    EXPECT_EQ(wild.GetStatementParameter(wild.ids[0], 2), "$");
}

TEST(WriteCompiledScript, ReadsBackByteForByte) {
    ScriptModel model;
    LoadScript(SampleScript(), model);
    // The decoded "$" parameter must be encoded again by whoever writes the model.
    model.ParameterBlocks().Set(2, EncodeListItem(model.ParameterBlocks()[2]));
    std::string written = WriteCompiledScript(model);
    std::string expected = SampleScript();
    expected.replace(expected.find("3 trailing words"), 16, "3");
    EXPECT_EQ(written, expected);
}

}  // namespace
}  // namespace kel
