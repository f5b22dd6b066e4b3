// The single-instance lock of a real setup under Wine: with SINGLEINSTANCE = TRUE a setup whose
// lock file already lies in its temporary folder ends at once with exit code 0 and runs no
// statement; otherwise it runs and removes the lock at its end. With the switch off no lock file
// appears.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "setup_run.h"

namespace kel::e2e {
namespace {

class SingleInstanceE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!SetupRun::WineAvailable()) GTEST_FAIL() << "needs the Wine test bed: run through ./kel test";
    }
    static std::string TestName() {
        return ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    // One statement that writes "ran" to out.txt.
    static ScriptModel Script(const SetupRun& run, bool switchOn) {
        const std::string out = WindowsPath(run.work / "out.txt");
        ScriptModel model = MakeScript({{"Write to Text File", {out, "ran", "FALSE", ""}}});
        if (switchOn) {
            model.compilerVariables.Add("SINGLEINSTANCE");
            model.compilerVariables.Add("TRUE");
        }
        return model;
    }
    static fs::path LockFile(const SetupRun& run, const ScriptModel& model) {
        return run.temp / (model.revisionCode + ".kel");
    }
};

TEST_F(SingleInstanceE2E, HeldLockEndsTheSetupBeforeItsFirstStatement) {
    SetupRun run(TestName());
    const ScriptModel model = Script(run, true);
    run.WriteCompleteSetup(model);
    fs::create_directories(run.temp);
    std::ofstream(LockFile(run, model)).close();

    EXPECT_EQ(run.Run({"/S"}), 0);
    EXPECT_FALSE(fs::exists(run.work / "out.txt"));
    EXPECT_TRUE(fs::exists(LockFile(run, model)));
}

TEST_F(SingleInstanceE2E, FreeLockIsTakenAndRemovedByTheRun) {
    SetupRun run(TestName());
    const ScriptModel model = Script(run, true);
    run.WriteCompleteSetup(model);

    EXPECT_EQ(run.Run({"/S"}), 0);
    EXPECT_TRUE(fs::exists(run.work / "out.txt"));
    EXPECT_FALSE(fs::exists(LockFile(run, model)));
}

TEST_F(SingleInstanceE2E, SwitchOffLeavesNoLockFile) {
    SetupRun run(TestName());
    const ScriptModel model = Script(run, false);
    run.WriteCompleteSetup(model);

    EXPECT_EQ(run.Run({"/S"}), 0);
    EXPECT_TRUE(fs::exists(run.work / "out.txt"));
    EXPECT_FALSE(fs::exists(LockFile(run, model)));
}

}  // namespace
}  // namespace kel::e2e
