// The ports through which the detection logic reaches Windows: the device information sets of
// SetupAPI, the printer interfaces with their registry values, the profile (INI) functions and a
// few system facts, and the dialog it reports to. The Win32 adapters (setupapi_devices.h,
// sentrel_dlg.h) implement them; the unit tests use a fake device list. Texts are UTF-8.
// Portable core.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarrow {

// One device information set, read element by element in index order.
class DeviceInstanceList {
  public:
    enum class Read { kOk, kNoMoreItems, kFailed };
    virtual ~DeviceInstanceList() = default;
    // The device instance id of element `index`; kNoMoreItems past the last element, kFailed
    // when enumeration or reading the id fails otherwise.
    virtual Read InstanceId(std::size_t index, std::string& id) = 0;
};

// A registry value as the interface's registry key holds it; `number` is the value of a DWORD.
struct RegistryValue {
    static constexpr std::uint32_t kDwordType = 4;  // REG_DWORD
    std::string name;
    std::uint32_t type = 0;
    std::uint32_t number = 0;
};

// The present devices exposing the USB printer interface class, read in index order.
class PrinterInterfaceList {
  public:
    virtual ~PrinterInterfaceList() = default;
    // False once enumeration ends. Otherwise `hardwareId` receives the first hardware id of the
    // interface's device (empty when it cannot be read).
    virtual bool Interface(std::size_t index, std::string& hardwareId) = 0;
    // The values of the registry key of the interface just read by Interface(index); empty when
    // the key cannot be opened.
    virtual std::vector<RegistryValue> InterfaceValues(std::size_t index) = 0;
};

struct WindowsVersion {
    unsigned major = 0;
    unsigned minor = 0;
};

// Which devices a search asks SetupAPI for.
enum class DeviceListKind {
    kPrintClassEnumerator,   // all present devices of all classes from the "USBPRINT" enumerator
    kPrinterInterfaceClass,  // present devices exposing the USB printer interface class
};

struct DeviceListRequest {
    std::unique_ptr<DeviceInstanceList> list;  // null when the request failed
    std::uint32_t error = 0;                   // the system error code of a failed request
};

class DeviceSystem {
  public:
    virtual ~DeviceSystem() = default;
    virtual WindowsVersion Version() = 0;
    virtual DeviceListRequest RequestDeviceList(DeviceListKind kind) = 0;
    // Null when the interface list cannot be requested.
    virtual std::unique_ptr<PrinterInterfaceList> OpenPrinterInterfaces() = 0;
    virtual std::optional<std::string> CurrentDirectory() = 0;
    virtual std::optional<std::string> ProgramFilesFolder() = 0;
    // Failures are not reported: the tool goes on as if the write had worked.
    virtual void WriteProfileString(const std::string& file, std::string_view section,
                                    std::string_view key, std::string_view value) = 0;
    // The system's message text for an error code, without its trailing line break.
    virtual std::string ErrorText(std::uint32_t code) = 0;
};

// The dialog as the detection logic sees it.
class DetectionWindow {
  public:
    virtual ~DetectionWindow() = default;
    // Adds `text` at the end of the detection log.
    virtual void AppendLog(std::string_view text) = 0;
    // A modal message box with the exclamation icon.
    virtual void ShowWarning(std::string_view text) = 0;
    // Posts WM_CLOSE to the dialog: the program ends.
    virtual void RequestClose() = 0;
};

}  // namespace quarrow
