// LZMA and LZMA2 decoders over the LZMA SDK's LzmaDec (compiled into this library from the
// system's SDK sources). LzmaDec works in our dictionary buffer through its dictionary interface;
// the LZMA2 chunk framing (control bytes, uncompressed chunks, property and state resets) is
// ours. The dictionary buffer is never smaller than the dictionary, or it holds the whole output,
// so every match distance the SDK accepts lies inside it.
#include "archive/lzma_decoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "archive/archive_error.h"

// The SDK's Types.h pulls in <windows.h> for Windows builds only to define a type LzmaDec does
// not use; the decoder itself is plain C.
#pragma push_macro("_WIN32")
#undef _WIN32
#include "LzmaDec.h"
#pragma pop_macro("_WIN32")

extern "C" void LzmaDec_InitDicAndState(CLzmaDec* p, Bool initDic, Bool initState);

namespace kel::archive {
namespace {

void* SdkAlloc(void*, size_t size) { return std::malloc(size); }
void SdkFree(void*, void* address) { std::free(address); }
ISzAlloc kSdkAllocator = {SdkAlloc, SdkFree};

constexpr std::uint32_t kMinDictionary = 1u << 12;

// State shared by both formats: the SDK decoder and our dictionary buffer. Output bytes are the
// ones between readPos_ and the decoder's dicPos.
class LzmaCore {
  public:
    LzmaCore(std::uint32_t dictionarySize, std::uint64_t outSize, const DecodeContext& context) {
        state_ = CLzmaDec{};
        LzmaDec_Construct(&state_);
        dictionarySize = std::max(dictionarySize, kMinDictionary);
        const std::uint64_t bufferSize =
            std::max<std::uint64_t>(1, std::min<std::uint64_t>(dictionarySize, outSize));
        if (bufferSize > context.memoryLimit || bufferSize > (std::uint64_t{1} << 31)) {
            throw ArchiveError(KEL_ERROR_OUT_OF_MEMORY, "the dictionary of " +
                                                            std::to_string(bufferSize) +
                                                            " bytes exceeds the memory limit");
        }
        dictionary_.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bufferSize)]);
        if (!dictionary_) {
            throw ArchiveError(KEL_ERROR_OUT_OF_MEMORY, "no memory for the LZMA dictionary");
        }
        state_.dic = dictionary_.get();
        state_.dicBufSize = static_cast<SizeT>(bufferSize);
        state_.prop.dicSize = dictionarySize;
    }
    ~LzmaCore() { LzmaDec_FreeProbs(&state_, &kSdkAllocator); }
    LzmaCore(const LzmaCore&) = delete;
    LzmaCore& operator=(const LzmaCore&) = delete;

    // New lc/lp/pb from the SDK's 5-byte property form.
    void SetProperties(const std::uint8_t* properties) {
        const SRes result =
            LzmaDec_AllocateProbs(&state_, properties, LZMA_PROPS_SIZE, &kSdkAllocator);
        if (result == SZ_ERROR_MEM)
            throw ArchiveError(KEL_ERROR_OUT_OF_MEMORY, "no memory for LZMA");
        if (result != SZ_OK) ThrowCorruptData("invalid LZMA properties");
    }

    // Copies decoded bytes out; answers how many.
    std::size_t Drain(std::span<std::uint8_t> buffer) {
        const std::size_t n = std::min(buffer.size(), state_.dicPos - readPos_);
        std::memcpy(buffer.data(), state_.dic + readPos_, n);
        readPos_ += n;
        return n;
    }
    bool HasOutput() const { return readPos_ < state_.dicPos; }
    // Room before the buffer wraps; wraps first when it is full and everything was drained.
    std::size_t Room() {
        if (state_.dicPos == state_.dicBufSize) state_.dicPos = readPos_ = 0;
        return state_.dicBufSize - state_.dicPos;
    }

    // Decodes up to `limit` bytes from `input`; answers the input bytes consumed and sets
    // `produced` and `status`.
    std::size_t Decode(std::span<const std::uint8_t> input, std::size_t limit,
                       std::size_t& produced, ELzmaStatus& status) {
        const SizeT before = state_.dicPos;
        SizeT consumed = input.size();
        const SRes result = LzmaDec_DecodeToDic(&state_, before + limit, input.data(), &consumed,
                                                LZMA_FINISH_ANY, &status);
        if (result != SZ_OK) ThrowCorruptData("invalid LZMA data");
        produced = state_.dicPos - before;
        return consumed;
    }

    // Appends stored bytes as the decoder's own output, so later matches may refer to them.
    void AppendUncompressed(std::span<const std::uint8_t> bytes) {
        std::memcpy(state_.dic + state_.dicPos, bytes.data(), bytes.size());
        state_.dicPos += bytes.size();
        const auto n = static_cast<UInt32>(bytes.size());
        if (state_.checkDicSize == 0 && (state_.processedPos >= state_.prop.dicSize ||
                                         state_.prop.dicSize - state_.processedPos <= n)) {
            state_.checkDicSize = state_.prop.dicSize;
        }
        state_.processedPos += n;
    }

    void Reset(bool dictionary, bool state) { LzmaDec_InitDicAndState(&state_, dictionary, state); }
    void InitAll() { LzmaDec_Init(&state_); }

  private:
    CLzmaDec state_;
    std::unique_ptr<std::uint8_t[]> dictionary_;
    std::size_t readPos_ = 0;
};

