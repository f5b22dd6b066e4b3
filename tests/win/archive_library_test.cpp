// kel.lib as the engine meets it: loaded from out/win32 by name, its four undecorated exports
// called with the standard calling convention, listing and extracting 7zz-made archives onto the
// disk of the Wine prefix. Checks files, sizes, times and attributes on disk, the 48-byte
// records, the error codes and the callbacks.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "archive/kel_archive.h"
#include "tests/unit/archive/archive_test_support.h"

namespace kel::archive {
namespace {

using OpenListFn = decltype(&OpenListArchive);
using CloseListFn = decltype(&CloseListArchive);
using ExtractFn = decltype(&ExtractArchive);
using LastErrorFn = decltype(&GetLastArchiveError);

struct Library {
    HMODULE module = nullptr;
    OpenListFn open = nullptr;
    CloseListFn close = nullptr;
    ExtractFn extract = nullptr;
    LastErrorFn lastError = nullptr;
};

std::string ModuleFolder() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    return folder.substr(0, folder.rfind('\\') + 1);
}

template <typename Function>
Function Resolve(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const Library& Lib() {
    static const Library library = [] {
        Library lib;
        lib.module = LoadLibraryA((ModuleFolder() + "kel.lib").c_str());
        if (lib.module == nullptr) return lib;
        lib.open = Resolve<OpenListFn>(lib.module, "OpenListArchive");
        lib.close = Resolve<CloseListFn>(lib.module, "CloseListArchive");
        lib.extract = Resolve<ExtractFn>(lib.module, "ExtractArchive");
        lib.lastError = Resolve<LastErrorFn>(lib.module, "GetLastArchiveError");
        return lib;
    }();
    return library;
}

std::string Fixture(const char* name) { return test::FixturePath(name); }

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TempFolder {
  public:
    TempFolder() {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        static int counter = 0;
        path_ = std::string(temp) + "kelarch" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(++counter);
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempFolder() { Remove(std::wstring(path_.begin(), path_.end())); }
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

  private:
    // Wide names: entries may have names the code page cannot show.
    static void Remove(const std::wstring& path) {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring child = path + L"\\" + name;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    Remove(child);
                } else {
                    SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileW(child.c_str());
                }
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
        RemoveDirectoryW(path.c_str());
    }
    std::string path_;
};

std::vector<std::uint8_t> ReadDiskFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::uint64_t WriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

int32_t ExtractAll(const std::string& archive, const std::string& folder, int32_t mode = 0,
                   KelProgressCallback progress = nullptr, KelReplaceCallback replace = nullptr,
                   KelFileDoneCallback fileDone = nullptr) {
    return Lib().extract(archive.c_str(), 1, folder.c_str(), nullptr, mode, nullptr, nullptr,
                         progress, fileDone, replace);
}

class archive_dll : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(Lib().module, nullptr) << "kel.lib did not load";
        ASSERT_TRUE(Lib().open && Lib().close && Lib().extract && Lib().lastError)
            << "an export is missing under its undecorated name";
    }
};

TEST_F(archive_dll, ListsRecordsOf48Bytes) {
    const KelArchiveEntry* entries = nullptr;
    uint32_t count = 0;
    KelListHandle handle = Lib().open(Fixture("lzma2_solid.7z").c_str(), 0, nullptr, nullptr,
                                      nullptr, nullptr, nullptr, &entries, &count);
    ASSERT_NE(handle, nullptr) << Lib().lastError(0);
    EXPECT_EQ(Lib().lastError(0), KEL_ERROR_NONE);
    ASSERT_EQ(count, test::FixtureTree().size());
    // Read the records by their byte offsets, as the engine does.
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(entries);
    bool sawGuide = false;
    for (uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* record = bytes + 48 * i;
        const char* path;
        std::uint64_t size, modified;
        std::uint32_t attributes;
        std::memcpy(&path, record + 0, sizeof path);
        std::memcpy(&size, record + 8, 8);
        std::memcpy(&modified, record + 32, 8);
        std::memcpy(&attributes, record + 40, 4);
        EXPECT_EQ(modified, test::kFixtureTime) << path;
        if (std::string(path) == "docs\\guide.txt") {
            sawGuide = true;
            EXPECT_EQ(size, 20u);
        }
        if (std::string(path) == "readonly.txt") {
            EXPECT_EQ(attributes & FILE_ATTRIBUTE_READONLY, 1u);
        }
        if (std::string(path) == "docs\\emptydir") {
            EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
        }
    }
    EXPECT_TRUE(sawGuide);
    Lib().close(handle);
    Lib().close(handle);  // a second close of the same handle is ignored
    Lib().close(reinterpret_cast<KelListHandle>(0x1234));
}

