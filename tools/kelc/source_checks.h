// The checks a compiled source goes through before kelc writes it: the script validation pass at
// build time, so that a script the engine would reject (exit code 314 before its first statement)
// fails the build with "file:line: Command: message" instead. `kelc check` runs the same checks on
// a source or on a compiled script without writing anything. Portable.
#pragma once

#include <functional>

#include "engine/script/script_model.h"
#include "tools/kelc/diagnostics.h"
#include "tools/kelc/script_compiler.h"

namespace kel::tools {

// Reports problems of `compiled` into `diagnostics`, each at the location of the statement it is
// about (compiled.statementLocations). Errors make the compile fail.
void RunSourceChecks(const CompiledSource& compiled, Diagnostics& diagnostics);

// The same checks over a loaded script; `locationOf` gives a statement's place, `whole` the
// place of findings that belong to no statement.
void CheckScript(const ScriptModel& script,
                 const std::function<SourceLocation(std::size_t statement)>& locationOf,
                 const SourceLocation& whole, Diagnostics& diagnostics);

// A statement's place by the script's own source map ("path*line", 0-based): for compiled
// scripts, whose sources are not at hand.
SourceLocation SourceMapLocation(const ScriptModel& script, std::size_t statement);

}  // namespace kel::tools
