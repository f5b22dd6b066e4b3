// The engine's run phases: the single-instance lock (the empty file TempDir + RevisionCode + ".kel"
// made before the first statement when the compiler variable SINGLEINSTANCE is "TRUE", the run
// that ends at once while it exists, its removal at the normal end) and the end of a run whose
// removable medium has gone.
#include <gtest/gtest.h>

#include "engine/script/engine_run_phases.h"
#include "script/interpreter_fixture.h"

namespace kel::testing {
namespace {

constexpr const char* kTempDir = "C:\\temp\\";
constexpr const char* kLockFile = "C:\\temp\\{REV-1}.kel";
constexpr const char* kExeDir = "E:\\setup\\";
constexpr const char* kSupportDir = "C:\\temp\\kel1\\";

// Drive E: is removable, every other root fixed.
class RemovableE : public DriveTypes {
  public:
    unsigned DriveType(const std::string& root) override { return root == "E:\\" ? 2u : kDriveFixed; }
};

class SingleInstanceLockTest : public InterpreterTest {
  protected:
    void SetUp() override {
        InterpreterTest::SetUp();
        globals.tempDir = kTempDir;
        globals.exeDir = kExeDir;
        globals.supportDir = kSupportDir;
        files.ForceFolders("C:\\temp");
        files.ForceFolders(kExeDir);
    }

    ScriptModel Script(const std::string& switchValue) {
        ScriptModel script = BuildScript({Write("first"), Write("second")});
        script.revisionCode = "{REV-1}";
        if (!switchValue.empty()) {
            script.compilerVariables.Add("SINGLEINSTANCE");
            script.compilerVariables.Add(switchValue);
        }
        return script;
    }

    RunResult RunWithLock(const ScriptModel& script, const StatementCallback& callback = {}) {
        RunEnvironment environment{globals, trace, {files, clock, pump, boxes}};
        environment.commands = &commands;
        environment.phases = &lockPhases;
        return RunScript(script, databasePath, environment, callback);
    }

