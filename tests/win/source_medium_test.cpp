// The source-medium check over the real GetDriveTypeA: the system drive is fixed, so a missing
// folder on it never counts as an ejected medium; a drive letter with no medium behind it does.
#include <windows.h>

#include <gtest/gtest.h>

#include "engine/platform/win32_drive_types.h"
#include "engine/platform/win32_file_system.h"

namespace kel {
namespace {

std::string UnusedDriveRoot() {
    const DWORD used = GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y'; ++letter) {
        if (!(used & (1u << (letter - 'A')))) return std::string(1, letter) + ":\\";
    }
    return {};
}

TEST(SourceMediumOnWindows, FixedDriveIsNeverGoneAndAMissingDriveIs) {
    Win32DriveTypes drives;
    Win32FileSystem files;
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    const std::string systemRoot = DriveRootOf(windows);
    EXPECT_EQ(drives.DriveType(systemRoot), kDriveFixed);
    EXPECT_FALSE(IsSourceMediumGone(drives, files, std::string(windows) + "\\"));
    EXPECT_FALSE(IsSourceMediumGone(drives, files, systemRoot + "kel_no_such_folder\\"));

    const std::string unused = UnusedDriveRoot();
    ASSERT_FALSE(unused.empty());
    EXPECT_TRUE(IsSourceMediumGone(drives, files, unused + "setup\\"));
}

}  // namespace
}  // namespace kel
