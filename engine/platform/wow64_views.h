// The 64-bit views of a run: which registry view a command's registry operation uses and whether
// its file-system work runs with redirection off. Both follow the platform mode ("Win32" at the
// start of every run; "x64" or "ia64" after the script switches it) and only take effect under
// WOW64. The redirection state is process-wide without locking: only the interpreter thread calls
// with force = false; worker threads pass force = true for their own thread, which ignores and
// keeps the interpreter's `redirectionDisabled`. Portable core over the WOW64 port (wow64.h).
#pragma once

#include <string_view>

#include "engine/platform/wow64.h"

namespace kel {

inline constexpr std::string_view kPlatformWin32 = "Win32";

// Access flags added to registry operations.
inline constexpr unsigned kRegistryViewDefault = 0;
inline constexpr unsigned kRegistryView64 = 256;  // KEY_WOW64_64KEY
inline constexpr unsigned kRegistryView32 = 512;  // KEY_WOW64_32KEY

class Wow64Views {
public:
    explicit Wow64Views(Wow64& wow64) : wow64_(wow64) {}

    bool IsWow64() { return wow64_.IsWow64(); }

    // Before a command's registry operation: 0 outside WOW64, 512 in the platform mode "Win32",
    // 256 in a 64-bit mode.
    void SelectRegistryView(std::string_view platformMode);
    // After it: 512 under WOW64, 0 otherwise.
    void ResetRegistryView();
    unsigned RegistryViewFlag() const { return registryViewFlag_; }

    void DisableRedirection(std::string_view platformMode, bool force);
    void RevertRedirection(std::string_view platformMode, bool force);

    bool RedirectionDisabled() const { return redirectionDisabled_; }
    RedirectionValue RedirectionOldValue() const { return redirectionOldValue_; }

private:
    bool SixtyFourBitModeUnderWow64(std::string_view platformMode);

    Wow64& wow64_;
    unsigned registryViewFlag_ = kRegistryViewDefault;
    RedirectionValue redirectionOldValue_ = 0;
    bool redirectionDisabled_ = false;
};

}  // namespace kel
