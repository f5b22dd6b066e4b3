// The compiled script format: the plain text appended to the engine after its PE image, read once
// at start-up and written by the compiler tool. This header is the one description of the format.
//
// Text in the script's ANSI code page, CR LF line ends (a bare LF is accepted when reading). The
// file is twenty sections in this order; a "list" ends with a line holding only "$" (so a list item
// that is exactly "$" is stored as "$DOLLAR$" or "$WILD_DOLLAR$"; only the parameter list decodes
// them), the other sections are single lines:
//
//    1 statement commands (list)        11 build layout (integer line)
//    2 statement identifiers (list)     12 components (list: name, size)
//    3 parameter blocks (list)          13 revision code (line)
//    4 statement states (list, "C")     14 media files (list: block, path, destination)
//    5 product code (line)              15 language dialog flag (line, "TRUE" sets it)
//    6 title (line)                     16 default language (line)
//    7 plug-in names (list)             17 command headers (list: header, statement index)
//    8 uninstall information (6 lines)  18 compiler variables (list: NAME, VALUE)
//    9 web media passwords (list)       19 code page (integer line)
//   10 statement media names (list)     20 source map (list: path "*" 0-based line)
//
// An integer line holds the number first; the rest of the line is ignored. There is no magic
// number, length or checksum. Portable core.
#pragma once

#include <string>
#include <string_view>

#include "engine/script/script_model.h"

namespace kel {

// Whether the whole-line markers "$DOLLAR$" and "$WILD_DOLLAR$" in the parameter blocks become "$"
// (as the engine reads them) or stay as stored (for a tool that reproduces the file exactly).
enum class ParameterMarkers { kDecode, kKeepStored };

// Fills an empty model from the file's bytes. Throws ScriptError on a file that ends before all
// sections are read or holds a non-number where an integer belongs; never reads past the input.
void LoadScript(std::string_view bytes, ScriptModel& model,
                ParameterMarkers markers = ParameterMarkers::kDecode);

// The stored form of a model, byte for byte what LoadScript reads back (parameter values that are
// exactly "$" must already be encoded by the caller; see EncodeListItem).
std::string WriteCompiledScript(const ScriptModel& model);

// "$" as a list item is stored as "$DOLLAR$".
std::string EncodeListItem(std::string_view item);

}  // namespace kel