    RemovableE drives;
    EngineRunPhases lockPhases{files, boxes, drives, trace, globals};
};

TEST_F(SingleInstanceLockTest, HeldLockEndsTheRunBeforeItsFirstStatement) {
    files.AddFile(kLockFile, "");
    globals.exitCode = 0;
    const RunResult result = RunWithLock(Script("TRUE"));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_FALSE(result.endProcessNow);
    EXPECT_TRUE(Output().empty());
    // Another instance owns the file: it stays.
    EXPECT_TRUE(files.FileExists(kLockFile));
}

TEST_F(SingleInstanceLockTest, FreeLockIsHeldDuringTheRunAndRemovedAtItsEnd) {
    bool heldDuringRun = false;
    const RunResult result = RunWithLock(Script("TRUE"), [&](std::size_t) {
        heldDuringRun = files.FileExists(kLockFile);
        return true;
    });
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(Output(), (std::vector<std::string>{"first", "second"}));
    EXPECT_TRUE(heldDuringRun);
    EXPECT_FALSE(files.FileExists(kLockFile));
}

struct SwitchCase {
    const char* label;
    const char* value;  // empty: the script defines no SINGLEINSTANCE
};

class SwitchOffTest : public SingleInstanceLockTest,
                      public ::testing::WithParamInterface<SwitchCase> {};

// Only the exact text "TRUE" turns the lock on; a file left by someone else is never touched.
TEST_P(SwitchOffTest, NoLockIsMadeOrRemoved) {
    const ScriptModel script = Script(GetParam().value);
    bool madeDuringRun = true;
    RunWithLock(script, [&](std::size_t) {
        madeDuringRun = files.FileExists(kLockFile);
        return true;
    });
    EXPECT_FALSE(madeDuringRun);
    EXPECT_EQ(Output(), (std::vector<std::string>{"first", "second"}));

    files.AddFile(kLockFile, "");
    RunWithLock(script);
    EXPECT_TRUE(files.FileExists(kLockFile));
    EXPECT_EQ(Output().size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(Switch, SwitchOffTest,
                         ::testing::Values(SwitchCase{"absent", ""},
                                           SwitchCase{"false", "FALSE"},
                                           SwitchCase{"lower case true", "true"},
                                           SwitchCase{"padded", "TRUE "}),
                         [](const auto& info) { return CaseName(info.param.label); });

TEST_F(SingleInstanceLockTest, NoDatabaseEndsTheRunWithoutTakingTheLock) {
    files.RemoveFile(kDatabase);
    const RunResult result = RunWithLock(Script("TRUE"));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(Output().empty());
    EXPECT_FALSE(files.FileExists(kLockFile));
}

TEST_F(SingleInstanceLockTest, IntermediateExpansionIsShownInAResultBox) {
    // ONCE comes first, so one round leaves "#ONCE#" and a second round is needed.
    ScriptModel script = Script("");
    for (const char* entry : {"ONCE", "TRUE", "SINGLEINSTANCE", "#ONCE#"})
        script.compilerVariables.Add(entry);
    EXPECT_TRUE(lockPhases.AcquireSingleInstanceLock(script));
    EXPECT_TRUE(files.FileExists(kLockFile));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "#ONCE#");
    EXPECT_EQ(boxes.shown[0].caption, "result");
    EXPECT_EQ(boxes.shown[0].owner, 0u);
}

// Another setup takes the lock after this one looked: a file system that never reports the lock
// file still makes this run end, because taking the lock is one create-if-new call.
class LockAppearsAfterTheCheck : public MemoryFileSystem {
  public:
    bool FileExists(const std::string&) override { return false; }
};

TEST_F(SingleInstanceLockTest, LockTakenMeanwhileIsStillHonoured) {
    LockAppearsAfterTheCheck racing;
    racing.ForceFolders("C:\\temp");
    racing.AddFile(kLockFile, "");
    EngineRunPhases phases{racing, boxes, drives, trace, globals};
    EXPECT_FALSE(phases.AcquireSingleInstanceLock(Script("TRUE")));
}

TEST_F(SingleInstanceLockTest, UnwritableLockFileRaises) {
    files.lockedFiles.insert(MemoryFileSystem::Key(kLockFile));
    EXPECT_THROW(lockPhases.AcquireSingleInstanceLock(Script("TRUE")), std::runtime_error);
}

TEST_F(SingleInstanceLockTest, MediumStillThereLetsTheRunReturn) {
    EnableTrace();
    const RunResult result = RunWithLock(Script(""));
    EXPECT_FALSE(result.endProcessNow);
    EXPECT_TRUE(files.FileExists(kDatabase));
    for (const std::string& line : TraceLines()) EXPECT_NE(line, "  <RemovableMediaPrematureEject>");
}

// The script ejects the medium: the run ends right after the Exit script step with the exit code
// set so far, the support folder gone and the lock released.
TEST_F(SingleInstanceLockTest, EjectedMediumEndsTheProcessWithoutTheSupportFolder) {
    EnableTrace();
    files.AddFile(std::string(kSupportDir) + "sub\\dialog.dfm", "form");
    commands.Add("Eject", [this](CommandContext&) { files.RemoveFolder(kExeDir); });
    ScriptModel script = BuildScript({{"Eject", {}}, ExitWith("7"), Write("never")});
    script.revisionCode = "{REV-1}";
    script.compilerVariables.Add("SINGLEINSTANCE");
    script.compilerVariables.Add("TRUE");

    const RunResult result = RunWithLock(script);
    EXPECT_TRUE(result.endProcessNow);
    EXPECT_EQ(result.exitCode, 7);
    EXPECT_FALSE(files.FolderExists(kSupportDir));
    EXPECT_FALSE(files.FileExists(kLockFile));
    const std::vector<std::string> lines = TraceLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
              (std::vector<std::string>{"    </ExitScript>", "  <RemovableMediaPrematureEject>",
                                        "  </RemovableMediaPrematureEject>", "</Tarnwick>"}));
}

}  // namespace
}  // namespace kel::testing
