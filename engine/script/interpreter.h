// RunScript: the interpreter that runs a loaded script from its first statement to its end on the
// engine's main thread, called once by start-up.
//
// A run has three phases.
//  Preparation: trace markers; the compile check (RunPhases::Validate, a rejection ends the
//    process with 314); the variable store and the working lists cleared and the background-task
//    exchange variables set; pre-initialization variables; bootstrap; the label table; the end of
//    the run when no installer database (".msi", or ".msp" beside it) exists; the single-instance
//    lock; initialization variables; the resume entry removed; installer properties of command
//    headers queued; the setup language; the command-line assignments injected.
//  The statement loop: before every statement the pending window messages (every 314th), the
//    engine flags from LOGGED, SILENT, TITLE and QORVLOGO, OVERRIDECACHE, DATE and TIME, LANGUAGE,
//    UNINSTALLLINK and ENGINECACHE, then the skips of a conditional, the choice of the statement
//    (reading forward, or wizard navigation), ABORT, the progress of an open dialog window, the
//    per-statement callback, plug-in statements, the flow rules and the dispatch table.
//  The end: the end markers and the exit procedure (single-instance lock, open text file, dialogs,
//    notification-area icon), the removable-medium check, the setup cache write-back.
// An error raised by a statement is shown in the runtime error box (unless silent) and ends the run
// through the exit procedure with the exit code set so far.
//
// Errors before the initialization variables (validation, bootstrap, label table, lock) are not
// caught here: start-up reports them. Portable core; the operating system is reached through the
// ports, the other subsystems through the seams of run_seams.h.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "engine/script/command_context.h"
#include "engine/script/command_table.h"
#include "engine/script/run_seams.h"
#include "engine/script/script_model.h"
#include "engine/startup/engine_globals.h"
#include "engine/startup/trace_log.h"

namespace kel {

inline constexpr int kExitScriptRejected = 314;
// The statement loop processes the pending window messages when the counter is a multiple of this.
inline constexpr std::size_t kMessageInterval = 314;

namespace run_text {
inline constexpr const char* kSourceFile = "Source File: ";
inline constexpr const char* kLineNumber = "Line Number: ";
inline constexpr const char* kLabelUndefined = "LABEL undefined: ";
inline constexpr const char* kUnknownError = "Unknown error";
}  // namespace run_text

namespace run_trace {
inline constexpr const char* kVariables = "    <Variables>";
inline constexpr const char* kVariablesEnd = "    </Variables>";
inline constexpr const char* kCompileScript = "    <CompileScript>";
inline constexpr const char* kCompileScriptEnd = "    </CompileScript>";
inline constexpr const char* kBootStrap = "    <BootStrap>";
inline constexpr const char* kBootStrapEnd = "    </BootStrap>";
inline constexpr const char* kStatements = "    <qorv>";
inline constexpr const char* kStatementsEnd = "    </qorv>";
inline constexpr const char* kExitScript = "    <ExitScript>";
inline constexpr const char* kExitScriptEnd = "    </ExitScript>";
}  // namespace run_trace

// Receives the statement counter before each statement; false ends the run at once.
using StatementCallback = std::function<bool(std::size_t counter)>;

struct RunEnvironment {
    EngineGlobals& globals;
    TraceLog& trace;
    InterpreterPorts ports;
    const CommandTable* commands = nullptr;  // null: BuiltInCommands()
    // Null members take the built-in defaults of run_seams.h.
    RunPhases* phases = nullptr;
    Localizer* localizer = nullptr;
    DialogSeam* dialogs = nullptr;
    PluginSeam* plugins = nullptr;
    PlatformViews* views = nullptr;
};

struct RunResult {
    int exitCode = 0;
    // The process must end now with exitCode, without start-up's own end (a rejected script).
    bool endProcessNow = false;
};

RunResult RunScript(const ScriptModel& script, const std::string& databasePath,
                    const RunEnvironment& environment, const StatementCallback& callback = {});

// The text of the runtime error box for an error raised by a statement.
std::string RuntimeErrorText(const SourceReference& source, const std::string& message);

}  // namespace kel
