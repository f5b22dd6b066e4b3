// Language names and ids, both directions, and the mapping of ids the table does not hold.
#include "engine/script/languages.h"

#include <gtest/gtest.h>

namespace kel {
namespace {

TEST(Languages, NamesAndIds) {
    EXPECT_EQ(LanguageId("GERMAN"), "1031");
    EXPECT_EQ(LanguageId("portugese (brazil)"), "1046");
    EXPECT_EQ(LanguageId("Klingon"), "1033");
    EXPECT_EQ(LanguageName(1031), "German");
    EXPECT_EQ(LanguageName(3082), "Spanish");
}

TEST(Languages, UnknownIdsGoThroughTheSystemsEnglishName) {
    // Swiss German (2055) is not in the table; the system calls it "German".
    EXPECT_EQ(LanguageName(2055, [](unsigned) { return std::string("German"); }), "German");
    EXPECT_EQ(LanguageName(9999, [](unsigned) { return std::string("Elvish"); }), "English");
    EXPECT_EQ(LanguageName(9999), "English");
}

}  // namespace
}  // namespace kel