TEST_F(archive_dll, ExtractsFilesWithTimesAndAttributes) {
    TempFolder out;
    const std::string target = out / "nested\\target";  // created by the call
    ASSERT_EQ(ExtractAll(Fixture("lzma2_solid.7z"), target), 1) << Lib().lastError(0);
    for (const auto& entry : test::FixtureTree()) {
        const std::string path = target + "\\" + entry.path;
        const DWORD attributes = GetFileAttributesA(path.c_str());
        ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << path;
        EXPECT_EQ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0, entry.folder) << path;
        EXPECT_EQ(WriteTime(path), test::kFixtureTime) << path;
        if (entry.folder) continue;
        std::string relative = entry.path;
        for (char& c : relative) {
            if (c == '\\') c = '/';
        }
        EXPECT_EQ(ReadDiskFile(path), test::ReadTreeFile(relative)) << path;
    }
    EXPECT_NE(GetFileAttributesA((target + "\\readonly.txt").c_str()) & FILE_ATTRIBUTE_READONLY,
              0u);
    EXPECT_EQ(GetFileAttributesA((target + "\\readme.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

    // Mode 0 replaces what is there, read-only files included.
    ASSERT_EQ(ExtractAll(Fixture("lzma_nonsolid.7z"), target), 1) << Lib().lastError(0);
}

TEST_F(archive_dll, ErrorCodes) {
    TempFolder out;
    const KelArchiveEntry* entries = nullptr;
    uint32_t count = 0;
    struct ListCase {
        std::string archive;
        int32_t code;
    };
    const ListCase lists[] = {
        {Fixture("missing.7z"), KEL_ERROR_ARCHIVE_NOT_FOUND},
        {out / "no\\such\\folder.7z", KEL_ERROR_ARCHIVE_NOT_FOUND},
        {Fixture("truncated.7z"), KEL_ERROR_CANNOT_OPEN},
        {Fixture("tree/readme.txt"), KEL_ERROR_CANNOT_OPEN},
    };
    for (const auto& c : lists) {
        EXPECT_EQ(Lib().open(c.archive.c_str(), 0, nullptr, nullptr, nullptr, nullptr, nullptr,
                             &entries, &count),
                  nullptr);
        EXPECT_EQ(Lib().lastError(0), c.code) << c.archive;
    }
    EXPECT_EQ(Lib().open(nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr, &entries, &count),
              nullptr);
    EXPECT_EQ(Lib().lastError(0), KEL_ERROR_INVALID_ARGUMENT);

    struct ExtractCase {
        const char* archive;
        int32_t code;
    };
    const ExtractCase extracts[] = {
        {"ppmd.7z", KEL_ERROR_UNSUPPORTED_METHOD},
        {"corrupt_crc.7z", KEL_ERROR_CRC_MISMATCH},
        {"absolute.7z", KEL_ERROR_ILLEGAL_PATH},
        {"missing.7z", KEL_ERROR_ARCHIVE_NOT_FOUND},
    };
    for (const auto& c : extracts) {
        const std::string folder = out / (std::string("x_") + c.archive);
        EXPECT_EQ(ExtractAll(Fixture(c.archive), folder), 0) << c.archive;
        EXPECT_EQ(Lib().lastError(0), c.code) << c.archive;
    }
    EXPECT_FALSE(Exists(out / "x_corrupt_crc.7z\\bin\\random.bin"))
        << "a file failing its CRC is deleted";

    // A success clears the code; a failure on another thread does not touch this thread's code.
    ASSERT_EQ(ExtractAll(Fixture("copy.7z"), out / "ok"), 1);
    EXPECT_EQ(Lib().lastError(0), KEL_ERROR_NONE);
    std::thread([] { ExtractAll(Fixture("ppmd.7z"), "C:\\kel_never"); }).join();
    EXPECT_EQ(Lib().lastError(0), KEL_ERROR_NONE);
}

TEST_F(archive_dll, HostileNameWritesNothingOutside) {
    TempFolder out;
    auto bytes =
        test::ReplaceStoredName(test::ReadFixture("copy.7z"), u"docs/guide.txt", u"../../guide.tx");
    const std::string archive = out / "hostile.7z";
    {
        std::ofstream file(archive, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    const std::string target = out / "a\\b";
    EXPECT_EQ(ExtractAll(archive, target), 0);
    EXPECT_EQ(Lib().lastError(0), KEL_ERROR_ILLEGAL_PATH);
    EXPECT_FALSE(Exists(out / "guide.tx"));
    EXPECT_FALSE(Exists(target + "\\readme.txt")) << "nothing at all is written";
}

struct CallbackLog {
    int replaceQuestions = 0;
    int32_t replaceAnswer = KEL_REPLACE_SKIP;
    std::uint64_t existingSize = 0;
    int progressCalls = 0;
    std::uint64_t stopAfter = ~0ull;
    int filesDone = 0;
};
CallbackLog gLog;

int32_t KEL_ARCHIVE_CALL CountingReplace(const char*, uint32_t sizeLow, uint32_t sizeHigh, uint32_t,
                                         uint32_t, const char*, uint32_t, uint32_t, uint32_t,
                                         uint32_t) {
    ++gLog.replaceQuestions;
    gLog.existingSize = (static_cast<std::uint64_t>(sizeHigh) << 32) | sizeLow;
    return gLog.replaceAnswer;
}

int32_t KEL_ARCHIVE_CALL StoppingProgress(const char*, uint64_t done, uint64_t) {
    ++gLog.progressCalls;
    return done < gLog.stopAfter ? 1 : 0;
}

int32_t KEL_ARCHIVE_CALL CountingFileDone(const char* path, int32_t outcome) {
    if (outcome == KEL_FILE_WRITTEN && Exists(path)) ++gLog.filesDone;
    return 1;
}

TEST_F(archive_dll, ReplaceQuestionInModeOne) {
    TempFolder out;
    ASSERT_EQ(ExtractAll(Fixture("lzma2_solid.7z"), out.Path()), 1);
    const std::string readme = out / "readme.txt";
    {
        std::ofstream file(readme, std::ios::binary | std::ios::trunc);
        file << "changed";
    }
    gLog = {};
    gLog.replaceAnswer = KEL_REPLACE_SKIP;
    ASSERT_EQ(ExtractAll(Fixture("lzma2_solid.7z"), out.Path(), 1, nullptr, CountingReplace), 1);
    EXPECT_EQ(gLog.replaceQuestions, 6) << "one question per existing file";
    EXPECT_EQ(ReadDiskFile(readme).size(), 7u) << "answer 1 keeps the file";

    gLog = {};
    gLog.replaceAnswer = KEL_REPLACE_ALL;
    ASSERT_EQ(ExtractAll(Fixture("lzma2_solid.7z"), out.Path(), 1, nullptr, CountingReplace), 1);
    EXPECT_EQ(gLog.replaceQuestions, 1) << "answer 4 replaces all without more questions";
    EXPECT_EQ(ReadDiskFile(readme), test::ReadTreeFile("readme.txt"));
}

TEST_F(archive_dll, ProgressStopDeletesThePartialFile) {
    TempFolder out;
    gLog = {};
    gLog.stopAfter = 1 << 20;
    EXPECT_EQ(ExtractAll(Fixture("lzma2_small_dictionary.7z"), out.Path(), 0, StoppingProgress), 0);
    EXPECT_EQ(Lib().lastError(0), KEL_ERROR_CANCELLED);
    EXPECT_GE(gLog.progressCalls, 2);
    EXPECT_FALSE(Exists(out / "numbers.txt"));

    gLog = {};
    ASSERT_EQ(ExtractAll(Fixture("lzma2_nonsolid.7z"), out.Path(), 0, StoppingProgress, nullptr,
                         CountingFileDone),
              1);
    EXPECT_EQ(gLog.filesDone, 6) << "the file-done callback sees each written file on disk";
}

TEST_F(archive_dll, ChosenTargetsOnly) {
    TempFolder out;
    const char* paths[] = {"docs\\guide.txt", "README.TXT"};
    KelTargetFiles targets{paths, 2};
    ASSERT_EQ(Lib().extract(Fixture("lzma2_solid.7z").c_str(), 0, out.Path().c_str(), &targets, 0,
                            nullptr, nullptr, nullptr, nullptr, nullptr),
              1);
    EXPECT_TRUE(Exists(out / "guide.txt")) << "path option 0 drops the folders";
    EXPECT_TRUE(Exists(out / "readme.txt"));
    EXPECT_FALSE(Exists(out / "docs"));
    EXPECT_FALSE(Exists(out / "empty.txt"));

    const char* missing[] = {"nothere.txt"};
    KelTargetFiles none{missing, 1};
    EXPECT_EQ(Lib().extract(Fixture("lzma2_solid.7z").c_str(), 1, out.Path().c_str(), &none, 0,
                            nullptr, nullptr, nullptr, nullptr, nullptr),
              0);
    EXPECT_EQ(Lib().lastError(0), KEL_ERROR_ENTRY_NOT_FOUND);
}

// Stored names are UTF-16: the listing shows them in the ANSI code page (a character it lacks as
// '?'), the files on disk get the stored name itself.
TEST_F(archive_dll, NamesBeyondTheCodePage) {
    if (GetACP() != 1252) GTEST_SKIP() << "the expectations are for the Western code page";
    const KelArchiveEntry* entries = nullptr;
    uint32_t count = 0;
    KelListHandle handle = Lib().open(Fixture("unicode.7z").c_str(), 0, nullptr, nullptr, nullptr,
                                      nullptr, nullptr, &entries, &count);
    ASSERT_NE(handle, nullptr);
    std::vector<std::string> names;
    for (uint32_t i = 0; i < count; ++i) names.emplace_back(entries[i].path);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"?.txt", "caf\xE9.txt"}));

    // The listed names find their entries again, '?' included.
    std::vector<const char*> paths;
    for (const auto& name : names) paths.push_back(name.c_str());
    KelTargetFiles targets{paths.data(), static_cast<uint32_t>(paths.size())};
    TempFolder out;
    ASSERT_EQ(Lib().extract(Fixture("unicode.7z").c_str(), 1, out.Path().c_str(), &targets, 0,
                            nullptr, nullptr, nullptr, nullptr, nullptr),
              1)
        << Lib().lastError(0);
    Lib().close(handle);
    const std::wstring folder(out.Path().begin(), out.Path().end());
    EXPECT_NE(GetFileAttributesW((folder + L"\\\u0416.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW((folder + L"\\caf\u00e9.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

// The engine's message table travels appended to kel.lib; the library must load and work so.
TEST_F(archive_dll, LoadsWithDataAppended) {
    TempFolder out;
    // Another name, so that the loader cannot hand back the kel.lib this program imports.
    const std::string copy = out / "kel_with_tail.lib";
    ASSERT_TRUE(CopyFileA((ModuleFolder() + "kel.lib").c_str(), copy.c_str(), FALSE));
    {
        std::ofstream file(copy, std::ios::binary | std::ios::app);
        file << std::string(5000, '\x5A') << "message table";
    }
    HMODULE module = LoadLibraryExA(copy.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(module, nullptr) << GetLastError();
    EXPECT_NE(module, Lib().module);
    auto lastError = Resolve<LastErrorFn>(module, "GetLastArchiveError");
    ASSERT_NE(lastError, nullptr);
    EXPECT_EQ(lastError(0), KEL_ERROR_NONE);
    FreeLibrary(module);
}

}  // namespace
}  // namespace kel::archive
