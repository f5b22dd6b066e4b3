// Recognising the printer in SetupAPI's lists (see printer_search.h).
#include "devtool/printer_search.h"

#include "devtool/detection_texts.h"
#include "devtool/printer_identity.h"

namespace quarrow {

namespace {

constexpr std::size_t kHardwareIdCharsChecked = 260;  // MAX_PATH: what the tool has always read
constexpr std::string_view kPortNumberValue = "Port Number";

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && UpperAscii(a) == UpperAscii(b);
}

}  // namespace

bool IsWindows7OrLater(WindowsVersion version) {
    return version.major > 6 || (version.major == 6 && version.minor >= 1);
}

SearchScope ChooseSearchScope(WindowsVersion version) {
    if (IsWindows7OrLater(version)) {
        return {DeviceListKind::kPrintClassEnumerator, std::string(kPrintClassEnumerator)};
    }
    return {DeviceListKind::kPrinterInterfaceClass,
            std::string(kUsbEnumeratorPrefix) + std::string(KX4_HWID)};
}

PrinterMatch FindPrinter(DeviceInstanceList& set, std::string_view search, std::size_t& element) {
    const bool printClass = Contains(search, kPrintClassEnumerator);
    const std::string searchText(search);
    std::string id;
    for (std::size_t index = 0;; ++index) {
        switch (set.InstanceId(index, id)) {
            case DeviceInstanceList::Read::kOk:
                break;
            case DeviceInstanceList::Read::kNoMoreItems:
                return PrinterMatch::kNotFound;
            case DeviceInstanceList::Read::kFailed:
                return PrinterMatch::kSetupApiError;
        }
        const std::string upper = UpperAscii(id);
        if (!Contains(upper, search)) continue;
        element = index;
        if (!printClass) {
            return Contains(upper, searchText + std::string(kCompositeInterfaceMark))
                       ? PrinterMatch::kPlugAndPlay
                       : PrinterMatch::kWithoutIdentity;
        }
        if (Contains(upper, searchText + std::string(kKx4MakerModel))) {
            return PrinterMatch::kPlugAndPlay;
        }
        if (Contains(upper, searchText + std::string(kUnknownPrinterModel))) {
            return PrinterMatch::kWithoutIdentity;
        }
    }
}

bool IsKx4HardwareId(std::string_view hardwareId) {
    return Contains(UpperAscii(hardwareId.substr(0, kHardwareIdCharsChecked)), KX4_HWID);
}

std::uint32_t UsbPortNumber(PrinterInterfaceList* interfaces) {
    std::uint32_t port = 0;
    if (interfaces == nullptr) return port;
    std::string hardwareId;
    for (std::size_t index = 0; interfaces->Interface(index, hardwareId); ++index) {
        if (!IsKx4HardwareId(hardwareId)) continue;
        for (const RegistryValue& value : interfaces->InterfaceValues(index)) {
            if (value.type == RegistryValue::kDwordType &&
                EqualsIgnoringAsciiCase(value.name, kPortNumberValue)) {
                port = value.number;
            }
        }
    }
    return port;
}

std::string UsbPortName(std::uint32_t portNumber) {
    return std::string(kUsbPortNamePrefix) + std::to_string(portNumber);
}

}  // namespace quarrow
