// Packed streams and the input buffer of the decoders (see in_stream.h).
#include "archive/in_stream.h"

#include <algorithm>
#include <string>

#include "archive/archive_error.h"
#include "archive/byte_source.h"

namespace kel::archive {

void MemoryByteSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    if (offset > bytes_.size() || buffer.size() > bytes_.size() - offset) {
        ThrowCorruptData("the archive ends before its packed data");
    }
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), buffer.size(),
                buffer.begin());
}

namespace {

class PackedStream : public InStream {
  public:
    PackedStream(ByteSource& source, std::uint64_t offset, std::uint64_t size)
        : source_(source), offset_(offset), remaining_(size) {}

    std::size_t Read(std::span<std::uint8_t> buffer) override {
        const std::size_t count =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), remaining_));
        if (count == 0) return 0;
        source_.ReadAt(offset_, buffer.first(count));
        offset_ += count;
        remaining_ -= count;
        return count;
    }

  private:
    ByteSource& source_;
    std::uint64_t offset_;
    std::uint64_t remaining_;
};

}  // namespace

std::unique_ptr<InStream> OpenPackedStream(ByteSource& source, std::uint64_t offset,
                                           std::uint64_t size) {
    return std::make_unique<PackedStream>(source, offset, size);
}

std::size_t ReadFull(InStream& stream, std::span<std::uint8_t> buffer) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        const std::size_t n = stream.Read(buffer.subspan(done));
        if (n == 0) break;
        done += n;
    }
    return done;
}

bool InputBuffer::Fill() {
    if (position_ < end_) return true;
    position_ = 0;
    end_ = input_.Read(std::span<std::uint8_t>(buffer_.get(), capacity_));
    return end_ > 0;
}

std::uint8_t InputBuffer::ReadByte(const char* what) {
    if (!Fill()) ThrowCorruptData(std::string("the stream ends inside ") + what);
    return buffer_[position_++];
}

}  // namespace kel::archive
