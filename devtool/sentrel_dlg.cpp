// The device detection dialog (see sentrel_dlg.h).
#include "devtool/sentrel_dlg.h"

#include <dbt.h>

#include <cstddef>
#include <cwchar>
#include <string>

#include "devtool/detection_texts.h"
#include "devtool/resource.h"
#include "devtool/win32_text.h"

namespace quarrow {

namespace {

constexpr UINT_PTR kStepTimerId = 1;
constexpr wchar_t kLogFontFace[] = L"Times New Roman";
constexpr int kLogFontHeight = 20;
constexpr wchar_t kCaption[] = L"" QUARROW_CAPTION;

}  // namespace

CSentrelDlg::CSentrelDlg(HINSTANCE instance, bool traceMode)
    : instance_(instance), detection_(*this, system_, traceMode) {}

INT_PTR CSentrelDlg::DoModal() {
    return DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_QUARROW_DIALOG), nullptr, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CSentrelDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* dialog = reinterpret_cast<CSentrelDlg*>(GetWindowLongPtrW(window, DWLP_USER));
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CSentrelDlg*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->window_ = window;
    }
    if (dialog == nullptr) return FALSE;
    // No exception leaves a window procedure; the message then counts as not handled.
    try {
        return dialog->HandleMessage(message, wParam, lParam);
    } catch (...) {
        return FALSE;
    }
}

INT_PTR CSentrelDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_DEVICECHANGE:
            OnDeviceChange(wParam, lParam);
            SetWindowLongPtrW(window_, DWLP_MSGRESULT, 0);
            return TRUE;
        case WM_TIMER:
            if (wParam != kStepTimerId) return FALSE;
            OnStepTimer();
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_CANCEL_BUTTON:
                    if (HIWORD(wParam) == BN_CLICKED) RequestClose();
                    return TRUE;
                case IDOK:
                case IDCANCEL:  // Enter and Escape end a dialog, as dialogs do
                    EndDialog(window_, LOWORD(wParam));
                    return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            EndDialog(window_, IDCANCEL);
            return TRUE;
        case WM_PAINT:
            return OnPaint();
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(icon_);
        case WM_DESTROY:
            OnDestroy();
            return FALSE;
    }
    return FALSE;
}

BOOL CSentrelDlg::OnInitDialog() {
    icon_ = LoadIconW(instance_, MAKEINTRESOURCEW(IDR_MAINFRAME));
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

    menu_.Reset(LoadMenuW(instance_, MAKEINTRESOURCEW(IDR_DEVICE_MENU)));
    deviceMenu_ = menu_ ? GetSubMenu(menu_.Get(), 0) : nullptr;

    logFont_.Reset(CreateFontW(kLogFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                               DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, FF_ROMAN, kLogFontFace));
    const HWND log = GetDlgItem(window_, IDC_DETECTION_LOG);
    SendMessageW(log, WM_SETFONT, reinterpret_cast<WPARAM>(logFont_.Get()), TRUE);
    // A search can run for hours: the log must not stop at the edit control's default limit.
    SendMessageW(log, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextW(log, Widen(kPlugPrinterPrompt).c_str());

    InsertComputerNode();

    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kUsbPrinterInterfaceClass;
    notification_.Reset(RegisterDeviceNotificationW(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE));
    const DWORD registrationError = notification_ ? 0 : GetLastError();
    return detection_.Start(static_cast<bool>(notification_), registrationError) ? TRUE : FALSE;
}

void CSentrelDlg::InsertComputerNode() {
    const HWND tree = GetDlgItem(window_, IDC_DEVICE_TREE);
    if (classImages_.Load()) {
        TreeView_SetImageList(tree, classImages_.Images(), TVSIL_NORMAL);
    }
    const int image = classImages_.ImageOf(kComputerSetupClass);
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = ARRAYSIZE(computer);
    if (!GetComputerNameW(computer, &length)) computer[0] = L'\0';

    TVINSERTSTRUCTW item{};
    item.hParent = TVI_ROOT;
    item.hInsertAfter = TVI_LAST;
    item.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    item.item.pszText = computer;
    item.item.iImage = image;
    item.item.iSelectedImage = image;
    rootItem_ = TreeView_InsertItem(tree, &item);
}

void CSentrelDlg::OnDeviceChange(WPARAM event, LPARAM broadcast) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(broadcast);
    if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return;
    // The sender states the structure's size: the name is read only within it.
    constexpr std::size_t kNameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    if (header->dbch_size <= kNameOffset) return;
    const auto* deviceInterface = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
    const std::size_t maxChars = (header->dbch_size - kNameOffset) / sizeof(wchar_t);
    const std::wstring_view name(deviceInterface->dbcc_name,
                                 wcsnlen(deviceInterface->dbcc_name, maxChars));
    detection_.OnDeviceChange(
        event == DBT_DEVICEARRIVAL ? DeviceEvent::kArrival : DeviceEvent::kRemoval, Narrow(name));
    ArmStepTimer();
}

// The timer is one-shot: each step arms it again, so the pause between two steps is one second
// after the step's own work, and a step that opens a message box is never entered twice.
void CSentrelDlg::OnStepTimer() {
    KillTimer(window_, kStepTimerId);
    timerArmed_ = false;
    inStep_ = true;
    detection_.Tick();
    inStep_ = false;
    ArmStepTimer();
}

void CSentrelDlg::ArmStepTimer() {
    if (inStep_ || timerArmed_ || !detection_.WantsTick()) return;
    timerArmed_ = SetTimer(window_, kStepTimerId, PrinterDetection::kStepDelayMs, nullptr) != 0;
}

bool CSentrelDlg::OnPaint() {
    if (!IsIconic(window_)) return false;
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window_, &paint);
    SendMessageW(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(window_, &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon_);
    EndPaint(window_, &paint);
    return true;
}

void CSentrelDlg::OnDestroy() {
    KillTimer(window_, kStepTimerId);
    timerArmed_ = false;
    notification_.Reset();
}

void CSentrelDlg::AppendLog(std::string_view text) {
    const HWND log = GetDlgItem(window_, IDC_DETECTION_LOG);
    const LRESULT end = GetWindowTextLengthW(log);
    SendMessageW(log, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageW(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

void CSentrelDlg::ShowWarning(std::string_view text) {
    MessageBoxW(window_, Widen(text).c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
}

void CSentrelDlg::RequestClose() { PostMessageW(window_, WM_CLOSE, 0, 0); }

}  // namespace quarrow
