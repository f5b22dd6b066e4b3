// The setup engine from process entry to exit: globals, message table, command line,
// preparation UI, the appended script, the support folder with the unpacked payload and the
// database copies, dialog preloading, the hand-over to the interpreter, the clean-up and the exit
// code (13-16 for a setup that lacks a piece, 11 for an error before the script's own error
// handling). Everything the operating system does goes through StartupHost.
#pragma once

#include <string>

#include "engine/script/script_model.h"
#include "engine/startup/engine_globals.h"
#include "engine/startup/startup_host.h"
#include "engine/startup/trace_log.h"

namespace kel {

inline constexpr int kExitNoScript = 13;
inline constexpr int kExitNoPayload = 14;
inline constexpr int kExitPayloadFailure = 15;
inline constexpr int kExitNoDatabase = 16;
inline constexpr int kExitRuntimeError = 11;

inline constexpr const char* kNoScriptMessage = "For internal use only";

// Where the preparation form goes next to the splash: right of its middle and below it, kept on
// the screen.
struct Placement {
    int left;
    int top;
};
Placement PlacePreparationForm(const Rect& splash, const Rect& screen, const Rect& form);

class StartupSequence {
public:
    StartupSequence(StartupHost& host, EngineGlobals& globals, TraceLog& trace)
        : host_(host), globals_(globals), trace_(trace) {}

    // Runs the whole start-up and returns the process exit code.
    int Run();

    const ScriptModel& Script() const { return script_; }

private:
    class EarlyExit;

    void PrepareGlobals();
    void LoadMessageTable();
    void ParseArguments();
    void ShowPreparationUi();
    void LoadAppendedScript();
    void CreateSupportDir();
    void UnpackPayload();
    void CopyDatabase();
    void PreloadDialogs();
    void CleanSupportDir();
    [[noreturn]] void Fail(int exitCode, const std::string& message);

    StartupHost& host_;
    EngineGlobals& globals_;
    TraceLog& trace_;
    ScriptModel script_;
    bool preparationUi_ = false;
};

}  // namespace kel
