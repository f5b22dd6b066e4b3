// 7z header parsing (see sevenzip_header.h and the format in sevenzip_database.h).
#include "archive/sevenzip_header.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>

#include "archive/archive_error.h"
#include "archive/byte_reader.h"
#include "archive/crc32.h"
#include "archive/folder_decoder.h"

namespace kel::archive {
namespace {

namespace id {
constexpr std::uint64_t kEnd = 0x00;
constexpr std::uint64_t kHeader = 0x01;
constexpr std::uint64_t kArchiveProperties = 0x02;
constexpr std::uint64_t kAdditionalStreamsInfo = 0x03;
constexpr std::uint64_t kMainStreamsInfo = 0x04;
constexpr std::uint64_t kFilesInfo = 0x05;
constexpr std::uint64_t kPackInfo = 0x06;
constexpr std::uint64_t kUnpackInfo = 0x07;
constexpr std::uint64_t kSubStreamsInfo = 0x08;
constexpr std::uint64_t kSize = 0x09;
constexpr std::uint64_t kCrc = 0x0A;
constexpr std::uint64_t kFolder = 0x0B;
constexpr std::uint64_t kCodersUnpackSize = 0x0C;
constexpr std::uint64_t kNumUnpackStream = 0x0D;
constexpr std::uint64_t kEmptyStream = 0x0E;
constexpr std::uint64_t kEmptyFile = 0x0F;
constexpr std::uint64_t kAnti = 0x10;
constexpr std::uint64_t kName = 0x11;
constexpr std::uint64_t kMTime = 0x14;
constexpr std::uint64_t kWinAttributes = 0x15;
constexpr std::uint64_t kEncodedHeader = 0x17;
}  // namespace id

constexpr std::size_t kSignatureHeaderSize = 32;
constexpr std::array<std::uint8_t, 6> kSignature = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr std::size_t kMaxCodersPerFolder = 32;
constexpr std::uint32_t kMaxStreamsPerCoder = 32;
constexpr int kMaxHeaderNesting = 4;

void Expect(ByteReader& reader, std::uint64_t expected, const char* what) {
    if (reader.ReadNumber() != expected) ThrowCorruptHeader(std::string("expected ") + what);
}

std::vector<bool> ReadBitVector(ByteReader& reader, std::size_t count) {
    auto bytes = reader.ReadBytes((count + 7) / 8);
    std::vector<bool> bits(count);
    for (std::size_t i = 0; i < count; ++i) bits[i] = (bytes[i / 8] & (0x80u >> (i % 8))) != 0;
    return bits;
}

// A bit vector preceded by its "all defined" byte.
std::vector<bool> ReadDefinedVector(ByteReader& reader, std::size_t count) {
    if (reader.ReadByte() != 0) return std::vector<bool>(count, true);
    return ReadBitVector(reader, count);
}

std::vector<std::optional<std::uint32_t>> ReadDigests(ByteReader& reader, std::size_t count) {
    const std::vector<bool> defined = ReadDefinedVector(reader, count);
    std::vector<std::optional<std::uint32_t>> digests(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (defined[i]) digests[i] = reader.ReadUInt32();
    }
    return digests;
}

std::uint64_t CheckedAdd(std::uint64_t a, std::uint64_t b, const char* what) {
    if (b > std::numeric_limits<std::uint64_t>::max() - a) ThrowCorruptHeader(what);
    return a + b;
}

void ReadPackInfo(ByteReader& reader, StreamsInfo& streams) {
    streams.packPos = reader.ReadNumber();
    const std::size_t count = reader.ReadCount(1, std::numeric_limits<std::uint32_t>::max());
    streams.packSizes.assign(count, 0);
    for (;;) {
        const std::uint64_t type = reader.ReadNumber();
        if (type == id::kEnd) break;
        if (type == id::kSize) {
            for (auto& size : streams.packSizes) size = reader.ReadNumber();
        } else if (type == id::kCrc) {
            ReadDigests(reader, count);  // the file CRCs are checked instead
        } else {
            ThrowCorruptHeader("unknown property in the pack info");
        }
    }
}

// Checks that the bound coders form a tree under the main coder: every coder reached once.
void CheckCoderTree(const FolderInfo& folder, const std::vector<std::uint32_t>& firstInput) {
    std::vector<bool> seen(folder.coders.size(), false);
    std::vector<std::uint32_t> pending = {folder.mainCoder};
    std::size_t reached = 0;
    while (!pending.empty()) {
        const std::uint32_t coder = pending.back();
        pending.pop_back();
        if (seen[coder]) ThrowCorruptHeader("the coders of a folder form a cycle");
        seen[coder] = true;
        ++reached;
        for (std::uint32_t j = 0; j < folder.coders[coder].numInStreams; ++j) {
            const std::uint32_t input = firstInput[coder] + j;
            for (const BindPair& pair : folder.bindPairs) {
                if (pair.inIndex == input) pending.push_back(pair.outIndex);
            }
        }
    }
    if (reached != folder.coders.size()) ThrowCorruptHeader("a coder of a folder is not used");
}

FolderInfo ReadFolder(ByteReader& reader) {
    FolderInfo folder;
    const std::size_t numCoders = reader.ReadCount(2, kMaxCodersPerFolder);
    if (numCoders == 0) ThrowCorruptHeader("a folder without coders");
    std::vector<std::uint32_t> firstInput;
    std::uint32_t totalInputs = 0;
    for (std::size_t i = 0; i < numCoders; ++i) {
        const std::uint8_t flags = reader.ReadByte();
        if ((flags & 0xC0) != 0) ThrowCorruptHeader("coder with alternative methods");
        CoderInfo coder;
        const std::size_t idSize = flags & 0x0F;
        if (idSize > 8) ThrowCorruptHeader("coder id longer than 8 bytes");
        for (std::uint8_t byte : reader.ReadBytes(idSize))
            coder.methodId = (coder.methodId << 8) | byte;
        if ((flags & 0x10) != 0) {
            coder.numInStreams = reader.ReadNumber32();
            const std::uint32_t numOutStreams = reader.ReadNumber32();
            if (coder.numInStreams == 0 || coder.numInStreams > kMaxStreamsPerCoder) {
                ThrowCorruptHeader("coder stream count out of range");
            }
            if (numOutStreams != 1) {
                throw ArchiveError(KEL_ERROR_CANNOT_OPEN,
                                   "coders with several outputs are not supported");
            }
        }
        if ((flags & 0x20) != 0) {
            const std::size_t size = reader.ReadCount(1, 1 << 16);
            auto bytes = reader.ReadBytes(size);
            coder.properties.assign(bytes.begin(), bytes.end());
        }
        firstInput.push_back(totalInputs);
        totalInputs += coder.numInStreams;
        folder.coders.push_back(std::move(coder));
    }

    const std::size_t numBindPairs = numCoders - 1;
    std::vector<bool> inputBound(totalInputs, false);
    std::vector<bool> outputBound(numCoders, false);
    for (std::size_t i = 0; i < numBindPairs; ++i) {
        BindPair pair;
        pair.inIndex = reader.ReadNumber32();
        pair.outIndex = reader.ReadNumber32();
        if (pair.inIndex >= totalInputs || pair.outIndex >= numCoders) {
            ThrowCorruptHeader("bind pair index out of range");
        }
        if (inputBound[pair.inIndex] || outputBound[pair.outIndex]) {
            ThrowCorruptHeader("a coder stream is bound twice");
        }
        inputBound[pair.inIndex] = true;
        outputBound[pair.outIndex] = true;
        folder.bindPairs.push_back(pair);
    }
    if (totalInputs < numBindPairs + 1) ThrowCorruptHeader("a folder without packed streams");
    const std::size_t numPacked = totalInputs - numBindPairs;
    if (numPacked == 1) {
        const auto unbound = std::find(inputBound.begin(), inputBound.end(), false);
        folder.packedInputs.push_back(static_cast<std::uint32_t>(unbound - inputBound.begin()));
    } else {
        for (std::size_t i = 0; i < numPacked; ++i) {
            const std::uint32_t input = reader.ReadNumber32();
            if (input >= totalInputs || inputBound[input]) {
                ThrowCorruptHeader("packed stream index out of range");
            }
            inputBound[input] = true;
            folder.packedInputs.push_back(input);
        }
    }
    folder.mainCoder = static_cast<std::uint32_t>(
        std::find(outputBound.begin(), outputBound.end(), false) - outputBound.begin());
    CheckCoderTree(folder, firstInput);
    return folder;
}

void ReadUnpackInfo(ByteReader& reader, StreamsInfo& streams) {
    Expect(reader, id::kFolder, "the folder list");
    const std::size_t numFolders = reader.ReadCount(2, std::numeric_limits<std::uint32_t>::max());
    if (reader.ReadByte() != 0) ThrowCorruptHeader("external folder lists are not supported");
    streams.folders.reserve(numFolders);
    std::size_t packStream = 0;
    for (std::size_t i = 0; i < numFolders; ++i) {
        FolderInfo folder = ReadFolder(reader);
        folder.firstPackStream = packStream;
        packStream += folder.packedInputs.size();
        streams.folders.push_back(std::move(folder));
    }
    if (packStream > streams.packSizes.size()) {
        ThrowCorruptHeader("the folders use more packed streams than there are");
    }
    Expect(reader, id::kCodersUnpackSize, "the coder unpack sizes");
    for (auto& folder : streams.folders) {
        for (std::size_t i = 0; i < folder.coders.size(); ++i) {
            folder.unpackSizes.push_back(reader.ReadNumber());
        }
    }
    for (;;) {
        const std::uint64_t type = reader.ReadNumber();
        if (type == id::kEnd) break;
        if (type != id::kCrc) ThrowCorruptHeader("unknown property in the unpack info");
        const auto digests = ReadDigests(reader, numFolders);
        for (std::size_t i = 0; i < numFolders; ++i) streams.folders[i].crc = digests[i];
    }
}

void SetDefaultSubstreams(StreamsInfo& streams) {
    streams.substreamSizes.clear();
    streams.substreamCrcs.clear();
    for (auto& folder : streams.folders) {
        folder.numSubstreams = 1;
        streams.substreamSizes.push_back(folder.UnpackSize());
        streams.substreamCrcs.push_back(folder.crc);
    }
}

void ReadSubStreamsInfo(ByteReader& reader, StreamsInfo& streams) {
    std::uint64_t type = reader.ReadNumber();
    if (type == id::kNumUnpackStream) {
        for (auto& folder : streams.folders) {
            const std::uint64_t count = reader.ReadNumber();
            // Every stream but a folder's last needs a size of at least one byte.
            if (count > reader.Remaining() + 1) ThrowCorruptHeader("substream count out of range");
            folder.numSubstreams = static_cast<std::size_t>(count);
        }
        type = reader.ReadNumber();
    }
    streams.substreamSizes.clear();
    for (const auto& folder : streams.folders) {
        if (folder.numSubstreams == 0) continue;
        std::uint64_t sum = 0;
        if (folder.numSubstreams > 1) {
            if (type != id::kSize) ThrowCorruptHeader("substream sizes are missing");
            for (std::size_t j = 1; j < folder.numSubstreams; ++j) {
                const std::uint64_t size = reader.ReadNumber();
                sum = CheckedAdd(sum, size, "substream sizes overflow");
                streams.substreamSizes.push_back(size);
            }
        }
        if (sum > folder.UnpackSize()) ThrowCorruptHeader("substreams larger than their folder");
        streams.substreamSizes.push_back(folder.UnpackSize() - sum);
    }
    if (type == id::kSize) type = reader.ReadNumber();

    std::size_t unknownCrcs = 0;
    for (const auto& folder : streams.folders) {
        if (!(folder.numSubstreams == 1 && folder.crc)) unknownCrcs += folder.numSubstreams;
    }
    std::vector<std::optional<std::uint32_t>> digests(unknownCrcs);
    for (; type != id::kEnd; type = reader.ReadNumber()) {
        if (type != id::kCrc) ThrowCorruptHeader("unknown property in the substreams info");
        digests = ReadDigests(reader, unknownCrcs);
    }
    streams.substreamCrcs.clear();
    std::size_t next = 0;
    for (const auto& folder : streams.folders) {
        if (folder.numSubstreams == 1 && folder.crc) {
            streams.substreamCrcs.push_back(folder.crc);
        } else {
            for (std::size_t j = 0; j < folder.numSubstreams; ++j) {
                streams.substreamCrcs.push_back(digests[next++]);
            }
        }
    }
}

StreamsInfo ReadStreamsInfo(ByteReader& reader) {
    StreamsInfo streams;
    std::uint64_t type = reader.ReadNumber();
    if (type == id::kPackInfo) {
        ReadPackInfo(reader, streams);
        type = reader.ReadNumber();
    }
    if (type == id::kUnpackInfo) {
        ReadUnpackInfo(reader, streams);
        type = reader.ReadNumber();
    }
    SetDefaultSubstreams(streams);
    if (type == id::kSubStreamsInfo) {
        ReadSubStreamsInfo(reader, streams);
        type = reader.ReadNumber();
    }
    if (type != id::kEnd) ThrowCorruptHeader("unknown property in the streams info");
    return streams;
}

// Absolute offsets of the packed streams; all of them must lie inside the archive.
void LocatePackStreams(StreamsInfo& streams, std::uint64_t sourceSize) {
    std::uint64_t offset = CheckedAdd(kSignatureHeaderSize, streams.packPos, "pack position");
    streams.packOffsets.clear();
    for (std::uint64_t size : streams.packSizes) {
        streams.packOffsets.push_back(offset);
        offset = CheckedAdd(offset, size, "packed sizes overflow");
        if (offset > sourceSize)
            ThrowCorruptHeader("packed data lies beyond the end of the archive");
    }
}

std::u16string ReadName(ByteReader& reader) {
    std::u16string name;
    for (;;) {
        auto unit = reader.ReadBytes(2);
        const char16_t c = static_cast<char16_t>(unit[0] | (unit[1] << 8));
        if (c == 0) return name;
        name.push_back(c);
    }
}

void ReadFilesInfo(ByteReader& reader, ArchiveDatabase& database) {
    const std::size_t numFiles = reader.ReadCount(1, std::numeric_limits<std::uint32_t>::max());
    auto& files = database.files;
    files.resize(numFiles);
    std::vector<bool> emptyStream(numFiles, false);
    std::size_t numEmpty = 0;
    std::vector<bool> emptyFile;
    std::vector<bool> anti;
    for (;;) {
        const std::uint64_t type = reader.ReadNumber();
        if (type == id::kEnd) break;
        ByteReader section = reader.ReadSizedSection();
        switch (type) {
            case id::kEmptyStream:
                emptyStream = ReadBitVector(section, numFiles);
                numEmpty = static_cast<std::size_t>(
                    std::count(emptyStream.begin(), emptyStream.end(), true));
                emptyFile.assign(numEmpty, false);
                anti.assign(numEmpty, false);
                break;
            case id::kEmptyFile:
                emptyFile = ReadBitVector(section, numEmpty);
                break;
            case id::kAnti:
                anti = ReadBitVector(section, numEmpty);
                break;
            case id::kName:
                if (section.ReadByte() != 0) ThrowCorruptHeader("external names are not supported");
                for (auto& file : files) file.name = ReadName(section);
                if (!section.AtEnd()) ThrowCorruptHeader("more names than files");
                break;
            case id::kMTime: {
                const std::vector<bool> defined = ReadDefinedVector(section, numFiles);
                if (section.ReadByte() != 0) ThrowCorruptHeader("external times are not supported");
                for (std::size_t i = 0; i < numFiles; ++i) {
                    if (defined[i]) files[i].modified = section.ReadUInt64();
                }
                break;
            }
            case id::kWinAttributes: {
                const std::vector<bool> defined = ReadDefinedVector(section, numFiles);
                if (section.ReadByte() != 0)
                    ThrowCorruptHeader("external attributes are not supported");
                for (std::size_t i = 0; i < numFiles; ++i) {
                    if (defined[i]) files[i].attributes = section.ReadUInt32();
                }
                break;
            }
            default:
                break;  // creation and access times, start positions, padding
        }
    }
    std::size_t emptyIndex = 0;
    for (std::size_t i = 0; i < numFiles; ++i) {
        files[i].hasStream = !emptyStream[i];
        if (!files[i].hasStream) {
            files[i].isFolder = !emptyFile[emptyIndex];
            files[i].isAnti = anti[emptyIndex];
            ++emptyIndex;
        }
    }
}

void AssignStreams(ArchiveDatabase& database) {
    const auto& folders = database.streams.folders;
    std::size_t folder = 0;
    std::size_t substream = 0;
    std::size_t folderFirstStream = 0;
    for (auto& file : database.files) {
        if (!file.hasStream) continue;
        while (folder < folders.size() && substream >= folders[folder].numSubstreams) {
            folderFirstStream += folders[folder].numSubstreams;
            ++folder;
            substream = 0;
        }
        if (folder == folders.size()) ThrowCorruptHeader("more files than streams");
        file.folder = folder;
        file.substream = substream;
        file.size = database.streams.substreamSizes[folderFirstStream + substream];
        file.crc = database.streams.substreamCrcs[folderFirstStream + substream];
        ++substream;
    }
}

void ReadHeader(ByteReader& reader, ArchiveDatabase& database, std::uint64_t sourceSize) {
    std::uint64_t type = reader.ReadNumber();
    if (type == id::kArchiveProperties) {
        while (reader.ReadNumber() != id::kEnd) reader.ReadSizedSection();
        type = reader.ReadNumber();
    }
    if (type == id::kAdditionalStreamsInfo) {
        ReadStreamsInfo(reader);  // only external properties refer to it, and they are refused
        type = reader.ReadNumber();
    }
    if (type == id::kMainStreamsInfo) {
        database.streams = ReadStreamsInfo(reader);
        type = reader.ReadNumber();
    }
    if (type == id::kFilesInfo) {
        ReadFilesInfo(reader, database);
        type = reader.ReadNumber();
    }
    if (type != id::kEnd) ThrowCorruptHeader("unknown property in the header");
    LocatePackStreams(database.streams, sourceSize);
    AssignStreams(database);
}

std::vector<std::uint8_t> DecodeHeader(ByteReader& reader, ByteSource& source,
                                       DecodeContext& context) {
    StreamsInfo streams = ReadStreamsInfo(reader);
    LocatePackStreams(streams, source.Size());
    if (streams.folders.empty()) ThrowCorruptHeader("an encoded header without data");
    const FolderInfo& folder = streams.folders[0];
    if (folder.UnpackSize() > context.memoryLimit ||
        folder.UnpackSize() > (std::uint64_t{1} << 31)) {
        throw ArchiveError(KEL_ERROR_OUT_OF_MEMORY, "the archive header is too large");
    }
    // Grown as data arrives, so a forged size costs no memory before the data backs it.
    std::vector<std::uint8_t> header;
    auto stream = OpenFolderStream(streams, 0, source, context);
    std::vector<std::uint8_t> block(1 << 16);
    while (const std::size_t n = stream->Read(block)) {
        header.insert(header.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n));
    }
    if (context.checkHeaderCrcs && folder.crc && ComputeCrc32(header) != *folder.crc) {
        ThrowCorruptHeader("the packed header fails its CRC check");
    }
    return header;
}

}  // namespace

