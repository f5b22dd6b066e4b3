// The start-up sequence against a recording host: exit codes, trace lines, what is left on disk,
// who owns the error boxes. The same paths run for real under Wine in the end-to-end tests.
#include "engine/startup/startup_sequence.h"

#include <gtest/gtest.h>

#include "engine/script/compiled_script.h"
#include "engine/script/engine_messages.h"
#include "support/fake_pe.h"
#include "support/memory_file_system.h"

namespace kel {
namespace {

constexpr const char* kExe = "C:\\dist\\setup.exe";
constexpr const char* kTemp = "C:\\temp\\";

struct ErrorBox {
    std::string text;
    std::string caption;
    bool ownedByForm;
};

class RecordingHost : public StartupHost {
public:
    testing::MemoryFileSystem files;
    std::vector<std::string> arguments;
    std::string rawCommandLine = "setup.exe";
    std::vector<ErrorBox> errors;
    std::vector<std::string> loadedDialogs;
    bool unpackSucceeds = true;
    bool formShown = false;
    int progressMaximum = -1;
    int runScriptExitCode = 0;
    int runScriptCalls = 0;
    std::string runScriptDatabase;
    std::string languageName = "English";

    FileSystem& Files() override { return files; }
    OsVersion Version() override { return {6, 1}; }
    std::string ModulePath() override { return kExe; }
    std::string TempPath() override { return kTemp; }
    std::string RawCommandLine() override { return rawCommandLine; }
    std::vector<std::string> Arguments() override { return arguments; }
    std::string UserLanguageName() override { return languageName; }
    void MarkAsHostApp(const std::string& name) override { hostAppName = name; }
    void MarkCompatibilityAssistant(const std::string&) override {}
    void RestrictToFirstProcessor() override {}
    bool ShowSplash(const std::string&, Rect& placed) override {
        placed = {100, 100, 400, 300};
        return true;
    }
    Rect Screen() override { return {0, 0, 1024, 768}; }
    Rect PreparationFormSize() override { return {0, 0, 369, 89}; }
    void ShowPreparationForm(int, int, bool) override { formShown = true; }
    void SetPreparationProgress(int, int maximum, int) override { progressMaximum = maximum; }
    void StepPreparationProgress() override {}
    void ClosePreparationUi() override { formShown = false; }
    bool PreparationFormShown() override { return formShown; }
    void ShowError(const std::string& text, const std::string& caption, bool owned) override {
        errors.push_back({text, caption, owned});
    }
    bool UnpackPayload(const std::string&, const std::string& supportDir) override {
        if (unpackSucceeds) files.AddFile(supportDir + "dialogs\\Welcome.dfm", "dialog");
        return unpackSucceeds;
    }
    void InitDialogs(const std::string&) override {}
    void LoadDialog(const std::string& key, const std::string& path) override {
        loadedDialogs.push_back(key + "=" + path);
    }
    int RunScript(ScriptModel& script, const std::string& database) override {
        ++runScriptCalls;
        runScriptDatabase = database;
        statementsSeen = script.StatementCount();
        return runScriptExitCode;
    }

    std::string hostAppName;
    std::size_t statementsSeen = 0;
};

std::string ScriptWithStatements(std::initializer_list<std::pair<const char*, const char*>> list) {
    ScriptModel model;
    int n = 0;
    for (auto [command, parameter] : list) {
        const std::string id = "{ID" + std::to_string(n++) + "}";
        model.commands.Add(command);
        model.ids.Add(id);
        model.states.Add(std::string(command) == "Comment" ? "C" : "");
        model.mediaNames.Add("");
        model.ParameterBlocks().Add(id);
        model.ParameterBlocks().Add(parameter);
    }
    return WriteCompiledScript(model);
}

class StartupSequenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.files.ForceFolders(kTemp);
        host.files.AddFile("C:\\dist\\kel.lib", testing::FakePeImage());
        host.files.AddFile("C:\\dist\\setup.res", "archive");
        host.files.AddFile("C:\\dist\\setup.msi", "database");
        SetScript(ScriptWithStatements({{"Set Variable", "A"}}));
        host.arguments = {"/l=C:\\Temp\\Trace.log"};
    }
    void SetScript(const std::string& script) {
        host.files.AddFile(kExe, testing::FakePeImage() + script);
    }
    int Run() {
        EngineGlobals fresh;
        globals = fresh;
        TraceLog trace(host.files, WidenLatin1);
        StartupSequence sequence(host, globals, trace);
        return sequence.Run();
    }
    // The trace log as 8-bit lines.
    std::vector<std::string> TraceLines() {
        std::vector<std::string> lines;
        const std::string* raw = host.files.Find("c:\\temp\\trace.log");
        if (!raw) return lines;
        std::string line;
        for (std::size_t i = 0; i + 1 < raw->size(); i += 2) {
            const char c = (*raw)[i];
            if (c == '\r') continue;
            if (c == '\n') {
                lines.push_back(line);
                line.clear();
            } else {
                line += c;
            }
        }
        return lines;
    }

