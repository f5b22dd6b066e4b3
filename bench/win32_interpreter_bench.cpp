// The interpreter's speed under Wine (or Windows): the GoTo loop of 10 million statements with the
// Win32 clock, so DATE and TIME come from GetLocalTime and the user's formats. Prints statements
// per second; a figure to report, never a pass or fail.
#include <windows.h>

#include <cstdio>

#include "engine/platform/win32_clock.h"
#include "interpreter_workloads.h"

int main() {
    kel::Win32Clock clock;
    const kel::ScriptModel script = kel::bench::GoToLoop();
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const std::size_t statements = kel::bench::RunWorkload(script, clock, {"LIMIT", "2500000"});
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) /
                           static_cast<double>(frequency.QuadPart);
    std::printf("GoTo loop: %zu statements in %.3f s: %.0f statements per second\n", statements,
                seconds, static_cast<double>(statements) / seconds);
    return 0;
}
