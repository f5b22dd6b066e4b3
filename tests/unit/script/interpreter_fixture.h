// Test bed of the interpreter: scripts built statement by statement as a ScriptModel, a memory
// file system that holds the installer database and the output file, a fixed clock, a recording
// message pump and message box, recording seams, and stand-in commands for what later command
// families provide (setting a variable, counting, a dialog with scripted outcomes, reading a text
// file). A script reports its path by "Write to Text File" lines into kOutput.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "engine/base/text_rules.h"
#include "engine/script/command_table.h"
#include "engine/script/interpreter.h"
#include "engine/script/script_error.h"
#include "engine/vars/variables.h"
#include "support/memory_file_system.h"

namespace kel::testing {

inline constexpr const char* kOutput = "C:\\out\\path.txt";
inline constexpr const char* kDatabase = "C:\\temp\\kel1\\setup.msi";
inline constexpr const char* kTracePath = "C:\\temp\\trace.log";

struct Statement {
    std::string command;
    std::vector<std::string> parameters;
    bool disabled = false;
};

inline Statement Disabled(Statement statement) {
    statement.disabled = true;
    return statement;
}
inline Statement If(std::string variable, std::string code, std::string value,
                    std::string negate = "FALSE") {
    return {"If", {std::move(variable), std::move(code), std::move(value), std::move(negate)}};
}
inline Statement ElseIf(std::string variable, std::string code, std::string value,
                        std::string negate = "FALSE") {
    return {"Else If", {std::move(variable), std::move(code), std::move(value), std::move(negate)}};
}
inline Statement Else() { return {"Else", {}}; }
inline Statement End() { return {"End", {}}; }
inline Statement Ignore() { return {"Ignore", {}}; }
inline Statement Label(std::string name) { return {"Label", {std::move(name)}}; }
inline Statement GoTo(std::string name) { return {"GoTo Label", {std::move(name)}}; }
inline Statement WizardLoop() { return {"Wizard Loop", {}}; }
inline Statement Dialog(std::string name) { return {"Display Dialog", {std::move(name)}}; }
inline Statement Write(std::string text) {
    return {"Write to Text File", {kOutput, std::move(text), "FALSE", ""}};
}
inline Statement Assign(std::string name, std::string value) {
    return {"Assign", {std::move(name), std::move(value)}};
}
inline Statement Count(std::string name) { return {"Count", {std::move(name)}}; }
inline Statement Raise(std::string message) { return {"Raise", {std::move(message)}}; }
inline Statement ExitWith(std::string code) {
    return {"Terminate with Exit Code", {std::move(code)}};
}
inline Statement TerminateInstall() { return {"Terminate Install", {}}; }

// A parameterized test's name from a case label: letters and digits kept, the rest "_".
inline std::string CaseName(const char* label) {
    std::string name;
    for (const char* p = label; *p; ++p) {
        const bool keep =
            (*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9');
        name += keep ? *p : '_';
    }
    return name;
}

// Statement i comes from line i + 1 of "C:\project\setup.src".
inline ScriptModel BuildScript(const std::vector<Statement>& statements) {
    ScriptModel model;
    for (std::size_t i = 0; i < statements.size(); ++i) {
        const Statement& statement = statements[i];
        const std::string id = "{S" + std::to_string(i) + "}";
        model.commands.Add(statement.command);
        model.ids.Add(id);
        model.states.Add(statement.disabled ? ScriptModel::kCommentedState : "");
        model.mediaNames.Add("");
        model.sourceMap.Add("C:\\project\\setup.src*" + std::to_string(i));
        model.ParameterBlocks().Add(id);
        for (const std::string& parameter : statement.parameters)
            model.ParameterBlocks().Add(parameter);
    }
    return model;
}

// Each Now() returns the next planned time (the last one stays); the tick count moves by
// tickStep with every reading.
class FixedClock : public Clock {
  public:
    std::deque<LocalTime> times{{2024, 5, 17, 9, 30, 15}};
    std::uint32_t tick = 123456;
    std::uint32_t tickStep = 1000;  // added after every TickCount()
    int nowCalls = 0;
    int formatCalls = 0;

    std::uint32_t TickCount() override {
        const std::uint32_t now = tick;
        tick += tickStep;
        return now;
    }
    LocalTime Now() override {
        ++nowCalls;
        const LocalTime now = times.front();
        if (times.size() > 1) times.pop_front();
        return now;
    }
    std::string ShortDate(const LocalTime& t) override {
        ++formatCalls;
        return std::to_string(t.day) + "." + std::to_string(t.month) + "." + std::to_string(t.year);
    }
    std::string LongTime(const LocalTime& t) override {
        return std::to_string(t.hour) + ":" + std::to_string(t.minute) + ":" +
               std::to_string(t.second);
    }
};

class RecordingPump : public MessagePump {
  public:
    int pendingCalls = 0;
    int oneCalls = 0;
    void ProcessPending() override { ++pendingCalls; }
    void ProcessOne() override { ++oneCalls; }
};

struct BoxShown {
    std::string text;
    std::string caption;
    unsigned style;
    WindowHandle owner;
};

class RecordingBoxes : public MessageBoxes {
  public:
    std::vector<BoxShown> shown;
    int Show(const std::string& text, const std::string& caption, unsigned style,
             WindowHandle owner) override {
        shown.push_back({text, caption, style, owner});
        return 1;
    }
};

struct Published {
    std::string text;
    int minimum, maximum, position;
    bool operator==(const Published&) const = default;
};

class RecordingDialogs : public DialogSeam {
  public:
    WindowHandle window = 0;
    std::vector<Published> published;
    std::vector<std::string> events;  // "attention", "release", "tray"

    WindowHandle CurrentWindowHandle() override { return window; }
    void PublishProgress(const std::string& text, int minimum, int maximum, int position) override {
        published.push_back({text, minimum, maximum, position});
    }
    void SetTaskbarAttention(bool error) override {
        events.push_back(error ? "attention" : "calm");
    }
    void ReleaseDialogs() override { events.push_back("release"); }
    void HideTrayIcon() override { events.push_back("tray"); }
};

// Records the order of the run's phases.
class RecordingPhases : public RunPhases {
  public:
    std::vector<std::string> calls;
    bool accept = true;
    bool lockFree = true;

    bool Validate(const ScriptModel&) override {
        Call("Validate");
        return accept;
    }
    void ResetWorkingLists() override { Call("ResetWorkingLists"); }
    void DefinePreInitializationVariables(const ScriptModel&) override {
        Call("PreInitialization");
    }
    void Bootstrap(const ScriptModel&) override { Call("Bootstrap"); }
    bool AcquireSingleInstanceLock(const ScriptModel&) override {
        Call("AcquireLock");
        return lockFree;
    }
    void DefineInitializationVariables(const ScriptModel&) override { Call("Initialization"); }
    void RemoveResumeEntry(const ScriptModel&) override { Call("RemoveResumeEntry"); }
    void QueueCommandHeaderProperties(const ScriptModel&) override { Call("HeaderProperties"); }
    void ReleaseSingleInstanceLock(const ScriptModel&) override { Call("ReleaseLock"); }
    bool EndOnEjectedMedium() override {
        Call("EjectedMedium");
        return false;
    }
    void WriteBackAfterRun() override { Call("WriteBack"); }

  private:
    void Call(const char* name) { calls.push_back(name); }
};

class InterpreterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        files.AddFile(kDatabase, "database");
        files.ForceFolders("C:\\out");
        commands = BuiltInCommands();
        commands.Add("Assign", [](CommandContext& c) {
            SetVariable(c.VariableName(1), c.Expanded(2), c.ActionReason());
        });
        commands.Add("Count", [](CommandContext& c) {
            const std::string name = c.VariableName(1);
            SetVariable(name, std::to_string(ParseInt32(GetVariable(name)).value_or(0) + 1),
                        c.ActionReason());
        });
        commands.Add("Raise", [](CommandContext& c) { throw ScriptError(c.Raw(1)); });
        commands.Add("Display Dialog", [this](CommandContext& c) {
            dialogsShown.push_back(c.Raw(1));
            DialogOutcome outcome = DialogOutcome::kNone;
            if (!outcomes.empty()) {
                outcome = outcomes.front();
                outcomes.pop_front();
            }
            c.ReportDialogOutcome(outcome);
        });
        // Reads the next line of the open file into variable LINE, opening the file first.
        commands.Add("Read Line", [this](CommandContext& c) {
            const std::string path = c.Path(1);
            OpenTextFile& open = c.TextFile();
            if (!open.IsFile(path)) {
                const auto content = files.ReadFile(path);
                open.Open(path, content ? SplitTextLines(*content) : std::vector<std::string>{});
            }
            std::string line;
            SetVariable("LINE", open.ReadLine(line) ? line : "EOF", c.ActionReason());
        });
    }