class LzmaStream : public InStream {
  public:
    explicit LzmaStream(CoderInputs&& coder)
        : input_(std::move(coder.inputs.at(0))),
          buffer_(*input_),
          core_(DictionarySize(coder.properties), coder.outSize, *coder.context),
          remaining_(coder.outSize) {
        core_.SetProperties(coder.properties.data());
        core_.InitAll();
    }

    std::size_t Read(std::span<std::uint8_t> out) override {
        std::size_t done = 0;
        while (done < out.size()) {
            if (core_.HasOutput()) {
                done += core_.Drain(out.subspan(done));
                continue;
            }
            if (remaining_ == 0) break;
            const std::size_t limit =
                static_cast<std::size_t>(std::min<std::uint64_t>(core_.Room(), remaining_));
            // At the input's end the decoder may still finish a match it had begun.
            if (buffer_.Available().empty()) buffer_.Fill();
            std::size_t produced = 0;
            ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
            const std::size_t consumed = core_.Decode(buffer_.Available(), limit, produced, status);
            buffer_.Consume(consumed);
            remaining_ -= produced;
            if (produced == 0 && consumed == 0) {
                ThrowCorruptData(status == LZMA_STATUS_FINISHED_WITH_MARK
                                     ? "the LZMA stream ends before its declared size"
                                     : "the LZMA stream is truncated");
            }
        }
        return done;
    }

  private:
    static std::uint32_t DictionarySize(std::span<const std::uint8_t> properties) {
        if (properties.size() != LZMA_PROPS_SIZE)
            ThrowCorruptData("LZMA properties must be 5 bytes");
        return static_cast<std::uint32_t>(properties[1]) |
               static_cast<std::uint32_t>(properties[2]) << 8 |
               static_cast<std::uint32_t>(properties[3]) << 16 |
               static_cast<std::uint32_t>(properties[4]) << 24;
    }

    std::unique_ptr<InStream> input_;
    InputBuffer buffer_;
    LzmaCore core_;
    std::uint64_t remaining_;
};

// LZMA2: a sequence of chunks, each introduced by a control byte:
//   00          end of stream
//   01 / 02     stored chunk with / without dictionary reset; 2-byte size - 1 follows
//   1rr uuuuu   LZMA chunk: u = bits 16-20 of the unpacked size - 1, then 2 bytes of it, then
//               2 bytes packed size - 1; rr: 0 nothing reset, 1 state reset, 2 state reset and a
//               property byte (lc/lp/pb) follows, 3 as 2 plus dictionary reset.
// Each LZMA chunk starts a new range coder.
class Lzma2Stream : public InStream {
  public:
    explicit Lzma2Stream(CoderInputs&& coder)
        : input_(std::move(coder.inputs.at(0))),
          buffer_(*input_),
          core_(DictionarySize(coder.properties), coder.outSize, *coder.context),
          dictionarySize_(DictionarySize(coder.properties)),
          remaining_(coder.outSize) {}

    std::size_t Read(std::span<std::uint8_t> out) override {
        std::size_t done = 0;
        while (done < out.size()) {
            if (core_.HasOutput()) {
                done += core_.Drain(out.subspan(done));
                continue;
            }
            if (remaining_ == 0) break;
            if (chunkUnpacked_ == 0) {
                if (!StartChunk())
                    ThrowCorruptData("the LZMA2 stream ends before its declared size");
                continue;
            }
            const std::size_t limit = static_cast<std::size_t>(std::min<std::uint64_t>(
                {static_cast<std::uint64_t>(core_.Room()), remaining_, chunkUnpacked_}));
            if (buffer_.Available().empty()) buffer_.Fill();
            auto available = buffer_.Available();
            std::size_t produced = 0;
            std::size_t consumed = 0;
            if (stored_) {
                produced = std::min(limit, available.size());
                if (produced == 0) ThrowCorruptData("the LZMA2 stream is truncated");
                core_.AppendUncompressed(available.first(produced));
                consumed = produced;
            } else {
                available = available.first(static_cast<std::size_t>(
                    std::min<std::uint64_t>(available.size(), chunkPacked_)));
                ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
                consumed = core_.Decode(available, limit, produced, status);
                chunkPacked_ -= consumed;
                if (produced == 0 && consumed == 0)
                    ThrowCorruptData("the LZMA2 stream is truncated");
            }
            buffer_.Consume(consumed);
            chunkUnpacked_ -= produced;
            remaining_ -= produced;
            if (chunkUnpacked_ == 0 && !stored_ && chunkPacked_ != 0) {
                ThrowCorruptData("an LZMA2 chunk is longer than its data");
            }
        }
        return done;
    }

