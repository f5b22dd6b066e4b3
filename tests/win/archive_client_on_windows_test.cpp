// The engine's archive wrappers over the real kel.lib, linked through its import library as the
// engine links it: the payload unpacking and a listing with local date-time texts.
#include <gtest/gtest.h>
#include <windows.h>

#include "engine/media/win32_archive_binding.h"
#include "tests/unit/archive/archive_test_support.h"

namespace kel {
namespace {

// Leaves nothing behind in the prefix's temporary folder (read-only files included).
void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = path + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

TEST(archive_client_on_windows, UnpacksThePayloadIntoTheSupportFolder) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string support =
        std::string(temp) + "kelpayload" + std::to_string(GetCurrentProcessId()) + "\\";
    ASSERT_TRUE(UnpackPayload(archive::test::FixturePath("lzma2_solid.7z"), support));
    EXPECT_NE(GetFileAttributesA((support + "docs\\deep\\deeper\\note.txt").c_str()),
              INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA((support + "docs\\emptydir").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              0u);
    // A second unpack over the first replaces everything, the read-only file too.
    ASSERT_TRUE(UnpackPayload(archive::test::FixturePath("lzma_solid.7z"), support));
    EXPECT_FALSE(UnpackPayload(archive::test::FixturePath("missing.7z"), support));

    std::string error;
    StringList paths, times;
    ASSERT_TRUE(ListArchive(Win32ArchivePorts(), archive::test::FixturePath("copy.7z"), "",
                            {&paths, nullptr, nullptr, &times}, error));
    ASSERT_EQ(times.Count(), paths.Count());
    EXPECT_NE(times[0].find("2021"), std::string::npos) << times[0];
    EXPECT_FALSE(ListArchive(Win32ArchivePorts(), archive::test::FixturePath("truncated.7z"), "",
                             {}, error));
    EXPECT_EQ(error, kArchiveCannotOpenText);
    RemoveTree(support.substr(0, support.size() - 1));
}

}  // namespace
}  // namespace kel
