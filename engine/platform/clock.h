// Clock port: the tick count and the local date and time, with the user's own formats for both.
// The core asks for the time as plain fields and has it formatted by the platform, because the
// formats (short date, long time) are the user's settings. The Win32 adapter is win32_clock.cpp;
// tests use a fixed clock.
#pragma once

#include <cstdint>
#include <string>

namespace kel {

struct LocalTime {
    int year = 0;
    int month = 0;  // 1-12
    int day = 0;    // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    bool SameSecond(const LocalTime& other) const {
        return second == other.second && minute == other.minute && hour == other.hour &&
               day == other.day && month == other.month && year == other.year;
    }
};

class Clock {
  public:
    virtual ~Clock() = default;

    // Milliseconds since the system started; wraps after about 49.7 days.
    virtual std::uint32_t TickCount() = 0;
    virtual LocalTime Now() = 0;
    // The date in the user's short date format, the time in the user's long time format.
    virtual std::string ShortDate(const LocalTime& time) = 0;
    virtual std::string LongTime(const LocalTime& time) = 0;
};

}  // namespace kel
