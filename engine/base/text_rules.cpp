// Integer and truth rules of the engine (see text_rules.h).
#include "engine/base/text_rules.h"

#include "engine/base/ansi_text.h"

namespace kel {
namespace {

// Reads the integer rule into a 64-bit magnitude with a sign; `unsignedBits` bounds hexadecimal
// magnitudes and `maxDecimal` decimal ones (the negative side allows one more).
std::optional<std::int64_t> ParseRule(std::string_view text, unsigned unsignedBits,
                                      std::uint64_t maxDecimal) {
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    bool hex = false;
    if (pos < text.size() && (text[pos] == '$' || text[pos] == 'x' || text[pos] == 'X')) {
        hex = true;
        ++pos;
    } else if (pos + 1 < text.size() && text[pos] == '0' &&
               (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        hex = true;
        pos += 2;
    }
    if (pos == text.size()) return std::nullopt;

    std::uint64_t magnitude = 0;
    const std::uint64_t hexLimit =
        unsignedBits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << unsignedBits) - 1;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        const std::uint64_t base = hex ? 16 : 10;
        const std::uint64_t limit = hex ? hexLimit : maxDecimal + (negative ? 1 : 0);
        if (magnitude > (limit - digit) / base) return std::nullopt;
        magnitude = magnitude * base + digit;
    }

    if (hex) {
        // The bit pattern of the type's width, sign-extended, then negated when a sign was given.
        std::uint64_t bits = magnitude;
        if (unsignedBits < 64 && (bits >> (unsignedBits - 1)) & 1) {
            bits |= ~hexLimit;
        }
        std::int64_t value = static_cast<std::int64_t>(bits);
        if (negative) value = static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(value));
        return value;
    }
    if (negative) return static_cast<std::int64_t>(0 - magnitude);
    return static_cast<std::int64_t>(magnitude);
}

}  // namespace

std::optional<std::int32_t> ParseInt32(std::string_view text) {
    auto value = ParseRule(text, 32, 0x7FFFFFFFu);
    if (!value) return std::nullopt;
    // A negated hexadecimal pattern can leave the 32-bit range only for -(-2^31); wrap it.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(*value));
}

std::optional<std::int64_t> ParseInt64(std::string_view text) {
    return ParseRule(text, 64, 0x7FFFFFFFFFFFFFFFull);
}

bool IsTrueText(std::string_view text) { return text == "-1" || EqualsIgnoreCase(text, "TRUE"); }

const char* BoolText(bool value) { return value ? "TRUE" : "FALSE"; }

}  // namespace kel
