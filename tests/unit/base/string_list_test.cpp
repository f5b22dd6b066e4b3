// The hashed list behind the script model: lookups ignore case and see every change.
#include "engine/base/string_list.h"

#include <gtest/gtest.h>

namespace kel {
namespace {

TEST(StringList, HashedAndPlainListsAgree) {
    for (bool hashed : {false, true}) {
        StringList list(hashed);
        for (const char* line : {"Alpha", "beta", "ALPHA", "gamma"}) list.Add(line);
        EXPECT_EQ(list.IndexOf("alpha"), 0u) << hashed;
        EXPECT_EQ(list.LastIndexOf("alpha"), 2u) << hashed;
        EXPECT_EQ(list.IndexOf("BETA"), 1u) << hashed;
        EXPECT_EQ(list.IndexOf("delta"), StringList::npos) << hashed;
        EXPECT_EQ(list.IndexOf(""), StringList::npos) << hashed;
    }
}

TEST(StringList, IndexFollowsChanges) {
    StringList list(true);
    list.Add("one");
    EXPECT_EQ(list.IndexOf("two"), StringList::npos);
    list.Add("two");
    EXPECT_EQ(list.IndexOf("two"), 1u);
    list.Set(0, "two");
    EXPECT_EQ(list.IndexOf("two"), 0u);
    EXPECT_EQ(list.IndexOf("one"), StringList::npos);
    list.Clear();
    EXPECT_EQ(list.IndexOf("two"), StringList::npos);
    // Many additions force the vector to move its strings; the index must not keep stale views.
    for (int i = 0; i < 1000; ++i) list.Add("line" + std::to_string(i));
    EXPECT_EQ(list.IndexOf("LINE999"), 999u);
}

TEST(StringList, CopyIsIndependent) {
    StringList list(true);
    list.Add("a");
    EXPECT_EQ(list.IndexOf("a"), 0u);
    StringList copy = list;
    copy.Set(0, "b");
    EXPECT_EQ(list.IndexOf("a"), 0u);
    EXPECT_EQ(copy.IndexOf("b"), 0u);
    EXPECT_EQ(copy.IndexOf("a"), StringList::npos);
}

}  // namespace
}  // namespace kel
