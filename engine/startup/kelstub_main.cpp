// Process entry of the setup engine: make library loading safe, then run the start-up sequence
// and end the process with its exit code.
#include <windows.h>
#include <commctrl.h>

#include "engine/platform/win32_text.h"
#include "engine/startup/startup_sequence.h"
#include "engine/startup/win32_startup_host.h"
#include "engine/vars/variables.h"

namespace {

// Setups are often started from a Downloads folder full of other files: libraries are looked up
// in the system folder only. Resolved by name, since older systems lack the function.
void RestrictLibrarySearch() {
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto set = kernel ? reinterpret_cast<SetDirectories>(reinterpret_cast<void*>(
                            GetProcAddress(kernel, "SetDefaultDllDirectories")))
                      : nullptr;
    if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

std::string Utf16Line(std::string_view line) {
    const std::wstring wide = kel::AnsiToWide(line);
    return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictLibrarySearch();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    kel::SetFileApisToAnsiHook([] { SetFileApisToANSI(); });

    kel::Win32StartupHost host;
    kel::TraceLog trace(host.Files(), Utf16Line);
    host.UseTraceLog(trace);
    kel::StartupSequence startup(host, kel::Globals(), trace);
    const int exitCode = startup.Run();
    ExitProcess(static_cast<UINT>(exitCode));
}
