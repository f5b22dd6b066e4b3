// What kel.lib's four functions do, free of Win32: the listing records, the choice of entries to
// extract, the path checks, the replace decisions, the callbacks and progress, and the password
// order. library_exports.cpp binds it to Win32 files and the C interface of kel_archive.h; the
// host tests bind it to memory. Failures throw ArchiveError.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "archive/kel_archive.h"
#include "archive/sevenzip_archive.h"

namespace kel::archive {

// Turns a stored name (separators already '\') into the 8-bit name the engine sees: the ANSI code
// page on Windows, UTF-8 on the host.
using NameEncoder = std::string (*)(std::u16string_view name);

// The records OpenListArchive hands out, with the names they point to.
class ArchiveListing {
  public:
    ArchiveListing(const SevenZipArchive& archive, NameEncoder encoder);
    ArchiveListing(const ArchiveListing&) = delete;
    ArchiveListing& operator=(const ArchiveListing&) = delete;

    const KelArchiveEntry* Records() const { return records_.data(); }
    std::uint32_t Count() const { return static_cast<std::uint32_t>(records_.size()); }
    const std::string& Name(std::size_t entry) const { return names_[entry]; }

  private:
    std::vector<std::string> names_;
    std::vector<KelArchiveEntry> records_;
};

// The passwords a call may try, in order: the password argument when it is not empty, then one
// answer of the password callback.
class PasswordSource {
  public:
    using Callback = std::function<std::optional<std::string>()>;
    PasswordSource(const char* password, Callback callback)
        : password_(password != nullptr ? password : ""), callback_(std::move(callback)) {}
    std::optional<std::string> Next();

  private:
    std::string password_;
    Callback callback_;
    bool passwordTried_ = false;
    bool callbackAsked_ = false;
};

struct ExistingFile {
    std::uint64_t size = 0;
    std::uint64_t modified = 0;  // FILETIME (UTC)
};

// A file being written. Destroyed without Commit, it deletes what it wrote.
class OutputFile {
  public:
    virtual ~OutputFile() = default;
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;
    // Closes the file with its time (0: leave the time as it is) and attributes.
    virtual void Commit(std::uint64_t modified, std::uint32_t attributes) = 0;
};

// The output folder. Relative paths use '\'; an empty one is the output folder itself. Every
// failure throws ArchiveError (KEL_ERROR_WRITE_FAILED).
class OutputFolder {
  public:
    virtual ~OutputFolder() = default;
    // The full 8-bit path for callbacks.
    virtual std::string DisplayPath(const std::u16string& relative) = 0;
    // The file at that place, when there is one (folders do not count).
    virtual std::optional<ExistingFile> FindFile(const std::u16string& relative) = 0;
    // Creates the folder and its parents; existing ones are fine.
    virtual void CreateFolders(const std::u16string& relative) = 0;
    // Creates the file, replacing an existing one (read-only or not).
    virtual std::unique_ptr<OutputFile> NewFile(const std::u16string& relative) = 0;
    virtual void SetFolderTime(const std::u16string& relative, std::uint64_t modified) = 0;
};

struct ReplaceQuestion {
    std::string existingPath;
    ExistingFile existing;
    std::string entryPath;
    std::uint64_t entrySize = 0;
    std::uint64_t entryModified = 0;
};

// The C callbacks of ExtractArchive as the logic sees them; empty ones mean "go on" and
// "replace all".
struct ExtractCallbacks {
    std::function<bool(const std::string& entryPath, std::uint64_t done, std::uint64_t total)>
        progress;
    std::function<bool(const std::string& outputPath, int outcome)> fileDone;
    std::function<int(const ReplaceQuestion& question)> replace;
};

struct ExtractOptions {
    bool keepFolders = true;        // pathOptions 1
    bool askBeforeReplace = false;  // mode 1
    // Entry paths to extract as a listing names them, or patterns with '?' and '*'; null for
    // every entry. A request that matches nothing fails.
    const std::vector<std::string>* targets = nullptr;
};

// The Windows attributes a written file keeps: read-only, hidden, system, archive, not indexed.
inline constexpr std::uint32_t kKeptFileAttributes = 0x1 | 0x2 | 0x4 | 0x20 | 0x2000;

// Extracts the chosen entries of an opened archive. Every chosen path is checked before the first
// write; files are written with their times and attributes, then folders get their times.
void ExtractEntries(SevenZipArchive& archive, const ArchiveListing& listing, OutputFolder& output,
                    const ExtractOptions& options, const ExtractCallbacks& callbacks);

}  // namespace kel::archive
