// Buffer filters (see branch_filters.h).
#include "archive/branch_filters.h"

#include <array>
#include <cstring>
#include <vector>

#include "archive/archive_error.h"

namespace kel::archive {
namespace {

class ByteFilter {
  public:
    virtual ~ByteFilter() = default;
    // Converts `data` in place; answers how many leading bytes are final. The others are given
    // again, with more data after them, in the next call (or passed on as they are at the end).
    virtual std::size_t Convert(std::span<std::uint8_t> data) = 0;
};

class FilterStream : public InStream {
  public:
    FilterStream(std::unique_ptr<InStream> input, std::unique_ptr<ByteFilter> filter)
        : input_(std::move(input)), filter_(std::move(filter)), buffer_(1 << 16) {}

    std::size_t Read(std::span<std::uint8_t> out) override {
        std::size_t done = 0;
        while (done < out.size()) {
            if (start_ < ready_) {
                const std::size_t n = std::min(out.size() - done, ready_ - start_);
                std::memcpy(out.data() + done, buffer_.data() + start_, n);
                start_ += n;
                done += n;
                continue;
            }
            // Keep the unfinished tail at the front, then add input after it.
            std::memmove(buffer_.data(), buffer_.data() + ready_, end_ - ready_);
            end_ -= ready_;
            start_ = ready_ = 0;
            if (inputEnded_) {
                if (end_ == 0) break;
                ready_ = end_;
                continue;
            }
            const std::size_t n = input_->Read(std::span(buffer_).subspan(end_));
            if (n == 0) {
                inputEnded_ = true;
                continue;
            }
            end_ += n;
            ready_ = filter_->Convert(std::span(buffer_).first(end_));
        }
        return done;
    }

  private:
    std::unique_ptr<InStream> input_;
    std::unique_ptr<ByteFilter> filter_;
    std::vector<std::uint8_t> buffer_;
    std::size_t start_ = 0;  // first byte not yet handed out
    std::size_t ready_ = 0;  // end of the converted bytes
    std::size_t end_ = 0;    // end of the bytes read
    bool inputEnded_ = false;
};

// The x86 converter turns the absolute targets that the encoder wrote into CALL (E8) and JMP
// (E9) rel32 operands back into relative ones. An operand is converted only when its top byte is
// 00 or FF; an opcode byte found within three bytes after an unconverted one is judged by that
// earlier candidate's overlap (`recent_` holds which of the previous three bytes were such
// candidates: value 4 one byte back, 2 two bytes back, 1 three bytes back).
class X86Filter : public ByteFilter {
  public:
    std::size_t Convert(std::span<std::uint8_t> data) override {
        if (data.size() < 5) return 0;
        const std::size_t last = data.size() - 4;  // an opcode needs its 4 operand bytes
        std::uint32_t recent = recent_;
        std::size_t next = 0;
        for (;;) {
            std::size_t at = next;
            while (at < last && (data[at] & 0xFE) != 0xE8) ++at;
            const std::size_t gap = at - next;
            recent = gap > 2 ? 0 : recent >> gap;
            if (at >= last) {
                recent_ = recent;
                position_ += static_cast<std::uint32_t>(at);
                return at;
            }
            const bool overlapped = recent != 0 && (recent > 4 || recent == 3 ||
                                                    IsOperandTop(data[at + (recent >> 1) + 1]));
            if (overlapped || !IsOperandTop(data[at + 4])) {
                recent = (recent >> 1) | 4;
                next = at + 1;
                continue;
            }
            const std::uint32_t following = position_ + static_cast<std::uint32_t>(at) + 5;
            std::uint32_t target = static_cast<std::uint32_t>(data[at + 1]) |
                                   static_cast<std::uint32_t>(data[at + 2]) << 8 |
                                   static_cast<std::uint32_t>(data[at + 3]) << 16 |
                                   static_cast<std::uint32_t>(data[at + 4]) << 24;
            target -= following;
            if (recent != 0) {
                const unsigned shift = (recent & 6u) << 2;
                if (IsOperandTop(static_cast<std::uint8_t>(target >> shift))) {
                    target ^= (0x100u << shift) - 1;
                    target -= following;
                }
                recent = 0;
            }
            data[at + 1] = static_cast<std::uint8_t>(target);
            data[at + 2] = static_cast<std::uint8_t>(target >> 8);
            data[at + 3] = static_cast<std::uint8_t>(target >> 16);
            data[at + 4] = (target & 0x01000000u) != 0 ? 0xFF : 0x00;
            next = at + 5;
        }
    }

  private:
    static bool IsOperandTop(std::uint8_t byte) { return byte == 0x00 || byte == 0xFF; }

    std::uint32_t position_ = 0;  // stream offset of data[0]
    std::uint32_t recent_ = 0;
};

// Delta: each byte was stored as its difference to the byte `distance` places before it.
class DeltaFilter : public ByteFilter {
  public:
    explicit DeltaFilter(unsigned distance) : distance_(distance) {}

    std::size_t Convert(std::span<std::uint8_t> data) override {
        for (std::uint8_t& byte : data) {
            byte = static_cast<std::uint8_t>(byte + history_[(count_ - distance_) & 0xFFu]);
            history_[count_ & 0xFFu] = byte;
            ++count_;
        }
        return data.size();
    }

  private:
    unsigned distance_;
    std::array<std::uint8_t, 256> history_{};
    std::size_t count_ = 0;
};

}  // namespace

std::unique_ptr<InStream> CreateX86Decoder(CoderInputs&& coder) {
    if (!coder.properties.empty()) {
        throw ArchiveError(KEL_ERROR_UNSUPPORTED_METHOD,
                           "BCJ with a start offset is not supported");
    }
    return std::make_unique<FilterStream>(std::move(coder.inputs.at(0)),
                                          std::make_unique<X86Filter>());
}

std::unique_ptr<InStream> CreateDeltaDecoder(CoderInputs&& coder) {
    if (coder.properties.size() != 1) ThrowCorruptData("Delta properties must be 1 byte");
    return std::make_unique<FilterStream>(std::move(coder.inputs.at(0)),
                                          std::make_unique<DeltaFilter>(coder.properties[0] + 1u));
}

}  // namespace kel::archive
