// Fuzz target: comma text parsed from arbitrary bytes, written again and parsed again must give
// the same items, and writing is stable. Any other outcome, or a sanitizer report, is a fault.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/base/comma_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto items = kel::ParseCommaText(text);
    const std::string written = kel::WriteCommaText(items);
    const auto again = kel::ParseCommaText(written);
    if (again != items) std::abort();
    if (kel::WriteCommaText(again) != written) std::abort();
    return 0;
}
