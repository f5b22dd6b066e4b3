// WOW64 port: what a 32-bit engine on a 64-bit Windows asks about its emulation layer. Each call
// says whether the system function exists at all, so that older systems without it make the
// callers do nothing. The value saved by disabling file-system redirection is opaque and only
// handed back to the revert call. Win32 adapter: win32_wow64.cpp (resolves the functions from
// kernel32 by name).
#pragma once

#include <cstdint>

namespace kel {

using RedirectionValue = std::uintptr_t;

enum class Wow64Call { kMissing, kFailed, kSucceeded };

class Wow64 {
public:
    virtual ~Wow64() = default;

    // True when IsWow64Process exists and reports that this process runs under WOW64.
    virtual bool IsWow64() = 0;
    // File-system redirection is a per-thread setting: these act on the calling thread.
    virtual Wow64Call DisableRedirection(RedirectionValue& oldValue) = 0;
    virtual Wow64Call RevertRedirection(RedirectionValue oldValue) = 0;
};

}  // namespace kel
