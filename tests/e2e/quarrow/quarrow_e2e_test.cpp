// Quarrow.exe under Wine, started from a product's "PrinterDriver" folder as a setup starts it and
// judged by what the setup and the user see: its window and texts, the INI file beside its parent
// folder, its log and its exit code. Printers are device nodes written into the registry that
// Wine's SetupAPI enumerates; their arrival is the WM_DEVICECHANGE broadcast Windows sends to the
// tool's registered window, delivered by this program (Wine carries it across processes).
#include <windows.h>
// The other Windows headers rely on <windows.h>.
#include <commctrl.h>
#include <dbt.h>
#include <gtest/gtest.h>
#include <psapi.h>

#include <string>

#include "devtool/printer_identity.h"
#include "tests/e2e/quarrow/fake_usb_printer.h"
#include "tests/e2e/quarrow/tool_driver.h"

namespace quarrow::e2e {
namespace {

constexpr int kDeviceTree = 1000;
constexpr int kDetectionLog = 1001;
constexpr int kCancel = 1002;
constexpr int kPrinterPicture = 1010;
constexpr DWORD kSearchTimeoutMs = 15000;  // a search takes four to five one-second steps
constexpr DWORD kExitTimeoutMs = 5000;

const std::wstring kPrompt = L"Plug the printer please...";
const std::wstring kForeignPrinterPath =
    L"\\\\?\\usb#vid_1a2b&pid_0c0d#lx9serial#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

std::wstring Kx4HardwareId() { return std::wstring(KX4_HWID.begin(), KX4_HWID.end()); }

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

RECT ClientRectOf(HWND dialog, int id) {
    RECT rect{};
    const HWND control = GetDlgItem(dialog, id);
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Xvfb runs no window manager. Wine then waits two seconds for the manager to withdraw each
// closing window it left to the manager; with Quarrow's windows unmanaged Wine draws their frame
// itself and closes them at once. The per-program Wine setting lasts for this program's run.
class UnmanagedToolWindows : public ::testing::Environment {
  public:
    void SetUp() override {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) return;
        DWORD disposition = 0;
        HKEY program = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kProgramKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &program, &disposition) != ERROR_SUCCESS) {
            return;
        }
        createdProgramKey_ = disposition == REG_CREATED_NEW_KEY;
        if (RegCreateKeyExW(program, L"X11 Driver", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &driver_, &disposition) == ERROR_SUCCESS) {
            createdDriverKey_ = disposition == REG_CREATED_NEW_KEY;
            DWORD size = sizeof(previous_);
            hadValue_ =
                RegQueryValueExW(driver_, L"Managed", nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(previous_), &size) == ERROR_SUCCESS;
            previousSize_ = size;
            RegSetValueExW(driver_, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"N"),
                           2 * sizeof(wchar_t));
        }
        RegCloseKey(program);
    }
    void TearDown() override {
        if (driver_ == nullptr) return;
        if (hadValue_) {
            RegSetValueExW(driver_, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(previous_),
                           previousSize_);
        } else {
            RegDeleteValueW(driver_, L"Managed");
        }
        RegCloseKey(driver_);
        if (createdDriverKey_) RegDeleteKeyW(HKEY_CURRENT_USER, kDriverKey);
        if (createdProgramKey_) RegDeleteKeyW(HKEY_CURRENT_USER, kProgramKey);
    }

  private:
    static constexpr wchar_t kProgramKey[] = L"Software\\Wine\\AppDefaults\\Quarrow.exe";
    static constexpr wchar_t kDriverKey[] = L"Software\\Wine\\AppDefaults\\Quarrow.exe\\X11 Driver";
    HKEY driver_ = nullptr;
    bool createdProgramKey_ = false;
    bool createdDriverKey_ = false;
    bool hadValue_ = false;
    wchar_t previous_[64] = {};
    DWORD previousSize_ = 0;
};

const auto* const kUnmanagedToolWindows =
    ::testing::AddGlobalTestEnvironment(new UnmanagedToolWindows);

class QuarrowTool : public ::testing::Test {
  protected:
    void SetUp() override { FakeUsbPrinter::RemoveLeftovers(); }
    void TearDown() override { FakeUsbPrinter::RemoveLeftovers(); }

