// The engine-wide rules for reading text as integers and as truth values. Every command, the
// loader and the interpreter read numbers and booleans through these functions and nowhere else,
// so a script sees one rule everywhere. Portable core: no platform calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kel {

// Optional leading spaces, an optional sign, then decimal digits, or hexadecimal digits after one
// of the prefixes "$", "x", "X", "0x", "0X"; nothing may follow (trailing spaces included).
// Decimal values must fit the type; hexadecimal values may use the full unsigned width and are
// taken as the two's-complement bit pattern ("$FFFFFFFF" is -1 as a 32-bit integer).
std::optional<std::int32_t> ParseInt32(std::string_view text);
std::optional<std::int64_t> ParseInt64(std::string_view text);

// "TRUE" in any letter case, or exactly "-1".
bool IsTrueText(std::string_view text);
// "TRUE" or "FALSE".
const char* BoolText(bool value);

}  // namespace kel
