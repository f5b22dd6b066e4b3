// The engine's run phases (see engine_run_phases.h).
#include "engine/script/engine_run_phases.h"

#include "engine/script/validation.h"

namespace kel {

bool EngineRunPhases::Validate(const ScriptModel& script) {
    ValidationResult result = ValidateScript(script);
    executedStatements_ = std::move(result.executedStatements);
    return result.Accepted();
}

}  // namespace kel
