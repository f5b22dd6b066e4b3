// The 64-bit view rules over the real WOW64 functions: this 32-bit program runs under WOW64 in a
// 64-bit Windows, so the 64-bit registry view and the 64-bit system folder are really apart from
// the 32-bit ones. A registry value written in the 64-bit view must not be seen in the 32-bit
// view, and a file in the 64-bit system folder is reachable only while redirection is off.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/platform/win32_wow64.h"
#include "engine/platform/wow64_views.h"

namespace kel {
namespace {

std::string UniqueName(const char* prefix) {
    return std::string(prefix) + std::to_string(GetCurrentProcessId());
}

bool FileVisible(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class Wow64ViewsTest : public ::testing::Test {
  protected:
    Win32Wow64 wow64;
    Wow64Views views{wow64};
};

TEST_F(Wow64ViewsTest, EngineRunsUnderWow64) { EXPECT_TRUE(views.IsWow64()); }

TEST_F(Wow64ViewsTest, ValueWrittenInThe64BitViewIsInvisibleInThe32BitView) {
    const std::string key = "Software\\" + UniqueName("KelWow64ViewTest");
    views.SelectRegistryView("x64");
    ASSERT_EQ(views.RegistryViewFlag(), kRegistryView64);
    HKEY written = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                              KEY_WRITE | views.RegistryViewFlag(), nullptr, &written, nullptr),
              ERROR_SUCCESS);
    const char value[] = "sixty-four";
    EXPECT_EQ(RegSetValueExA(written, "View", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                             sizeof value),
              ERROR_SUCCESS);
    RegCloseKey(written);
    views.ResetRegistryView();

    const auto readable = [&](const char* platformMode) {
        views.SelectRegistryView(platformMode);
        HKEY opened = nullptr;
        const LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0,
                                          KEY_READ | views.RegistryViewFlag(), &opened);
        views.ResetRegistryView();
        if (status != ERROR_SUCCESS) return false;
        const bool found = RegQueryValueExA(opened, "View", nullptr, nullptr, nullptr, nullptr) ==
                           ERROR_SUCCESS;
        RegCloseKey(opened);
        return found;
    };
    EXPECT_FALSE(readable("Win32"));
    EXPECT_TRUE(readable("x64"));
    EXPECT_EQ(views.RegistryViewFlag(), kRegistryView32);

    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_64KEY, 0);
}

TEST_F(Wow64ViewsTest, FileInThe64BitSystemFolderIsReachableOnlyWithRedirectionOff) {
    char system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
    const std::string path = std::string(system) + "\\" + UniqueName("kel_wow64_") + ".txt";

    views.DisableRedirection("x64", false);
    ASSERT_TRUE(views.RedirectionDisabled());
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(FileVisible(path));
    views.RevertRedirection("x64", false);
    EXPECT_FALSE(views.RedirectionDisabled());

    EXPECT_FALSE(FileVisible(path)) << "redirected to the 32-bit system folder";
    views.DisableRedirection("Win32", false);  // the 32-bit mode never switches it off
    EXPECT_FALSE(FileVisible(path));
    views.DisableRedirection("x64", true);  // a worker thread's own switch
    EXPECT_TRUE(FileVisible(path));
    EXPECT_FALSE(views.RedirectionDisabled());

    EXPECT_TRUE(DeleteFileA(path.c_str()));
    views.RevertRedirection("x64", true);
    EXPECT_FALSE(FileVisible(path));
}

}  // namespace
}  // namespace kel
