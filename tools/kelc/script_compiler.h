// The script compiler: reads a script source (SOURCE-FORMAT.md beside this file) with its
// included files and produces the compiled script as the engine loads it, every one of its twenty
// sections filled. The model is built in the stored form and written by the format's one writer
// (engine/script/compiled_script.h). After a source compiles, the source checks run on it
// (source_checks.h). Portable.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/script/script_model.h"
#include "tools/kelc/diagnostics.h"
#include "tools/kelc/source_files.h"

namespace kel::tools {

struct CompiledSource {
    // The stored form: a parameter that is exactly "$" is held as "$DOLLAR$". LoadScript over
    // `bytes` gives the model as the engine sees it.
    ScriptModel model;
    std::string bytes;
    // Where each statement's line is (statement i at entry i), for messages about statements.
    std::vector<SourceLocation> statementLocations;
};

struct CompileOptions {
    bool runSourceChecks = true;
};

// Compiles the source file at `mainPath`, read through `files`. nullopt when `diagnostics` holds
// an error; warnings may come with a result.
std::optional<CompiledSource> CompileScriptSource(const std::string& mainPath, SourceFiles& files,
                                                  Diagnostics& diagnostics,
                                                  const CompileOptions& options = {});

}  // namespace kel::tools
