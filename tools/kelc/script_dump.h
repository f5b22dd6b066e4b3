// The dump: turns a compiled script back into a script source that compiles to the same bytes.
// A script that kelc wrote comes back much as it was written (statements on their original lines,
// identifiers left to generation); whatever kelc would not have written (parameter blocks out of
// statement order or for no statement, a short source map, references in another form, a
// raw command-header table) is spelled out with the format's explicit forms. The result is
// checked by compiling it again. Portable.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/script/script_model.h"

namespace kel::tools {

// The source text for a model read with ParameterMarkers::kKeepStored. nullopt with `error` set
// when the model cannot be written as a source (its per-statement lists differ in length).
// `origin` is named in the opening comment.
std::optional<std::string> WriteScriptSource(const ScriptModel& stored, std::string_view origin,
                                             std::string& error);

struct DumpResult {
    bool ok = false;
    std::string source;
    std::string error;  // when !ok
    // Set when compiling `source` gives other bytes than the input: the input holds something
    // the format keeps no trace of once loaded (bare LF line ends, an integer written as " 3" or
    // "$3", a language flag other than TRUE/FALSE, bytes after the last section ...).
    std::string inexact;
};

// Dumps a compiled script (the script's bytes, not a setup executable).
DumpResult DumpCompiledScript(std::string_view compiled, std::string_view origin);

// The compiled script inside `file`: the data appended to a Windows executable, or the file
// itself when it is not one. nullopt with `error` set for an executable without a script.
std::optional<std::string_view> CompiledScriptOf(std::string_view file, std::string& error);

// Whether the bytes are a compiled script rather than a source: a compiled script has twelve lines
// that are exactly "$", while no source line can be one (no statement is named so).
bool LooksLikeCompiledScript(std::string_view bytes);

}  // namespace kel::tools
