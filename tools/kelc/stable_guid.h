// Deterministic identifiers for compiled scripts: a GUID in registry form derived from a text, so
// that compiling the same source twice gives the same bytes. Used for statement identifiers that
// the source leaves out and for the default product and revision codes. The derivation is part of
// the compiled output: changing it changes every generated identifier (and with it the keys of
// translation files), so it is fixed by a test. Not a cryptographic hash. Portable.
#pragma once

#include <string>
#include <string_view>

namespace kel::tools {

// "{XXXXXXXX-XXXX-8XXX-YXXX-XXXXXXXXXXXX}", upper case, 38 characters (version 8, RFC 4122
// variant bits).
std::string StableGuid(std::string_view text);

// The identifier of a statement written without one, from its source reference ("path*line").
std::string GeneratedStatementId(std::string_view sourceReference);
// The product and revision codes of a source that gives none, from its title.
std::string DefaultProductCode(std::string_view title);
std::string DefaultRevisionCode(std::string_view title);

}  // namespace kel::tools