ArchiveDatabase ReadArchiveDatabase(ByteSource& source, DecodeContext& context) {
    std::array<std::uint8_t, kSignatureHeaderSize> start{};
    if (source.Size() < start.size()) {
        throw ArchiveError(KEL_ERROR_CANNOT_OPEN, "not a 7z archive (too short)");
    }
    source.ReadAt(0, start);
    if (!std::equal(kSignature.begin(), kSignature.end(), start.begin())) {
        throw ArchiveError(KEL_ERROR_CANNOT_OPEN, "not a 7z archive (no signature)");
    }
    if (start[6] != 0) throw ArchiveError(KEL_ERROR_CANNOT_OPEN, "unsupported 7z format version");
    ByteReader fields(std::span<const std::uint8_t>(start).subspan(8));
    const std::uint32_t startCrc = fields.ReadUInt32();
    if (context.checkHeaderCrcs &&
        ComputeCrc32(std::span<const std::uint8_t>(start).subspan(12)) != startCrc) {
        ThrowCorruptHeader("the signature header fails its CRC check");
    }
    const std::uint64_t nextOffset = fields.ReadUInt64();
    const std::uint64_t nextSize = fields.ReadUInt64();
    const std::uint32_t nextCrc = fields.ReadUInt32();

    ArchiveDatabase database;
    if (nextSize == 0) return database;  // an archive without entries
    const std::uint64_t headerStart = CheckedAdd(kSignatureHeaderSize, nextOffset, "header offset");
    if (CheckedAdd(headerStart, nextSize, "header size") > source.Size()) {
        throw ArchiveError(KEL_ERROR_CANNOT_OPEN, "the archive is truncated");
    }
    if (nextSize > context.memoryLimit || nextSize > (std::uint64_t{1} << 31)) {
        throw ArchiveError(KEL_ERROR_OUT_OF_MEMORY, "the archive header is too large");
    }
    std::vector<std::uint8_t> header(static_cast<std::size_t>(nextSize));
    source.ReadAt(headerStart, header);
    if (context.checkHeaderCrcs && ComputeCrc32(header) != nextCrc) {
        ThrowCorruptHeader("the header fails its CRC check");
    }

    for (int nesting = 0; nesting <= kMaxHeaderNesting; ++nesting) {
        ByteReader reader(header);
        const std::uint64_t type = reader.ReadNumber();
        if (type == id::kHeader) {
            ReadHeader(reader, database, source.Size());
            return database;
        }
        if (type != id::kEncodedHeader) ThrowCorruptHeader("unknown header type");
        header = DecodeHeader(reader, source, context);
    }
    ThrowCorruptHeader("too many nested encoded headers");
}

}  // namespace kel::archive
