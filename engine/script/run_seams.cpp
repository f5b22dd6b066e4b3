// The defaults of the run's seams that do more than nothing (see run_seams.h).
#include "engine/script/run_seams.h"

namespace kel {

// Command names compare exactly, as in the dispatch table.
bool PluginSeam::IsPlugin(const ScriptModel& script, const std::string& command) {
    for (const std::string& plugin : script.pluginNames.Lines()) {
        if (plugin == command) return true;
    }
    return false;
}

}  // namespace kel
