// Comma text: the form in which the whole variable store travels to a plug-in and back, so every
// list must come back item for item.
#include "engine/base/comma_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kel {
namespace {

using namespace std::string_literals;
using Items = std::vector<std::string>;

struct WriteCase {
    const char* label;
    Items items;
    std::string text;
};

TEST(CommaText, Write) {
    const WriteCase cases[] = {
        {"no items", {}, ""},
        {"one empty item", {""}, "\"\""},
        {"plain items", {"a", "b1", "x=y"}, "a,b1,x=y"},
        {"space", {"a b"}, "\"a b\""},
        {"quotes are doubled", {"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {"comma", {"a,b"}, "\"a,b\""},
        {"tab", {"a\tb"}, "\"a\tb\""},
        {"code 1", {"\x01"}, "\"\x01\""},
        {"NUL", {"a\0b"s}, "\"a\0b\""s},
        {"code 127 is no control character here", {"\x7f"}, "\x7f"},
        {"upper half of the code page", {"caf\xe9"}, "caf\xe9"},
        {"empty first item", {"", "a"}, ",a"},
        {"empty last item", {"a", ""}, "a,"},
        {"two empty items", {"", ""}, ","},
    };
    for (const WriteCase& c : cases) EXPECT_EQ(WriteCommaText(c.items), c.text) << c.label;
}

struct ParseCase {
    const char* label;
    std::string text;
    Items items;
};

TEST(CommaText, Parse) {
    const ParseCase cases[] = {
        {"empty text", "", {}},
        {"only blanks", " \t\r\n", {}},
        {"plain items", "a,b", {"a", "b"}},
        {"blanks around items are skipped", "  a ,\tb \r\n", {"a", "b"}},
        {"a blank ends an unquoted item", "a b", {"a", "b"}},
        {"quoted item keeps blanks and commas", "\"a b, c\",d", {"a b, c", "d"}},
        {"doubled quote", "\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"two quotes are one empty item", "\"\"", {""}},
        {"comma at the very end", "a,", {"a", ""}},
        // Only a comma that is the text's last character adds an item.
        {"comma followed by a blank", "a, ", {"a"}},
        {"lone comma", ",", {"", ""}},
        {"leading comma", ",a", {"", "a"}},
        {"empty middle item", "a,,b", {"a", "", "b"}},
        {"missing closing quote takes the rest", "\"abc, d", {"abc, d"}},
        {"text after a closing quote starts the next item", "\"ab\"cd", {"ab", "cd"}},
        {"quote inside an unquoted item", "a\"b", {"a\"b"}},
        {"upper half of the code page", "\xe9t\xe9,\xff", {"\xe9t\xe9", "\xff"}},
        {"NUL outside quotes ends the text", "a,b\0c,d"s, {"a", "b"}},
        {"NUL right after the last comma", "a,\0"s, {"a", ""}},
        {"NUL inside quotes is kept", "\"a\0b\",c"s, {"a\0b"s, "c"}},
        {"doubled quote at the end", "\"a\"\"", {"a\""}},
    };
    for (const ParseCase& c : cases) EXPECT_EQ(ParseCommaText(c.text), c.items) << c.label;
}

TEST(CommaText, EveryWrittenListParsesBack) {
    std::string allBytes;
    for (int code = 0; code < 256; ++code) allBytes.push_back(static_cast<char>(code));
    const Items lists[] = {
        {},
        {""},
        {"", ""},
        {"", "", ""},
        {"NAME", "C:\\Program Files\\App\\", "LIST", "a,b,c", "Q", "\"", "QQ", "\"\""},
        {"lines", "one\r\ntwo", "tab", "\t", "space", " ", "empty", ""},
        {allBytes, allBytes},
        {"\0"s, "\"\0\""s, ","},
        {"trailing blank ", " leading blank", "\"quoted\""},
    };
    for (const Items& items : lists) {
        const std::string text = WriteCommaText(items);
        EXPECT_EQ(ParseCommaText(text), items) << text;
    }
}

}  // namespace
}  // namespace kel
