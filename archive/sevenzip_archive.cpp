// Listing and extraction over the parsed table of contents (see sevenzip_archive.h).
#include "archive/sevenzip_archive.h"

#include <algorithm>
#include <new>

#include "archive/archive_error.h"
#include "archive/crc32.h"
#include "archive/entry_path.h"
#include "archive/folder_decoder.h"
#include "archive/sevenzip_header.h"

namespace kel::archive {
namespace {

constexpr std::uint32_t kFolderAttribute = 0x10;
constexpr std::size_t kBlockSize = 1 << 18;

ArchiveDatabase ReadDatabaseForListing(ByteSource& source, DecodeContext& context) {
    try {
        return ReadArchiveDatabase(source, context);
    } catch (const ArchiveError& error) {
        switch (error.Code()) {
            case KEL_ERROR_OUT_OF_MEMORY:
            case KEL_ERROR_READ_FAILED:
            case KEL_ERROR_CANCELLED:
                throw;
            default:
                throw ArchiveError(KEL_ERROR_CANNOT_OPEN, error.what());
        }
    } catch (const std::bad_alloc&) {
        throw ArchiveError(KEL_ERROR_OUT_OF_MEMORY, "no memory for the archive header");
    }
}

}  // namespace

SevenZipArchive::SevenZipArchive(ByteSource& source, DecodeContext& context)
    : source_(source), context_(context), database_(ReadDatabaseForListing(source, context)) {
    const auto& streams = database_.streams;
    for (std::size_t i = 0; i < database_.files.size(); ++i) {
        const FileRecord& file = database_.files[i];
        if (file.isAnti) continue;  // deletion markers of an update, not entries
        ArchiveEntry entry;
        entry.name = WithBackslashes(file.name);
        entry.utf8 = Utf16ToUtf8(entry.name);
        entry.isFolder =
            file.isFolder ||
            (file.attributes && (*file.attributes & kFolderAttribute) != 0 && !file.hasStream);
        entry.hasData = file.hasStream;
        entry.size = file.hasStream ? file.size : 0;
        entry.crc = file.hasStream ? file.crc : std::nullopt;
        entry.modified = file.modified.value_or(0);
        entry.attributes = file.attributes.value_or(0);
        if (entry.isFolder) entry.attributes |= kFolderAttribute;
        if (file.hasStream && file.substream == 0) {
            const FolderInfo& folder = streams.folders[file.folder];
            for (std::size_t p = 0; p < folder.packedInputs.size(); ++p) {
                entry.packedSize += streams.packSizes[folder.firstPackStream + p];
            }
        }
        entries_.push_back(std::move(entry));
        fileOfEntry_.push_back(i);
    }
}

void SevenZipArchive::Extract(const std::vector<bool>& selected, ExtractSink& sink) {
    // The entries of each folder, one pass over the entries (archives may hold many folders).
    const auto& folders = database_.streams.folders;
    std::vector<std::vector<std::size_t>> entriesOfFolder(folders.size());
    for (std::size_t e = 0; e < entries_.size(); ++e) {
        const FileRecord& file = database_.files[fileOfEntry_[e]];
        if (file.hasStream) entriesOfFolder[file.folder].push_back(e);
    }
    std::size_t firstStream = 0;
    for (std::size_t f = 0; f < folders.size(); ++f) {
        const bool needed = std::any_of(entriesOfFolder[f].begin(), entriesOfFolder[f].end(),
                                        [&](std::size_t e) { return selected.at(e); });
        if (needed) ExtractFolder(f, firstStream, entriesOfFolder[f], selected, sink);
        firstStream += folders[f].numSubstreams;
    }
    for (std::size_t e = 0; e < entries_.size(); ++e) {
        if (!selected[e] || entries_[e].isFolder || entries_[e].hasData) continue;
        if (sink.BeginEntry(e)) sink.EndEntry(e);
    }
}

void SevenZipArchive::ExtractFolder(std::size_t folderIndex, std::size_t firstStream,
                                    const std::vector<std::size_t>& folderEntries,
                                    const std::vector<bool>& selected, ExtractSink& sink) {
    const FolderInfo& folder = database_.streams.folders[folderIndex];
    // Entry of each substream (none for streams no file claims), and the last one wanted.
    std::vector<std::optional<std::size_t>> entryOfStream(folder.numSubstreams);
    std::size_t lastWanted = 0;
    for (std::size_t e : folderEntries) {
        const std::size_t substream = database_.files[fileOfEntry_[e]].substream;
        entryOfStream[substream] = e;
        if (selected[e]) lastWanted = std::max(lastWanted, substream);
    }

    std::unique_ptr<InStream> stream;
    try {
        stream = OpenFolderStream(database_.streams, folderIndex, source_, context_);
    } catch (const std::bad_alloc&) {
        throw ArchiveError(KEL_ERROR_OUT_OF_MEMORY, "no memory for a decoder");
    }
    if (block_.empty()) block_.resize(kBlockSize);
    const std::span<std::uint8_t> block(block_);
    for (std::size_t s = 0; s <= lastWanted; ++s) {
        const auto entry = entryOfStream[s];
        const bool wanted = entry && selected[*entry] && sink.BeginEntry(*entry);
        std::uint64_t remaining = database_.streams.substreamSizes[firstStream + s];
        Crc32 crc;
        while (remaining > 0) {
            const std::size_t n =
                static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), remaining));
            const std::size_t got = ReadFull(*stream, block.first(n));
            if (got != n) ThrowCorruptData("the data ends early");
            remaining -= n;
            if (wanted) {
                crc.Update(block.first(n));
                sink.EntryData(block.first(n));
            }
        }
        if (!wanted) continue;
        const auto expected = database_.streams.substreamCrcs[firstStream + s];
        if (expected && crc.Value() != *expected) {
            throw ArchiveError(
                KEL_ERROR_CRC_MISMATCH,
                "CRC check failed for " + entries_[*entry].utf8.value_or("an entry"));
        }
        sink.EndEntry(*entry);
    }
}

}  // namespace kel::archive
