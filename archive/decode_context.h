// What a decoder may need beyond its inputs: the password (asked only when a coder needs one, at
// most once per source) and the memory it may take. One context serves one library call.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kel::archive {

struct DecodeContext {
    // Gives the next password to try, or nothing when there is none left.
    std::function<std::optional<std::string>()> nextPassword;
    // Upper bound for one decoder's buffers (dictionary, window) and for a packed header.
    std::uint64_t memoryLimit = std::uint64_t{1} << 30;
    // Off only in the fuzzer, so that mutated headers reach the parser instead of stopping at
    // their CRC.
    bool checkHeaderCrcs = true;
};

}  // namespace kel::archive
