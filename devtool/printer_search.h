// How the tool recognises its printer among the devices SetupAPI lists: which list to ask for on
// which Windows version, how a device instance id tells a plug-and-play KX4 from one that did not
// identify itself, which USB port number belongs to the printer, and the port name recorded for
// each outcome. Portable core over the ports of device_ports.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "devtool/device_ports.h"

namespace quarrow {

// Result of FindPrinter; the values are the ones the tool has always used.
enum class PrinterMatch : int {
    kNotFound = 0,
    kPlugAndPlay = 1,
    kWithoutIdentity = 2,
    kSetupApiError = -1,
};

struct SearchScope {
    DeviceListKind kind;
    std::string searchText;  // what an upper-cased instance id must contain
};

// Windows 7 (6.1) and later list the printer under the print class enumerator.
bool IsWindows7OrLater(WindowsVersion version);
SearchScope ChooseSearchScope(WindowsVersion version);

// Walks `set` in index order for the first element whose upper-cased instance id contains
// `search` and tells what kind of printer it is; `element` receives that element's index.
// With the print class enumerator, elements of other printers are passed over.
PrinterMatch FindPrinter(DeviceInstanceList& set, std::string_view search, std::size_t& element);

// Whether a hardware id belongs to the KX4: only its first 260 characters count.
bool IsKx4HardwareId(std::string_view hardwareId);

// The USB port number of the KX4 among the printer interfaces: the "Port Number" DWORD of the
// last matching interface that has one; 0 when there is none (or no list).
std::uint32_t UsbPortNumber(PrinterInterfaceList* interfaces);

// "USB00" followed by the port number in decimal: port 1 gives "USB001".
std::string UsbPortName(std::uint32_t portNumber);

}  // namespace quarrow
