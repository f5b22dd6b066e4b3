// Every text the device detection tool shows or writes: its log lines, its message boxes, its
// command-line option and the INI file, section, key and values it records the port in. Log
// patterns carry printf-like "%s" and "%d" places that FormatText fills. Portable core.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace quarrow {

inline constexpr std::string_view kPlugPrinterPrompt = "Plug the printer please...";

inline constexpr std::string_view kLogDeviceArrived = "\r\nDEV_ARR %s\r\nPrinter %d detected...";
inline constexpr std::string_view kLogDeviceRemoved = "\r\nDEV_? %s\r\n";
inline constexpr std::string_view kLogGettingInfo = "\r\nGetting info %d...";
inline constexpr std::string_view kLogListRetry = ".";
inline constexpr std::string_view kLogFindingDevice = "\r\nFinding device %d...";
inline constexpr std::string_view kLogFoundPlugAndPlay = "\r\nFound USB PNP KX4";
inline constexpr std::string_view kLogFoundNotPlugAndPlay = "\r\nFound USB NOT-PNP KX4";
inline constexpr std::string_view kLogUsbPortNumber = "\r\nUSB Port Number:000%d";

inline constexpr std::string_view kRegistrationFailedBox = "Can't register device notification: ";
inline constexpr std::string_view kDeviceListFailedBox = "SetupDiGetClassDevs(): ";

inline constexpr std::string_view kTraceOption = "/TRACE";

inline constexpr std::string_view kIniSection = "TOOLKIT";
inline constexpr std::string_view kIniPortNameKey = "PortName";
inline constexpr std::string_view kDefaultPortName = "USB001";
inline constexpr std::string_view kPlugAndPlayPortName = "USBPNP";
inline constexpr std::string_view kUsbPortNamePrefix = "USB00";
// The INI file lies in the parent of the tool's folder (the product folder when the setup starts
// the tool from its "PrinterDriver" sub-folder), else under the program files folder.
inline constexpr std::string_view kIniBesideParent = "\\..\\InstallToolkit.ini";
inline constexpr std::string_view kIniUnderProgramFiles = "\\KX2_ToolKit+\\InstallToolkit.ini";
inline constexpr std::string_view kProgramFilesFallback = "C:";

// Fills the "%s" and "%d" places of `pattern` from left to right with `args` (already texts).
// An argument's own "%" characters are copied, never read as places.
std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> args);

// The ASCII letters upper-cased, every other byte kept: device paths and instance ids are ASCII,
// and the result must not depend on the user's locale.
std::string UpperAscii(std::string_view text);

}  // namespace quarrow
