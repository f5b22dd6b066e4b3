// CSentrelDlg: the device detection dialog (resource 102). It sets up its controls, registers
// for arrivals of the USB printer interface class and hands every notification to the portable
// PrinterDetection, whose one-second steps it drives with a window timer so that the window stays
// responsive during a search. It is the DetectionWindow the detection logic reports to.
// Windows builds only.
#pragma once

#include <windows.h>
// The other Windows headers rely on <windows.h>.
#include <commctrl.h>

#include <string_view>

#include "devtool/printer_detection.h"
#include "devtool/setupapi_devices.h"
#include "devtool/unique_handle.h"

namespace quarrow {

class CSentrelDlg final : private DetectionWindow {
  public:
    CSentrelDlg(HINSTANCE instance, bool traceMode);
    CSentrelDlg(const CSentrelDlg&) = delete;
    CSentrelDlg& operator=(const CSentrelDlg&) = delete;

    // Shows the dialog modally until it closes.
    INT_PTR DoModal();

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    BOOL OnInitDialog();
    void InsertComputerNode();
    void OnDeviceChange(WPARAM event, LPARAM broadcast);
    void OnStepTimer();
    bool OnPaint();
    void OnDestroy();
    void ArmStepTimer();

    void AppendLog(std::string_view text) override;
    void ShowWarning(std::string_view text) override;
    void RequestClose() override;

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HICON icon_ = nullptr;  // a shared resource icon: never destroyed
    MenuHandle menu_;
    HMENU deviceMenu_ = nullptr;  // the "Disable" popup; nothing opens it
    FontHandle logFont_;
    ClassImageList classImages_;
    HTREEITEM rootItem_ = nullptr;
    DeviceNotification notification_;
    SetupApiDeviceSystem system_;
    PrinterDetection detection_;
    bool timerArmed_ = false;
    bool inStep_ = false;
};

}  // namespace quarrow
