// Conversions between the portable core's UTF-8 texts and the UTF-16 texts of the Win32 API.
// Windows builds only.
#pragma once

#include <string>
#include <string_view>

namespace quarrow {

std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

}  // namespace quarrow