    // Starts the tool and waits for its window.
    HWND Start(std::wstring_view arguments) {
        tool = std::make_unique<ToolProcess>(folder, arguments);
        EXPECT_TRUE(tool->Started()) << "CreateProcess failed: " << GetLastError();
        if (!tool->Started()) return nullptr;
        const HWND window = tool->WaitForWindow();
        EXPECT_NE(window, nullptr) << "no Quarrow window appeared";
        return window;
    }
    std::wstring Log() { return ControlText(tool->Window(), kDetectionLog); }
    bool WaitForLogEnd(const std::wstring& tail, DWORD timeoutMs = kSearchTimeoutMs) {
        return WaitUntil([&] { return EndsWith(Log(), tail); }, timeoutMs);
    }
    void CancelAndExpectExitCodeZero() {
        Click(tool->Window(), kCancel);
        EXPECT_EQ(tool->WaitForExit(kExitTimeoutMs), std::optional<DWORD>(0));
    }

    ProductFolder folder;
    std::unique_ptr<ToolProcess> tool;
};

TEST_F(QuarrowTool, StartsWaitingWithItsWindowAndTheDefaultPort) {
    const HWND window = Start(L"");
    ASSERT_NE(window, nullptr);

    EXPECT_EQ(WindowText(window), L"Quarrow");
    EXPECT_EQ(ControlText(window, kDetectionLog), kPrompt);
    EXPECT_EQ(ControlText(window, kCancel), L"Cancel");
    EXPECT_EQ(folder.RecordedPort(), std::optional<std::wstring>(L"USB001"));
    EXPECT_FALSE(std::filesystem::exists(folder.DriverFolder() / L"InstallToolkit.ini"));

    EXPECT_NE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
    EXPECT_NE(GetWindowLongPtrW(window, GWL_STYLE) & WS_SYSMENU, 0);

    const HWND tree = GetDlgItem(window, kDeviceTree);
    const HWND log = GetDlgItem(window, kDetectionLog);
    const HWND picture = GetDlgItem(window, kPrinterPicture);
    ASSERT_TRUE(tree && log && picture);
    EXPECT_EQ(ClassName(tree), WC_TREEVIEWW);
    EXPECT_EQ(ClassName(log), L"Edit");
    const LONG_PTR logStyle = GetWindowLongPtrW(log, GWL_STYLE);
    EXPECT_EQ(logStyle & (ES_MULTILINE | ES_READONLY | WS_VSCROLL),
              ES_MULTILINE | ES_READONLY | WS_VSCROLL);
    EXPECT_NE(GetWindowLongPtrW(tree, GWL_STYLE) & (TVS_HASBUTTONS | TVS_HASLINES), 0);
    EXPECT_EQ(GetWindowLongPtrW(picture, GWL_STYLE) & SS_TYPEMASK, SS_BITMAP);
    EXPECT_NE(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0), 0) << "no printer picture";

    // The computer is the tree's only node.
    EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 1);
    const auto root =
        reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = ARRAYSIZE(computer);
    ASSERT_TRUE(GetComputerNameW(computer, &length));
    EXPECT_EQ(TreeItemText(tool->Process(), tree, root), computer);

    // The layout: the picture lies over the tree, the log below it, the button below the log.
    const RECT treeRect = ClientRectOf(window, kDeviceTree);
    const RECT pictureRect = ClientRectOf(window, kPrinterPicture);
    const RECT logRect = ClientRectOf(window, kDetectionLog);
    const RECT cancelRect = ClientRectOf(window, kCancel);
    EXPECT_GT(pictureRect.left, treeRect.left);
    EXPECT_GT(pictureRect.top, treeRect.top);
    EXPECT_LE(pictureRect.right, treeRect.right);
    EXPECT_LE(pictureRect.bottom, treeRect.bottom);
    EXPECT_EQ(logRect.left, treeRect.left);
    EXPECT_EQ(logRect.right, treeRect.right);
    EXPECT_GT(logRect.top, treeRect.bottom);
    EXPECT_GT(cancelRect.top, logRect.bottom);
    EXPECT_LT(cancelRect.right, logRect.right);
    EXPECT_GT(cancelRect.left, (logRect.left + logRect.right) / 2);

    // The manifest bound the common controls version 6.
    HMODULE modules[256];
    DWORD needed = 0;
    ASSERT_TRUE(
        EnumProcessModulesEx(tool->Process(), modules, sizeof(modules), &needed, LIST_MODULES_ALL));
    bool controls6 = false;
    for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < ARRAYSIZE(modules); ++i) {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameExW(tool->Process(), modules[i], path, MAX_PATH);
        std::wstring lower(path);
        for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
        controls6 |= lower.find(L"common-controls") != std::wstring::npos &&
                     lower.find(L"_6.") != std::wstring::npos;
    }
    EXPECT_TRUE(controls6) << "comctl32 version 6 is not loaded";

    CancelAndExpectExitCodeZero();
}

