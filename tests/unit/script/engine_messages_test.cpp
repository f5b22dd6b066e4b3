// The engine message table file: the first block, language entries, short blocks.
#include "engine/script/engine_messages.h"

#include <gtest/gtest.h>

namespace kel {
namespace {

std::string Block(const std::string& tag, int lines = EngineMessages::kBlockLines) {
    std::string text;
    for (int n = 1; n <= lines; ++n) text += tag + std::to_string(n) + "\r\n";
    return text;
}

TEST(EngineMessages, DefaultsAreTheEnglishTexts) {
    EngineMessages messages;
    EXPECT_EQ(messages.Get(2), "Setup resource not found");
    EXPECT_EQ(messages.Get(5), "Runtime error in install: ");
    EXPECT_EQ(messages.Get(54), "");
    EXPECT_EQ(messages.Get(115), "Entire feature will be &unavailable");
    EXPECT_EQ(messages.Get(0), "");
    EXPECT_EQ(messages.Get(116), "");
}

TEST(EngineMessages, FirstBlockThenTheMatchingLanguage) {
    EngineMessages messages;
    messages.LoadMessageTable(Block("base") + "German\r\n" + Block("de") + "French\r\n" + Block("fr"),
                              "german");
    EXPECT_EQ(messages.Get(2), "de2");
    EXPECT_EQ(messages.Get(100), "");  // lines 91-111 are ignored
    EXPECT_EQ(messages.Get(112), "de112");
}

TEST(EngineMessages, WithoutAMatchTheLastBlockStays) {
    EngineMessages messages;
    messages.LoadMessageTable(Block("base") + "German\r\n" + Block("de") + "French\r\n" + Block("fr"),
                              "Danish");
    EXPECT_EQ(messages.Get(2), "fr2");
}

TEST(EngineMessages, ShortBlockKeepsTheTextsItLacks) {
    EngineMessages messages;
    messages.LoadMessageTable(Block("x", 3), "English");
    EXPECT_EQ(messages.Get(3), "x3");
    EXPECT_EQ(messages.Get(4), "Setup database not found");
}

}  // namespace
}  // namespace kel
