// The run around the statements: preparation order and trace markers, the early ends, the
// command-line injection, the refresh before every statement (engine flags, DATE and TIME, ABORT,
// progress of an open dialog, messages), the callback, plug-in statements, the runtime error box
// and the exit procedure.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "engine/script/engine_messages.h"
#include "interpreter_fixture.h"

namespace kel::testing {
namespace {

const std::vector<std::string> kAllPhases = {
    "Validate",    "ResetWorkingLists", "PreInitialization", "Bootstrap",
    "AcquireLock", "Initialization",    "RemoveResumeEntry", "HeaderProperties",
    "ReleaseLock", "EjectedMedium",     "WriteBack"};

const std::vector<std::string> kFullTrace = {
    "    <CompileScript>", "    </CompileScript>", "    <Variables>", "    </Variables>",
    "    <BootStrap>",     "    </BootStrap>",     "    <qorv>",      "    </qorv>",
    "    <ExitScript>",    "    </ExitScript>"};

TEST_F(InterpreterTest, NormalRunGoesThroughEveryPhaseInOrder) {
    EnableTrace();
    globals.exitCode = 5;
    const RunResult result = Run({Write("a")});
    EXPECT_EQ(result.exitCode, 5);
    EXPECT_FALSE(result.endProcessNow);
    EXPECT_EQ(phases.calls, kAllPhases);
    EXPECT_EQ(TraceLines(), kFullTrace);
    EXPECT_EQ(dialogs.events, (std::vector<std::string>{"release", "tray"}));
    EXPECT_EQ(Output(), (std::vector<std::string>{"a"}));
}

TEST_F(InterpreterTest, RejectedScriptEndsTheProcessWith314AfterTheCompileMarker) {
    EnableTrace();
    phases.accept = false;
    const RunResult result = Run({Write("a")});
    EXPECT_EQ(result.exitCode, 314);
    EXPECT_TRUE(result.endProcessNow);
    EXPECT_EQ(globals.exitCode, 314);
    EXPECT_EQ(phases.calls, (std::vector<std::string>{"Validate"}));
    EXPECT_EQ(TraceLines(), (std::vector<std::string>{"    <CompileScript>"}));
    EXPECT_TRUE(Output().empty());
    EXPECT_TRUE(boxes.shown.empty());
}

// No statement runs and the exit procedure does not either: the lock file belongs to the setup
// that holds it.
TEST_F(InterpreterTest, RunEndsBeforeItsFirstStatement) {
    struct Case {
        const char* label;
        std::function<void()> arrange;
    } cases[] = {
        {"no database", [this] { files.RemoveFile(kDatabase); }},
        {"no database path", [this] { databasePath.clear(); }},
        {"another instance holds the lock", [this] { phases.lockFree = false; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        files = MemoryFileSystem();
        SetUp();
        phases = RecordingPhases();
        dialogs = RecordingDialogs();
        databasePath = kDatabase;
        c.arrange();
        const RunResult result = Run({Write("a")});
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_FALSE(result.endProcessNow);
        EXPECT_TRUE(Output().empty());
        EXPECT_TRUE(dialogs.events.empty());
        EXPECT_EQ(std::count(phases.calls.begin(), phases.calls.end(), "ReleaseLock"), 0);
        EXPECT_EQ(std::count(phases.calls.begin(), phases.calls.end(), "Initialization"), 0);
    }
}

// Start-up reports an error raised before the first statement (exit code 11).
TEST_F(InterpreterTest, ScriptWithFewerIdentifiersThanCommandsIsRefused) {
    ScriptModel script = BuildScript({Write("a"), Write("b")});
    script.ids = StringList(true);
    script.ids.Add("{S0}");
    EXPECT_THROW(Run(script), ScriptError);
    EXPECT_TRUE(phases.calls.empty());
    EXPECT_TRUE(Output().empty());
}

TEST_F(InterpreterTest, LabelWithoutItsNameAtTheEndOfTheListIsAnErrorBeforeTheRun) {
    EXPECT_THROW(Run({Write("a"), {"Label", {}}}), ScriptError);
    EXPECT_TRUE(Output().empty());
}

TEST_F(InterpreterTest, PatchBesideAMissingDatabaseLetsTheRunGoOn) {
    files.RemoveFile(kDatabase);
    files.AddFile("C:\\temp\\kel1\\setup.msp", "patch");
    Run({Write("a")});
    EXPECT_EQ(Output(), (std::vector<std::string>{"a"}));
}

TEST_F(InterpreterTest, StoreIsClearedAndTheExchangeVariablesSet) {
    SetVariable("LEFTOVER", "from before", "Test");
    clock.tick = 4242;
    Run({Write("[$LEFTOVER$]"),
         Write("$QORV_thProgress$ $QORV_thMax$ $QORV_thMin$ "
               "[$QORV_thProgressText$] $QORV_thFinished$ "
               "$QORV_thCancelled$ $QORV_IsCancelled$"),
         Write("$QORV_LastDelegateTick$ $QORV_LastActiveTick$")});
    EXPECT_EQ(Output(), (std::vector<std::string>{"[$LEFTOVER$]", "0 100 0 [] FALSE FALSE FALSE",
                                                  "4242 4242"}));
}

// Command-line values are injected last, upper-cased, and in a silent run survive later writes.
TEST_F(InterpreterTest, CommandLineAssignmentsAreInjected) {
    globals.silentMode = true;
    Inject("Target", "C:\\My App");
    Inject("SILENT", "TRUE");
    Run({Write("$TARGET$"), Assign("TARGET", "changed"), Write("$TARGET$"), Assign("OTHER", "set"),
         Write("$OTHER$")});
    EXPECT_EQ(Output(), (std::vector<std::string>{"C:\\My App", "C:\\My App", "set"}));
    EXPECT_TRUE(Variables().Exists("TARGET"));
}

TEST_F(InterpreterTest, EngineFlagsFollowTheirVariables) {
    Inject("TITLE", "Other");
    Inject("QORVLOGO", "TRUE");
    Run({Write("x"), Raise("stop")});
    EXPECT_EQ(globals.captionTitle, "Other");
    EXPECT_TRUE(globals.noBrandingFlag);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Other");
}

TEST_F(InterpreterTest, UndefinedFlagVariablesKeepWhatStartUpSet) {
    globals.silentMode = true;
    globals.noBrandingFlag = true;
    Run({Raise("stop")});
    EXPECT_TRUE(globals.silentMode);
    EXPECT_TRUE(globals.noBrandingFlag);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(InterpreterTest, SilentFollowsTheVariable) {
    globals.silentMode = true;
    Inject("SILENT", "FALSE");
    Run({Raise("shown")});
    EXPECT_FALSE(globals.silentMode);
    EXPECT_FALSE(Variables().SilentMode());
    EXPECT_EQ(boxes.shown.size(), 1u);

    boxes.shown.clear();
    globals = EngineGlobals();
    Inject("SILENT", "true");
    Run({Raise("hidden")});
    EXPECT_TRUE(globals.silentMode);
    EXPECT_TRUE(boxes.shown.empty());
}

// LOGGED moves the trace log: the first file keeps the lines up to the first statement.
TEST_F(InterpreterTest, TraceLogFollowsLogged) {
    EnableTrace();
    Inject("LOGGED", "C:\\temp\\moved.log");
    Run({Write("a")});
    EXPECT_EQ(globals.logFilePath, "C:\\temp\\moved.log");
    EXPECT_EQ(TraceLines(), (std::vector<std::string>(kFullTrace.begin(), kFullTrace.begin() + 7)));
    EXPECT_EQ(TraceLines("C:\\temp\\moved.log"),
              (std::vector<std::string>(kFullTrace.begin() + 7, kFullTrace.end())));
}

// DATE and TIME are rewritten before every statement; the texts are formatted again only when
// the second changed.
TEST_F(InterpreterTest, DateAndTimeBeforeEveryStatement) {
    clock.times = {{2024, 5, 17, 9, 30, 15},
                   {2024, 5, 17, 9, 30, 15},
                   {2024, 5, 17, 9, 30, 16},
                   {2024, 5, 18, 0, 0, 0}};
    Run({Write("$DATE$ $TIME$"), Assign("DATE", "mine"), Write("$DATE$ $TIME$"),
         Write("$DATE$ $TIME$")});
    EXPECT_EQ(Output(), (std::vector<std::string>{"17.5.2024 9:30:15", "17.5.2024 9:30:16",
                                                  "18.5.2024 0:0:0"}));
    EXPECT_EQ(clock.formatCalls, 3);
}

// The tick count tells when the second may have passed: until then the time is not read again.
TEST_F(InterpreterTest, TimeIsReadAgainOnlyWhenItsSecondMayHavePassed) {
    clock.tickStep = 4;
    clock.times = {
        {2024, 5, 17, 9, 30, 15, 990}, {2024, 5, 17, 9, 30, 16, 0}, {2024, 5, 17, 9, 30, 17, 0}};
    std::vector<Statement> script(5, Write("$TIME$"));
    Run(script);
    EXPECT_EQ(Output(),
              (std::vector<std::string>{"9:30:15", "9:30:15", "9:30:15", "9:30:16", "9:30:16"}));
    EXPECT_EQ(clock.nowCalls, 2);
}

TEST_F(InterpreterTest, AbortCopiesTheCancelState) {
    Run({Write("$ABORT$"), Assign("ABORT", "mine"), Write("$ABORT$"),
         Assign("QORV_IsCancelled", "true"), Write("$ABORT$"), Assign("QORV_IsCancelled", "-1"),
         Write("$ABORT$"), Assign("QORV_IsCancelled", "yes"), Write("$ABORT$")});
    EXPECT_EQ(Output(), (std::vector<std::string>{"FALSE", "FALSE", "TRUE", "TRUE", "FALSE"}));
}

TEST_F(InterpreterTest, LanguageIsWrittenBackBeforeEveryStatement) {
    Run({Write("[$LANGUAGE$]")});
    EXPECT_EQ(Output(), (std::vector<std::string>{"[]"}));
}

TEST_F(InterpreterTest, PendingMessagesEvery314thStatement) {
    std::vector<Statement> script(629, Statement{"Comment", {}});
    Run(script);
    EXPECT_EQ(pump.pendingCalls, 3);  // counters 0, 314 and 628
    EXPECT_EQ(pump.oneCalls, 0);
}

// While a dialog window is open, a change of PROGRESS or PROGRESSTEXT is published and one
// message step follows (none in a silent run).
TEST_F(InterpreterTest, ProgressOfAnOpenDialogWindow) {
    dialogs.window = 0x1234;
    Inject("PROGRESS", "0");
    Run({Assign("PROGRESS", "40"),
         {"Comment", {}},
         Assign("PROGRESSTEXT", "Copying"),
         {"Comment", {}},
         {"Comment", {}}});
    EXPECT_EQ(dialogs.published,
              (std::vector<Published>{{"", 0, 100, 40}, {"Copying", 0, 100, 40}}));
    EXPECT_EQ(pump.oneCalls, 2);

    dialogs.published.clear();
    pump.oneCalls = 0;
    globals = EngineGlobals();
    globals.silentMode = true;
    Inject("PROGRESS", "7");
    Run({{"Comment", {}}});
    EXPECT_EQ(dialogs.published, (std::vector<Published>{{"", 0, 100, 7}}));
    EXPECT_EQ(pump.oneCalls, 0);
}

TEST_F(InterpreterTest, ProgressThatIsNoIntegerIsARuntimeErrorOnlyWithAWindow) {
    Inject("PROGRESS", "0");
    Run({Assign("PROGRESS", "half"), Write("no window, not read")});
    EXPECT_EQ(Output(), (std::vector<std::string>{"no window, not read"}));
    EXPECT_TRUE(boxes.shown.empty());

    files.RemoveFile(kOutput);
    dialogs.window = 0x1234;
    Run({Assign("PROGRESS", "half"), Write("not run")});
    EXPECT_TRUE(Output().empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "Runtime error in setup script:\r\rSource File: setup\r"
              "Line Number: 2\r\r'half' is not a valid integer value");
}

TEST_F(InterpreterTest, CallbackSeesTheCounterAndCanEndTheRun) {
    std::vector<std::size_t> counters;
    Run(BuildScript({Write("1"), Disabled(Write("off")), Write("3"), Write("4")}),
        [&](std::size_t counter) {
            counters.push_back(counter);
            return counter < 4;
        });
    EXPECT_EQ(counters, (std::vector<std::size_t>{1, 3, 4}));
    EXPECT_EQ(Output(), (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(dialogs.events, (std::vector<std::string>{"release", "tray"}));
}

class RecordingPlugins : public PluginSeam {
  public:
    std::vector<std::string> ran;
    void RunPlugin(CommandContext& statement) override {
        ran.push_back(statement.Command() + ":" + statement.Raw(1));
    }
};

// A name listed as an installed plug-in runs as a plug-in statement, even one that names a
// built-in command.
TEST_F(InterpreterTest, PluginNamesComeBeforeTheBuiltInDispatch) {
    RecordingPlugins recording;
    plugins = &recording;
    ScriptModel script = BuildScript(
        {{"MyPlugin", {"a"}}, {"Terminate Install", {"b"}}, Write("after"), {"myplugin", {"c"}}});
    script.pluginNames.Add("MyPlugin");
    script.pluginNames.Add("Terminate Install");
    Run(script);
    EXPECT_EQ(recording.ran, (std::vector<std::string>{"MyPlugin:a", "Terminate Install:b"}));
    EXPECT_EQ(Output(), (std::vector<std::string>{"after"}));
}

TEST_F(InterpreterTest, RuntimeErrorBox) {
    Messages() = EngineMessages();
    const RunResult result = Run({Write("a"), Raise("Something failed"), Write("no")});
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "Runtime error in setup script:\r\rSource File: setup\rLine Number: 2\r\r"
              "Something failed");
    EXPECT_EQ(boxes.shown[0].caption, "Tarnwick Wizard");
    EXPECT_EQ(boxes.shown[0].style, kBoxIconError);
    EXPECT_EQ(boxes.shown[0].owner, 0u);
    EXPECT_EQ(dialogs.events, (std::vector<std::string>{"attention", "release", "tray"}));
    EXPECT_EQ(Output(), (std::vector<std::string>{"a"}));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(phases.calls, kAllPhases);
}

TEST_F(InterpreterTest, RuntimeErrorHeadingComesFromTheMessageTable) {
    std::string table;
    for (int n = 1; n <= EngineMessages::kBlockLines; ++n) {
        table += (n == 20 ? std::string("Laufzeitfehler:") : "m" + std::to_string(n)) + "\r\n";
    }
    Messages().LoadMessageTable(table, "");
    Inject("TITLE", "Produkt");
    Run({Raise("kaputt")});
    Messages() = EngineMessages();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "Laufzeitfehler:\r\rSource File: setup\rLine Number: 1\r\rkaputt");
    EXPECT_EQ(boxes.shown[0].caption, "Produkt - Tarnwick Wizard");
}

TEST_F(InterpreterTest, RuntimeErrorKeepsTheExitCodeSoFarAndShowsNothingWhenSilent) {
    EnableTrace();
    globals.exitCode = 9;
    globals.silentMode = true;
    const RunResult result = Run({GoTo("Nowhere"), Write("no")});
    EXPECT_EQ(result.exitCode, 9);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(dialogs.events, (std::vector<std::string>{"attention", "release", "tray"}));
    EXPECT_EQ(TraceLines(), kFullTrace);
    EXPECT_TRUE(Output().empty());
}

TEST_F(InterpreterTest, GoToAMissingLabelNamesIt) {
    Run({Label("Here"), GoTo("Elsewhere")});
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "Runtime error in setup script:\r\rSource File: setup\rLine Number: 2\r\r"
              "LABEL undefined: Elsewhere");
}

TEST_F(InterpreterTest, SourceReferenceOfTheBox) {
    ScriptModel script = BuildScript({Write("a"), Raise("x")});
    script.sourceMap.Set(1, "D:\\Projects\\My.Setup\\main.script*41");
    Run(script);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "Runtime error in setup script:\r\rSource File: main\rLine Number: 42\r\rx");
}

// The exit procedure closes the text file that "Read from Text File" keeps open.
TEST_F(InterpreterTest, TerminateInstallAsTheFirstStatementStillRunsTheExitProcedure) {
    EnableTrace();
    globals.exitCode = 3;
    const RunResult result = Run({TerminateInstall(), Write("no")});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_TRUE(Output().empty());
    EXPECT_EQ(phases.calls, kAllPhases);
    EXPECT_EQ(dialogs.events, (std::vector<std::string>{"release", "tray"}));
    EXPECT_EQ(TraceLines(), kFullTrace);
}

TEST_F(InterpreterTest, ExitCodeOfTerminateWithExitCode) {
    struct Case {
        const char* text;
        int exitCode;
    } cases[] = {{"42", 42}, {"-3", -3}, {"$2A", 42},    {" 5", 5},         {"abc", 0},
                 {"", 0},    {"5 ", 0},  {"$CODE$", 17}, {"99999999999", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        files.RemoveFile(kOutput);
        globals = EngineGlobals();
        globals.exitCode = 1;
        Inject("CODE", "17");
        const RunResult result = Run({Write("a"), ExitWith(c.text), Write("no")});
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_EQ(globals.exitCode, c.exitCode);
        EXPECT_EQ(Output(), (std::vector<std::string>{"a"}));
    }
}

}  // namespace
}  // namespace kel::testing