    RecordingHost host;
    EngineGlobals globals;
};

TEST_F(StartupSequenceTest, NormalRunTracesEveryStepAndCleansUp) {
    host.runScriptExitCode = 7;
    EXPECT_EQ(Run(), 7);
    const std::vector<std::string> expected = {
        "<Tarnwick>", "  <SetupSplash>", "    <StubSize>", "    </StubSize>", "    <StubData>",
        "    </StubData>", "    <GlobalLists>", "    </GlobalLists>", "    <SupportDir>",
        "    </SupportDir>", "    <ExtractArchive>", "    </ExtractArchive>",
        "    <ExtractResource>", "    </ExtractResource>", "    <ResourcePath>",
        "    </ResourcePath>", "    <Dialogs>", "    </Dialogs>", "  </SetupSplash>",
        "  <RunScript>", "  </RunScript>", "  <Free>", "  </Free>", "  <CachedSupportDir>",
        "  </CachedSupportDir>", "</Tarnwick>"};
    EXPECT_EQ(TraceLines(), expected);
    EXPECT_EQ(host.runScriptCalls, 1);
    EXPECT_EQ(host.statementsSeen, 1u);
    EXPECT_EQ(host.runScriptDatabase, "C:\\temp\\kel1\\setup.msi");
    EXPECT_EQ(host.hostAppName, "setup.exe");
    EXPECT_FALSE(host.files.FolderExists("C:\\temp\\kel1"));
    EXPECT_FALSE(host.files.FileExists("C:\\temp\\kel.tmp"));
    EXPECT_TRUE(host.errors.empty());
    EXPECT_EQ(globals.exeDir, "C:\\dist\\");
    EXPECT_EQ(globals.exeBaseName, "setup");
    EXPECT_EQ(globals.sourceDataDir, "C:\\dist\\data\\");
}

TEST_F(StartupSequenceTest, EarlyExitCodesLeaveTheSupportFolder) {
    struct Case {
        const char* label;
        std::function<void(RecordingHost&)> breakSetup;
        int exitCode;
        const char* message;
        bool supportDirLeft;
    } cases[] = {
        {"no script", [](RecordingHost& h) { h.files.AddFile(kExe, testing::FakePeImage()); }, 13,
         "For internal use only", false},
        {"no payload", [](RecordingHost& h) { h.files.RemoveFile("C:\\dist\\setup.res"); }, 14,
         "Setup resource not found", true},
        {"payload fails", [](RecordingHost& h) { h.unpackSucceeds = false; }, 15,
         "Setup resource decompression failure", true},
        {"no database", [](RecordingHost& h) { h.files.RemoveFile("C:\\dist\\setup.msi"); }, 16,
         "Setup database not found", true},
    };
    for (const Case& c : cases) {
        host = RecordingHost();
        SetUp();
        c.breakSetup(host);
        EXPECT_EQ(Run(), c.exitCode) << c.label;
        ASSERT_EQ(host.errors.size(), 1u) << c.label;
        EXPECT_EQ(host.errors[0].text, c.message) << c.label;
        EXPECT_EQ(host.errors[0].caption, "Tarnwick Wizard") << c.label;
        EXPECT_TRUE(host.errors[0].ownedByForm) << c.label;
        EXPECT_EQ(host.files.FolderExists("C:\\temp\\kel1"), c.supportDirLeft) << c.label;
        EXPECT_EQ(host.runScriptCalls, 0) << c.label;
        const auto lines = TraceLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_NE(lines.back(), "</Tarnwick>") << c.label;  // step 18 and its lines are skipped
    }
}

