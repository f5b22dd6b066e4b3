// The DeviceSystem port over SetupAPI and the profile, shell and version functions of Windows:
// device information sets by enumerator or by the USB printer interface class, instance ids,
// hardware ids and the "Port Number" values of printer interfaces, the current directory, the
// program files folder, INI writes and system error texts. Thin: every decision lies in the
// portable core. Windows builds only.
#pragma once

#include <windows.h>

#include "devtool/device_ports.h"

namespace quarrow {

// The USB printer device interface class {28D78FAD-5A12-11D1-AE5B-0000F803A8C2}.
extern const GUID kUsbPrinterInterfaceClass;
// The "Computer" device setup class {4D36E966-E325-11CE-BFC1-08002BE10318}.
extern const GUID kComputerSetupClass;

class SetupApiDeviceSystem final : public DeviceSystem {
  public:
    WindowsVersion Version() override;
    DeviceListRequest RequestDeviceList(DeviceListKind kind) override;
    std::unique_ptr<PrinterInterfaceList> OpenPrinterInterfaces() override;
    std::optional<std::string> CurrentDirectory() override;
    std::optional<std::string> ProgramFilesFolder() override;
    void WriteProfileString(const std::string& file, std::string_view section, std::string_view key,
                            std::string_view value) override;
    std::string ErrorText(std::uint32_t code) override;
};

}  // namespace quarrow
