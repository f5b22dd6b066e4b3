// The pull streams a folder's coders are joined with. Each coder is an InStream that reads its
// inputs (packed streams of the archive or other coders' outputs) and yields its unpacked output;
// a folder's decoder is the tree of them rooted at its main coder. Read fills as much of the
// buffer as it can and answers 0 only at the stream's end; damage throws ArchiveError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kel::archive {

class ByteSource;

class InStream {
  public:
    virtual ~InStream() = default;
    virtual std::size_t Read(std::span<std::uint8_t> buffer) = 0;
};

using InStreams = std::vector<std::unique_ptr<InStream>>;

// A packed stream: `size` bytes of the source from `offset`, read in large blocks.
std::unique_ptr<InStream> OpenPackedStream(ByteSource& source, std::uint64_t offset,
                                           std::uint64_t size);

// Reads until `buffer` is full or the stream ends; answers the bytes read.
std::size_t ReadFull(InStream& stream, std::span<std::uint8_t> buffer);

// Input side of a decoder: a buffer over one input stream, for decoders that consume bytes in
// chunks of their own choosing.
class InputBuffer {
  public:
    // Not zero-filled: a decoder per small file of a non-solid archive must stay cheap.
    explicit InputBuffer(InStream& input, std::size_t capacity = 1 << 18)
        : input_(input), buffer_(new std::uint8_t[capacity]), capacity_(capacity) {}

    std::span<const std::uint8_t> Available() const {
        return std::span<const std::uint8_t>(buffer_.get() + position_, end_ - position_);
    }
    void Consume(std::size_t count) { position_ += count; }
    // Refills when everything was consumed; false at the input's end.
    bool Fill();
    // One byte, or a damaged-data error at the input's end.
    std::uint8_t ReadByte(const char* what);

  private:
    InStream& input_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t capacity_;
    std::size_t position_ = 0;
    std::size_t end_ = 0;
};

}  // namespace kel::archive