  private:
    static std::uint32_t DictionarySize(std::span<const std::uint8_t> properties) {
        if (properties.size() != 1 || properties[0] > 40)
            ThrowCorruptData("invalid LZMA2 properties");
        const unsigned bits = properties[0];
        if (bits == 40) return 0xFFFFFFFFu;
        return (2u | (bits & 1u)) << (bits / 2 + 11);
    }

    std::uint32_t ReadBigEndian16(const char* what) {
        const std::uint32_t high = buffer_.ReadByte(what);
        return (high << 8) | buffer_.ReadByte(what);
    }

    // Reads the next control byte and the chunk header; false at the end marker.
    bool StartChunk() {
        const std::uint8_t control = buffer_.ReadByte("an LZMA2 control byte");
        if (control == 0x00) return false;
        if (control == 0x01 || control == 0x02) {
            const bool resetDictionary = control == 0x01;
            if (!resetDictionary && needDictionaryReset_)
                ThrowCorruptData("LZMA2 starts without reset");
            if (resetDictionary) needProperties_ = needStateReset_ = true;
            needDictionaryReset_ = false;
            core_.Reset(resetDictionary, false);
            chunkUnpacked_ = ReadBigEndian16("an LZMA2 chunk header") + 1;
            stored_ = true;
            return true;
        }
        if (control < 0x80) ThrowCorruptData("invalid LZMA2 control byte");
        const unsigned mode = (control >> 5) & 3u;
        chunkUnpacked_ = (static_cast<std::uint64_t>(control & 0x1Fu) << 16) +
                         ReadBigEndian16("an LZMA2 chunk header") + 1;
        chunkPacked_ = ReadBigEndian16("an LZMA2 chunk header") + 1;
        if (mode >= 2) {
            const std::uint8_t lclppb = buffer_.ReadByte("an LZMA2 chunk header");
            if (lclppb >= 9 * 5 * 5) ThrowCorruptData("invalid LZMA2 chunk properties");
            const unsigned lc = lclppb % 9;
            const unsigned lp = (lclppb / 9) % 5;
            if (lc + lp > 4) ThrowCorruptData("invalid LZMA2 chunk properties");
            const std::uint8_t properties[LZMA_PROPS_SIZE] = {
                lclppb, static_cast<std::uint8_t>(dictionarySize_),
                static_cast<std::uint8_t>(dictionarySize_ >> 8),
                static_cast<std::uint8_t>(dictionarySize_ >> 16),
                static_cast<std::uint8_t>(dictionarySize_ >> 24)};
            core_.SetProperties(properties);
            needProperties_ = false;
        }
        if ((needDictionaryReset_ && mode != 3) || (needProperties_ && mode < 2) ||
            (needStateReset_ && mode < 1)) {
            ThrowCorruptData("an LZMA2 chunk lacks a required reset");
        }
        needDictionaryReset_ = needStateReset_ = false;
        core_.Reset(mode == 3, mode >= 1);
        stored_ = false;
        return true;
    }

    std::unique_ptr<InStream> input_;
    InputBuffer buffer_;
    LzmaCore core_;
    std::uint32_t dictionarySize_;
    std::uint64_t remaining_;
    std::uint64_t chunkUnpacked_ = 0;
    std::uint64_t chunkPacked_ = 0;
    bool stored_ = false;
    bool needDictionaryReset_ = true;
    bool needProperties_ = true;
    bool needStateReset_ = true;
};

}  // namespace

std::unique_ptr<InStream> CreateLzmaDecoder(CoderInputs&& coder) {
    return std::make_unique<LzmaStream>(std::move(coder));
}

std::unique_ptr<InStream> CreateLzma2Decoder(CoderInputs&& coder) {
    return std::make_unique<Lzma2Stream>(std::move(coder));
}

}  // namespace kel::archive
