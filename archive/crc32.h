// CRC-32 as 7z archives use it (the reflected polynomial 0xEDB88320, initial value and final xor
// 0xFFFFFFFF), computed eight bytes at a time with precomputed tables. Portable core.
#pragma once

#include <cstdint>
#include <span>

namespace kel::archive {

class Crc32 {
  public:
    void Update(std::span<const std::uint8_t> bytes);
    std::uint32_t Value() const { return ~state_; }

  private:
    std::uint32_t state_ = 0xFFFFFFFFu;
};

std::uint32_t ComputeCrc32(std::span<const std::uint8_t> bytes);

}  // namespace kel::archive
