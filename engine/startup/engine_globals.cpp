// Engine globals and the standard message box caption (see engine_globals.h).
#include "engine/startup/engine_globals.h"

namespace kel {
namespace {
constexpr const char* kProductName = "Tarnwick";
constexpr const char* kWizardSuffix = " Wizard";
}  // namespace

EngineGlobals& Globals() {
    static EngineGlobals globals;
    return globals;
}

std::string StandardCaption(const std::string& title, bool noBranding) {
    if (noBranding) return title;
    const std::string brand = std::string(kProductName) + kWizardSuffix;
    return title.empty() ? brand : title + " - " + brand;
}

std::string BaseNameOf(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos) return fileName;
    const std::string extension = fileName.substr(dot);
    std::string result = fileName;
    result.erase(result.find(extension), extension.size());
    return result;
}

}  // namespace kel
