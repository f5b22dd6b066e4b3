// Win32 adapter of the clock port: the user's locale formats the texts (GetDateFormatA with
// DATE_SHORTDATE, GetTimeFormatA with the default, long, format).
#include "engine/platform/win32_clock.h"

#include <windows.h>

namespace kel {
namespace {

SYSTEMTIME ToSystemTime(const LocalTime& time) {
    SYSTEMTIME system{};
    system.wYear = static_cast<WORD>(time.year);
    system.wMonth = static_cast<WORD>(time.month);
    system.wDay = static_cast<WORD>(time.day);
    system.wHour = static_cast<WORD>(time.hour);
    system.wMinute = static_cast<WORD>(time.minute);
    system.wSecond = static_cast<WORD>(time.second);
    return system;
}

}  // namespace

std::uint32_t Win32Clock::TickCount() { return GetTickCount(); }

LocalTime Win32Clock::Now() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear,   now.wMonth,  now.wDay,         now.wHour,
            now.wMinute, now.wSecond, now.wMilliseconds};
}

std::string Win32Clock::ShortDate(const LocalTime& time) {
    const SYSTEMTIME system = ToSystemTime(time);
    char text[128];
    const int length =
        GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &system, nullptr, text, sizeof text);
    return length > 0 ? std::string(text, static_cast<std::size_t>(length - 1)) : std::string();
}

std::string Win32Clock::LongTime(const LocalTime& time) {
    const SYSTEMTIME system = ToSystemTime(time);
    char text[128];
    const int length = GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &system, nullptr, text, sizeof text);
    return length > 0 ? std::string(text, static_cast<std::size_t>(length - 1)) : std::string();
}

}  // namespace kel
