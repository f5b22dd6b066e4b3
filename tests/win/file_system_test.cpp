// The file-system port's Win32 adapter against the real API under Wine, and the trace log it
// writes: what start-up relies on (atomic folder creation, whole-file reads and writes, listing).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/platform/win32_file_system.h"
#include "engine/platform/win32_text.h"
#include "engine/startup/trace_log.h"

namespace kel {
namespace {

class Win32FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        root = std::string(temp) + "kel_fs_test_" + std::to_string(GetCurrentProcessId()) + "\\";
        ASSERT_TRUE(files.ForceFolders(root + "a\\b\\c"));
    }
    void TearDown() override { RemoveTree(root); }
    void RemoveTree(const std::string& folder) {
        for (const DirectoryEntry& entry : files.ListFolder(folder)) {
            const std::string path = folder + "\\" + entry.name;
            if (entry.isDirectory) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        }
        RemoveDirectoryA(folder.c_str());
    }

    Win32FileSystem files;
    std::string root;
};

TEST_F(Win32FileSystemTest, CreateFolderNeverTakesOverAnExistingOne) {
    EXPECT_TRUE(files.FolderExists(root + "a\\b\\c\\"));
    EXPECT_TRUE(files.CreateFolder(root + "fresh"));
    EXPECT_FALSE(files.CreateFolder(root + "fresh"));  // exists now
    ASSERT_TRUE(files.WriteFile(root + "planted", "x"));
    EXPECT_FALSE(files.CreateFolder(root + "planted"));  // a file of that name
    EXPECT_FALSE(files.CreateFolder(root + "missing\\child"));  // parent missing
    EXPECT_TRUE(files.FileExists(root + "planted"));
    EXPECT_FALSE(files.FolderExists(root + "planted"));
}

// The single-instance lock relies on this: the file appears empty, and a second attempt, a file
// with content or a folder of that name never counts as created.
TEST_F(Win32FileSystemTest, CreateNewFileSucceedsOnlyForAFreeName) {
    const std::string lock = root + "{REV}.kel";
    EXPECT_EQ(files.CreateNewFile(lock), NewFileResult::Created);
    EXPECT_EQ(files.ReadFile(lock), "");
    EXPECT_EQ(files.CreateNewFile(lock), NewFileResult::AlreadyExists);
    ASSERT_TRUE(files.WriteFile(root + "held", "content"));
    EXPECT_EQ(files.CreateNewFile(root + "held"), NewFileResult::AlreadyExists);
    EXPECT_EQ(files.ReadFile(root + "held"), "content");
    EXPECT_EQ(files.CreateNewFile(root + "a"), NewFileResult::AlreadyExists);
    EXPECT_EQ(files.CreateNewFile(root + "missing\\x.kel"), NewFileResult::Failed);
}

TEST_F(Win32FileSystemTest, WholeFileReadWriteAppendCopy) {
    const std::string path = root + "data.bin";
    const std::string bytes("a\0b\r\nc\xff", 7);
    ASSERT_TRUE(files.WriteFile(path, bytes));
    EXPECT_EQ(files.ReadFile(path), bytes);
    ASSERT_TRUE(files.AppendFile(path, "tail"));
    EXPECT_EQ(files.ReadFile(path), bytes + "tail");
    ASSERT_TRUE(files.WriteFile(path, "short"));  // replaces, never keeps old bytes
    EXPECT_EQ(files.ReadFile(path), "short");
    ASSERT_TRUE(files.WriteFile(root + "empty", ""));
    EXPECT_EQ(files.ReadFile(root + "empty"), "");
    EXPECT_FALSE(files.ReadFile(root + "absent").has_value());

    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(files.CopyTo(path, root + "copy.bin"));
    ASSERT_TRUE(files.SetNormalAttributes(root + "copy.bin"));
    // Wine keeps no archive bit of its own and always reports it: what matters is that the
    // copy is writable again.
    EXPECT_EQ(GetFileAttributesA((root + "copy.bin").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_FALSE(files.RemoveFile(path));  // read-only
    files.SetNormalAttributes(path);
    EXPECT_TRUE(files.RemoveFile(path));
}

TEST_F(Win32FileSystemTest, ListFolderAndRemoveFolder) {
    files.WriteFile(root + "a\\one.txt", "1");
    auto entries = files.ListFolder(root + "a\\");
    std::sort(entries.begin(), entries.end(),
              [](const auto& x, const auto& y) { return x.name < y.name; });
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "b");
    EXPECT_TRUE(entries[0].isDirectory);
    EXPECT_EQ(entries[1].name, "one.txt");
    EXPECT_FALSE(entries[1].isDirectory);
    EXPECT_FALSE(files.RemoveFolder(root + "a\\b"));  // not empty
    EXPECT_TRUE(files.RemoveFolder(root + "a\\b\\c\\"));
}

TEST_F(Win32FileSystemTest, TraceLogIsUtf16WithoutMarkAndTruncatedOnce) {
    const std::string path = root + "trace.log";
    files.WriteFile(path, "old content of an earlier run");
    TraceLog trace(files, [](std::string_view line) {
        const std::wstring wide = AnsiToWide(line);
        return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
    });
    trace.Write("not written: no path yet");
    trace.SetPath(path);
    trace.Write("<Tarnwick>");
    trace.Write("  <SetupSplash>");
    const std::string expected = std::string("<\0T\0a\0r\0n\0w\0i\0c\0k\0>\0\r\0\n\0", 24) +
                                 std::string(" \0 \0<\0S\0e\0t\0u\0p\0S\0p\0l\0a\0s\0h\0>\0\r\0\n\0", 34);
    EXPECT_EQ(files.ReadFile(path), expected);
}

}  // namespace
}  // namespace kel
