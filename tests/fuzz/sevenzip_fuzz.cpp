// Fuzzes the 7z reader on arbitrary bytes: the table of contents, the listing records, the entry
// path checks and the decoding of every entry into memory. Memory and output are bounded, so a
// small input cannot ask for gigabytes; everything else must hold without a crash or a sanitizer
// report, and every failure must be an ArchiveError. The build seeds the corpus with the 7zz-made
// test archives.
#include <cstddef>
#include <cstdint>

#include "archive/archive_error.h"
#include "archive/archive_library.h"
#include "archive/entry_path.h"
#include "archive/sevenzip_archive.h"

namespace {

using namespace kel::archive;

constexpr std::uint64_t kOutputLimit = 8u << 20;

class CountingSink : public ExtractSink {
  public:
    bool BeginEntry(std::size_t) override { return true; }
    void EntryData(std::span<const std::uint8_t> bytes) override {
        total_ += bytes.size();
        for (std::uint8_t b : bytes) checksum_ += b;
        if (total_ > kOutputLimit) throw ArchiveError(KEL_ERROR_CANCELLED, "output limit");
    }
    void EndEntry(std::size_t) override {}

  private:
    std::uint64_t total_ = 0;
    std::uint8_t checksum_ = 0;
};

std::string Utf8Name(std::u16string_view name) { return Utf16ToUtf8(name).value_or("?"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryByteSource source(std::span<const std::uint8_t>(data, size));
    DecodeContext context;
    context.memoryLimit = 32u << 20;
    context.checkHeaderCrcs = false;
    try {
        SevenZipArchive archive(source, context);
        ArchiveListing listing(archive, Utf8Name);
        for (std::uint32_t i = 0; i < listing.Count(); ++i) {
            IsSafeEntryPath(listing.Records()[i].path, true);
        }
        CountingSink sink;
        archive.Extract(std::vector<bool>(archive.Entries().size(), true), sink);
    } catch (const ArchiveError&) {
    }
    return 0;
}
