// Deterministic GUIDs (see stable_guid.h).
#include "tools/kelc/stable_guid.h"

#include <cstdint>

namespace kel::tools {
namespace {

std::uint64_t Finalize(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

// Two FNV-1a lanes with different starting values, each finalized, the second also mixed with the
// first: 128 bits that change all over when one input byte changes.
void Hash128(std::string_view text, std::uint64_t& high, std::uint64_t& low) {
    constexpr std::uint64_t kPrime = 0x100000001b3ULL;
    std::uint64_t a = 0xcbf29ce484222325ULL;
    std::uint64_t b = 0x84222325cbf29ce4ULL ^ text.size();
    for (unsigned char c : text) {
        a = (a ^ c) * kPrime;
        b = (b ^ static_cast<unsigned char>(c + 0x5b)) * kPrime;
        b ^= b >> 29;
    }
    high = Finalize(a ^ text.size());
    low = Finalize(b + high);
}

void PutHex(std::string& out, std::uint64_t value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int i = digits - 1; i >= 0; --i) out += kDigits[(value >> (4 * i)) & 0xF];
}

}  // namespace

std::string StableGuid(std::string_view text) {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    Hash128(text, high, low);
    high = (high & ~0xF000ULL) | 0x8000ULL;                // version 8
    low = (low & ~(0xC000ULL << 48)) | (0x8000ULL << 48);  // variant 10xx
    std::string guid = "{";
    PutHex(guid, high >> 32, 8);
    guid += '-';
    PutHex(guid, (high >> 16) & 0xFFFF, 4);
    guid += '-';
    PutHex(guid, high & 0xFFFF, 4);
    guid += '-';
    PutHex(guid, low >> 48, 4);
    guid += '-';
    PutHex(guid, low & 0xFFFFFFFFFFFFULL, 12);
    guid += '}';
    return guid;
}

std::string GeneratedStatementId(std::string_view sourceReference) {
    return StableGuid("statement\n" + std::string(sourceReference));
}

std::string DefaultProductCode(std::string_view title) {
    return StableGuid("product code\n" + std::string(title));
}

std::string DefaultRevisionCode(std::string_view title) {
    return StableGuid("revision code\n" + std::string(title));
}

}  // namespace kel::tools
