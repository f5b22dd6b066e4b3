// The library's behaviour behind its four functions: listing records, chosen entries, path checks
// before any write, replace answers, progress and stop, the password order.
#include "archive/archive_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>

#include "archive/archive_error.h"
#include "archive_test_support.h"

namespace kel::archive {
namespace {

using test::MemoryOutputFolder;
using test::ReadFixture;

static_assert(sizeof(KelArchiveEntry) == 48);
static_assert(offsetof(KelArchiveEntry, size) == 8);
static_assert(offsetof(KelArchiveEntry, packedSize) == 16);
static_assert(offsetof(KelArchiveEntry, modified) == 32);
static_assert(offsetof(KelArchiveEntry, attributes) == 40);

struct Opened {
    explicit Opened(std::vector<std::uint8_t> data)
        : bytes(std::move(data)),
          source(bytes),
          archive(source, context),
          listing(archive, test::Utf8Name) {}
    std::vector<std::uint8_t> bytes;
    MemoryByteSource source;
    DecodeContext context;
    SevenZipArchive archive;
    ArchiveListing listing;
};

KelArchiveError Extract(Opened& opened, MemoryOutputFolder& output, const ExtractOptions& options,
                        const ExtractCallbacks& callbacks = {}) {
    try {
        ExtractEntries(opened.archive, opened.listing, output, options, callbacks);
    } catch (const ArchiveError& error) {
        return error.Code();
    }
    return KEL_ERROR_NONE;
}

TEST(archive_library, ListingRecords) {
    Opened opened(ReadFixture("lzma2_solid.7z"));
    const KelArchiveEntry* records = opened.listing.Records();
    ASSERT_EQ(opened.listing.Count(), test::FixtureTree().size());
    std::uint64_t packedTotal = 0;
    int withPackedSize = 0;
    for (std::uint32_t i = 0; i < opened.listing.Count(); ++i) {
        const KelArchiveEntry& record = records[i];
        const std::string path = record.path;
        EXPECT_EQ(record.modified, test::kFixtureTime) << path;
        EXPECT_EQ((record.flags & KEL_ENTRY_FOLDER) != 0, (record.attributes & 0x10) != 0) << path;
        if (record.packedSize != 0) ++withPackedSize;
        packedTotal += record.packedSize;
        if (path == "docs\\guide.txt") {
            EXPECT_EQ(record.size, 20u);
            EXPECT_NE(record.flags & KEL_ENTRY_HAS_CRC, 0u);
        }
    }
    EXPECT_EQ(withPackedSize, 1) << "a solid block's packed size is given on its first file";
    EXPECT_GT(packedTotal, 0u);
    EXPECT_LT(packedTotal, opened.bytes.size());
}

TEST(archive_library, NamesBeyondAscii) {
    Opened opened(ReadFixture("unicode.7z"));
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < opened.listing.Count(); ++i)
        names.emplace_back(opened.listing.Records()[i].path);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"caf\xC3\xA9.txt", "\xD0\x96.txt"}));
    MemoryOutputFolder output;
    ASSERT_EQ(Extract(opened, output, {}), KEL_ERROR_NONE);
    EXPECT_EQ(output.files.size(), 2u);
}

TEST(archive_library, ExtractsEverythingWithTimesAndAttributes) {
    Opened opened(ReadFixture("lzma2_nonsolid.7z"));
    MemoryOutputFolder output;
    ASSERT_EQ(Extract(opened, output, {}), KEL_ERROR_NONE);
    EXPECT_EQ(output.files.size(), 6u);
    EXPECT_EQ(output.files["docs\\deep\\deeper\\note.txt"].data,
              test::ReadTreeFile("docs/deep/deeper/note.txt"));
    EXPECT_TRUE(output.files["empty.txt"].data.empty());
    EXPECT_EQ(output.files["readonly.txt"].attributes & 0x1, 0x1u);
    EXPECT_EQ(output.files["readme.txt"].modified, test::kFixtureTime);
    EXPECT_EQ(output.files["readme.txt"].attributes & ~kKeptFileAttributes, 0u)
        << "the POSIX mode bits of the high word are not attributes";
    ASSERT_TRUE(output.folders.count("docs\\emptydir"));
    EXPECT_EQ(output.folders["docs\\emptydir"], test::kFixtureTime);
}

TEST(archive_library, FlatModeWritesFileNamesOnly) {
    Opened opened(ReadFixture("lzma2_solid.7z"));
    MemoryOutputFolder output;
    ExtractOptions options;
    options.keepFolders = false;
    ASSERT_EQ(Extract(opened, output, options), KEL_ERROR_NONE);
    EXPECT_TRUE(output.folders.empty());
    EXPECT_TRUE(output.files.count("note.txt"));
    EXPECT_TRUE(output.files.count("guide.txt"));
}

