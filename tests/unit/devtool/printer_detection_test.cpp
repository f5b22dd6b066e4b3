// The tool's reaction to printer arrivals, step by step: every step's log line, INI write, box
// and close, labelled with the tick (one-second pause) it comes in.
#include "devtool/printer_detection.h"

#include <gtest/gtest.h>

#include "devtool/printer_identity.h"
#include "tests/unit/devtool/fake_devices.h"

namespace quarrow {
namespace {

using testing::FailedRequest;
using testing::FakeInterface;
using testing::FakeWindows;
using testing::Ids;
using testing::ListAnswer;

const std::string kKx4Path =
    "\\\\?\\usb#vid_3a7e&pid_4b58#kx4serial#{28d78fad-5a12-11d1-ae5b-"
    "0000f803a8c2}";
const std::string kOtherPrinterPath =
    "\\\\?\\usb#vid_1111&pid_2222#other#{28d78fad-5a12-11d1-"
    "ae5b-0000f803a8c2}";
const std::string kIni = "C:\\Product\\PrinterDriver\\..\\InstallToolkit.ini";
const std::string kPnpId = "USBPRINT\\BRENNVIKKX4\\7&2B1C&0&USB003";
const std::string kUnknownId = "USBPRINT\\UNKNOWNPRINTER\\7&2B1C&0&USB002";

std::string Ini(const std::string& value) { return "ini " + kIni + " [TOOLKIT] PortName=" + value; }
std::string Arrived(int count) {
    return "log \r\nDEV_ARR " + kKx4Path + "\r\nPrinter " + std::to_string(count) + " detected...";
}

class DetectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake.interfaces = {{"USB\\" + std::string(KX4_HWID) + "&REV_0100",
                            {{"Port Number", RegistryValue::kDwordType, 3}}}};
    }

    // Starts the tool, then delivers `event` at tick 0 and runs the timer until the tool is idle.
    std::vector<std::string> Run(bool trace, DeviceEvent event = DeviceEvent::kArrival,
                                 const std::string& path = kKx4Path, int maxTicks = 100) {
        detection = std::make_unique<PrinterDetection>(fake, fake, trace);
        EXPECT_TRUE(detection->Start(true));
        fake.timeline.clear();
        fake.tick = 0;
        detection->OnDeviceChange(event, path);
        RunTimer(maxTicks);
        return fake.timeline;
    }
    void RunTimer(int maxTicks = 100) {
        for (int i = 0; i < maxTicks && detection->WantsTick(); ++i) {
            ++fake.tick;
            detection->Tick();
        }
    }

    FakeWindows fake;
    std::unique_ptr<PrinterDetection> detection;
};

TEST_F(DetectionTest, StartWritesTheDefaultPortBesideTheParentFolder) {
    PrinterDetection tool(fake, fake, false);
    EXPECT_TRUE(tool.Start(true));
    EXPECT_EQ(tool.ToolkitIni(), kIni);
    EXPECT_EQ(fake.timeline, std::vector<std::string>{"0 " + Ini("USB001")});
    EXPECT_FALSE(tool.WantsTick());
}

TEST_F(DetectionTest, IniLocation) {
    struct Case {
        std::optional<std::string> current, programFiles;
        const char* ini;
    };
    const Case cases[] = {
        {"D:\\Kx4\\PrinterDriver", "C:\\Program Files",
         "D:\\Kx4\\PrinterDriver\\..\\InstallToolkit.ini"},
        {"E:\\", "C:\\Program Files", "E:\\..\\InstallToolkit.ini"},
        {std::nullopt, "C:\\Program Files", "C:\\Program Files\\KX2_ToolKit+\\InstallToolkit.ini"},
        {std::nullopt, std::nullopt, "C:\\KX2_ToolKit+\\InstallToolkit.ini"},
    };
    for (const Case& c : cases) {
        fake.currentDirectory = c.current;
        fake.programFiles = c.programFiles;
        EXPECT_EQ(LocateToolkitIni(fake), c.ini);
    }
}

TEST_F(DetectionTest, RegistrationFailureSkipsTheIniAndIgnoresNotifications) {
    PrinterDetection tool(fake, fake, false);
    EXPECT_FALSE(tool.Start(false, 5));
    EXPECT_EQ(fake.timeline,
              std::vector<std::string>{"0 box Can't register device notification: error 5"});
    tool.OnDeviceChange(DeviceEvent::kArrival, kKx4Path);
    EXPECT_FALSE(tool.WantsTick());
    EXPECT_EQ(fake.timeline.size(), 1u);
    EXPECT_EQ(tool.ArrivalCount(), 0);
}

struct TimelineCase {
    const char* label;
    bool trace;
    std::vector<ListAnswer> answers;
    std::vector<std::string> timeline;
};