TEST_F(StartupSequenceTest, SilentRunShowsNoBoxes) {
    host.arguments.push_back("/S");
    host.files.RemoveFile("C:\\dist\\setup.msi");
    EXPECT_EQ(Run(), 16);
    EXPECT_TRUE(host.errors.empty());
    EXPECT_FALSE(host.formShown);
}

TEST_F(StartupSequenceTest, BrokenScriptsEndWithElevenAndCleanUp) {
    for (const std::string& script :
         {std::string("Comment\r\n$\r\n"), std::string("\x01\x02\xff garbage", 12),
          ScriptWithStatements({{"End", ""}}).substr(0, 40)}) {
        host = RecordingHost();
        SetUp();
        SetScript(script);
        EXPECT_EQ(Run(), 11);
        ASSERT_EQ(host.errors.size(), 1u);
        EXPECT_EQ(host.errors[0].text.rfind("Runtime error in install: ", 0), 0u)
            << host.errors[0].text;
        EXPECT_FALSE(host.errors[0].ownedByForm);
        EXPECT_EQ(TraceLines().back(), "</Tarnwick>");
    }
}

TEST_F(StartupSequenceTest, SupportFolderSkipsFoldersAndFilesThatExist) {
    host.files.ForceFolders("C:\\temp\\kel1");
    host.files.AddFile("C:\\temp\\kel2", "a planted file");
    std::string supportDir;
    host.runScriptExitCode = 0;
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(host.runScriptDatabase, "C:\\temp\\kel3\\setup.msi");
    EXPECT_TRUE(host.files.FolderExists("C:\\temp\\kel1"));  // not ours: left alone
}

TEST_F(StartupSequenceTest, UnwritableTempFolderEndsWithEleven) {
    host.files.readOnlyFolders.insert("c:\\temp");
    EXPECT_EQ(Run(), 11);
}

TEST_F(StartupSequenceTest, DialogsArePreloadedInStatementOrder) {
    SetScript(ScriptWithStatements({{"Display Dialog", "Welcome"},
                                    {"Set Variable", "X"},
                                    {"Comment", "not a dialog"},
                                    {"Display Dialog", "Finish"}}));
    EXPECT_EQ(Run(), 0);
    const std::vector<std::string> expected = {"0=C:\\temp\\kel1\\Welcome.dfm",
                                               "3=C:\\temp\\kel1\\Finish.dfm"};
    EXPECT_EQ(host.loadedDialogs, expected);
    EXPECT_EQ(host.progressMaximum, 2);
}

TEST_F(StartupSequenceTest, DatabaseCopiesAndMessageTableFromTheLibrary) {
    host.files.AddFile("C:\\dist\\setup.msp", "patch");
    std::string table;
    for (int n = 1; n <= EngineMessages::kBlockLines; ++n) {
        table += n == 16 ? "Datenbank fehlt" : "x";
        table += "\r\n";
    }
    host.files.AddFile("C:\\dist\\kel.lib", testing::FakePeImage() + table);
    host.files.RemoveFile("C:\\dist\\setup.msi");
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(Messages().Get(16), "Datenbank fehlt");
    EXPECT_FALSE(host.files.FileExists("C:\\temp\\lang.loc"));
    Messages() = EngineMessages();
}

TEST(PlacePreparationForm, StaysOnTheScreen) {
    const Rect screen{0, 0, 1024, 768};
    const Rect form{0, 0, 369, 89};
    auto place = PlacePreparationForm({100, 100, 400, 300}, screen, form);
    EXPECT_EQ(place.left, 350);  // 100 + 400 / 2 + 50
    EXPECT_EQ(place.top, 425);   // 100 + 300 + 25
    place = PlacePreparationForm({0, 500, 1300, 300}, screen, form);
    EXPECT_EQ(place.left, 1024 - 25 - 369);
    EXPECT_EQ(place.top, 768 - 45 - 89);
    place = PlacePreparationForm({0, 0, 3, 0}, screen, form);
    EXPECT_EQ(place.left, 51);  // half of an odd width rounds towards zero
}

}  // namespace
}  // namespace kel
