// Bounds-checked header reader (see byte_reader.h).
#include "archive/byte_reader.h"

#include <string>

#include "archive/archive_error.h"

namespace kel::archive {

std::span<const std::uint8_t> ByteReader::ReadBytes(std::size_t count) {
    if (count > Remaining()) ThrowCorruptHeader("a field runs past the end of its section");
    auto bytes = data_.subspan(position_, count);
    position_ += count;
    return bytes;
}

std::uint8_t ByteReader::ReadByte() { return ReadBytes(1)[0]; }

std::uint32_t ByteReader::ReadUInt32() {
    auto bytes = ReadBytes(4);
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | bytes[static_cast<std::size_t>(i)];
    return value;
}

std::uint64_t ByteReader::ReadUInt64() {
    auto bytes = ReadBytes(8);
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[static_cast<std::size_t>(i)];
    return value;
}

std::uint64_t ByteReader::ReadNumber() {
    const std::uint8_t first = ReadByte();
    std::uint8_t mask = 0x80;
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) {
        if ((first & mask) == 0) {
            const std::uint64_t high = first & (mask - 1u);
            return value | (high << (8 * i));
        }
        value |= static_cast<std::uint64_t>(ReadByte()) << (8 * i);
        mask = static_cast<std::uint8_t>(mask >> 1);
    }
    return value;
}

std::uint32_t ByteReader::ReadNumber32() {
    const std::uint64_t value = ReadNumber();
    if (value > 0xFFFFFFFFu) ThrowCorruptHeader("a number is out of range");
    return static_cast<std::uint32_t>(value);
}

std::size_t ByteReader::ReadCount(std::size_t bytesPerItem, std::size_t limit) {
    const std::uint64_t count = ReadNumber();
    if (count > limit)
        ThrowCorruptHeader("a count is out of range (" + std::to_string(count) + ")");
    if (bytesPerItem != 0 && count > Remaining() / bytesPerItem) {
        ThrowCorruptHeader("a count exceeds what the header holds (" + std::to_string(count) + ")");
    }
    return static_cast<std::size_t>(count);
}

ByteReader ByteReader::ReadSizedSection() {
    const std::uint64_t size = ReadNumber();
    if (size > Remaining()) ThrowCorruptHeader("a property runs past the end of the header");
    return ReadSection(static_cast<std::size_t>(size));
}

}  // namespace kel::archive
