// Starting, finding and driving Quarrow.exe (see tool_driver.h).
#include "tests/e2e/quarrow/tool_driver.h"

#include <commctrl.h>
#include <dbt.h>

#include <atomic>
#include <cstddef>
#include <vector>

namespace quarrow::e2e {

namespace {

constexpr DWORD kMessageTimeoutMs = 3000;
const GUID kUsbPrinterInterfaceClass = {
    0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};

std::atomic<int> folderCounter{0};

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
}

std::filesystem::path ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return std::filesystem::path(path).parent_path();
}

ProductFolder::ProductFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    root_ =
        std::filesystem::path(temp) / (L"quarrow-e2e-" + std::to_wstring(GetCurrentProcessId()) +
                                       L"-" + std::to_wstring(folderCounter++));
    product_ = root_ / L"Product";
    std::filesystem::create_directories(DriverFolder());
    std::filesystem::copy_file(ProgramFolder() / L"Quarrow.exe", Tool(),
                               std::filesystem::copy_options::overwrite_existing);
}

ProductFolder::~ProductFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

std::optional<std::wstring> ProductFolder::RecordedPort() const {
    const std::filesystem::path ini = product_ / L"InstallToolkit.ini";
    if (!std::filesystem::exists(ini)) return std::nullopt;
    wchar_t value[256] = {};
    GetPrivateProfileStringW(L"TOOLKIT", L"PortName", L"<none>", value, ARRAYSIZE(value),
                             ini.c_str());
    return std::wstring(value);
}

ToolProcess::ToolProcess(const ProductFolder& folder, std::wstring_view arguments) {
    std::wstring commandLine = L"\"" + folder.Tool().wstring() + L"\"";
    if (!arguments.empty()) commandLine += L" " + std::wstring(arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    const std::wstring driverFolder = folder.DriverFolder().wstring();
    if (CreateProcessW(folder.Tool().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                       nullptr, driverFolder.c_str(), &startup, &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        processId_ = info.dwProcessId;
    }
}

ToolProcess::~ToolProcess() {
    if (process_ == nullptr) return;
    if (Running()) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

HWND ToolProcess::WaitForWindow(DWORD timeoutMs) {
    struct Search {
        DWORD processId;
        HWND found;
    } search{processId_, nullptr};
    WaitUntil(
        [&] {
            EnumWindows(
                [](HWND window, LPARAM data) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(data);
                    DWORD owner = 0;
                    GetWindowThreadProcessId(window, &owner);
                    if (owner != s->processId || !IsWindowVisible(window)) return TRUE;
                    if (ClassName(window) != L"#32770" || GetDlgItem(window, 1001) == nullptr) {
                        return TRUE;
                    }
                    s->found = window;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr || !Running();
        },
        timeoutMs);
    window_ = search.found;
    return window_;
}

bool ToolProcess::Running() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> ToolProcess::WaitForExit(DWORD timeoutMs) {
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code)) return std::nullopt;
    return code;
}

std::wstring WindowText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                             &length)) {
        return L"<no answer>";
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied)) {
        return L"<no answer>";
    }
    text.resize(copied);
    return text;
}

std::wstring ControlText(HWND dialog, int controlId) {
    const HWND control = GetDlgItem(dialog, controlId);
    return control ? WindowText(control) : L"<no control>";
}

std::wstring ClassName(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, ARRAYSIZE(name));
    return name;
}

bool Responds(HWND window, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &result) != 0;
}

void Click(HWND dialog, int controlId) {
    PostMessageW(GetDlgItem(dialog, controlId), BM_CLICK, 0, 0);
}

std::wstring TreeItemText(HANDLE process, HWND tree, HTREEITEM item) {
    constexpr std::size_t kTextChars = 256;
    const std::size_t size = sizeof(TVITEMW) + kTextChars * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    if (remote == nullptr) return L"<no memory>";
    auto* remoteText = reinterpret_cast<wchar_t*>(static_cast<BYTE*>(remote) + sizeof(TVITEMW));
    TVITEMW request{};
    request.mask = TVIF_TEXT;
    request.hItem = item;
    request.pszText = remoteText;
    request.cchTextMax = kTextChars;
    std::wstring text(kTextChars, L'\0');
    DWORD_PTR ok = 0;
    if (WriteProcessMemory(process, remote, &request, sizeof(request), nullptr) &&
        SendMessageTimeoutW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote),
                            SMTO_ABORTIFHUNG, kMessageTimeoutMs, &ok) &&
        ok &&
        ReadProcessMemory(process, remoteText, text.data(), kTextChars * sizeof(wchar_t),
                          nullptr)) {
        text.resize(wcsnlen(text.c_str(), kTextChars));
    } else {
        text = L"<unreadable>";
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return text;
}

bool SendInterfaceChange(HWND window, WPARAM event, std::wstring_view devicePath) {
    const std::size_t size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) +
                             (devicePath.size() + 1) * sizeof(wchar_t);
    std::vector<BYTE> buffer(size, 0);
    auto* broadcast = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(buffer.data());
    broadcast->dbcc_size = static_cast<DWORD>(size);
    broadcast->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    broadcast->dbcc_classguid = kUsbPrinterInterfaceClass;
    devicePath.copy(broadcast->dbcc_name, devicePath.size());
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(broadcast),
                               SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result) != 0;
}

bool SendVolumeArrival(HWND window) {
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = 1u << ('E' - 'A');
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                               reinterpret_cast<LPARAM>(&volume), SMTO_ABORTIFHUNG,
                               kMessageTimeoutMs, &result) != 0;
}

}  // namespace quarrow::e2e