TEST_F(DetectionTest, ArrivalTimelines) {
    const TimelineCase cases[] = {
        {"plug and play",
         false,
         {Ids({"ROOT\\A\\0", kPnpId})},
         {"0 " + Arrived(1), "1 log \r\nGetting info 0...", "2 log \r\nFinding device 0...",
          "3 log \r\nFound USB PNP KX4", "4 " + Ini("USBPNP"), "4 close"}},
        {"plug and play, trace: the port is only logged",
         true,
         {Ids({kPnpId})},
         {"0 " + Arrived(1), "1 log \r\nGetting info 0...", "2 log \r\nFinding device 0...",
          "3 log \r\nFound USB PNP KX4", "4 " + Ini("USBPNP"), "4 log \r\nUSB Port Number:0003"}},
        {"without identity: recorded by its port number",
         false,
         {Ids({kUnknownId})},
         {"0 " + Arrived(1), "1 log \r\nGetting info 0...", "2 log \r\nFinding device 0...",
          "3 " + Ini("USB003"), "3 log \r\nFound USB NOT-PNP KX4", "4 close"}},
        {"without identity, trace",
         true,
         {Ids({kUnknownId})},
         {"0 " + Arrived(1), "1 log \r\nGetting info 0...", "2 log \r\nFinding device 0...",
          "3 " + Ini("USB003"), "3 log \r\nFound USB NOT-PNP KX4",
          "4 log \r\nUSB Port Number:0003"}},
        {"not there yet: the search repeats",
         false,
         {Ids({}), Ids({"USBPRINT\\OTHERMAKERLJ\\1"}), Ids({kPnpId})},
         {"0 " + Arrived(1), "1 log \r\nGetting info 0...", "2 log \r\nFinding device 0...",
          "3 log \r\nGetting info 1...", "4 log \r\nFinding device 1...",
          "5 log \r\nGetting info 2...", "6 log \r\nFinding device 2...",
          "7 log \r\nFound USB PNP KX4", "8 " + Ini("USBPNP"), "8 close"}},
        {"failed list requests are retried",
         false,
         {FailedRequest(8), FailedRequest(8), Ids({kPnpId})},
         {"0 " + Arrived(1), "1 log \r\nGetting info 0...", "2 log .", "3 log .",
          "4 log \r\nFinding device 0...", "5 log \r\nFound USB PNP KX4", "6 " + Ini("USBPNP"),
          "6 close"}},
        {"SetupAPI error: closes without a port",
         false,
         {{false, 0, {kPnpId}, 0}},
         {"0 " + Arrived(1), "1 log \r\nGetting info 0...", "2 log \r\nFinding device 0...",
          "3 close"}},
        {"SetupAPI error, trace: stays open",
         true,
         {{false, 0, {kPnpId}, 0}},
         {"0 " + Arrived(1), "1 log \r\nGetting info 0...", "2 log \r\nFinding device 0..."}},
    };
    for (const TimelineCase& c : cases) {
        SCOPED_TRACE(c.label);
        fake.listAnswers.assign(c.answers.begin(), c.answers.end());
        EXPECT_EQ(Run(c.trace), c.timeline);
        EXPECT_FALSE(detection->WantsTick());
    }
}

TEST_F(DetectionTest, PortZeroWhenNoPortNumberIsFound) {
    fake.listAnswers = {Ids({kUnknownId})};
    fake.interfacesFail = true;
    const std::vector<std::string> timeline = Run(false);
    EXPECT_NE(std::find(timeline.begin(), timeline.end(), "3 " + Ini("USB000")), timeline.end());
}

TEST_F(DetectionTest, BeforeWindows7TheInterfaceClassIsSearched) {
    fake.version = {6, 0};
    fake.listAnswers = {Ids({"USB\\" + std::string(KX4_HWID) + "&MI_00\\6&3A&0&0000"})};
    const std::vector<std::string> timeline = Run(false);
    EXPECT_EQ(fake.listRequests,
              std::vector<DeviceListKind>{DeviceListKind::kPrinterInterfaceClass});
    EXPECT_EQ(timeline.at(4), "4 " + Ini("USBPNP"));
}

TEST_F(DetectionTest, ListBudgetEndsTheSearchWithABox) {
    fake.listAnswers = {FailedRequest(31)};
    const std::vector<std::string> timeline = Run(false);
    std::vector<std::string> expected = {"0 " + Arrived(1), "1 log \r\nGetting info 0..."};
    for (int tick = 2; tick <= 20; ++tick) expected.push_back(std::to_string(tick) + " log .");
    expected.push_back("21 box SetupDiGetClassDevs(): error 31");
    EXPECT_EQ(timeline, expected);  // no port written, no close: the window stays open
    EXPECT_EQ(fake.listRequests.size(), 20u);
}

