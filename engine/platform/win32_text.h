// Conversions between the engine's 8-bit texts (system ANSI code page) and UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace kel {

std::wstring AnsiToWide(std::string_view text);
std::string WideToAnsi(std::wstring_view text);

}  // namespace kel
