// The device detection tool's behaviour, without its window: where the INI file lies and its
// default port, and the reaction to printer arrival and removal with the log lines, the device
// search and the port recording. Each step that the log reports is followed by a one-second
// pause before the next one; instead of blocking the thread for that second, the steps are driven
// by a timer of the dialog: after every call the owner asks WantsTick() and, when true, calls
// Tick() kStepDelayMs later. The window stays responsive, "Cancel" works at any time, and a
// search that never finds its printer no longer freezes the program. Notifications that arrive
// while a reaction is under way wait their turn, so the log keeps the order it always had.
// Portable core over the ports of device_ports.h.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "devtool/device_ports.h"
#include "devtool/printer_search.h"

namespace quarrow {

enum class DeviceEvent {
    kArrival,  // DBT_DEVICEARRIVAL of a device interface
    kRemoval,  // DBT_DEVICEREMOVECOMPLETE of a device interface
};

// `ToolkitIni`: current directory + "\..\InstallToolkit.ini" when the current directory can be
// read, else the program files folder ("C:" when unknown) + "\KX2_ToolKit+\InstallToolkit.ini".
std::string LocateToolkitIni(DeviceSystem& system);

class PrinterDetection {
  public:
    static constexpr unsigned kStepDelayMs = 1000;
    // Failed device list requests allowed in one search before the tool gives up.
    static constexpr int kDeviceListBudget = 20;

    PrinterDetection(DetectionWindow& window, DeviceSystem& system, bool traceMode);
    PrinterDetection(const PrinterDetection&) = delete;
    PrinterDetection& operator=(const PrinterDetection&) = delete;

    // The end of the dialog's initialisation, once the window was (or failed to be) registered
    // for printer interface notifications. After a failed registration the failure box is shown
    // with the text of `registrationError`, the INI file is left alone and no notification is
    // acted on; the result is false then.
    bool Start(bool registered, std::uint32_t registrationError = 0);

    // A printer interface arrived or left; `devicePath` as the broadcast carries it.
    void OnDeviceChange(DeviceEvent event, std::string_view devicePath);
    // The next step of the reaction under way; safe to call at any time.
    void Tick();
    bool WantsTick() const { return phase_ != Phase::kIdle; }

    int ArrivalCount() const { return ArrivalCount_; }
    bool TraceMode() const { return TraceMode_; }
    const std::string& ToolkitIni() const { return ToolkitIni_; }

  private:
    // What the last step did; the next one follows after the pause.
    enum class Phase {
        kIdle,
        kRemovalLogged,
        kArrivalLogged,
        kRequestingList,  // "Getting info" or a "." of a failed request was logged
        kFindingDevice,
        kFoundPlugAndPlay,
        kFoundWithoutIdentity,
        kPortNumberLogged,
    };
    struct Notification {
        DeviceEvent event;
        std::string devicePath;
    };

    void BeginNext();
    void Step();
    void StepRequestList();
    void StepFindPrinter();
    void Finish();
    void Log(std::string_view text);
    void LogPortNumber();
    void WritePortName(std::string_view value);

    DetectionWindow& window_;
    DeviceSystem& system_;
    const bool TraceMode_;
    int ArrivalCount_ = 0;
    std::string ToolkitIni_;
    bool started_ = false;
    bool closing_ = false;
    bool stepping_ = false;

    std::deque<Notification> waiting_;
    Phase phase_ = Phase::kIdle;
    int arrivalNumber_ = 0;  // ArrivalCount_ as the arrival under way left it
    int attempt_ = 0;
    int listBudget_ = kDeviceListBudget;
    SearchScope scope_{};
    std::unique_ptr<DeviceInstanceList> set_;
    std::uint32_t portNumber_ = 0;
};

}  // namespace quarrow
