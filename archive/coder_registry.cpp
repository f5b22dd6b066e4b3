// The method table (see coder_registry.h).
#include "archive/coder_registry.h"

#include <array>
#include <cstdio>

#include "archive/branch_filters.h"
#include "archive/lzma_decoder.h"

namespace kel::archive {
namespace {

// Copy: the coder's output is its input.
std::unique_ptr<InStream> CreateCopyDecoder(CoderInputs&& coder) {
    return std::move(coder.inputs.at(0));
}

constexpr std::array kMethods = {
    MethodInfo{method_id::kCopy, "Copy", 1, CreateCopyDecoder},
    MethodInfo{method_id::kLzma, "LZMA", 1, CreateLzmaDecoder},
    MethodInfo{method_id::kLzma2, "LZMA2", 1, CreateLzma2Decoder},
    MethodInfo{method_id::kDelta, "Delta", 1, CreateDeltaDecoder},
    MethodInfo{method_id::kX86, "BCJ", 1, CreateX86Decoder},
    MethodInfo{method_id::kBcj, "BCJ", 1, CreateX86Decoder},
    MethodInfo{method_id::kBcj2, "BCJ2", 4, nullptr},
    MethodInfo{method_id::kAes, "7zAES", 1, nullptr},
    MethodInfo{method_id::kPpmd, "PPMD", 1, nullptr},
    MethodInfo{0x05, "PPC", 1, nullptr},
    MethodInfo{0x06, "IA64", 1, nullptr},
    MethodInfo{0x07, "ARM", 1, nullptr},
    MethodInfo{0x08, "ARMT", 1, nullptr},
    MethodInfo{0x09, "SPARC", 1, nullptr},
    MethodInfo{0x0A, "ARM64", 1, nullptr},
    MethodInfo{0x040108, "Deflate", 1, nullptr},
    MethodInfo{0x040109, "Deflate64", 1, nullptr},
    MethodInfo{0x040202, "BZip2", 1, nullptr},
};

}  // namespace

const MethodInfo* FindMethod(std::uint64_t id) {
    for (const MethodInfo& method : kMethods) {
        if (method.id == id) return &method;
    }
    return nullptr;
}

std::string MethodName(std::uint64_t id) {
    if (const MethodInfo* method = FindMethod(id)) return method->name;
    char text[32];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(id));
    return text;
}

}  // namespace kel::archive