TEST(archive_library, TargetsChooseEntries) {
    Opened opened(ReadFixture("lzma2_solid.7z"));
    struct TargetCase {
        std::vector<std::string> targets;
        KelArchiveError code;
        std::size_t files;
        const char* why;
    };
    const TargetCase cases[] = {
        {{"docs\\guide.txt", "README.TXT"}, KEL_ERROR_NONE, 2, "letter case does not matter"},
        {{"docs/deep/deeper/note.txt"}, KEL_ERROR_NONE, 1, "slashes match backslashes"},
        {{}, KEL_ERROR_NONE, 0, "an empty set extracts nothing"},
        {{"docs\\missing.txt"}, KEL_ERROR_ENTRY_NOT_FOUND, 0, "not in the archive"},
        {{"..\\readme.txt"}, KEL_ERROR_ILLEGAL_PATH, 0, "an unsafe request"},
        {{"docs\\*.txt"}, KEL_ERROR_NONE, 2, "a pattern"},
        {{"readm?.txt", "readme.txt"}, KEL_ERROR_NONE, 1, "an entry chosen twice is written once"},
        {{"C:\\*"}, KEL_ERROR_ILLEGAL_PATH, 0, "a pattern is still a relative path"},
    };
    for (const auto& c : cases) {
        MemoryOutputFolder output;
        ExtractOptions options;
        options.targets = &c.targets;
        EXPECT_EQ(Extract(opened, output, options), c.code) << c.why;
        EXPECT_EQ(output.files.size(), c.files) << c.why;
    }
}

// An archive naming a file outside the output folder writes nothing at all, not even its safe
// entries: every path is checked first.
TEST(archive_library, HostileEntryWritesNothing) {
    const auto plain = ReadFixture("copy.7z");
    const std::pair<std::u16string, std::u16string> renames[] = {
        // Same lengths as the stored names.
        {u"docs/guide.txt", u"../../guide.tx"},
        {u"readme.txt", u"C:\\win.ini"},
        {u"readme.txt", u"\\\\srv\\sh\\x"},
        {u"readme.txt", u"ab\\CON.txt"},
    };
    for (const auto& [from, to] : renames) {
        Opened opened(test::ReplaceStoredName(plain, from, to));
        MemoryOutputFolder output;
        EXPECT_EQ(Extract(opened, output, {}), KEL_ERROR_ILLEGAL_PATH) << test::Utf8Name(to);
        EXPECT_TRUE(output.files.empty()) << test::Utf8Name(to);
        EXPECT_TRUE(output.folders.empty()) << test::Utf8Name(to);
        EXPECT_EQ(output.filesCreated, 0);
    }
    Opened absolute(ReadFixture("absolute.7z"));
    MemoryOutputFolder output;
    EXPECT_EQ(Extract(absolute, output, {}), KEL_ERROR_ILLEGAL_PATH)
        << "7zz -spf stores a rooted path";
    EXPECT_TRUE(output.files.empty());
}

TEST(archive_library, ReplaceAnswers) {
    Opened opened(ReadFixture("lzma2_solid.7z"));
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    struct ReplaceCase {
        bool ask;
        std::vector<int> answers;  // one per question, last one repeated
        KelArchiveError code;
        int questions;
        bool guideReplaced;
        bool readmeReplaced;
        const char* why;
    };
    const ReplaceCase cases[] = {
        {false,
         {KEL_REPLACE_SKIP},
         KEL_ERROR_NONE,
         0,
         true,
         true,
         "mode 0 replaces without asking"},
        {true, {KEL_REPLACE_SKIP}, KEL_ERROR_NONE, 2, false, false, "1 keeps each file"},
        {true, {KEL_REPLACE_YES}, KEL_ERROR_NONE, 2, true, true, "2 replaces each file"},
        {true,
         {KEL_REPLACE_ALL},
         KEL_ERROR_NONE,
         1,
         true,
         true,
         "4 replaces all without more questions"},
        {true, {KEL_REPLACE_SKIP_ALL}, KEL_ERROR_NONE, 1, false, false, "3 keeps all"},
        {true, {KEL_REPLACE_CANCEL}, KEL_ERROR_CANCELLED, 1, false, false, "0 stops"},
        {true, {77}, KEL_ERROR_NONE, 2, false, false, "an unknown answer keeps the file"},
    };
    for (const auto& c : cases) {
        MemoryOutputFolder output;
        output.files["docs\\guide.txt"].data = old;
        output.files["readme.txt"].data = old;
        int questions = 0;
        ExtractCallbacks callbacks;
        callbacks.replace = [&](const ReplaceQuestion& question) {
            EXPECT_EQ(question.existing.size, 3u);
            EXPECT_EQ(question.existingPath, "out\\" + question.entryPath);
            const int answer = c.answers[std::min<std::size_t>(static_cast<std::size_t>(questions),
                                                               c.answers.size() - 1)];
            ++questions;
            return answer;
        };
        ExtractOptions options;
        options.askBeforeReplace = c.ask;
        EXPECT_EQ(Extract(opened, output, options, callbacks), c.code) << c.why;
        EXPECT_EQ(questions, c.questions) << c.why;
        EXPECT_EQ(output.files["docs\\guide.txt"].data != old, c.guideReplaced) << c.why;
        EXPECT_EQ(output.files["readme.txt"].data != old, c.readmeReplaced) << c.why;
    }
}

