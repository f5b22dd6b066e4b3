// Where the archive's bytes come from: random access by offset. The library reads a file through
// its Win32 adapter; tests and the fuzzer read memory. A read outside the source throws, so no
// offset taken from a header can reach past the archive.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kel::archive {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Fills `buffer` with the bytes at `offset`; throws ArchiveError when they are not all there
    // (KEL_ERROR_CORRUPT_DATA) or cannot be read (KEL_ERROR_READ_FAILED).
    virtual void ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) = 0;
};

class MemoryByteSource : public ByteSource {
  public:
    explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    void ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override;

  private:
    std::span<const std::uint8_t> bytes_;
};

}  // namespace kel::archive
