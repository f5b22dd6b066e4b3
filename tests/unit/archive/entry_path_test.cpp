// The entry path check against names an archive could use to write outside the output folder or
// to reach a device, and the UTF-16 conversion of stored names.
#include "archive/entry_path.h"

#include <gtest/gtest.h>

namespace kel::archive {
namespace {

struct PathCase {
    const char* path;
    bool safe;
    const char* why;
};

TEST(archive_paths, RefusesHostileNames) {
    const PathCase cases[] = {
        {"readme.txt", true, "plain name"},
        {"docs\\deep\\note.txt", true, "nested with backslashes"},
        {"docs/deep/note.txt", true, "nested with slashes"},
        {"a..b", true, "dots inside a name"},
        {"..hidden", true, "leading dots followed by a name"},
        {"con.txt.bak\\x", false, "device name with extensions"},
        {"CONSOLE.txt", true, "a longer name that starts like a device"},
        {"COM10", true, "only COM0-COM9 are devices"},
        {"\xC3\xA9t\xC3\xA9.txt", true, "non-ASCII name"},
        {"", false, "empty"},
        {"..", false, "parent"},
        {"..\\evil.exe", false, "parent first"},
        {"docs/../../evil.exe", false, "parent inside"},
        {"docs\\..", false, "parent last"},
        {".\\a", false, "current folder component"},
        {"\\windows\\evil.dll", false, "rooted"},
        {"/etc/passwd", false, "rooted with slash"},
        {"\\\\server\\share\\x", false, "server name"},
        {"//server/share/x", false, "server name with slashes"},
        {"\\\\?\\C:\\x", false, "long-path prefix"},
        {"C:\\windows\\x", false, "drive letter"},
        {"C:x", false, "drive-relative"},
        {"file.txt:stream", false, "alternate data stream"},
        {"a\\\\b", false, "empty component"},
        {"a\\", false, "trailing separator"},
        {"... \\x", false, "dots and space that Windows trims"},
        {"name.", false, "trailing dot"},
        {"name ", false, "trailing space"},
        {"CON", false, "console device"},
        {"nul.txt", false, "device with extension"},
        {"docs\\aux", false, "device in a folder"},
        {"Lpt1", false, "printer port in mixed case"},
        {"com9.log", false, "serial port"},
        {"COM\xC2\xB9", false, "superscript port number"},
        {"CONOUT$", false, "console output"},
        {"nul .txt", false, "device with space before the extension"},
        {"a<b", false, "reserved character <"},
        {"a|b", false, "reserved character |"},
        {"what?", false, "wildcard ?"},
        {"*.txt", false, "wildcard *"},
        {"quote\"d", false, "quote"},
        {"tab\there", false, "control character"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSafeEntryPath(c.path), c.safe) << c.why << ": \"" << c.path << "\"";
    }
}

TEST(archive_paths, WildcardsPassOnlyWhenAllowed) {
    EXPECT_TRUE(IsSafeEntryPath("docs\\?uide.txt", true));
    EXPECT_TRUE(IsSafeEntryPath("*", true));
    EXPECT_FALSE(IsSafeEntryPath("..\\*", true));
    EXPECT_FALSE(IsSafeEntryPath("a:*", true));
}

TEST(archive_paths, Patterns) {
    struct PatternCase {
        const char* path;
        const char* pattern;
        bool matches;
    };
    const PatternCase cases[] = {
        {"docs\\guide.txt", "docs\\guide.txt", true},
        {"docs\\guide.txt", "DOCS/GUIDE.TXT", true},
        {"docs\\guide.txt", "docs\\*.txt", true},
        {"docs\\guide.txt", "*", true},
        {"docs\\guide.txt", "*.bin", false},
        {"docs\\guide.txt", "docs\\guide.tx", false},
        {"docs\\guide.txt", "docs\\guide.txt*", true},
        {"caf\xE9.txt", "caf?.txt", true},
        {"abcabd", "*abd", true},
        {"abc", "a?", false},
        {"", "*", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MatchesEntryPattern(c.path, c.pattern), c.matches)
            << c.path << " ~ " << c.pattern;
    }
}

TEST(archive_paths, ConvertsStoredNames) {
    EXPECT_EQ(Utf16ToUtf8(u"plain"), "plain");
    EXPECT_EQ(Utf16ToUtf8(u"\u00e9\u20ac"), "\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), std::nullopt)
        << "lone high surrogate";
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00)) + u"x"), std::nullopt)
        << "lone low surrogate";
}

}  // namespace
}  // namespace kel::archive
