// The checks a compiled source goes through before kelc writes it: the place where the script
// validation pass runs at build time, so that a script the engine would reject fails the build
// with a file:line message instead of ending a setup with exit code 314. `kelc check` runs the
// same checks without writing anything. Portable.
#pragma once

#include "tools/kelc/diagnostics.h"
#include "tools/kelc/script_compiler.h"

namespace kel::tools {

// Reports problems of `compiled` into `diagnostics`, each at the location of the statement it is
// about (compiled.statementLocations). Errors make the compile fail; warnings are printed.
void RunSourceChecks(const CompiledSource& compiled, Diagnostics& diagnostics);

}  // namespace kel::tools
