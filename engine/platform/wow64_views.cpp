// The 64-bit view rules (see wow64_views.h).
#include "engine/platform/wow64_views.h"

namespace kel {

void Wow64Views::SelectRegistryView(std::string_view platformMode) {
    if (!wow64_.IsWow64()) {
        registryViewFlag_ = kRegistryViewDefault;
    } else {
        registryViewFlag_ = platformMode == kPlatformWin32 ? kRegistryView32 : kRegistryView64;
    }
}

void Wow64Views::ResetRegistryView() {
    registryViewFlag_ = wow64_.IsWow64() ? kRegistryView32 : kRegistryViewDefault;
}

bool Wow64Views::SixtyFourBitModeUnderWow64(std::string_view platformMode) {
    return platformMode != kPlatformWin32 && wow64_.IsWow64();
}

void Wow64Views::DisableRedirection(std::string_view platformMode, bool force) {
    if (!SixtyFourBitModeUnderWow64(platformMode)) return;
    if (redirectionOldValue_ != 0) return;
    if (redirectionDisabled_ && !force) return;
    if (wow64_.DisableRedirection(redirectionOldValue_) == Wow64Call::kSucceeded && !force) {
        redirectionDisabled_ = true;
    }
}

void Wow64Views::RevertRedirection(std::string_view platformMode, bool force) {
    if (!SixtyFourBitModeUnderWow64(platformMode)) return;
    if (!redirectionDisabled_ && !force) return;
    if (wow64_.RevertRedirection(redirectionOldValue_) == Wow64Call::kSucceeded && !force) {
        redirectionDisabled_ = false;
    }
}

}  // namespace kel