TEST_F(DetectionTest, ForeignPrinterChangesNothing) {
    EXPECT_TRUE(Run(false, DeviceEvent::kArrival, kOtherPrinterPath).empty());
    EXPECT_EQ(detection->ArrivalCount(), 0);
    EXPECT_TRUE(fake.listRequests.empty());
}

TEST_F(DetectionTest, RemovalIsOnlyLogged) {
    EXPECT_EQ(Run(false, DeviceEvent::kRemoval),
              std::vector<std::string>{"0 log \r\nDEV_? " + kKx4Path + "\r\n"});
    EXPECT_EQ(detection->ArrivalCount(), 0);
    EXPECT_TRUE(fake.listRequests.empty());
}

TEST_F(DetectionTest, SecondArrivalInTraceModeIsOnlyLogged) {
    fake.listAnswers = {Ids({kPnpId})};
    Run(true);
    fake.timeline.clear();
    const int now = fake.tick;
    detection->OnDeviceChange(DeviceEvent::kArrival, kKx4Path);
    RunTimer();
    EXPECT_EQ(fake.timeline, std::vector<std::string>{std::to_string(now) + " " + Arrived(2)});
    EXPECT_EQ(detection->ArrivalCount(), 2);
    EXPECT_EQ(fake.listRequests.size(), 1u);
}

// Notifications during a search are handled after it, in the order they came, each followed by
// its pause, exactly as when the search blocked the thread.
TEST_F(DetectionTest, NotificationsDuringASearchWaitTheirTurn) {
    fake.listAnswers = {Ids({kPnpId})};
    detection = std::make_unique<PrinterDetection>(fake, fake, true);
    ASSERT_TRUE(detection->Start(true));
    fake.timeline.clear();
    detection->OnDeviceChange(DeviceEvent::kArrival, kKx4Path);
    ++fake.tick;
    detection->Tick();
    detection->OnDeviceChange(DeviceEvent::kRemoval, kKx4Path);
    detection->OnDeviceChange(DeviceEvent::kArrival, kKx4Path);
    RunTimer();
    EXPECT_EQ(fake.timeline, (std::vector<std::string>{
                                 "0 " + Arrived(1), "1 log \r\nGetting info 0...",
                                 "2 log \r\nFinding device 0...", "3 log \r\nFound USB PNP KX4",
                                 "4 " + Ini("USBPNP"), "4 log \r\nUSB Port Number:0003",
                                 "5 log \r\nDEV_? " + kKx4Path + "\r\n", "6 " + Arrived(2)}));
}

TEST_F(DetectionTest, NothingIsHandledOnceTheToolCloses) {
    fake.listAnswers = {Ids({kPnpId})};
    detection = std::make_unique<PrinterDetection>(fake, fake, false);
    ASSERT_TRUE(detection->Start(true));
    detection->OnDeviceChange(DeviceEvent::kArrival, kKx4Path);
    ++fake.tick;
    detection->Tick();
    detection->OnDeviceChange(DeviceEvent::kRemoval, kKx4Path);
    RunTimer();
    ASSERT_EQ(fake.timeline.back(), "4 close");
    detection->OnDeviceChange(DeviceEvent::kArrival, kKx4Path);
    EXPECT_EQ(fake.timeline.back(), "4 close");
    EXPECT_FALSE(detection->WantsTick());
}

// The printer was unplugged during the search: the search goes on without limit, one attempt
// every two pauses, and never closes the window by itself.
TEST_F(DetectionTest, SearchWithoutPrinterNeverEnds) {
    fake.listAnswers = {Ids({})};
    const std::vector<std::string> timeline = Run(false, DeviceEvent::kArrival, kKx4Path, 200);
    EXPECT_TRUE(detection->WantsTick());
    EXPECT_EQ(timeline.back(), "200 log \r\nFinding device 99...");
    EXPECT_EQ(fake.listRequests.size(), 100u);
}

// The failure box is modal: the dialog still receives notifications and timer messages while it
// is open. They must neither re-enter the step under way nor be lost.
TEST_F(DetectionTest, NotificationDuringTheFailureBoxFollowsIt) {
    fake.listAnswers = {FailedRequest(31)};
    fake.duringWarning = [this] {
        detection->Tick();
        detection->OnDeviceChange(DeviceEvent::kRemoval, kKx4Path);
    };
    const std::vector<std::string> timeline = Run(false);
    ASSERT_EQ(timeline.size(), 23u);
    EXPECT_EQ(timeline[21], "21 box SetupDiGetClassDevs(): error 31");
    EXPECT_EQ(timeline[22], "21 log \r\nDEV_? " + kKx4Path + "\r\n");
    EXPECT_EQ(fake.listRequests.size(), 20u);
}

}  // namespace
}  // namespace quarrow
