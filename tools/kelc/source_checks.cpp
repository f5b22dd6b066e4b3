// Build-time checks of a script (see source_checks.h).
#include "tools/kelc/source_checks.h"

#include "engine/base/text_rules.h"
#include "engine/script/compiled_script.h"
#include "engine/script/script_error.h"
#include "engine/script/validation.h"

namespace kel::tools {

void CheckScript(const ScriptModel& script,
                 const std::function<SourceLocation(std::size_t statement)>& locationOf,
                 const SourceLocation& whole, Diagnostics& diagnostics) {
    try {
        const ValidationResult result = ValidateScript(script, ValidationMode::kAllErrors);
        for (const ValidationMessage& message : result.messages) {
            if (!message.statement) {
                diagnostics.Error(whole, message.text);
                continue;
            }
            const std::size_t i = *message.statement;
            const std::string command = i < script.commands.Count() ? script.commands[i] : "";
            diagnostics.Error(locationOf(i), command + ": " + message.text);
        }
    } catch (const ValidationReadError& e) {
        diagnostics.Error(locationOf(e.Statement()), e.what());
    } catch (const ScriptError& e) {
        diagnostics.Error(whole, e.what());
    }
}

SourceLocation SourceMapLocation(const ScriptModel& script, std::size_t statement) {
    if (statement >= script.sourceMap.Count()) return {};
    const std::string& reference = script.sourceMap[statement];
    const std::size_t star = reference.find('*');
    if (star == std::string::npos) return {reference, 0};
    const auto line = ParseInt32(reference.substr(star + 1));
    return {reference.substr(0, star), (line ? *line : 0) + 1};
}

void RunSourceChecks(const CompiledSource& compiled, Diagnostics& diagnostics) {
    // The statements as the engine sees them: "$DOLLAR$" decoded by the loader.
    ScriptModel script;
    try {
        LoadScript(compiled.bytes, script);
    } catch (const ScriptError& e) {
        diagnostics.Error({}, e.what());
        return;
    }
    const SourceLocation whole =
        compiled.statementLocations.empty() ? SourceLocation{} : SourceLocation{compiled.statementLocations.front().file, 0};
    CheckScript(
        script,
        [&](std::size_t i) {
            return i < compiled.statementLocations.size() ? compiled.statementLocations[i] : whole;
        },
        whole, diagnostics);
}

}  // namespace kel::tools
