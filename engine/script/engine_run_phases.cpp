// The engine's run phases (see engine_run_phases.h).
#include "engine/script/engine_run_phases.h"

#include <stdexcept>

#include "engine/script/validation.h"
#include "engine/startup/support_folder.h"

namespace kel {

bool EngineRunPhases::Validate(const ScriptModel& script) {
    ValidationResult result = ValidateScript(script);
    executedStatements_ = std::move(result.executedStatements);
    return result.Accepted();
}

std::string EngineRunPhases::LockFilePath(const ScriptModel& script) const {
    return globals_.tempDir + script.revisionCode + std::string(kLockFileExtension);
}

bool EngineRunPhases::SingleInstanceSwitchOn(const ScriptModel& script) {
    const std::string value =
        script.ExpandCompilerVariables(kSingleInstanceSwitch, [this](const std::string& text) {
            boxes_.Show(text, std::string(kIntermediateResultCaption), kBoxOk, 0);
        });
    return value == kSwitchOn;
}

bool EngineRunPhases::AcquireSingleInstanceLock(const ScriptModel& script) {
    if (!SingleInstanceSwitchOn(script)) return true;
    const std::string path = LockFilePath(script);
    // One call that fails on an existing file: of two setups started at the same moment, exactly
    // one takes the lock.
    switch (files_.CreateNewFile(path)) {
        case NewFileResult::Created: return true;
        case NewFileResult::AlreadyExists: return false;
        case NewFileResult::Failed: break;
    }
    throw std::runtime_error(std::string(kLockFileNotWritten) + path);
}

void EngineRunPhases::ReleaseSingleInstanceLock(const ScriptModel& script) {
    if (!SingleInstanceSwitchOn(script)) return;
    files_.RemoveFile(LockFilePath(script));
}

bool EngineRunPhases::EndOnEjectedMedium() {
    if (!IsSourceMediumGone(drives_, files_, globals_.exeDir)) return false;
    RemoveSupportFolder(files_, globals_.supportDir);
    trace_.Write(kPrematureEjectTrace);
    trace_.Write(kPrematureEjectTraceEnd);
    trace_.Write(kEngineTraceEnd);
    return true;
}

}  // namespace kel
