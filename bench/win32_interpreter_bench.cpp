// The interpreter's speed under Wine (or Windows): the GoTo loop of 10 million statements with the
// Win32 clock, so DATE and TIME come from GetLocalTime and the user's formats. Prints statements
// per second of wall time and of CPU time; a figure to report, never a pass or fail.
#include <windows.h>

#include <cstdio>

#include "engine/platform/win32_clock.h"
#include "interpreter_workloads.h"

namespace {

double ProcessSeconds() {
    FILETIME creation, exit, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}

}  // namespace

int main() {
    kel::Win32Clock clock;
    const kel::ScriptModel script = kel::bench::GoToLoop();
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    const double cpuStart = ProcessSeconds();
    QueryPerformanceCounter(&start);
    const std::size_t statements = kel::bench::RunWorkload(script, clock, {"LIMIT", "2500000"});
    QueryPerformanceCounter(&end);
    const double cpuSeconds = ProcessSeconds() - cpuStart;
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) /
                           static_cast<double>(frequency.QuadPart);
    std::printf(
        "GoTo loop: %zu statements in %.3f s (%.3f s CPU): %.0f statements per second, "
        "%.0f per CPU second\n",
        statements, seconds, cpuSeconds, static_cast<double>(statements) / seconds,
        static_cast<double>(statements) / cpuSeconds);
    return 0;
}
