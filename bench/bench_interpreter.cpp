// Statements per second of the interpreter with the per-statement refresh included: a GoTo loop
// of 10 million statements, a flat script of 100,000 simple statements and 100,000 statements of
// nested If / Else If / Else chains. The clock reads the real time, as GetLocalTime does. Rates
// are per CPU second, so that other work on the machine disturbs them less.
#include <benchmark/benchmark.h>

#include <ctime>

#include "interpreter_workloads.h"

namespace kel::bench {
namespace {

// Real time, broken down without a time-zone lookup (as cheap as the Win32 call it stands for).
class RealClock : public Clock {
  public:
    std::uint32_t TickCount() override {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<std::uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
    }
    LocalTime Now() override {
        timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        const long long seconds = now.tv_sec;
        // Days to a civil date (proleptic Gregorian calendar).
        long long z = seconds / 86400 + 719468;
        const long long era = z / 146097;
        const long long doe = z - era * 146097;
        const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const long long mp = (5 * doy + 2) / 153;
        const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
        const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
        const int year = static_cast<int>(yoe + era * 400 + (month <= 2));
        const long long inDay = seconds % 86400;
        return {year,
                month,
                day,
                static_cast<int>(inDay / 3600),
                static_cast<int>(inDay / 60 % 60),
                static_cast<int>(inDay % 60)};
    }
    std::string ShortDate(const LocalTime& t) override {
        char text[32];
        std::snprintf(text, sizeof text, "%d/%d/%04d", t.month, t.day, t.year);
        return text;
    }
    std::string LongTime(const LocalTime& t) override {
        char text[32];
        std::snprintf(text, sizeof text, "%d:%02d:%02d", t.hour, t.minute, t.second);
        return text;
    }
};

void Report(benchmark::State& state, std::size_t statements) {
    state.counters["statements_per_second"] =
        benchmark::Counter(static_cast<double>(statements), benchmark::Counter::kIsRate);
}

void BM_GoToLoop10MillionStatements(benchmark::State& state) {
    const ScriptModel script = GoToLoop();
    RealClock clock;
    std::size_t statements = 0;
    for (auto _ : state) statements += RunWorkload(script, clock, {"LIMIT", "2500000"});
    Report(state, statements);
}
BENCHMARK(BM_GoToLoop10MillionStatements)->Unit(benchmark::kMillisecond);

void BM_Flat100kStatements(benchmark::State& state) {
    const ScriptModel script = FlatScript(100'000);
    RealClock clock;
    std::size_t statements = 0;
    for (auto _ : state) statements += RunWorkload(script, clock, {});
    Report(state, statements);
}
BENCHMARK(BM_Flat100kStatements)->Unit(benchmark::kMillisecond);

// Arg: which branch runs (0 the If, 1 the Else If, 2 the nested If of the Else branch).
void BM_NestedIfChains100kStatements(benchmark::State& state) {
    const ScriptModel script = NestedIfChains(100'000);
    const char* values[] = {"a", "b", "c"};
    RealClock clock;
    std::size_t statements = 0;
    for (auto _ : state) {
        statements += RunWorkload(script, clock, {"V", values[state.range(0)]});
    }
    Report(state, statements);
    state.counters["script_statements_per_second"] =
        benchmark::Counter(static_cast<double>(script.StatementCount() * state.iterations()),
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_NestedIfChains100kStatements)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kel::bench
