// An opened 7z archive: its entries as the library lists them, and the decoding of selected
// entries' data in archive order, folder by folder, with every file's CRC checked. Solid folders
// are decoded once, from their start up to the last selected file; folders without a selected
// file are not touched. Portable core: bytes come from a ByteSource, data goes to an ExtractSink.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "archive/byte_source.h"
#include "archive/decode_context.h"
#include "archive/sevenzip_database.h"

namespace kel::archive {

struct ArchiveEntry {
    std::u16string name;              // as stored, separators turned into '\'
    std::optional<std::string> utf8;  // the name in UTF-8; nothing when it is not valid UTF-16
    bool isFolder = false;
    bool hasData = false;  // false for folders and empty files
    std::uint64_t size = 0;
    std::uint64_t packedSize = 0;
    std::optional<std::uint32_t> crc;
    std::uint64_t modified = 0;  // FILETIME (UTC), 0 when unknown
    std::uint32_t attributes = 0;
};

class ExtractSink {
  public:
    virtual ~ExtractSink() = default;
    // An entry's data begins; false skips it (its bytes are decoded but not handed on).
    virtual bool BeginEntry(std::size_t entry) = 0;
    virtual void EntryData(std::span<const std::uint8_t> bytes) = 0;
    // All of the entry's bytes arrived and matched its CRC.
    virtual void EndEntry(std::size_t entry) = 0;
};

class SevenZipArchive {
  public:
    // Reads the table of contents; any damage or unsupported structure of it throws ArchiveError
    // with KEL_ERROR_CANNOT_OPEN (or OUT_OF_MEMORY / READ_FAILED when that was the cause).
    SevenZipArchive(ByteSource& source, DecodeContext& context);

    const std::vector<ArchiveEntry>& Entries() const { return entries_; }

    // Hands the data of every selected file entry (folders are ignored) to the sink: files with
    // data in archive order, then empty files. `selected` has one flag per entry. Throws
    // ArchiveError: CRC_MISMATCH, CORRUPT_DATA, UNSUPPORTED_METHOD, ...; whatever the sink throws
    // passes through.
    void Extract(const std::vector<bool>& selected, ExtractSink& sink);

  private:
    void ExtractFolder(std::size_t folder, std::size_t firstStream,
                       const std::vector<std::size_t>& folderEntries,
                       const std::vector<bool>& selected, ExtractSink& sink);

    ByteSource& source_;
    DecodeContext& context_;
    ArchiveDatabase database_;
    std::vector<ArchiveEntry> entries_;
    std::vector<std::size_t> fileOfEntry_;  // database file index of each entry
    std::vector<std::uint8_t> block_;       // transfer buffer, shared by all folders
};

}  // namespace kel::archive
