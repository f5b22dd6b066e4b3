// The 7z reader against archives 7zz made at build time: every method and layout the library
// reads gives the source tree back byte for byte, and damaged or unsupported archives fail with
// the right code instead of wrong data.
#include <gtest/gtest.h>

#include <map>

#include "archive/archive_error.h"
#include "archive/byte_reader.h"
#include "archive/crc32.h"
#include "archive/sevenzip_archive.h"
#include "archive_test_support.h"

namespace kel::archive {
namespace {

using test::ReadFixture;

class MemorySink : public ExtractSink {
  public:
    explicit MemorySink(const SevenZipArchive& archive) : archive_(archive) {}
    std::map<std::string, std::vector<std::uint8_t>> files;

    bool BeginEntry(std::size_t entry) override {
        current_ = *archive_.Entries()[entry].utf8;
        files[current_].clear();
        return true;
    }
    void EntryData(std::span<const std::uint8_t> bytes) override {
        files[current_].insert(files[current_].end(), bytes.begin(), bytes.end());
    }
    void EndEntry(std::size_t) override {}

  private:
    const SevenZipArchive& archive_;
    std::string current_;
};

std::map<std::string, std::vector<std::uint8_t>> ExtractAll(
    const std::vector<std::uint8_t>& bytes) {
    MemoryByteSource source(bytes);
    DecodeContext context;
    SevenZipArchive archive(source, context);
    MemorySink sink(archive);
    archive.Extract(std::vector<bool>(archive.Entries().size(), true), sink);
    return sink.files;
}

KelArchiveError ErrorOf(const std::vector<std::uint8_t>& bytes, std::string* message = nullptr) {
    try {
        ExtractAll(bytes);
    } catch (const ArchiveError& error) {
        if (message) *message = error.what();
        return error.Code();
    }
    return KEL_ERROR_NONE;
}

std::string ForwardSlashes(std::string path) {
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

class archive_reader_tree : public testing::TestWithParam<const char*> {};

// Solid and non-solid, LZMA and LZMA2, stored files, packed and plain headers.
TEST_P(archive_reader_tree, ListsAndExtractsTheSourceTree) {
    const auto bytes = ReadFixture(GetParam());
    MemoryByteSource source(bytes);
    DecodeContext context;
    SevenZipArchive archive(source, context);

    std::map<std::string, const ArchiveEntry*> byName;
    for (const auto& entry : archive.Entries()) byName[*entry.utf8] = &entry;
    ASSERT_EQ(byName.size(), test::FixtureTree().size());
    for (const auto& expected : test::FixtureTree()) {
        ASSERT_TRUE(byName.count(expected.path)) << expected.path;
        const ArchiveEntry& entry = *byName[expected.path];
        EXPECT_EQ(entry.isFolder, expected.folder) << expected.path;
        EXPECT_EQ(entry.modified, test::kFixtureTime) << expected.path;
        if (expected.folder) {
            EXPECT_NE(entry.attributes & 0x10, 0u) << expected.path;
        } else {
            const auto data = test::ReadTreeFile(ForwardSlashes(expected.path));
            EXPECT_EQ(entry.size, data.size()) << expected.path;
            EXPECT_EQ(entry.hasData, !data.empty()) << expected.path;
            if (!data.empty()) {
                EXPECT_EQ(entry.crc, ComputeCrc32(data)) << expected.path;
            }
        }
    }
    EXPECT_EQ(byName["readonly.txt"]->attributes & 0x1, 0x1u) << "read-only attribute";
    EXPECT_EQ(byName["readme.txt"]->attributes & 0x1, 0x0u);

    MemorySink sink(archive);
    archive.Extract(std::vector<bool>(archive.Entries().size(), true), sink);
    for (const auto& expected : test::FixtureTree()) {
        if (expected.folder) {
            EXPECT_FALSE(sink.files.count(expected.path)) << "folders carry no data";
            continue;
        }
        ASSERT_TRUE(sink.files.count(expected.path)) << expected.path;
        EXPECT_EQ(sink.files[expected.path], test::ReadTreeFile(ForwardSlashes(expected.path)))
            << expected.path;
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, archive_reader_tree,
                         testing::Values("lzma2_solid.7z", "lzma2_nonsolid.7z", "lzma_solid.7z",
                                         "lzma_nonsolid.7z", "copy.7z", "plain_header.7z",
                                         "delta_bcj_solid.7z"));

// The x86 branch filter and Delta in front of LZMA2, over bytes full of CALL and JMP opcodes.
TEST(archive_reader, BranchAndDeltaFilters) {
    const auto expected = ReadFixture("filters/code.bin");
    for (const char* name : {"bcj.7z", "delta.7z"}) {
        const auto files = ExtractAll(ReadFixture(name));
        ASSERT_EQ(files.size(), 1u) << name;
        EXPECT_TRUE(files.begin()->second == expected) << name;
    }
}

// A dictionary far smaller than the data makes the decoders wrap their window many times.
TEST(archive_reader, SmallDictionaryWrapsTheWindow) {
    std::vector<std::uint8_t> expected;
    for (int i = 1; i <= 400000; ++i) {
        const std::string line = std::to_string(i) + "\n";
        expected.insert(expected.end(), line.begin(), line.end());
    }
    for (const char* name : {"lzma2_small_dictionary.7z", "lzma_small_dictionary.7z"}) {
        const auto files = ExtractAll(ReadFixture(name));
        ASSERT_EQ(files.size(), 1u) << name;
        EXPECT_TRUE(files.begin()->second == expected) << name;
    }
}

TEST(archive_reader, SelectedEntriesOnly) {
    const auto bytes = ReadFixture("lzma2_solid.7z");
    MemoryByteSource source(bytes);
    DecodeContext context;
    SevenZipArchive archive(source, context);
    std::vector<bool> selected(archive.Entries().size(), false);
    for (std::size_t i = 0; i < selected.size(); ++i) {
        selected[i] = *archive.Entries()[i].utf8 == "docs\\guide.txt";
    }
    MemorySink sink(archive);
    archive.Extract(selected, sink);
    ASSERT_EQ(sink.files.size(), 1u);
    EXPECT_EQ(sink.files["docs\\guide.txt"], test::ReadTreeFile("docs/guide.txt"));
}

TEST(archive_reader, DamagedAndUnsupportedArchivesFailWithTheirCode) {
    std::string message;
    EXPECT_EQ(ErrorOf(ReadFixture("truncated.7z")), KEL_ERROR_CANNOT_OPEN);
    EXPECT_EQ(ErrorOf(ReadFixture("corrupt_crc.7z")), KEL_ERROR_CRC_MISMATCH);
    EXPECT_EQ(ErrorOf(test::ReadTreeFile("readme.txt")), KEL_ERROR_CANNOT_OPEN) << "not an archive";
    EXPECT_EQ(ErrorOf({}), KEL_ERROR_CANNOT_OPEN) << "empty file";

    EXPECT_EQ(ErrorOf(ReadFixture("ppmd.7z"), &message), KEL_ERROR_UNSUPPORTED_METHOD);
    EXPECT_NE(message.find("PPMD"), std::string::npos) << message;

    // A changed byte in the packed header: its CRC no longer matches.
    auto header = ReadFixture("plain_header.7z");
    header[header.size() - 10] ^= 0x55;
    EXPECT_EQ(ErrorOf(header), KEL_ERROR_CANNOT_OPEN);
}

// Damage inside compressed data must never pass as good data: either the decoder or the CRC
// check catches it, whichever byte is hit.
TEST(archive_reader, ChangedCompressedBytesNeverExtractSilently) {
    const auto original = ReadFixture("lzma2_nonsolid.7z");
    for (std::size_t offset = 40; offset < 40 + 600; offset += 7) {
        auto damaged = original;
        damaged[offset] ^= 0xA5;
        const auto code = ErrorOf(damaged);
        EXPECT_TRUE(code == KEL_ERROR_CRC_MISMATCH || code == KEL_ERROR_CORRUPT_DATA)
            << "offset " << offset << " gave " << code;
    }
}

TEST(archive_reader, EmptyArchiveHasNoEntries) {
    // A signature header announcing no next header, as 7-Zip writes for an empty archive.
    std::vector<std::uint8_t> bytes = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C, 0, 4};
    bytes.resize(32, 0);
    const std::uint32_t crc = ComputeCrc32(std::span(bytes).subspan(12, 20));
    for (int i = 0; i < 4; ++i)
        bytes[8 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (8 * i));
    MemoryByteSource source(bytes);
    DecodeContext context;
    SevenZipArchive archive(source, context);
    EXPECT_TRUE(archive.Entries().empty());
}

TEST(archive_reader, MemoryLimitRefusesLargeDictionaries) {
    const auto bytes = ReadFixture("lzma2_small_dictionary.7z");
    MemoryByteSource source(bytes);
    DecodeContext context;
    context.memoryLimit = 16 * 1024;  // below the 64 KiB dictionary
    try {
        SevenZipArchive archive(source, context);
        MemorySink sink(archive);
        archive.Extract(std::vector<bool>(archive.Entries().size(), true), sink);
        FAIL() << "decoded beyond the memory limit";
    } catch (const ArchiveError& error) {
        EXPECT_EQ(error.Code(), KEL_ERROR_OUT_OF_MEMORY) << error.what();
    }
}

TEST(archive_reader, HeaderNumbersAndCrc) {
    struct NumberCase {
        std::vector<std::uint8_t> bytes;
        std::uint64_t value;
    };
    const NumberCase cases[] = {
        {{0x00}, 0},
        {{0x7F}, 0x7F},
        {{0x80, 0x80}, 0x80},
        {{0xBF, 0xFF}, 0x3FFF},
        {{0xC0, 0x00, 0x40}, 0x4000},
        {{0xE1, 0x02, 0x03, 0x04}, 0x01040302},
        {{0xFF, 1, 2, 3, 4, 5, 6, 7, 8}, 0x0807060504030201},
    };
    for (const auto& c : cases) {
        ByteReader reader(c.bytes);
        EXPECT_EQ(reader.ReadNumber(), c.value);
        EXPECT_TRUE(reader.AtEnd());
    }
    const std::vector<std::uint8_t> cut = {0xC0, 0x00};
    ByteReader reader(cut);
    EXPECT_THROW(reader.ReadNumber(), ArchiveError) << "number cut short";

    const std::string check = "123456789";
    EXPECT_EQ(
        ComputeCrc32(std::span(reinterpret_cast<const std::uint8_t*>(check.data()), check.size())),
        0xCBF43926u);
}

}  // namespace
}  // namespace kel::archive
