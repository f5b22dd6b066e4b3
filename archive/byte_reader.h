// Bounds-checked reading of the 7z header structures from a byte span. Every read checks what is
// left first; a read past the end throws ArchiveError (KEL_ERROR_CANNOT_OPEN), so header parsing
// never touches memory outside its buffer. Counts read from the header are checked against the
// bytes left, so a forged count cannot make a caller allocate more than the header could describe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kel::archive {

class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::size_t Remaining() const { return data_.size() - position_; }
    bool AtEnd() const { return position_ == data_.size(); }

    std::uint8_t ReadByte();
    std::uint32_t ReadUInt32();
    std::uint64_t ReadUInt64();
    // The header's variable-length number: the count of leading 1 bits of the first byte gives
    // the number of following little-endian bytes; the remaining bits of the first byte are the
    // value's top bits.
    std::uint64_t ReadNumber();
    // A number that must fit 32 bits.
    std::uint32_t ReadNumber32();
    // A count of items each of which needs at least `bytesPerItem` of the bytes still left (0 for
    // items that need none; then `limit` alone bounds the count).
    std::size_t ReadCount(std::size_t bytesPerItem, std::size_t limit);
    std::span<const std::uint8_t> ReadBytes(std::size_t count);
    // A reader over the next `count` bytes, which this reader skips.
    ByteReader ReadSection(std::size_t count) { return ByteReader(ReadBytes(count)); }
    void Skip(std::size_t count) { ReadBytes(count); }
    // A section whose length is a header number.
    ByteReader ReadSizedSection();

  private:
    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
};

}  // namespace kel::archive
