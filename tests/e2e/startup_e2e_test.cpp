// Whole setups started under Wine as a user or an administrator would start them, judged by the
// exit code, the trace log, the message boxes and what is left in the temporary folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "engine/script/compiled_script.h"
#include "setup_run.h"

namespace kel::e2e {
namespace {

class StartupE2E : public ::testing::Test {
protected:
    void SetUp() override {
        // A missing test bed is a failure, never a silent skip.
        if (!SetupRun::WineAvailable()) GTEST_FAIL() << "needs the Wine test bed: run through ./kel test";
    }
    static std::string TestName() {
        return ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    ScriptModel OneStatement() { return MakeScript({{"Set Variable", {"A", "1"}}}); }
};

const std::vector<std::string> kFullTrace = {
    "<Tarnwick>", "  <SetupSplash>", "    <StubSize>", "    </StubSize>", "    <StubData>",
    "    </StubData>", "    <GlobalLists>", "    </GlobalLists>", "    <SupportDir>",
    "    </SupportDir>", "    <ExtractArchive>", "    </ExtractArchive>", "    <ExtractResource>",
    "    </ExtractResource>", "    <ResourcePath>", "    </ResourcePath>", "    <Dialogs>",
    "    </Dialogs>", "  </SetupSplash>", "  <RunScript>", "    <CompileScript>",
    "    </CompileScript>", "    <Variables>", "    </Variables>", "    <BootStrap>",
    "    </BootStrap>", "    <qorv>", "    </qorv>", "    <ExitScript>", "    </ExitScript>",
    "  </RunScript>", "  <Free>",
    "  </Free>", "  <CachedSupportDir>", "  </CachedSupportDir>", "</Tarnwick>"};

TEST_F(StartupE2E, CompleteSetupRunsToItsEndAndCleansUp) {
    SetupRun run(TestName());
    run.WriteCompleteSetup(OneStatement());
    EXPECT_EQ(run.Run({"/S"}), 0);
    EXPECT_EQ(run.TraceLines(), kFullTrace);
    EXPECT_TRUE(run.TempEntries().empty()) << ::testing::PrintToString(run.TempEntries());
    EXPECT_TRUE(run.Boxes().empty());
}

TEST_F(StartupE2E, InteractiveRunShowsThePreparationWindowAndNoBox) {
    SetupRun run(TestName());
    run.WriteCompleteSetup(OneStatement());
    EXPECT_EQ(run.Run({}), 0);
    EXPECT_EQ(run.TraceLines(), kFullTrace);
    EXPECT_TRUE(run.Boxes().empty());
}

TEST_F(StartupE2E, SplashPictureBesideTheEngineIsShownWhilePreparing) {
    SetupRun run(TestName());
    run.WriteCompleteSetup(OneStatement());
    const std::string picture = (run.dist / "setup.bmp").string();
    ASSERT_EQ(std::system(("convert -size 240x120 xc:navy BMP3:'" + picture + "'").c_str()), 0);
    EXPECT_EQ(run.Run({}), 0);
    EXPECT_EQ(run.TraceLines(), kFullTrace);
    EXPECT_TRUE(run.Boxes().empty());
}

struct EarlyExitCase {
    const char* label;
    void (*breakSetup)(SetupRun&);
    int exitCode;
    const char* message;
    bool supportDirLeft;
};

const EarlyExitCase kEarlyExits[] = {
    {"NoScript", [](SetupRun& r) { r.WriteEngine(""); }, 13, "For internal use only", false},
    {"NoPayload", [](SetupRun& r) { std::filesystem::remove(r.dist / "setup.res"); }, 14,
     "Setup resource not found", true},
    {"CorruptPayload",
     [](SetupRun& r) {
         std::ofstream(r.dist / "setup.res", std::ios::binary | std::ios::trunc) << "7z\xBC\xAF\x27\x1C broken";
     },
     15, "Setup resource decompression failure", true},
    {"NoDatabase", [](SetupRun& r) { std::filesystem::remove(r.dist / "setup.msi"); }, 16,
     "Setup database not found", true},
};

void PrintTo(const EarlyExitCase& c, std::ostream* out) { *out << c.label; }

class EarlyExitE2E : public StartupE2E, public ::testing::WithParamInterface<EarlyExitCase> {};

TEST_P(EarlyExitE2E, BoxExitCodeAndLeftovers) {
    const EarlyExitCase& c = GetParam();
    for (bool silent : {false, true}) {
        SetupRun run(std::string(c.label) + (silent ? "Silent" : "Interactive"));
        run.WriteCompleteSetup(OneStatement());
        c.breakSetup(run);
        EXPECT_EQ(run.Run(silent ? std::vector<std::string>{"/qn"} : std::vector<std::string>{}),
                  c.exitCode);
        const auto boxes = run.Boxes();
        if (silent) {
            EXPECT_TRUE(boxes.empty());
        } else {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, c.message);
            EXPECT_EQ(boxes[0].caption, "Tarnwick Wizard");
        }
        const auto entries = run.TempEntries();
        if (c.supportDirLeft) {
            // The support folder stays, with whatever was unpacked into it; nothing else is left.
            ASSERT_FALSE(entries.empty());
            EXPECT_EQ(entries[0], "kel1");
            for (const std::string& entry : entries) {
                EXPECT_EQ(entry.rfind("kel1", 0), 0u) << entry;
            }
        } else {
            EXPECT_TRUE(entries.empty()) << ::testing::PrintToString(entries);
        }
        const auto trace = run.TraceLines();
        ASSERT_FALSE(trace.empty());
        EXPECT_NE(trace.back(), "</Tarnwick>");
    }
}

INSTANTIATE_TEST_SUITE_P(Startup, EarlyExitE2E, ::testing::ValuesIn(kEarlyExits),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(StartupE2E, BrokenScriptsEndWithElevenAndTheRuntimeErrorBox) {
    const std::string complete = WriteCompiledScript(OneStatement());
    const std::string cases[] = {
        complete.substr(0, complete.size() / 2),           // truncated
        std::string("\x89PNG\r\n\x1a\n\0\0garbage", 17),  // random bytes
    };
    int n = 0;
    for (const std::string& script : cases) {
        SetupRun run(TestName() + std::to_string(n++));
        run.WriteCompleteSetup(OneStatement());
        run.WriteEngine(script);
        EXPECT_EQ(run.Run({}), 11);
        const auto boxes = run.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text.rfind("Runtime error in install: ", 0), 0u) << boxes[0].text;
        EXPECT_EQ(run.TraceLines().back(), "</Tarnwick>");
        EXPECT_TRUE(run.TempEntries().empty()) << ::testing::PrintToString(run.TempEntries());
    }
}

TEST_F(StartupE2E, SupportFolderNumberSkipsExistingOnes) {
    SetupRun run(TestName());
    run.WriteCompleteSetup(OneStatement());
    std::filesystem::create_directories(run.temp / "kel1");
    std::ofstream(run.temp / "kel2") << "a file planted where a folder would go";
    std::filesystem::remove(run.dist / "setup.msi");
    EXPECT_EQ(run.Run({"/s"}), 16);
    const std::vector<std::string> expected = {"kel1", "kel2", "kel3", "kel3/readme.txt"};
    EXPECT_EQ(run.TempEntries(), expected);
}

TEST_F(StartupE2E, RenamedEngineLooksForRenamedCompanions) {
    SetupRun run(TestName());
    run.baseName = "Product Setup";
    run.WriteCompleteSetup(OneStatement());
    EXPECT_EQ(run.Run({"/S"}), 0);
    EXPECT_EQ(run.TraceLines(), kFullTrace);
}

TEST_F(StartupE2E, MessageTableInTheLibraryTranslatesBoxes) {
    SetupRun run(TestName());
    run.WriteCompleteSetup(OneStatement());
    std::string table;
    for (int n = 1; n <= 115; ++n) table += (n == 4 ? "Datenbank nicht gefunden" : "x") + std::string("\r\n");
    run.WriteLibrary(table);
    std::filesystem::remove(run.dist / "setup.msi");
    EXPECT_EQ(run.Run({}), 16);
    const auto boxes = run.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Datenbank nicht gefunden");
    EXPECT_FALSE(std::filesystem::exists(run.temp / "lang.loc"));
}

TEST_F(StartupE2E, SignedSetupsKeepTheirScriptAndMessageTable) {
    SetupRun run(TestName());
    run.WriteCompleteSetup(OneStatement());
    std::string table;
    for (int n = 1; n <= 115; ++n) table += (n == 4 ? "Base introuvable" : "x") + std::string("\r\n");
    run.WriteLibrary(table);
    run.Sign(run.Exe());
    run.Sign(run.dist / "kel.lib");
    EXPECT_EQ(run.Run({"/S"}), 0);
    EXPECT_EQ(run.TraceLines(), kFullTrace);

    // The certificate bytes are not part of the message table.
    std::filesystem::remove(run.dist / "setup.msi");
    EXPECT_EQ(run.Run({}), 16);
    ASSERT_EQ(run.Boxes().size(), 1u);
    EXPECT_EQ(run.Boxes()[0].text, "Base introuvable");
}

TEST_F(StartupE2E, SignedBareEngineStillHasNoScript) {
    SetupRun run(TestName());
    run.WriteCompleteSetup(OneStatement());
    run.WriteEngine("");
    run.Sign(run.Exe());
    EXPECT_EQ(run.Run({"/S"}), 13);
    EXPECT_TRUE(run.TempEntries().empty());
}

}  // namespace
}  // namespace kel::e2e
