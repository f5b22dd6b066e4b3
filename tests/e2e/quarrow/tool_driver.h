// Driving Quarrow.exe from another process as a setup and a user would: a throwaway product
// folder with the tool in its "PrinterDriver" sub-folder, the running tool found by its window,
// its controls read with WM_GETTEXT, its buttons clicked, device notifications sent to it, and
// the INI file it leaves. Every wait is bounded.
#pragma once

#include <windows.h>
// The other Windows headers rely on <windows.h>.
#include <commctrl.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quarrow::e2e {

// Polls `done` every 20 ms until it holds or `timeoutMs` passed; true when it held.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

// "<temp>\quarrow-e2e-<pid>-<n>\Product\PrinterDriver\Quarrow.exe", removed with everything in it.
class ProductFolder {
  public:
    ProductFolder();
    ~ProductFolder();
    ProductFolder(const ProductFolder&) = delete;
    ProductFolder& operator=(const ProductFolder&) = delete;

    const std::filesystem::path& Product() const { return product_; }
    std::filesystem::path DriverFolder() const { return product_ / L"PrinterDriver"; }
    std::filesystem::path Tool() const { return DriverFolder() / L"Quarrow.exe"; }
    // "PortName" of section "TOOLKIT" in "<product>\InstallToolkit.ini"; nullopt when absent.
    std::optional<std::wstring> RecordedPort() const;

  private:
    std::filesystem::path root_;
    std::filesystem::path product_;
};

// The folder of this test program, where the build puts Quarrow.exe too.
std::filesystem::path ProgramFolder();

// The tool started from the product's "PrinterDriver" folder, as the setup starts it. A tool
// still running at the end of the test is terminated.
class ToolProcess {
  public:
    ToolProcess(const ProductFolder& folder, std::wstring_view arguments);
    ~ToolProcess();
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD ProcessId() const { return processId_; }
    HANDLE Process() const { return process_; }
    // The tool's dialog, once it is visible; null after `timeoutMs`.
    HWND WaitForWindow(DWORD timeoutMs = 10000);
    HWND Window() const { return window_; }
    bool Running() const;
    // The exit code once the process ended within `timeoutMs`.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs);

  private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND window_ = nullptr;
};

// WM_GETTEXT across processes, with a bounded wait.
std::wstring WindowText(HWND window);
std::wstring ControlText(HWND dialog, int controlId);
std::wstring ClassName(HWND window);
// Whether the window's thread answers a message within `timeoutMs`.
bool Responds(HWND window, DWORD timeoutMs);
// Posts a click, as a user's click would come (never waits for the tool).
void Click(HWND dialog, int controlId);

// The text of a tree-view item of another process (through memory of that process).
std::wstring TreeItemText(HANDLE process, HWND tree, HTREEITEM item);

// Sends WM_DEVICECHANGE with a device-interface broadcast for `devicePath`, as Windows sends it
// to windows registered for the USB printer interface class. True when it was delivered.
bool SendInterfaceChange(HWND window, WPARAM event, std::wstring_view devicePath);
// Sends an arrival of another device type (a volume), which the tool must pass over.
bool SendVolumeArrival(HWND window);

}  // namespace quarrow::e2e
