// Win32 start-up host (see win32_startup_host.h).
#include "engine/startup/win32_startup_host.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>

#include "engine/media/win32_archive_binding.h"
#include "engine/platform/unique_handle.h"
#include "engine/platform/win32_clock.h"
#include "engine/platform/win32_drive_types.h"
#include "engine/platform/win32_message_boxes.h"
#include "engine/platform/win32_message_pump.h"
#include "engine/platform/win32_text.h"
#include "engine/platform/win32_wow64.h"
#include "engine/script/engine_messages.h"
#include "engine/script/engine_run_phases.h"
#include "engine/script/interpreter.h"
#include "engine/script/languages.h"
#include "engine/startup/engine_globals.h"

namespace kel {

OsVersion Win32StartupHost::Version() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(&info);
#pragma GCC diagnostic pop
    return {info.dwMajorVersion, info.dwMinorVersion};
}

std::string Win32StartupHost::ModulePath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string Win32StartupHost::TempPath() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(MAX_PATH, buffer);
    return std::string(buffer, length <= MAX_PATH ? length : 0);
}

std::string Win32StartupHost::RawCommandLine() { return GetCommandLineA(); }

std::vector<std::string> Win32StartupHost::Arguments() {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!list) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(WideToAnsi(list[i]));
    LocalFree(list);
    return arguments;
}

std::string Win32StartupHost::UserLanguageName() {
    // The user's language id: locale information item 1, a hexadecimal text; 0 on any error.
    char id[16] = {};
    unsigned lcid = 0;
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE, id, sizeof id)) {
        lcid = static_cast<unsigned>(std::strtoul(id, nullptr, 16));
    }
    return LanguageName(lcid, [](unsigned unknown) {
        char name[128] = {};
        if (!GetLocaleInfoA(MAKELCID(unknown, SORT_DEFAULT), LOCALE_SENGLANGUAGE, name, sizeof name)) {
            return std::string();
        }
        return std::string(name);
    });
}

void Win32StartupHost::MarkAsHostApp(const std::string& exeFileName) {
    HKEY raw = nullptr;
    const std::string key = "Applications\\" + exeFileName;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    UniqueRegistryKey owned(raw);
    RegSetValueExA(owned.Get(), "IsHostApp", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
}

void Win32StartupHost::MarkCompatibilityAssistant(const std::string& exePath) {
    HKEY raw = nullptr;
    const char* key =
        "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility Assistant\\Persisted";
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    UniqueRegistryKey owned(raw);
    const DWORD value = 32;
    RegSetValueExA(owned.Get(), exePath.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
}

void Win32StartupHost::RestrictToFirstProcessor() {
    using SetAffinity = BOOL(WINAPI*)(HANDLE, DWORD_PTR);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto set = kernel ? reinterpret_cast<SetAffinity>(
                            reinterpret_cast<void*>(GetProcAddress(kernel, "SetProcessAffinityMask")))
                      : nullptr;
    if (set) set(GetCurrentProcess(), 1);
}

bool Win32StartupHost::ShowSplash(const std::string& bitmapPath, Rect& placed) {
    return ui_.ShowSplash(bitmapPath, placed);
}

Rect Win32StartupHost::Screen() {
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void Win32StartupHost::ShowPreparationForm(int left, int top, bool centred) {
    const OsVersion version = Version();
    const bool xpOrLater = version.major > 5 || (version.major == 5 && version.minor != 0);
    ui_.ShowForm(left, top, centred, Messages().Get(EngineMessages::kPreparationCaption),
                 Messages().Get(EngineMessages::kPreparationText), xpOrLater);
}

void Win32StartupHost::SetPreparationProgress(int minimum, int maximum, int position) {
    ui_.SetProgress(minimum, maximum, position);
}

void Win32StartupHost::ShowError(const std::string& text, const std::string& caption,
                                 bool ownedByForm) {
    MessageBoxA(ownedByForm ? ui_.Form() : nullptr, text.c_str(), caption.c_str(),
                MB_OK | MB_ICONERROR);
}

bool Win32StartupHost::UnpackPayload(const std::string& archivePath, const std::string& supportDir) {
    return kel::UnpackPayload(archivePath, supportDir);
}

// Dialog files are loaded by the dialog subsystem; until it takes part, nothing is preloaded.
void Win32StartupHost::InitDialogs(const std::string&) {}
void Win32StartupHost::LoadDialog(const std::string&, const std::string&) {}

int Win32StartupHost::RunScript(ScriptModel& script, const std::string& databasePath) {
    Win32Clock clock;
    Win32MessagePump messages;
    Win32MessageBoxes boxes;
    TraceLog untraced(files_, WidenLatin1);  // a log without path writes nothing
    Win32DriveTypes drives;
    TraceLog& trace = trace_ ? *trace_ : untraced;
    EngineRunPhases phases(files_, boxes, drives, trace, Globals());
    RunEnvironment environment{Globals(), trace,
                               {files_, clock, messages, boxes}};
    environment.phases = &phases;
    Win32Wow64 wow64;
    Wow64Views wow64Views(wow64);
    EnginePlatformViews views(wow64Views);
    environment.views = &views;
    const RunResult result = kel::RunScript(script, databasePath, environment);
    // A rejected script ends the process here, leaving the support folder behind; so does a setup
    // whose medium was ejected, once its support folder is gone.
    if (result.endProcessNow) ExitProcess(static_cast<UINT>(result.exitCode));
    return result.exitCode;
}

}  // namespace kel
