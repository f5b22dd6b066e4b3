// The engine's own phases of a run, filled in as the subsystems behind them take part: for now the
// compile check before the first statement. It keeps the executed-statement list of the check,
// which the installation definitions read during the run. Portable core.
#pragma once

#include <string>
#include <vector>

#include "engine/script/run_seams.h"

namespace kel {

class EngineRunPhases : public RunPhases {
public:
    bool Validate(const ScriptModel& script) override;

    // One entry per statement after the check ("SKIP", "FALSE", ...).
    const std::vector<std::string>& ExecutedStatements() const { return executedStatements_; }

private:
    std::vector<std::string> executedStatements_;
};

}  // namespace kel
