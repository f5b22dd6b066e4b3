// A minimal PE32 image for host tests: headers, one section of 0x200 bytes at 0x200, so the image
// ends at 0x400, as a stripped program's image ends where its last section ends.
#pragma once

#include <cstdint>
#include <string>

namespace kel::testing {

inline void PutU16(std::string& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}
inline void PutU32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

constexpr std::size_t kFakeImageEnd = 0x400;

// With `certificateSize`, a certificate table of that many bytes follows the image and the
// security directory points at it, as in a signed file.
inline std::string FakePeImage(std::uint32_t certificateSize = 0) {
    std::string b(kFakeImageEnd, '\0');
    b[0] = 'M';
    b[1] = 'Z';
    PutU32(b, 0x3C, 0x40);
    b.replace(0x40, 4, std::string("PE\0\0", 4));
    const std::size_t coff = 0x44;
    PutU16(b, coff, 0x14C);        // i386
    PutU16(b, coff + 2, 1);        // one section
    PutU16(b, coff + 16, 224);     // optional header size
    const std::size_t optional = coff + 20;
    PutU16(b, optional, 0x10B);    // PE32
    PutU32(b, optional + 92, 16);  // data directories
    const std::size_t section = optional + 224;
    b.replace(section, 5, ".text");
    PutU32(b, section + 8, 0x200);    // virtual size
    PutU32(b, section + 12, 0x1000);  // virtual address
    PutU32(b, section + 16, 0x200);   // SizeOfRawData
    PutU32(b, section + 20, 0x200);   // PointerToRawData
    for (std::size_t i = 0x200; i < kFakeImageEnd; ++i) b[i] = static_cast<char>(0xC3);
    if (certificateSize > 0) {
        PutU32(b, optional + 96 + 4 * 8, static_cast<std::uint32_t>(kFakeImageEnd));
        PutU32(b, optional + 96 + 4 * 8 + 4, certificateSize);
        b += std::string(certificateSize, '\x5A');
    }
    return b;
}

// Points the security directory at `offset` with `size` bytes (the caller appends them).
inline void SetCertificateTable(std::string& image, std::uint32_t offset, std::uint32_t size) {
    const std::size_t directories = 0x44 + 20 + 96;
    PutU32(image, directories + 4 * 8, offset);
    PutU32(image, directories + 4 * 8 + 4, size);
}

}  // namespace kel::testing
