// Table-driven CRC-32 (see crc32.h). Slice k of the table gives the CRC contribution of a byte
// followed by k zero bytes, so eight input bytes are folded with eight look-ups.
#include "archive/crc32.h"

#include <array>
#include <cstddef>

namespace kel::archive {
namespace {

using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr CrcTables MakeTables() {
    CrcTables tables{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t crc = i;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1u) ? 0xEDB88320u : 0u);
        tables[0][i] = crc;
    }
    for (std::size_t slice = 1; slice < 8; ++slice) {
        for (std::size_t i = 0; i < 256; ++i) {
            const std::uint32_t previous = tables[slice - 1][i];
            tables[slice][i] = (previous >> 8) ^ tables[0][previous & 0xFFu];
        }
    }
    return tables;
}

constexpr CrcTables kTables = MakeTables();

}  // namespace

void Crc32::Update(std::span<const std::uint8_t> bytes) {
    std::uint32_t crc = state_;
    const std::uint8_t* p = bytes.data();
    std::size_t n = bytes.size();
    while (n >= 8) {
        const std::uint32_t low =
            crc ^ (static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                   static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
        crc = kTables[7][low & 0xFFu] ^ kTables[6][(low >> 8) & 0xFFu] ^
              kTables[5][(low >> 16) & 0xFFu] ^ kTables[4][low >> 24] ^ kTables[3][p[4]] ^
              kTables[2][p[5]] ^ kTables[1][p[6]] ^ kTables[0][p[7]];
        p += 8;
        n -= 8;
    }
    while (n-- > 0) crc = (crc >> 8) ^ kTables[0][(crc ^ *p++) & 0xFFu];
    state_ = crc;
}

std::uint32_t ComputeCrc32(std::span<const std::uint8_t> bytes) {
    Crc32 crc;
    crc.Update(bytes);
    return crc.Value();
}

}  // namespace kel::archive
