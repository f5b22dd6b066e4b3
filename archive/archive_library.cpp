// The library's behaviour over ports (see archive_library.h).
#include "archive/archive_library.h"

#include <algorithm>
#include <set>
#include <unordered_map>

#include "archive/archive_error.h"
#include "archive/entry_path.h"

namespace kel::archive {
namespace {

constexpr std::uint64_t kProgressStep = 1 << 20;

// The form in which MatchesEntryPattern compares: '\' for '/', ASCII letters in lower case.
std::string FoldedPath(std::string_view path) {
    std::string folded(path);
    for (char& c : folded) {
        if (c == '/') c = '\\';
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return folded;
}

[[noreturn]] void ThrowCancelled() {
    throw ArchiveError(KEL_ERROR_CANCELLED, "the extraction was stopped by a callback");
}

std::u16string ParentOf(const std::u16string& path) {
    const auto slash = path.rfind(u'\\');
    return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
}

std::u16string LastComponent(const std::u16string& path) {
    const auto slash = path.rfind(u'\\');
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

class ExtractionRun : public ExtractSink {
  public:
    ExtractionRun(const SevenZipArchive& archive, const ArchiveListing& listing,
                  OutputFolder& output, const ExtractOptions& options,
                  const ExtractCallbacks& callbacks)
        : entries_(archive.Entries()),
          listing_(listing),
          output_(output),
          options_(options),
          callbacks_(callbacks) {}

    std::vector<bool> Choose() {
        std::vector<bool> selected(entries_.size(), options_.targets == nullptr);
        if (options_.targets != nullptr) {
            // Plain paths are looked up; only patterns walk the whole listing (the engine asks
            // for every listed path at once).
            std::unordered_multimap<std::string, std::size_t> byName;
            for (std::size_t e = 0; e < entries_.size(); ++e) {
                byName.emplace(FoldedPath(listing_.Name(e)), e);
            }
            for (const std::string& target : *options_.targets) {
                if (!IsSafeEntryPath(target, true)) {
                    throw ArchiveError(KEL_ERROR_ILLEGAL_PATH, "illegal requested path: " + target);
                }
                bool found = false;
                if (target.find_first_of("?*") == std::string::npos) {
                    auto [first, last] = byName.equal_range(FoldedPath(target));
                    for (auto it = first; it != last; ++it) selected[it->second] = found = true;
                } else {
                    for (std::size_t e = 0; e < entries_.size(); ++e) {
                        if (MatchesEntryPattern(listing_.Name(e), target))
                            selected[e] = found = true;
                    }
                }
                if (!found) {
                    throw ArchiveError(KEL_ERROR_ENTRY_NOT_FOUND, "not in the archive: " + target);
                }
            }
        }
        outputPaths_.resize(entries_.size());
        for (std::size_t e = 0; e < entries_.size(); ++e) {
            if (!selected[e]) continue;
            const ArchiveEntry& entry = entries_[e];
            if (!entry.utf8 || !IsSafeEntryPath(*entry.utf8) ||
                !IsSafeEntryPath(listing_.Name(e), true)) {
                throw ArchiveError(
                    KEL_ERROR_ILLEGAL_PATH,
                    "illegal path in the archive: " + entry.utf8.value_or(listing_.Name(e)));
            }
            if (entry.isFolder && !options_.keepFolders) {
                selected[e] = false;
                continue;
            }
            outputPaths_[e] = options_.keepFolders ? entry.name : LastComponent(entry.name);
            if (!entry.isFolder) total_ += entry.size;
        }
        return selected;
    }

    void CreateFolders(const std::vector<bool>& selected) {
        output_.CreateFolders(std::u16string());
        for (std::size_t e = 0; e < entries_.size(); ++e) {
            if (!selected[e] || !entries_[e].isFolder) continue;
            EnsureFolder(outputPaths_[e]);
            Report(output_.DisplayPath(outputPaths_[e]), KEL_FILE_FOLDER_CREATED);
        }
    }

    void SetFolderTimes(const std::vector<bool>& selected) {
        // Deepest first, so that setting a folder's time is not undone by work inside it.
        std::vector<std::size_t> folders;
        for (std::size_t e = 0; e < entries_.size(); ++e) {
            if (selected[e] && entries_[e].isFolder && entries_[e].modified != 0)
                folders.push_back(e);
        }
        std::sort(folders.begin(), folders.end(), [&](std::size_t a, std::size_t b) {
            return std::count(outputPaths_[a].begin(), outputPaths_[a].end(), u'\\') >
                   std::count(outputPaths_[b].begin(), outputPaths_[b].end(), u'\\');
        });
        for (std::size_t e : folders) output_.SetFolderTime(outputPaths_[e], entries_[e].modified);
    }

    void Finish() {
        if (callbacks_.progress) callbacks_.progress(lastEntryPath_, done_, total_);
    }

    bool BeginEntry(std::size_t e) override {
        const ArchiveEntry& entry = entries_[e];
        const std::u16string& path = outputPaths_[e];
        lastEntryPath_ = listing_.Name(e);
        EnsureFolder(ParentOf(path));
        // Looking up a file costs a directory scan on some file systems: only when asking.
        const bool mayAsk = options_.askBeforeReplace && !replaceAll_ && callbacks_.replace;
        if (auto existing = mayAsk || skipAll_ ? output_.FindFile(path) : std::nullopt;
            existing && !MayReplace(e, *existing)) {
            done_ += entry.size;
            Progress(true);
            Report(output_.DisplayPath(path), KEL_FILE_KEPT);
            return false;
        }
        Progress(true);
        file_ = output_.NewFile(path);
        return true;
    }

    void EntryData(std::span<const std::uint8_t> bytes) override {
        file_->Write(bytes);
        done_ += bytes.size();
        Progress(false);
    }

    void EndEntry(std::size_t e) override {
        const ArchiveEntry& entry = entries_[e];
        file_->Commit(entry.modified, entry.attributes & kKeptFileAttributes);
        file_.reset();
        Report(output_.DisplayPath(outputPaths_[e]), KEL_FILE_WRITTEN);
    }

  private:
    void EnsureFolder(const std::u16string& folder) {
        if (folder.empty() || createdFolders_.count(folder) != 0) return;
        output_.CreateFolders(folder);
        createdFolders_.insert(folder);
    }

    bool MayReplace(std::size_t e, const ExistingFile& existing) {
        if (!options_.askBeforeReplace || replaceAll_) return true;
        if (skipAll_) return false;
        if (!callbacks_.replace) return true;
        ReplaceQuestion question;
        question.existingPath = output_.DisplayPath(outputPaths_[e]);
        question.existing = existing;
        question.entryPath = listing_.Name(e);
        question.entrySize = entries_[e].size;
        question.entryModified = entries_[e].modified;
        switch (callbacks_.replace(question)) {
            case KEL_REPLACE_CANCEL:
                ThrowCancelled();
            case KEL_REPLACE_YES:
                return true;
            case KEL_REPLACE_ALL:
                replaceAll_ = true;
                return true;
            case KEL_REPLACE_SKIP_ALL:
                skipAll_ = true;
                return false;
            default:
                return false;
        }
    }

    void Progress(bool always) {
        if (!callbacks_.progress) return;
        if (!always && done_ - lastReported_ < kProgressStep) return;
        lastReported_ = done_;
        if (!callbacks_.progress(lastEntryPath_, done_, total_)) ThrowCancelled();
    }

    void Report(const std::string& outputPath, int outcome) {
        if (callbacks_.fileDone && !callbacks_.fileDone(outputPath, outcome)) ThrowCancelled();
    }

    const std::vector<ArchiveEntry>& entries_;
    const ArchiveListing& listing_;
    OutputFolder& output_;
    const ExtractOptions& options_;
    const ExtractCallbacks& callbacks_;
    std::vector<std::u16string> outputPaths_;
    std::set<std::u16string> createdFolders_;
    std::unique_ptr<OutputFile> file_;
    std::string lastEntryPath_;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
    std::uint64_t lastReported_ = 0;
    bool replaceAll_ = false;
    bool skipAll_ = false;
};

}  // namespace

ArchiveListing::ArchiveListing(const SevenZipArchive& archive, NameEncoder encoder) {
    const auto& entries = archive.Entries();
    names_.reserve(entries.size());
    for (const auto& entry : entries) names_.push_back(encoder(entry.name));
    records_.resize(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ArchiveEntry& entry = entries[i];
        KelArchiveEntry& record = records_[i];
        record.pathSlot = 0;
        record.path = names_[i].c_str();
        record.size = entry.size;
        record.packedSize = entry.packedSize;
        record.crc = entry.crc.value_or(0);
        record.flags =
            (entry.isFolder ? KEL_ENTRY_FOLDER : 0u) | (entry.crc ? KEL_ENTRY_HAS_CRC : 0u);
        record.modified = entry.modified;
        record.attributes = entry.attributes;
        record.reserved = 0;
    }
}

std::optional<std::string> PasswordSource::Next() {
    if (!passwordTried_) {
        passwordTried_ = true;
        if (!password_.empty()) return password_;
    }
    if (!callbackAsked_ && callback_) {
        callbackAsked_ = true;
        return callback_();
    }
    return std::nullopt;
}

void ExtractEntries(SevenZipArchive& archive, const ArchiveListing& listing, OutputFolder& output,
                    const ExtractOptions& options, const ExtractCallbacks& callbacks) {
    ExtractionRun run(archive, listing, output, options, callbacks);
    const std::vector<bool> selected = run.Choose();
    run.CreateFolders(selected);
    archive.Extract(selected, run);
    run.SetFolderTimes(selected);
    run.Finish();
}

}  // namespace kel::archive
