// Build-time checks of a compiled source (see source_checks.h).
#include "tools/kelc/source_checks.h"

namespace kel::tools {

void RunSourceChecks(const CompiledSource& compiled, Diagnostics& diagnostics) {
    // The validation pass joins here: load compiled.bytes with LoadScript to see the statements
    // as the engine does, and report each finding at compiled.statementLocations[index].
    (void)compiled;
    (void)diagnostics;
}

}  // namespace kel::tools