TEST_F(QuarrowTool, CarriesItsResources) {
    const HMODULE image = LoadLibraryExW(folder.Tool().c_str(), nullptr,
                                         LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(image, nullptr);
    const HRSRC manifest = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(manifest, nullptr);
    const std::string text(static_cast<const char*>(LockResource(LoadResource(image, manifest))),
                           SizeofResource(image, manifest));
    EXPECT_NE(text.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(text.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);

    EXPECT_NE(FindResourceW(image, MAKEINTRESOURCEW(102), MAKEINTRESOURCEW(5)), nullptr);  // dialog
    EXPECT_NE(FindResourceW(image, MAKEINTRESOURCEW(128), MAKEINTRESOURCEW(14)), nullptr);  // icon
    EXPECT_NE(FindResourceW(image, MAKEINTRESOURCEW(139), MAKEINTRESOURCEW(2)), nullptr);  // bitmap

    const HMENU menu = LoadMenuW(image, MAKEINTRESOURCEW(129));
    ASSERT_NE(menu, nullptr);
    const HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(GetMenuItemCount(popup), 1);
    EXPECT_EQ(GetMenuItemID(popup, 0), 32772u);
    wchar_t item[32] = {};
    GetMenuStringW(popup, 0, item, ARRAYSIZE(item), MF_BYPOSITION);
    EXPECT_STREQ(item, L"Disable");
    DestroyMenu(menu);
    FreeLibrary(image);
}

// "/TRACE": the plug-and-play printer is recorded as "USBPNP", its port number is logged, and the
// window stays open; later arrivals and a removal are only logged. Another maker's printer and
// other device types change nothing.
TEST_F(QuarrowTool, TraceModeRecordsPlugAndPlayPrinterAndStaysOpen) {
    FakeUsbPrinter printer(Kx4HardwareId(), L"KX4SERIAL", L"BRENNVIKKX4", 3);
    ASSERT_TRUE(printer.Written());
    ASSERT_TRUE(FakeUsbPrinter::AddForeignPrintDevice(L"ALDERJET200", L"7&11&0&USB004"));
    const HWND window = Start(L"/TRACE");
    ASSERT_NE(window, nullptr);

    ASSERT_TRUE(SendInterfaceChange(window, DBT_DEVICEARRIVAL, kForeignPrinterPath));
    ASSERT_TRUE(SendVolumeArrival(window));
    ASSERT_TRUE(SendInterfaceChange(window, DBT_DEVICEARRIVAL, printer.DevicePath()));
    ASSERT_TRUE(WaitForLogEnd(L"\r\nUSB Port Number:0003"))
        << "log: " << testing::PrintToString(Log());
    EXPECT_EQ(Log(), kPrompt + L"\r\nDEV_ARR " + printer.DevicePath() +
                         L"\r\nPrinter 1 detected...\r\nGetting info 0...\r\nFinding device 0..."
                         L"\r\nFound USB PNP KX4\r\nUSB Port Number:0003");
    EXPECT_EQ(folder.RecordedPort(), std::optional<std::wstring>(L"USBPNP"));

    const std::wstring found = Log();
    ASSERT_TRUE(SendInterfaceChange(window, DBT_DEVICEARRIVAL, printer.DevicePath()));
    ASSERT_TRUE(SendInterfaceChange(window, DBT_DEVICEREMOVECOMPLETE, printer.DevicePath()));
    const std::wstring later = L"\r\nDEV_ARR " + printer.DevicePath() +
                               L"\r\nPrinter 2 detected...\r\nDEV_? " + printer.DevicePath() +
                               L"\r\n";
    ASSERT_TRUE(WaitForLogEnd(later, 5000)) << "log: " << testing::PrintToString(Log());
    Sleep(1300);  // one step more: nothing else may follow
    EXPECT_EQ(Log(), found + later);
    EXPECT_TRUE(tool->Running());
    EXPECT_EQ(folder.RecordedPort(), std::optional<std::wstring>(L"USBPNP"));

    CancelAndExpectExitCodeZero();
}

// A printer that did not identify itself is recorded by its USB port; "/TRACE" after a model
// selector is no trace option, so the tool closes by itself.
TEST_F(QuarrowTool, PrinterWithoutIdentityIsRecordedByItsPortAndTheToolCloses) {
    FakeUsbPrinter printer(Kx4HardwareId(), L"KX4SERIAL", L"UNKNOWNPRINTER", 2);
    ASSERT_TRUE(printer.Written());
    const HWND window = Start(L"DEV=KX4 /TRACE");
    ASSERT_NE(window, nullptr);

    ASSERT_TRUE(SendInterfaceChange(window, DBT_DEVICEARRIVAL, printer.DevicePath()));
    EXPECT_EQ(tool->WaitForExit(kSearchTimeoutMs), std::optional<DWORD>(0));
    EXPECT_EQ(folder.RecordedPort(), std::optional<std::wstring>(L"USB002"));
}

TEST_F(QuarrowTool, PlugAndPlayPrinterIsRecordedAndTheToolCloses) {
    FakeUsbPrinter printer(Kx4HardwareId(), L"KX4SERIAL", L"BRENNVIKKX4", 4);
    ASSERT_TRUE(printer.Written());
    const HWND window = Start(L"");
    ASSERT_NE(window, nullptr);

    ASSERT_TRUE(SendInterfaceChange(window, DBT_DEVICEARRIVAL, printer.DevicePath()));
    EXPECT_EQ(tool->WaitForExit(kSearchTimeoutMs), std::optional<DWORD>(0));
    EXPECT_EQ(folder.RecordedPort(), std::optional<std::wstring>(L"USBPNP"));
}

// The printer was unplugged before Windows listed it: the search repeats without end, yet the
// window keeps answering and "Cancel" ends the program, leaving the default port.
TEST_F(QuarrowTool, SearchForAnUnpluggedPrinterStaysResponsiveAndCancels) {
    FakeUsbPrinter printer(Kx4HardwareId(), L"KX4SERIAL", L"", 1);
    ASSERT_TRUE(printer.Written());
    const HWND window = Start(L"");
    ASSERT_NE(window, nullptr);

    ASSERT_TRUE(SendInterfaceChange(window, DBT_DEVICEARRIVAL, printer.DevicePath()));
    ASSERT_TRUE(WaitForLogEnd(L"\r\nGetting info 1...", 8000))
        << "log: " << testing::PrintToString(Log());
    EXPECT_TRUE(Responds(window, 300)) << "the window does not answer during the search";
    CancelAndExpectExitCodeZero();
    EXPECT_EQ(folder.RecordedPort(), std::optional<std::wstring>(L"USB001"));
}

// What Wine cannot show.
TEST(QuarrowUnderWine, ArrivalFromThePlugAndPlayManager) {
    // Wine has no USB printer to plug in: no driver raises the printer interface, so Wine's
    // plug-and-play service never broadcasts its arrival. The tests above send the broadcast
    // Windows sends, to the window the tool registered.
    GTEST_SKIP() << "no plug-and-play arrival of a USB printer under Wine";
}

TEST(QuarrowUnderWine, WindowIconSeenFromAnotherProcess) {
    // Wine refuses WM_GETICON and WM_SETICON from another process (SendMessageTimeout fails), so
    // the big and small icons the dialog sets cannot be read back here. The icon resource itself
    // is checked by CarriesItsResources; a screenshot shows it.
    GTEST_SKIP() << "WM_GETICON does not cross processes under Wine";
}

TEST(QuarrowUnderWine, DeviceNotificationRegistrationFailure) {
    // RegisterDeviceNotification always succeeds for a window under Wine; the failure box and
    // the skipped INI write are covered by the host unit tests of the detection logic.
    GTEST_SKIP() << "RegisterDeviceNotification cannot be made to fail under Wine";
}

}  // namespace
}  // namespace quarrow::e2e
