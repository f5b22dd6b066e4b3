// The clock port over GetTickCount, GetLocalTime and the user's date and time formats.
#pragma once

#include "engine/platform/clock.h"

namespace kel {

class Win32Clock final : public Clock {
  public:
    std::uint32_t TickCount() override;
    LocalTime Now() override;
    std::string ShortDate(const LocalTime& time) override;
    std::string LongTime(const LocalTime& time) override;
};

}  // namespace kel
