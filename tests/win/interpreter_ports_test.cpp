// The ports the interpreter adds, against the real API under Wine: whole-file replacement (the
// old content or the new, never a part, nothing left beside the file), the clock's fields and
// formats, the message pump; and "Write to Text File" through the real file system, where a
// read-only file is written and a locked one left as it was.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "engine/platform/unique_handle.h"
#include "engine/platform/win32_clock.h"
#include "engine/platform/win32_file_system.h"
#include "engine/platform/win32_message_boxes.h"
#include "engine/platform/win32_message_pump.h"
#include "engine/script/interpreter.h"
#include "engine/startup/trace_log.h"

namespace kel {
namespace {

class ReplaceFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        root =
            std::string(temp) + "kel_replace_test_" + std::to_string(GetCurrentProcessId()) + "\\";
        ASSERT_TRUE(files.ForceFolders(root));
    }
    void TearDown() override {
        for (const DirectoryEntry& entry : files.ListFolder(root)) {
            const std::string path = root + entry.name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.isDirectory) {
                RemoveDirectoryA(path.c_str());
            } else {
                DeleteFileA(path.c_str());
            }
        }
        RemoveDirectoryA(root.c_str());
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const DirectoryEntry& entry : files.ListFolder(root)) names.push_back(entry.name);
        std::sort(names.begin(), names.end());
        return names;
    }

    Win32FileSystem files;
    std::string root;
};

TEST_F(ReplaceFileTest, CreatesAndReplacesLeavingNothingBeside) {
    const std::string path = root + "list.txt";
    ASSERT_TRUE(files.ReplaceFileContent(path, "first\r\n"));
    EXPECT_EQ(files.ReadFile(path), "first\r\n");
    ASSERT_TRUE(files.ReplaceFileContent(path, "x"));
    EXPECT_EQ(files.ReadFile(path), "x");
    EXPECT_EQ(Names(), std::vector<std::string>{"list.txt"});
}

// The old content stays whole when the new file cannot take its place.
TEST_F(ReplaceFileTest, FailureKeepsTheOldContentAndRemovesTheNewFile) {
    const std::string path = root + "held.txt";
    ASSERT_TRUE(files.WriteFile(path, "old"));
    {
        UniqueFile held(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        EXPECT_FALSE(files.ReplaceFileContent(path, "new"));
    }
    EXPECT_EQ(files.ReadFile(path), "old");

    // Windows refuses to move over a read-only file, Wine 8 does not: "Write to Text File" resets
    // the attributes first, so both behave alike for the command (tested below).

    ASSERT_TRUE(files.CreateFolder(root + "folder"));
    EXPECT_FALSE(files.ReplaceFileContent(root + "folder", "new"));
    EXPECT_TRUE(files.FolderExists(root + "folder"));
    EXPECT_FALSE(files.ReplaceFileContent(root + "missing\\file.txt", "new"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"folder", "held.txt"}));
}

// The real formats at a fixed time.
class FixedTimeClock : public Clock {
  public:
    std::uint32_t TickCount() override { return real_.TickCount(); }
    LocalTime Now() override { return {2024, 5, 17, 9, 30, 15}; }
    std::string ShortDate(const LocalTime& time) override { return real_.ShortDate(time); }
    std::string LongTime(const LocalTime& time) override { return real_.LongTime(time); }

  private:
    Win32Clock real_;
};

TEST_F(ReplaceFileTest, WriteToTextFileResetsAttributesAndSkipsALockedFile) {
    const std::string readOnly = root + "readonly.txt";
    const std::string locked = root + "locked.txt";
    ASSERT_TRUE(files.WriteFile(readOnly, "a\r\n"));
    ASSERT_TRUE(files.WriteFile(locked, "kept\r\n"));
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    UniqueFile held(CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    ASSERT_TRUE(files.WriteFile(root + "setup.msi", "database"));

    ScriptModel script;
    const std::vector<std::vector<std::string>> statements = {
        {readOnly, "x", "TRUE", ""}, {locked, "x", "FALSE", ""}, {readOnly, "$DATE$", "FALSE", ""}};
    for (std::size_t i = 0; i < statements.size(); ++i) {
        const std::string id = "{S" + std::to_string(i) + "}";
        script.commands.Add("Write to Text File");
        script.ids.Add(id);
        script.states.Add("");
        script.mediaNames.Add("");
        script.ParameterBlocks().Add(id);
        for (const std::string& parameter : statements[i]) script.ParameterBlocks().Add(parameter);
    }
    EngineGlobals globals;
    globals.silentMode = true;
    TraceLog trace(files, WidenLatin1);
    FixedTimeClock clock;
    Win32MessagePump messages;
    Win32MessageBoxes boxes;
    const RunResult result =
        RunScript(script, root + "setup.msi", {globals, trace, {files, clock, messages, boxes}});
    EXPECT_EQ(result.exitCode, 0);

    const std::string date = clock.ShortDate(clock.Now());
    EXPECT_EQ(files.ReadFile(readOnly), "x\r\na\r\n" + date + "\r\n");
    EXPECT_EQ(
        GetFileAttributesA(readOnly.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
        0u);
    held.Reset();
    EXPECT_EQ(files.ReadFile(locked), "kept\r\n");
}

TEST(Win32ClockTest, FieldsReachTheFormats) {
    Win32Clock clock;
    const LocalTime time{2024, 5, 17, 9, 30, 15};
    const std::string date = clock.ShortDate(time);
    const std::string longTime = clock.LongTime(time);
    EXPECT_NE(date.find("17"), std::string::npos) << date;
    EXPECT_NE(date.find("5"), std::string::npos) << date;
    EXPECT_NE(date.find("24"), std::string::npos) << date;
    EXPECT_NE(longTime.find("30"), std::string::npos) << longTime;
    EXPECT_NE(longTime.find("15"), std::string::npos) << longTime;

    SYSTEMTIME before;
    GetLocalTime(&before);
    const LocalTime now = clock.Now();
    EXPECT_EQ(now.year, before.wYear);
    EXPECT_EQ(now.month, before.wMonth);
    EXPECT_GE(now.day, 1);
    EXPECT_NE(clock.TickCount(), 0u);
}

int delivered = 0;
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_APP || message == WM_TIMER) {
        ++delivered;
        return 0;
    }
    return DefWindowProcA(window, message, w, l);
}

TEST(Win32MessagePumpTest, PendingMessagesAndOneWaitedFor) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = CountingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KelPumpTest";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("KelPumpTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    Win32MessagePump pump;

    delivered = 0;
    for (int i = 0; i < 3; ++i) PostMessageA(window, WM_APP, 0, 0);
    pump.ProcessPending();
    EXPECT_EQ(delivered, 3);
    pump.ProcessPending();  // nothing waiting: returns at once
    EXPECT_EQ(delivered, 3);

    PostMessageA(window, WM_APP, 0, 0);
    PostMessageA(window, WM_APP, 0, 0);
    pump.ProcessOne();
    EXPECT_EQ(delivered, 4);

    // Nothing waiting: ProcessOne blocks until the timer's message arrives.
    pump.ProcessPending();
    delivered = 0;
    SetTimer(window, 1, 50, nullptr);
    const DWORD start = GetTickCount();
    while (delivered == 0 && GetTickCount() - start < 5000) pump.ProcessOne();
    KillTimer(window, 1);
    EXPECT_GE(delivered, 1);
    DestroyWindow(window);
}

}  // namespace
}  // namespace kel
