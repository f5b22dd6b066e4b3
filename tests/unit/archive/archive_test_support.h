// Helpers of the archive tests: the fixture archives made by make_fixtures.sh, the source tree
// they were made from, an in-memory output folder, and an edit of an archive's stored names
// (with the header CRCs fixed up) to make archives that 7zz would refuse to write.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive_library.h"

namespace kel::archive::test {

// A fixture's path ('/'-separated relative path; a Windows path in the Windows build).
std::string FixturePath(const std::string& relative);
std::vector<std::uint8_t> ReadFixture(const std::string& name);
// A file of the fixture source tree, by '/'-separated relative path.
std::vector<std::uint8_t> ReadTreeFile(const std::string& relative);

// The listing's name encoder of the host: UTF-8.
std::string Utf8Name(std::u16string_view name);

// Replaces a stored name in an archive whose header is not packed (made with -mhc=off); `from`
// and `to` must have the same length. Fixes the header CRC.
std::vector<std::uint8_t> ReplaceStoredName(std::vector<std::uint8_t> archive,
                                            const std::u16string& from, const std::u16string& to);

// 2021-03-04 05:06:07 UTC, the time of every fixture file, as a FILETIME.
inline constexpr std::uint64_t kFixtureTime = (1614834367ull + 11644473600ull) * 10000000ull;

// The fixture tree: files with their sizes, and folders.
struct TreeEntry {
    std::string path;  // '\'-separated, as listed
    bool folder;
};
const std::vector<TreeEntry>& FixtureTree();

// Output folder in memory; paths in UTF-8 with '\'.
class MemoryOutputFolder : public OutputFolder {
  public:
    struct File {
        std::vector<std::uint8_t> data;
        std::uint64_t modified = 0;
        std::uint32_t attributes = 0;
    };
    std::map<std::string, File> files;
    std::map<std::string, std::uint64_t> folders;  // path -> time set (0: none)
    int filesCreated = 0;
    std::optional<std::string> failCreateOf;  // NewFile of this path fails

    std::string DisplayPath(const std::u16string& relative) override;
    std::optional<ExistingFile> FindFile(const std::u16string& relative) override;
    void CreateFolders(const std::u16string& relative) override;
    std::unique_ptr<OutputFile> NewFile(const std::u16string& relative) override;
    void SetFolderTime(const std::u16string& relative, std::uint64_t modified) override;
};

}  // namespace kel::archive::test
