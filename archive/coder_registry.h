// The table of 7z coder methods: each row names a method id, a display name, how many input
// streams its decoder takes and the factory that builds the decoder, or none when this library
// knows the method but does not decode it (the archive then fails with a clear error naming it).
// A new coder is one new row and one factory; nothing else changes:
// - a filter over its decoded input (ARM, PPC, ...) is a ByteFilter in branch_filters.cpp;
// - BCJ2 takes four inputs (main, call, jump, range-coded): the folder decoder already joins
//   multi-input coders, the factory gets them in the coder's input order;
// - AES asks context->nextPassword() for each password to try (the call's password, then the
//   password callback once); a wrong password shows as damaged data behind it, which the header
//   reader reports as KEL_ERROR_CANNOT_OPEN and extraction as a CRC or data error.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "archive/decode_context.h"
#include "archive/in_stream.h"

namespace kel::archive {

// What a factory gets: the coder's property bytes, its inputs in the coder's input order, the
// exact size of its output, and the call's context. The decoder must produce exactly `outSize`
// bytes and throw when its input cannot give them.
struct CoderInputs {
    std::span<const std::uint8_t> properties;
    InStreams inputs;
    std::uint64_t outSize = 0;
    DecodeContext* context = nullptr;
};

using DecoderFactory = std::unique_ptr<InStream> (*)(CoderInputs&& coder);

struct MethodInfo {
    std::uint64_t id;
    const char* name;
    std::uint32_t numInStreams;
    DecoderFactory create;  // null: known, not decoded here
};

// Method ids as the archive writes them, read big-endian (LZMA is 03 01 01 = 0x030101).
namespace method_id {
inline constexpr std::uint64_t kCopy = 0x00;
inline constexpr std::uint64_t kDelta = 0x03;
inline constexpr std::uint64_t kX86 = 0x04;
inline constexpr std::uint64_t kLzma2 = 0x21;
inline constexpr std::uint64_t kLzma = 0x030101;
inline constexpr std::uint64_t kBcj = 0x03030103;
inline constexpr std::uint64_t kBcj2 = 0x0303011B;
inline constexpr std::uint64_t kPpmd = 0x030401;
inline constexpr std::uint64_t kAes = 0x06F10701;
}  // namespace method_id

const MethodInfo* FindMethod(std::uint64_t id);
// The method's name, or its id in hexadecimal when the table does not know it.
std::string MethodName(std::uint64_t id);

}  // namespace kel::archive