TEST(archive_library, ProgressCountsToTheTotalAndCanStop) {
    Opened opened(ReadFixture("lzma2_small_dictionary.7z"));  // one 2.7 MB file
    MemoryOutputFolder output;
    std::uint64_t lastDone = 0;
    std::uint64_t total = 0;
    int reports = 0;
    ExtractCallbacks callbacks;
    callbacks.progress = [&](const std::string& path, std::uint64_t done, std::uint64_t all) {
        EXPECT_EQ(path, "numbers.txt");
        EXPECT_GE(done, lastDone);
        lastDone = done;
        total = all;
        ++reports;
        return true;
    };
    ASSERT_EQ(Extract(opened, output, {}, callbacks), KEL_ERROR_NONE);
    EXPECT_EQ(lastDone, total);
    EXPECT_EQ(total, output.files["numbers.txt"].data.size());
    EXPECT_GE(reports, 3) << "reports at the start, about every MiB and at the end";

    MemoryOutputFolder stopped;
    callbacks.progress = [](const std::string&, std::uint64_t done, std::uint64_t) {
        return done < (1u << 20);
    };
    EXPECT_EQ(Extract(opened, stopped, {}, callbacks), KEL_ERROR_CANCELLED);
    EXPECT_TRUE(stopped.files.empty()) << "the file being written is deleted";
}

TEST(archive_library, FileDoneReportsAndStops) {
    Opened opened(ReadFixture("lzma2_nonsolid.7z"));
    MemoryOutputFolder output;
    std::map<int, int> outcomes;
    ExtractCallbacks callbacks;
    callbacks.fileDone = [&](const std::string&, int outcome) {
        ++outcomes[outcome];
        return true;
    };
    ASSERT_EQ(Extract(opened, output, {}, callbacks), KEL_ERROR_NONE);
    EXPECT_EQ(outcomes[KEL_FILE_WRITTEN], 6);
    EXPECT_EQ(outcomes[KEL_FILE_FOLDER_CREATED], 5);

    MemoryOutputFolder stopped;
    int calls = 0;
    callbacks.fileDone = [&](const std::string&, int) { return ++calls < 7; };
    EXPECT_EQ(Extract(opened, stopped, {}, callbacks), KEL_ERROR_CANCELLED);
    EXPECT_EQ(stopped.files.size(), 2u)
        << "five folders, then two files: the second one answered 0";
}

TEST(archive_library, CorruptFileIsNotLeftBehind) {
    Opened opened(ReadFixture("corrupt_crc.7z"));
    MemoryOutputFolder output;
    EXPECT_EQ(Extract(opened, output, {}), KEL_ERROR_CRC_MISMATCH);
    EXPECT_FALSE(output.files.count("bin\\random.bin"));
}

TEST(archive_library, WriteFailureEndsTheCall) {
    Opened opened(ReadFixture("lzma2_solid.7z"));
    MemoryOutputFolder output;
    output.failCreateOf = "readme.txt";
    EXPECT_EQ(Extract(opened, output, {}), KEL_ERROR_WRITE_FAILED);
}

TEST(archive_library, PasswordOrder) {
    int asked = 0;
    PasswordSource both("given", [&]() -> std::optional<std::string> {
        ++asked;
        return "typed";
    });
    EXPECT_EQ(both.Next(), "given");
    EXPECT_EQ(both.Next(), "typed");
    EXPECT_EQ(both.Next(), std::nullopt) << "the callback is asked once per call";
    EXPECT_EQ(asked, 1);

    PasswordSource none(nullptr, nullptr);
    EXPECT_EQ(none.Next(), std::nullopt);
    PasswordSource empty("", [] { return std::optional<std::string>("typed"); });
    EXPECT_EQ(empty.Next(), "typed") << "an empty password argument is not tried";
}

}  // namespace
}  // namespace kel::archive
