// Language names and ids (see languages.h).
#include "engine/script/languages.h"

#include "engine/base/ansi_text.h"

namespace kel {
namespace {

struct Language {
    unsigned lcid;
    const char* name;
};

constexpr Language kLanguages[] = {
    {1025, "Arabic"},  {1027, "Catalan"},   {1028, "Chinese (Taiwan)"},
    {2052, "Chinese (PRC)"}, {1029, "Czech"}, {1030, "Danish"},
    {1031, "German"},  {1032, "Greek"},     {1033, "English"},
    {3082, "Spanish"}, {1061, "Estonian"},  {1035, "Finnish"},
    {1036, "French"},  {1037, "Hebrew"},    {1038, "Hungarian"},
    {1040, "Italian"}, {1041, "Japanese"},  {1042, "Korean"},
    {1063, "Lithuanian"}, {1062, "Latvian"}, {1043, "Dutch"},
    {1044, "Norwegian"}, {1045, "Polish"},  {1046, "Portugese (Brazil)"},
    {2070, "Portugese (Portugal)"}, {1048, "Romanian"}, {1049, "Russian"},
    {1050, "Croatian"}, {1051, "Slovak"},   {1053, "Swedish"},
    {1054, "Thai"},    {1055, "Turkish"},   {1060, "Slovenian"},
    {1066, "Vietnamese"}, {1069, "Basque"},
};

const char* NameInTable(unsigned lcid) {
    for (const Language& language : kLanguages) {
        if (language.lcid == lcid) return language.name;
    }
    return nullptr;
}

}  // namespace

std::string LanguageId(std::string_view name) {
    for (const Language& language : kLanguages) {
        if (EqualsIgnoreCase(name, language.name)) return std::to_string(language.lcid);
    }
    return "1033";
}

std::string LanguageName(unsigned lcid, const EnglishNameLookup& englishNameOf) {
    if (const char* name = NameInTable(lcid)) return name;
    const std::string english = englishNameOf ? englishNameOf(lcid) : std::string();
    const std::string mapped = LanguageId(english);
    if (mapped != "1033") return NameInTable(static_cast<unsigned>(std::stoul(mapped)));
    return NameInTable(static_cast<unsigned>(std::stoul(LanguageId(english.empty() ? "English" : english))));
}

}  // namespace kel
