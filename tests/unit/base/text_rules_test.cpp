// The integer and truth rules: every reader of numbers and booleans in the engine goes through them.
#include "engine/base/text_rules.h"

#include <gtest/gtest.h>

namespace kel {
namespace {

struct IntCase {
    const char* text;
    std::optional<std::int32_t> value;
};

TEST(IntegerRule, ThirtyTwoBit) {
    const IntCase cases[] = {
        {"0", 0},
        {"42", 42},
        {"   42", 42},          // leading spaces are allowed
        {"42 ", std::nullopt},  // trailing ones are not
        {"+7", 7},
        {"-7", -7},
        {"$1F", 31},
        {"x1f", 31},
        {"X1F", 31},
        {"0x10", 16},
        {"0X10", 16},
        {"-$10", -16},
        {"$FFFFFFFF", -1},  // full unsigned width, taken as the bit pattern
        {"$100000000", std::nullopt},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"12a", std::nullopt},
        {"1.5", std::nullopt},
        {"1e3", std::nullopt},
        {"\t1", std::nullopt},  // only spaces lead
        {"- 1", std::nullopt},
    };
    for (const IntCase& c : cases) {
        EXPECT_EQ(ParseInt32(c.text), c.value) << "'" << c.text << "'";
    }
}

TEST(IntegerRule, SixtyFourBit) {
    EXPECT_EQ(ParseInt64("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(ParseInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(ParseInt64("9223372036854775808"), std::nullopt);
    EXPECT_EQ(ParseInt64("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(ParseInt64("$FFFFFFFF"), 4294967295LL);
    EXPECT_EQ(ParseInt64("18446744073709551616"), std::nullopt);
}

TEST(TruthRule, TrueAndFalseTexts) {
    for (const char* yes : {"TRUE", "true", "True", "tRuE", "-1"}) EXPECT_TRUE(IsTrueText(yes)) << yes;
    for (const char* no : {"", "1", "yes", "FALSE", " TRUE", "TRUE ", "-01", "-1 "}) {
        EXPECT_FALSE(IsTrueText(no)) << no;
    }
    EXPECT_STREQ(BoolText(true), "TRUE");
    EXPECT_STREQ(BoolText(false), "FALSE");
}

}  // namespace
}  // namespace kel
