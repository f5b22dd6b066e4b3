// The engine's own phases of a run, filled in as the subsystems behind them take part: the compile
// check before the first statement and the single-instance lock. It keeps the executed-statement
// list of the check, which the installation definitions read during the run. The lock is an empty
// file TempDir + RevisionCode + ".kel", made and removed through the file-system port; the switch
// is the compiler variable SINGLEINSTANCE, whose expansion may show intermediate results through
// the message box port. A setup whose removable medium was ejected during the run ends without
// returning into code paged from it. The platform views hand the interpreter's redirection calls to the
// 64-bit view rules. Portable core.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/platform/file_system.h"
#include "engine/platform/message_boxes.h"
#include "engine/platform/source_medium.h"
#include "engine/platform/wow64_views.h"
#include "engine/script/run_seams.h"
#include "engine/startup/engine_globals.h"
#include "engine/startup/trace_log.h"

namespace kel {

inline constexpr std::string_view kSingleInstanceSwitch = "#SINGLEINSTANCE#";
inline constexpr std::string_view kSwitchOn = "TRUE";
inline constexpr std::string_view kLockFileExtension = ".kel";
// Caption of the box that shows an intermediate result of a compiler-variable expansion.
inline constexpr std::string_view kIntermediateResultCaption = "result";
inline constexpr std::string_view kLockFileNotWritten = "Cannot create the file ";
inline constexpr std::string_view kPrematureEjectTrace = "  <RemovableMediaPrematureEject>";
inline constexpr std::string_view kPrematureEjectTraceEnd = "  </RemovableMediaPrematureEject>";
inline constexpr std::string_view kEngineTraceEnd = "</Tarnwick>";

class EngineRunPhases : public RunPhases {
public:
    EngineRunPhases(FileSystem& files, MessageBoxes& boxes, DriveTypes& drives, TraceLog& trace,
                    const EngineGlobals& globals)
        : files_(files), boxes_(boxes), drives_(drives), trace_(trace), globals_(globals) {}

    bool Validate(const ScriptModel& script) override;
    // False when the lock file exists already; a lock file that cannot be written raises.
    bool AcquireSingleInstanceLock(const ScriptModel& script) override;
    void ReleaseSingleInstanceLock(const ScriptModel& script) override;
    // When the medium the setup started from has gone, removes the support folder, writes the
    // premature-eject trace lines and asks for the process to end with the exit code so far.
    bool EndOnEjectedMedium() override;

    // One entry per statement after the check ("SKIP", "FALSE", ...).
    const std::vector<std::string>& ExecutedStatements() const { return executedStatements_; }

    std::string LockFilePath(const ScriptModel& script) const;

private:
    bool SingleInstanceSwitchOn(const ScriptModel& script);

    FileSystem& files_;
    MessageBoxes& boxes_;
    DriveTypes& drives_;
    TraceLog& trace_;
    const EngineGlobals& globals_;
    std::vector<std::string> executedStatements_;
};

// The interpreter's file-system redirection around a command, by the 64-bit view rules.
class EnginePlatformViews : public PlatformViews {
public:
    explicit EnginePlatformViews(Wow64Views& views) : views_(views) {}

    void DisableRedirection(const std::string& platformMode, bool force) override {
        views_.DisableRedirection(platformMode, force);
    }
    void RevertRedirection(const std::string& platformMode, bool force) override {
        views_.RevertRedirection(platformMode, force);
    }

private:
    Wow64Views& views_;
};

}  // namespace kel
