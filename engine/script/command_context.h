// What a command handler sees of the run: its statement, the parameter access kinds every command
// uses (raw, localized, expanded, path, variable name), the result-variable rule, the run's ports
// and the interpreter state that outlives one statement (open text file, platform mode, the end
// of the run, the outcome of a dialog inside a wizard loop). Portable core; relies on the script
// model, the variable store and the engine globals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/platform/clock.h"
#include "engine/platform/file_system.h"
#include "engine/platform/message_boxes.h"
#include "engine/platform/message_pump.h"
#include "engine/script/run_seams.h"
#include "engine/script/script_model.h"
#include "engine/script/text_file.h"
#include "engine/startup/engine_globals.h"
#include "engine/startup/trace_log.h"

namespace kel {

inline constexpr std::string_view kActionReasonSuffix = " Action";
inline constexpr std::string_view kPlatformModeWin32 = "Win32";

// The operating system as the interpreter and its commands reach it.
struct InterpreterPorts {
    FileSystem& files;
    Clock& clock;
    MessagePump& messages;
    MessageBoxes& boxes;
};

// The subsystems joined to a run (run_seams.h), each always present.
struct RunSeams {
    RunPhases& phases;
    Localizer& localizer;
    DialogSeam& dialogs;
    PluginSeam& plugins;
    PlatformViews& views;
};

// How a "Display Dialog" was left; inside a wizard loop it steers the navigation.
enum class DialogOutcome { kNone, kNext, kBack, kCancel };

// The interpreter's state that handlers may read or change.
struct RunState {
    RunState(const ScriptModel& script, EngineGlobals& globals, TraceLog& trace,
             InterpreterPorts ports, RunSeams seams)
        : script(script), globals(globals), trace(trace), ports(ports), seams(seams) {}

    const ScriptModel& script;
    EngineGlobals& globals;
    TraceLog& trace;
    InterpreterPorts ports;
    RunSeams seams;

    OpenTextFile textFile;
    std::string platformMode{kPlatformModeWin32};
    // LANGUAGE as refreshed before the current statement.
    std::string language;
    bool endRequested = false;
    DialogOutcome dialogOutcome = DialogOutcome::kNone;
};

class CommandContext {
  public:
    CommandContext(RunState& run, std::size_t index) : run_(run), index_(index) {}

    std::size_t Index() const { return index_; }
    const std::string& Command() const { return run_.script.commands[index_]; }
    const std::string& Id() const { return run_.script.ids[index_]; }
    const ScriptModel& Script() const { return run_.script; }

    // --- parameter access; n counts from 1. A parameter beyond the statement's block raises.
    std::string Raw(std::size_t n) const;
    // Through the translation tables while LANGUAGE is set; `slot` counts the command's
    // localizable parameters, it is not the parameter number.
    std::string Localized(std::size_t n, int slot) const;
    std::string Expanded(std::size_t n) const;
    std::string Path(std::size_t n) const;
    // The raw text, without the dollar signs when it has the form $NAME$.
    std::string VariableName(std::size_t n) const;

    // The command name followed by " Action": the reason of the command's variable writes.
    std::string ActionReason() const;
    // The result-variable rule: a missing variable is first created upper-cased and empty, then
    // the value is written; both with ActionReason().
    void SetResult(std::string_view variable, std::string_view value) const;

    RunState& Run() const { return run_; }
    EngineGlobals& Globals() const { return run_.globals; }
    InterpreterPorts& Ports() const { return run_.ports; }
    OpenTextFile& TextFile() const { return run_.textFile; }

    // Ends the run after this statement (the exit procedure still runs).
    void EndRun() const { run_.endRequested = true; }
    void ReportDialogOutcome(DialogOutcome outcome) const { run_.dialogOutcome = outcome; }

  private:
    RunState& run_;
    std::size_t index_;
};

// The result-variable rule outside a statement.
void SetResultVariable(std::string_view variable, std::string_view value, std::string_view reason);

// The engine's strict integer conversion: the value, or a ScriptError naming the text.
std::int32_t IntegerOrError(std::string_view text);
std::string NotAnIntegerMessage(std::string_view text);

// Brackets a command's file work: redirection off for 64-bit platform modes, back on at the end.
class FileRedirectionGuard {
  public:
    explicit FileRedirectionGuard(const CommandContext& context);
    ~FileRedirectionGuard();
    FileRedirectionGuard(const FileRedirectionGuard&) = delete;
    FileRedirectionGuard& operator=(const FileRedirectionGuard&) = delete;

  private:
    RunState& run_;
};

}  // namespace kel
