// The 64-bit view rules over a scripted WOW64 port: the registry view flag per platform mode, and
// when file-system redirection is switched off and back for the interpreter thread (force off)
// and for worker threads (force on).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/platform/wow64_views.h"

namespace kel {
namespace {

class ScriptedWow64 : public Wow64 {
  public:
    bool underWow64 = true;
    Wow64Call answer = Wow64Call::kSucceeded;  // of both redirection calls
    RedirectionValue savedValue = 0;           // what a disable hands back
    std::vector<std::string> calls;

    bool IsWow64() override { return underWow64; }
    Wow64Call DisableRedirection(RedirectionValue& oldValue) override {
        calls.push_back("disable");
        if (answer == Wow64Call::kSucceeded) oldValue = savedValue;
        return answer;
    }
    Wow64Call RevertRedirection(RedirectionValue oldValue) override {
        calls.push_back("revert " + std::to_string(oldValue));
        return answer;
    }
};

struct ViewCase {
    bool underWow64;
    const char* platformMode;
    unsigned selected;
    unsigned afterReset;
};

TEST(RegistryView, FollowsWow64AndPlatformMode) {
    const ViewCase cases[] = {
        {false, "Win32", 0, 0},
        {false, "x64", 0, 0},
        {true, "Win32", 512, 512},
        {true, "x64", 256, 512},
        {true, "ia64", 256, 512},
    };
    for (const ViewCase& c : cases) {
        ScriptedWow64 wow64;
        wow64.underWow64 = c.underWow64;
        Wow64Views views(wow64);
        views.SelectRegistryView(c.platformMode);
        EXPECT_EQ(views.RegistryViewFlag(), c.selected) << c.platformMode << " " << c.underWow64;
        views.ResetRegistryView();
        EXPECT_EQ(views.RegistryViewFlag(), c.afterReset) << c.platformMode << " " << c.underWow64;
    }
}

// Redirection is only touched under WOW64 in a 64-bit platform mode.
TEST(Redirection, NeverTouchedInWin32ModeOrOutsideWow64) {
    const struct {
        bool underWow64;
        const char* platformMode;
    } cases[] = {{true, "Win32"}, {false, "x64"}, {false, "Win32"}};
    for (const auto& c : cases) {
        for (bool force : {false, true}) {
            ScriptedWow64 wow64;
            wow64.underWow64 = c.underWow64;
            Wow64Views views(wow64);
            views.DisableRedirection(c.platformMode, force);
            views.RevertRedirection(c.platformMode, force);
            EXPECT_TRUE(wow64.calls.empty()) << c.platformMode << " force " << force;
            EXPECT_FALSE(views.RedirectionDisabled());
        }
    }
}

TEST(Redirection, InterpreterThreadDisablesOnceAndRevertsOnce) {
    ScriptedWow64 wow64;
    Wow64Views views(wow64);
    views.DisableRedirection("x64", false);
    EXPECT_TRUE(views.RedirectionDisabled());
    views.DisableRedirection("x64", false);  // already off: no second call
    views.RevertRedirection("x64", false);
    EXPECT_FALSE(views.RedirectionDisabled());
    views.RevertRedirection("x64", false);  // nothing held: no call
    EXPECT_EQ(wow64.calls, (std::vector<std::string>{"disable", "revert 0"}));
}

TEST(Redirection, WorkerThreadsForceWithoutChangingTheInterpreterState) {
    ScriptedWow64 wow64;
    Wow64Views views(wow64);
    views.DisableRedirection("x64", true);
    EXPECT_FALSE(views.RedirectionDisabled());
    views.RevertRedirection("x64", true);
    EXPECT_FALSE(views.RedirectionDisabled());

    // While the interpreter thread holds it off, a worker still switches its own thread.
    views.DisableRedirection("x64", false);
    views.DisableRedirection("x64", true);
    EXPECT_TRUE(views.RedirectionDisabled());
    views.RevertRedirection("x64", true);
    EXPECT_TRUE(views.RedirectionDisabled());
    EXPECT_EQ(wow64.calls, (std::vector<std::string>{"disable", "revert 0", "disable", "disable",
                                                     "revert 0"}));
}

TEST(Redirection, HeldOldValueBlocksFurtherDisablingAndIsHandedBack) {
    ScriptedWow64 wow64;
    wow64.savedValue = 7;
    Wow64Views views(wow64);
    views.DisableRedirection("x64", false);
    EXPECT_EQ(views.RedirectionOldValue(), 7u);
    views.DisableRedirection("x64", true);  // a value is held: nothing happens
    views.RevertRedirection("x64", false);
    EXPECT_EQ(wow64.calls, (std::vector<std::string>{"disable", "revert 7"}));
}

// Missing or failing system functions leave the state as it was.
TEST(Redirection, MissingOrFailingFunctionsChangeNothing) {
    for (Wow64Call answer : {Wow64Call::kMissing, Wow64Call::kFailed}) {
        ScriptedWow64 wow64;
        wow64.answer = answer;
        wow64.savedValue = 7;
        Wow64Views views(wow64);
        views.DisableRedirection("x64", false);
        EXPECT_FALSE(views.RedirectionDisabled());
        EXPECT_EQ(views.RedirectionOldValue(), 0u);
        views.RevertRedirection("x64", false);  // nothing disabled: not called
        EXPECT_EQ(wow64.calls.size(), 1u);
    }
}

}  // namespace
}  // namespace kel
