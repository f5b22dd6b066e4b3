// The detection steps and their timing (see printer_detection.h).
#include "devtool/printer_detection.h"

#include <string>
#include <utility>

#include "devtool/detection_texts.h"
#include "devtool/printer_identity.h"

namespace quarrow {

std::string LocateToolkitIni(DeviceSystem& system) {
    if (std::optional<std::string> current = system.CurrentDirectory()) {
        std::string_view tail = kIniBesideParent;
        // A root folder ("C:\") already ends with the separator.
        if (!current->empty() && current->back() == '\\') tail.remove_prefix(1);
        return *current + std::string(tail);
    }
    std::string folder = system.ProgramFilesFolder().value_or(std::string(kProgramFilesFallback));
    return folder + std::string(kIniUnderProgramFiles);
}

PrinterDetection::PrinterDetection(DetectionWindow& window, DeviceSystem& system, bool traceMode)
    : window_(window), system_(system), TraceMode_(traceMode) {}

bool PrinterDetection::Start(bool registered, std::uint32_t registrationError) {
    if (!registered) {
        window_.ShowWarning(std::string(kRegistrationFailedBox) +
                            system_.ErrorText(registrationError));
        return false;
    }
    ToolkitIni_ = LocateToolkitIni(system_);
    WritePortName(kDefaultPortName);
    started_ = true;
    return true;
}

void PrinterDetection::OnDeviceChange(DeviceEvent event, std::string_view devicePath) {
    if (!started_ || closing_) return;
    if (UpperAscii(devicePath).find(KX4_HWID) == std::string::npos) return;
    waiting_.push_back({event, std::string(devicePath)});
    if (phase_ == Phase::kIdle && !stepping_) BeginNext();
}

void PrinterDetection::Tick() {
    if (stepping_ || phase_ == Phase::kIdle) return;
    stepping_ = true;
    Step();
    stepping_ = false;
    if (phase_ == Phase::kIdle) BeginNext();
}

// The first step of a notification's reaction runs as soon as it is its turn.
void PrinterDetection::BeginNext() {
    if (closing_ || waiting_.empty()) return;
    const Notification next = std::move(waiting_.front());
    waiting_.pop_front();
    if (next.event == DeviceEvent::kRemoval) {
        Log(FormatText(kLogDeviceRemoved, {next.devicePath}));
        phase_ = Phase::kRemovalLogged;
        return;
    }
    arrivalNumber_ = ++ArrivalCount_;
    Log(FormatText(kLogDeviceArrived, {next.devicePath, std::to_string(arrivalNumber_)}));
    phase_ = Phase::kArrivalLogged;
}

void PrinterDetection::Step() {
    switch (phase_) {
        case Phase::kIdle:
            return;
        case Phase::kRemovalLogged:
            phase_ = Phase::kIdle;
            return;
        case Phase::kArrivalLogged:
            // Only the first arrival searches; later ones are only logged.
            if (arrivalNumber_ != 1) {
                phase_ = Phase::kIdle;
                return;
            }
            attempt_ = 0;
            listBudget_ = kDeviceListBudget;
            scope_ = ChooseSearchScope(system_.Version());
            Log(FormatText(kLogGettingInfo, {std::to_string(attempt_)}));
            phase_ = Phase::kRequestingList;
            return;
        case Phase::kRequestingList:
            StepRequestList();
            return;
        case Phase::kFindingDevice:
            StepFindPrinter();
            return;
        case Phase::kFoundPlugAndPlay:
            WritePortName(kPlugAndPlayPortName);
            if (TraceMode_) {
                portNumber_ = UsbPortNumber(system_.OpenPrinterInterfaces().get());
                LogPortNumber();
                return;
            }
            Finish();
            return;
        case Phase::kFoundWithoutIdentity:
            if (TraceMode_) {
                LogPortNumber();
                return;
            }
            Finish();
            return;
        case Phase::kPortNumberLogged:
            Finish();
            return;
    }
}

void PrinterDetection::StepRequestList() {
    DeviceListRequest request = system_.RequestDeviceList(scope_.kind);
    if (!request.list) {
        if (--listBudget_ <= 0) {
            // The search ends here; the window stays open and PortName keeps its value.
            phase_ = Phase::kIdle;
            window_.ShowWarning(std::string(kDeviceListFailedBox) +
                                system_.ErrorText(request.error));
            return;
        }
        Log(kLogListRetry);
        return;
    }
    set_ = std::move(request.list);
    Log(FormatText(kLogFindingDevice, {std::to_string(attempt_)}));
    phase_ = Phase::kFindingDevice;
}

void PrinterDetection::StepFindPrinter() {
    std::size_t element = 0;
    switch (FindPrinter(*set_, scope_.searchText, element)) {
        case PrinterMatch::kNotFound:
            set_.reset();
            ++attempt_;
            Log(FormatText(kLogGettingInfo, {std::to_string(attempt_)}));
            phase_ = Phase::kRequestingList;
            return;
        case PrinterMatch::kPlugAndPlay:
            Log(kLogFoundPlugAndPlay);
            phase_ = Phase::kFoundPlugAndPlay;
            return;
        case PrinterMatch::kWithoutIdentity:
            portNumber_ = UsbPortNumber(system_.OpenPrinterInterfaces().get());
            WritePortName(UsbPortName(portNumber_));
            Log(kLogFoundNotPlugAndPlay);
            phase_ = Phase::kFoundWithoutIdentity;
            return;
        case PrinterMatch::kSetupApiError:
            Finish();
            return;
    }
}

void PrinterDetection::Finish() {
    set_.reset();
    phase_ = Phase::kIdle;
    if (TraceMode_) return;
    closing_ = true;
    waiting_.clear();
    window_.RequestClose();
}

void PrinterDetection::Log(std::string_view text) { window_.AppendLog(text); }

void PrinterDetection::LogPortNumber() {
    Log(FormatText(kLogUsbPortNumber, {std::to_string(portNumber_)}));
    phase_ = Phase::kPortNumberLogged;
}

void PrinterDetection::WritePortName(std::string_view value) {
    system_.WriteProfileString(ToolkitIni_, kIniSection, kIniPortNameKey, value);
}

}  // namespace quarrow
