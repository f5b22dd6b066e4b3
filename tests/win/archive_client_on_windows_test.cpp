// The engine's archive wrappers over the real kel.lib, linked through its import library as the
// engine links it: the payload unpacking and a listing with local date-time texts.
#include <gtest/gtest.h>
#include <windows.h>
// After <windows.h>, which it needs.
#include <shellapi.h>

#include "engine/media/win32_archive_binding.h"
#include "tests/unit/archive/archive_test_support.h"

namespace kel {
namespace {

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
    // Leave nothing behind in the prefix's temporary folder.
    SHFILEOPSTRUCTA op{};
    std::string from = support.substr(0, support.size() - 1) + std::string(1, '\0');
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationA(&op);
}

}  // namespace
}  // namespace kel
