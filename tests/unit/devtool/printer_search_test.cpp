// Recognising the KX4 in SetupAPI's lists: instance ids, hardware ids, port numbers, the list
// chosen per Windows version and the log patterns.
#include "devtool/printer_search.h"

#include <gtest/gtest.h>

#include "devtool/detection_texts.h"
#include "devtool/printer_identity.h"
#include "tests/unit/devtool/fake_devices.h"

namespace quarrow {
namespace {

using testing::FakeDeviceList;
using testing::FakeInterface;
using testing::FakeInterfaceList;
using testing::Ids;
using testing::ListAnswer;

TEST(QuarrowTexts, FormatFillsPlacesLeftToRight) {
    EXPECT_EQ(FormatText(kLogDeviceArrived, {"\\\\?\\usb#x", "1"}),
              "\r\nDEV_ARR \\\\?\\usb#x\r\nPrinter 1 detected...");
    // A path that holds place markers itself is copied as it is.
    EXPECT_EQ(FormatText(kLogDeviceArrived, {"a%db%s", "2"}),
              "\r\nDEV_ARR a%db%s\r\nPrinter 2 detected...");
    EXPECT_EQ(FormatText(kLogUsbPortNumber, {"12"}), "\r\nUSB Port Number:00012");
    EXPECT_EQ(FormatText("100% %x", {"unused"}), "100% %x");
}

TEST(QuarrowTexts, UpperCaseIsAsciiOnly) {
    EXPECT_EQ(UpperAscii("\\\\?\\usb#vid_3a7e&pid_4b58#{28d78fad}"),
              "\\\\?\\USB#VID_3A7E&PID_4B58#{28D78FAD}");
    EXPECT_EQ(UpperAscii("\xE9t\xC3\xA9"), "\xE9T\xC3\xA9");
}

TEST(QuarrowIdentity, HardwareIdHasTheDocumentedForm) {
    const std::string_view id = KX4_HWID;
    ASSERT_EQ(id.size(), 17u);
    EXPECT_EQ(id.substr(0, 4), "VID_");
    EXPECT_EQ(id.substr(8, 5), "&PID_");
    for (std::size_t i : {4, 5, 6, 7, 13, 14, 15, 16}) {
        const char c = id[i];
        EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << i;
    }
}

struct VersionCase {
    unsigned major, minor;
    DeviceListKind kind;
    const char* search;
};

TEST(QuarrowSearchScope, ByWindowsVersion) {
    const std::string before7 = "USB\\" + std::string(KX4_HWID);
    const VersionCase cases[] = {
        {5, 1, DeviceListKind::kPrinterInterfaceClass, before7.c_str()},  // XP
        {6, 0, DeviceListKind::kPrinterInterfaceClass, before7.c_str()},  // Vista
        {6, 1, DeviceListKind::kPrintClassEnumerator, "USBPRINT"},        // 7 (Wine says so)
        {6, 2, DeviceListKind::kPrintClassEnumerator, "USBPRINT"},  // 8 and later, unmanifested
        {6, 3, DeviceListKind::kPrintClassEnumerator, "USBPRINT"},
        // A version 10.0 is no Vista: the minor version alone does not decide.
        {10, 0, DeviceListKind::kPrintClassEnumerator, "USBPRINT"},
    };
    for (const VersionCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
        const SearchScope scope = ChooseSearchScope({c.major, c.minor});
        EXPECT_EQ(scope.kind, c.kind);
        EXPECT_EQ(scope.searchText, c.search);
    }
}

struct FindCase {
    const char* label;
    ListAnswer set;
    bool before7;
    PrinterMatch match;
    std::size_t element;  // checked when a printer is found
};

TEST(QuarrowFindPrinter, InstanceIds) {
    const std::string kx4 = std::string(KX4_HWID);
    const FindCase cases[] = {
        {"empty set", Ids({}), false, PrinterMatch::kNotFound, 0},
        {"plug and play", Ids({"ROOT\\LEGACY\\0000", "USBPRINT\\BRENNVIKKX4\\7&2B1C&0&USB001"}),
         false, PrinterMatch::kPlugAndPlay, 1},
        {"without identity", Ids({"USBPRINT\\UNKNOWNPRINTER\\7&2B1C&0&USB002"}), false,
         PrinterMatch::kWithoutIdentity, 0},
        {"ids are upper-cased",
         Ids({"USBPRINT\\OTHERMAKERLJ\\7&1&0&USB003", "usbprint\\brennvikkx4\\7&2&0&usb001"}),
         false, PrinterMatch::kPlugAndPlay, 1},
        {"another maker's printer only", Ids({"USBPRINT\\OTHERMAKERLJ\\7&1&0&USB003"}), false,
         PrinterMatch::kNotFound, 0},
        {"the first printer in index order decides",
         Ids({"USBPRINT\\UNKNOWNPRINTER\\A", "USBPRINT\\BRENNVIKKX4\\B"}), false,
         PrinterMatch::kWithoutIdentity, 0},
        {"unreadable id",
         {false, 0, {"USBPRINT\\BRENNVIKKX4\\B"}, 0},
         false,
         PrinterMatch::kSetupApiError,
         0},
        {"enumeration fails after another printer",
         {false, 0, {"USBPRINT\\OTHERMAKERLJ\\A", "USBPRINT\\BRENNVIKKX4\\B"}, 1},
         false,
         PrinterMatch::kSetupApiError,
         0},
        {"before 7: composite interface",
         Ids({"USB\\ROOT_HUB20\\4&1", "USB\\" + kx4 + "&MI_00\\6&3A&0&0000"}), true,
         PrinterMatch::kPlugAndPlay, 1},
        {"before 7: whole device", Ids({"USB\\" + kx4 + "\\KX4SERIAL"}), true,
         PrinterMatch::kWithoutIdentity, 0},
        {"before 7: another device", Ids({"USB\\VID_1111&PID_2222\\X"}), true,
         PrinterMatch::kNotFound, 0},
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(c.label);
        FakeDeviceList set(c.set);
        const SearchScope scope =
            ChooseSearchScope(c.before7 ? WindowsVersion{6, 0} : WindowsVersion{6, 1});
        std::size_t element = 99;
        EXPECT_EQ(FindPrinter(set, scope.searchText, element), c.match);
        if (c.match == PrinterMatch::kPlugAndPlay || c.match == PrinterMatch::kWithoutIdentity) {
            EXPECT_EQ(element, c.element);
        }
    }
}

RegistryValue Dword(const char* name, std::uint32_t number) {
    return {name, RegistryValue::kDwordType, number};
}

struct PortCase {
    const char* label;
    std::vector<FakeInterface> interfaces;
    std::uint32_t port;
};

TEST(QuarrowUsbPortNumber, PortNumberOfTheKx4Interface) {
    const std::string kx4 = "USB\\" + std::string(KX4_HWID) + "&REV_0100";
    const PortCase cases[] = {
        {"no interfaces", {}, 0},
        {"the KX4's port", {{kx4, {Dword("Base Name", 1), Dword("Port Number", 3)}}}, 3},
        {"another printer's port is passed over",
         {{"USB\\VID_1111&PID_2222&REV_0100", {Dword("Port Number", 7)}},
          {kx4, {Dword("Port Number", 2)}}},
         2},
        {"the last KX4 interface wins",
         {{kx4, {Dword("Port Number", 1)}}, {kx4, {Dword("Port Number", 4)}}},
         4},
        {"a later KX4 without the value keeps the earlier port",
         {{kx4, {Dword("Port Number", 5)}}, {kx4, {}}},
         5},
        {"only a DWORD counts", {{kx4, {{"Port Number", 1, 9}}}}, 0},
        {"lower-case hardware id",
         {{"usb\\vid_3a7e&pid_4b58&rev_0100", {Dword("Port Number", 6)}}},
         6},
        {"unreadable hardware id", {{"", {Dword("Port Number", 6)}}}, 0},
        // Only the first 260 characters of the hardware id are looked at.
        {"identifier beyond the checked length",
         {{std::string(250, 'X') + std::string(KX4_HWID), {Dword("Port Number", 8)}}},
         0},
    };
    for (const PortCase& c : cases) {
        SCOPED_TRACE(c.label);
        FakeInterfaceList list(c.interfaces);
        EXPECT_EQ(UsbPortNumber(&list), c.port);
    }
    EXPECT_EQ(UsbPortNumber(nullptr), 0u);
}

TEST(QuarrowUsbPortNumber, PortNames) {
    EXPECT_EQ(UsbPortName(1), "USB001");
    EXPECT_EQ(UsbPortName(0), "USB000");
    EXPECT_EQ(UsbPortName(12), "USB0012");
}

}  // namespace
}  // namespace quarrow
