// The identity of the printer this tool serves: its USB vendor and product identifiers and the
// maker and model names it reports to the print class enumerator. The only place these product
// constants are spelled; the detection logic and the tests read them from here. Portable core.
#pragma once

#include <string_view>

namespace quarrow {

// USB hardware identifier of the KX4 printer: "VID_" + four hex digits + "&PID_" + four hex
// digits, upper case, as it appears inside an upper-cased device path or hardware id.
inline constexpr std::string_view KX4_HWID = "VID_3A7E&PID_4B58";

// Maker and model names that a plug-and-play KX4 reports; Windows puts them after the print class
// enumerator in the device instance id ("USBPRINT\BRENNVIKKX4\...").
inline constexpr std::string_view kKx4MakerModel = "\\BRENNVIKKX4";
// What the print class enumerator uses for a printer that did not identify itself.
inline constexpr std::string_view kUnknownPrinterModel = "\\UNKNOWNPRINTER";
// Enumerator of printers attached through the USB printing support (Windows 7 and later).
inline constexpr std::string_view kPrintClassEnumerator = "USBPRINT";
// Before Windows 7 a device instance id is "USB\" + hardware id, and a composite device's
// interfaces add "&MI_nn".
inline constexpr std::string_view kUsbEnumeratorPrefix = "USB\\";
inline constexpr std::string_view kCompositeInterfaceMark = "&MI";

}  // namespace quarrow
