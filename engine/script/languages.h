// The language names the engine knows, with their Windows language ids (LCIDs): the names of the
// translation files and message table entries, and the ids written into the installer database.
// Portable core; the system's own name of an unknown id comes in through a callback.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kel {

// Decimal LCID text for a language name (ignoring case); "1033" for an unknown name.
std::string LanguageId(std::string_view name);

// Display name ("German") for an LCID. An id outside the table is mapped through the system's
// English name of that id (`englishNameOf`, locale information 0x1001); failing that, "English".
using EnglishNameLookup = std::function<std::string(unsigned lcid)>;
std::string LanguageName(unsigned lcid, const EnglishNameLookup& englishNameOf = {});

}  // namespace kel
