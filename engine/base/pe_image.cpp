// PE image end and appended data (see pe_image.h).
#include "engine/base/pe_image.h"

#include <algorithm>

namespace kel {
namespace {

class ByteReader {
public:
    explicit ByteReader(std::span<const unsigned char> bytes) : bytes_(bytes) {}
    std::optional<std::uint32_t> U32(std::uint64_t at) const {
        if (at > bytes_.size() || bytes_.size() - at < 4) return std::nullopt;
        return static_cast<std::uint32_t>(bytes_[at]) | (std::uint32_t{bytes_[at + 1]} << 8) |
               (std::uint32_t{bytes_[at + 2]} << 16) | (std::uint32_t{bytes_[at + 3]} << 24);
    }
    std::optional<std::uint16_t> U16(std::uint64_t at) const {
        if (at > bytes_.size() || bytes_.size() - at < 2) return std::nullopt;
        return static_cast<std::uint16_t>(bytes_[at] | (bytes_[at + 1] << 8));
    }

private:
    std::span<const unsigned char> bytes_;
};

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kSecurityDirectory = 4;

}  // namespace

std::optional<PeLayout> ReadPeLayout(std::span<const unsigned char> file) {
    ByteReader in(file);
    if (in.U16(0) != std::optional<std::uint16_t>(0x5A4D)) return std::nullopt;  // "MZ"
    const auto peOffset = in.U32(0x3C);
    if (!peOffset || in.U32(*peOffset) != std::optional<std::uint32_t>(0x00004550)) {
        return std::nullopt;  // "PE\0\0"
    }
    const std::uint64_t coff = std::uint64_t{*peOffset} + 4;
    const auto sectionCount = in.U16(coff + 2);
    const auto optionalSize = in.U16(coff + 16);
    if (!sectionCount || !optionalSize) return std::nullopt;
    const std::uint64_t optionalHeader = coff + 20;

    PeLayout layout;
    const std::uint64_t sections = optionalHeader + *optionalSize;
    for (std::uint32_t i = 0; i < *sectionCount; ++i) {
        const std::uint64_t header = sections + std::uint64_t{i} * 40;
        const auto rawSize = in.U32(header + 16);
        const auto rawPointer = in.U32(header + 20);
        if (!rawSize || !rawPointer) return std::nullopt;
        layout.imageEnd = std::max(layout.imageEnd, std::uint64_t{*rawPointer} + *rawSize);
    }

    const auto magic = in.U16(optionalHeader);
    std::uint64_t directories = 0;
    std::uint64_t countField = 0;
    if (magic == std::optional<std::uint16_t>(kPe32Magic)) {
        countField = optionalHeader + 92;
        directories = optionalHeader + 96;
    } else if (magic == std::optional<std::uint16_t>(kPe32PlusMagic)) {
        countField = optionalHeader + 108;
        directories = optionalHeader + 112;
    }
    if (directories != 0) {
        const auto count = in.U32(countField);
        const std::uint64_t entry = directories + kSecurityDirectory * 8;
        if (count && *count > kSecurityDirectory && entry + 8 <= sections) {
            const auto offset = in.U32(entry);
            const auto size = in.U32(entry + 4);
            // The security directory holds a file offset, not an address.
            if (offset && size && *offset != 0 && *size != 0 && *offset >= layout.imageEnd &&
                std::uint64_t{*offset} + *size <= file.size()) {
                layout.certificateOffset = *offset;
            }
        }
    }
    return layout;
}

std::optional<std::string_view> AppendedData(std::string_view file) {
    const auto layout = ReadPeLayout(
        std::span(reinterpret_cast<const unsigned char*>(file.data()), file.size()));
    if (!layout) return std::nullopt;
    std::uint64_t end = layout->certificateOffset.value_or(file.size());
    if (layout->imageEnd >= end) return std::string_view();
    std::string_view appended = file.substr(layout->imageEnd, end - layout->imageEnd);
    if (layout->certificateOffset) {
        // Signing pads the signed content to eight bytes with zeros before the table.
        for (int i = 0; i < 7 && !appended.empty() && appended.back() == '\0'; ++i) {
            appended.remove_suffix(1);
        }
    }
    return appended;
}

}  // namespace kel
