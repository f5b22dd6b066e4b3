// The table of contents of a 7z archive as this library reads it, and the format, described once.
//
// Layout of an archive file:
//   signature header (32 bytes): '7' 'z' BC AF 27 1C, version (2 bytes), CRC of the next 20
//     bytes (4), offset of the next header counted from byte 32 (8), its size (8), its CRC (4);
//   packed streams, back to back, from byte 32 + PackPos;
//   the next header: either a plain header (id 01) or an encoded header (id 17): the streams
//     info of one folder whose unpacked output is the header (possibly encoded again).
// Numbers are the variable-length form of ByteReader::ReadNumber. Header elements:
//   Header      := 01 [ArchiveProperties 02] [AdditionalStreams 03] [MainStreamsInfo 04 SI]
//                  [FilesInfo 05] 00
//   SI          := [PackInfo 06: PackPos NumPackStreams [09 sizes] [0A digests] 00]
//                  [UnpackInfo 07: 0B NumFolders External(0) Folder* 0C unpack sizes of every
//                   coder output [0A folder digests] 00]
//                  [SubStreamsInfo 08: [0D streams per folder] [09 sizes but the last of each
//                   folder] [0A digests of the streams whose CRC is not known yet] 00] 00
//   Folder      := NumCoders Coder*, bind pairs (InIndex OutIndex) for every output but the
//                  main one, and when more than one input is unbound, their indices
//   Coder       := flags (id size in bits 0-3, 0x10 several streams, 0x20 properties), id,
//                  [NumInStreams NumOutStreams], [size properties]
//   Digests     := AllDefined (1 byte; when 0 a bit vector follows), CRC32 of each defined one
//   FilesInfo   := NumFiles, then properties (id, size, data) until 00: 0E empty stream (bit
//                  vector over files), 0F empty file and 10 anti (bit vectors over the empty
//                  streams), 11 names (External(0), UTF-16LE zero-terminated), 12-14 creation,
//                  access and modification times (defined vector, External(0), FILETIMEs),
//                  15 attributes (defined vector, External(0), UINT32s), others skipped.
// Coder streams are counted from the decoder's side: a coder's inputs are the packed side, its
// output the unpacked side; this library accepts coders with exactly one output, so output index
// and coder index are the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kel::archive {

struct CoderInfo {
    std::uint64_t methodId = 0;
    std::uint32_t numInStreams = 1;
    std::vector<std::uint8_t> properties;
};

struct BindPair {
    std::uint32_t inIndex = 0;   // an input of some coder, counted over the whole folder
    std::uint32_t outIndex = 0;  // the coder whose output feeds it
};

struct FolderInfo {
    std::vector<CoderInfo> coders;
    std::vector<BindPair> bindPairs;
    std::vector<std::uint32_t> packedInputs;  // folder input index fed by each packed stream
    std::vector<std::uint64_t> unpackSizes;   // one per coder output
    std::uint32_t mainCoder = 0;              // the coder whose output is unbound
    std::optional<std::uint32_t> crc;
    std::size_t firstPackStream = 0;  // index into StreamsInfo::packSizes
    std::size_t numSubstreams = 1;

    std::uint64_t UnpackSize() const { return unpackSizes[mainCoder]; }
};

struct StreamsInfo {
    std::uint64_t packPos = 0;
    std::vector<std::uint64_t> packSizes;
    std::vector<std::uint64_t> packOffsets;  // absolute file offsets, filled after reading
    std::vector<FolderInfo> folders;
    std::vector<std::uint64_t> substreamSizes;  // all folders' substreams in order
    std::vector<std::optional<std::uint32_t>> substreamCrcs;
};

struct FileRecord {
    std::u16string name;
    bool hasStream = true;
    bool isFolder = false;
    bool isAnti = false;
    std::optional<std::uint32_t> attributes;
    std::optional<std::uint64_t> modified;
    std::uint64_t size = 0;
    std::optional<std::uint32_t> crc;
    static constexpr std::size_t kNoFolder = static_cast<std::size_t>(-1);
    std::size_t folder = kNoFolder;  // for files with a stream
    std::size_t substream = 0;       // index of its stream inside the folder
};

struct ArchiveDatabase {
    StreamsInfo streams;
    std::vector<FileRecord> files;
};

}  // namespace kel::archive
