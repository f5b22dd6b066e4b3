// The source-medium check: only a drive that is not fixed and has lost the EXEDIR folder counts as
// gone; the drive is asked by its root, for drive letters and network shares alike.
#include <gtest/gtest.h>

#include <map>

#include "engine/platform/source_medium.h"
#include "support/memory_file_system.h"

namespace kel {
namespace {

class TableDrives : public DriveTypes {
  public:
    std::map<std::string, unsigned> types;
    std::vector<std::string> asked;
    unsigned DriveType(const std::string& rootPath) override {
        asked.push_back(rootPath);
        auto it = types.find(rootPath);
        return it == types.end() ? 1u : it->second;  // 1: no such root
    }
};

TEST(DriveRoot, OfLettersAndShares) {
    const std::pair<const char*, const char*> cases[] = {
        {"D:\\setup\\disk1\\", "D:\\"},
        {"d:\\", "d:\\"},
        {"\\\\server\\share\\setup\\", "\\\\server\\share\\"},
        {"\\\\server\\share", "\\\\server\\share\\"},
        {"relative\\", "relative\\"},
    };
    for (const auto& [path, root] : cases) EXPECT_EQ(DriveRootOf(path), root) << path;
}

TEST(SourceMedium, GoneOnlyWhenNotFixedAndFolderMissing) {
    const struct {
        const char* exeDir;
        bool folderThere;
        bool gone;
    } cases[] = {
        {"C:\\setup\\", true, false},
        {"C:\\setup\\", false, false},  // a fixed drive never counts as ejected
        {"E:\\setup\\", true, false},   // the disc is still in
        {"E:\\setup\\", false, true},   // removable, folder gone
        {"F:\\setup\\", false, true},   // the drive letter itself has gone
        {"\\\\server\\share\\setup\\", false, true},
        {"\\\\server\\share\\setup\\", true, false},
    };
    for (const auto& c : cases) {
        TableDrives drives;
        drives.types = {{"C:\\", 3}, {"E:\\", 2}, {"\\\\server\\share\\", 4}};
        testing::MemoryFileSystem files;
        if (c.folderThere) files.ForceFolders(c.exeDir);
        EXPECT_EQ(IsSourceMediumGone(drives, files, c.exeDir), c.gone)
            << c.exeDir << " folder " << c.folderThere;
        ASSERT_EQ(drives.asked.size(), 1u);
        EXPECT_EQ(drives.asked[0], DriveRootOf(c.exeDir));
    }
}

}  // namespace
}  // namespace kel
