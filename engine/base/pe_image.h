// Where a Windows executable's image ends and what was appended after it. The engine finds its
// compiled script after its own image, and its message table after the image of "kel.lib"; the
// tools use the same rule to append and to dump. A signed file carries its certificate table
// (the PE security directory) at the very end: the appended data then ends where that table
// begins. Portable core: the file is read as bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kel {

struct PeLayout {
    std::uint64_t imageEnd = 0;  // the largest PointerToRawData + SizeOfRawData of the sections
    std::optional<std::uint64_t> certificateOffset;  // file offset of the certificate table
};

// nullopt when the bytes are not a PE file whose headers lie within them.
std::optional<PeLayout> ReadPeLayout(std::span<const unsigned char> file);

// The bytes appended after the image (and before a certificate table); empty when none.
// nullopt when the file is not a PE file.
std::optional<std::string_view> AppendedData(std::string_view file);

}  // namespace kel
