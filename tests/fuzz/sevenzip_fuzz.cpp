// Fuzzes the 7z reader on arbitrary bytes: the table of contents, the listing records, and the
// library's extraction logic (entry choice, path checks, folders, replace decisions) writing
// into a bounded in-memory folder. Memory and output are bounded, so a small input cannot ask
// for gigabytes; everything else must hold without a crash or a sanitizer report, and every
// failure must be an ArchiveError. The build seeds the corpus with the 7zz-made test archives.
#include <cstddef>
#include <cstdint>
#include <set>

#include "archive/archive_error.h"
#include "archive/archive_library.h"
#include "archive/entry_path.h"
#include "archive/sevenzip_archive.h"

namespace {

using namespace kel::archive;

constexpr std::uint64_t kOutputLimit = 8u << 20;

class BoundedFile : public OutputFile {
  public:
    explicit BoundedFile(std::uint64_t& total) : total_(total) {}
    void Write(std::span<const std::uint8_t> bytes) override {
        total_ += bytes.size();
        if (total_ > kOutputLimit) throw ArchiveError(KEL_ERROR_CANCELLED, "output limit");
    }
    void Commit(std::uint64_t, std::uint32_t) override {}

  private:
    std::uint64_t& total_;
};

// Files "exist" once written, so that the replace logic runs on duplicate names.
class BoundedFolder : public OutputFolder {
  public:
    std::string DisplayPath(const std::u16string& relative) override {
        return Utf16ToUtf8(relative).value_or("?");
    }
    std::optional<ExistingFile> FindFile(const std::u16string& relative) override {
        if (written_.count(relative) == 0) return std::nullopt;
        return ExistingFile{};
    }
    void CreateFolders(const std::u16string&) override {}
    std::unique_ptr<OutputFile> NewFile(const std::u16string& relative) override {
        written_.insert(relative);
        return std::make_unique<BoundedFile>(total_);
    }
    void SetFolderTime(const std::u16string&, std::uint64_t) override {}

  private:
    std::set<std::u16string> written_;
    std::uint64_t total_ = 0;
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
        std::vector<std::string> targets;
        for (std::uint32_t i = 0; i < listing.Count(); ++i)
            targets.emplace_back(listing.Records()[i].path);
        BoundedFolder output;
        ExtractOptions options;
        // The input's last byte picks the options, so both ways are fuzzed.
        const std::uint8_t choice = size > 0 ? data[size - 1] : 0;
        options.keepFolders = (choice & 1) != 0;
        options.askBeforeReplace = (choice & 2) != 0;
        options.targets = (choice & 4) != 0 ? &targets : nullptr;
        ExtractCallbacks callbacks;
        callbacks.replace = [choice](const ReplaceQuestion&) { return (choice >> 3) % 5; };
        ExtractEntries(archive, listing, output, options, callbacks);
    } catch (const ArchiveError&) {
    }
    return 0;
}