    RunResult Run(const ScriptModel& script, const StatementCallback& callback = {}) {
        RunEnvironment environment{globals, trace, {files, clock, pump, boxes}};
        environment.commands = &commands;
        environment.phases = &phases;
        environment.dialogs = &dialogs;
        environment.plugins = plugins;
        return RunScript(script, databasePath, environment, callback);
    }
    RunResult Run(const std::vector<Statement>& statements) { return Run(BuildScript(statements)); }

    // The lines that the script wrote to kOutput.
    std::vector<std::string> Output() {
        const std::string* content = files.Find(kOutput);
        return content ? SplitTextLines(*content) : std::vector<std::string>{};
    }
    void Inject(std::string name, std::string value) {
        globals.commandLineAssignments.push_back(std::move(name));
        globals.commandLineAssignments.push_back(std::move(value));
    }
    void EnableTrace() {
        globals.logFilePath = kTracePath;
        trace.SetPath(kTracePath);
    }
    std::vector<std::string> TraceLines(const std::string& path = kTracePath) {
        std::vector<std::string> lines;
        const std::string* raw = files.Find(path);
        if (!raw) return lines;
        std::string narrow;
        for (std::size_t i = 0; i < raw->size(); i += 2) narrow += (*raw)[i];
        return SplitTextLines(narrow);
    }

    MemoryFileSystem files;
    FixedClock clock;
    RecordingPump pump;
    RecordingBoxes boxes;
    RecordingDialogs dialogs;
    RecordingPhases phases;
    PluginSeam* plugins = nullptr;
    EngineGlobals globals;
    TraceLog trace{files, WidenLatin1};
    CommandTable commands;
    std::string databasePath = kDatabase;
    std::deque<DialogOutcome> outcomes;
    std::vector<std::string> dialogsShown;
};

}  // namespace kel::testing
