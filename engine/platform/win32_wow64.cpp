// Win32 adapter of the WOW64 port: the functions come from the loaded kernel32 module by name
// (GetModuleHandle, GetProcAddress); a missing one is reported, never called.
#include "engine/platform/win32_wow64.h"

#include <windows.h>

namespace kel {
namespace {

using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
using DisableRedirectionFunction = BOOL(WINAPI*)(PVOID*);
using RevertRedirectionFunction = BOOL(WINAPI*)(PVOID);

template <typename Function>
Function Kernel32Function(const char* name) {
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    if (kernel32 == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel32, name)));
}

}  // namespace

bool Win32Wow64::IsWow64() {
    const auto isWow64Process = Kernel32Function<IsWow64ProcessFunction>("IsWow64Process");
    if (isWow64Process == nullptr) return false;
    BOOL underWow64 = FALSE;
    return isWow64Process(GetCurrentProcess(), &underWow64) && underWow64;
}

Wow64Call Win32Wow64::DisableRedirection(RedirectionValue& oldValue) {
    const auto disable =
        Kernel32Function<DisableRedirectionFunction>("Wow64DisableWow64FsRedirection");
    if (disable == nullptr) return Wow64Call::kMissing;
    PVOID saved = nullptr;
    if (!disable(&saved)) return Wow64Call::kFailed;
    oldValue = reinterpret_cast<RedirectionValue>(saved);
    return Wow64Call::kSucceeded;
}

Wow64Call Win32Wow64::RevertRedirection(RedirectionValue oldValue) {
    const auto revert =
        Kernel32Function<RevertRedirectionFunction>("Wow64RevertWow64FsRedirection");
    if (revert == nullptr) return Wow64Call::kMissing;
    return revert(reinterpret_cast<PVOID>(oldValue)) ? Wow64Call::kSucceeded : Wow64Call::kFailed;
}

}  // namespace kel
