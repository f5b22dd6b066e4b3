// Benchmarks of the variable store and the compiled script loader: single-thread reads and
// writes through the engine-level functions, substitution of a large text, and loading a large
// script followed by parameter lookups. Inputs are built deterministically in memory.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/script/compiled_script.h"
#include "engine/vars/variables.h"

namespace {

constexpr const char* kReason = "Set Variable Action";

// About as many variables as a real run holds: the predefined ones and a script's own.
void FillTypicalStore() {
    kel::Variables().Clear();
    for (int i = 0; i < 300; ++i) {
        kel::SetVariable("SCRIPTVAR" + std::to_string(i), "value " + std::to_string(i), kReason);
    }
    kel::SetVariable("TARGETDIR", "C:\\Program Files\\Tarnwick\\Setup\\", kReason);
}

void BM_GetVariable(benchmark::State& state) {
    FillTypicalStore();
    for (auto _ : state) benchmark::DoNotOptimize(kel::GetVariable("TARGETDIR"));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetVariable);

void BM_SetVariable(benchmark::State& state) {
    FillTypicalStore();
    const std::string values[] = {"42", "C:\\Program Files\\Tarnwick\\Setup\\"};
    std::size_t turn = 0;
    for (auto _ : state) kel::SetVariable("PROGRESS", values[++turn & 1], kReason);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SetVariable);

// 1 MiB of text with 10,000 references to 100 different variables.
void BM_Expand1MiB10kReferences(benchmark::State& state) {
    FillTypicalStore();
    std::string text;
    const std::string filler(100, 'x');
    for (int i = 0; i < 10'000; ++i) {
        text += filler;
        text += "$SCRIPTVAR" + std::to_string(i % 100) + "$";
    }
    text.resize(1 << 20, 'y');
    for (auto _ : state) benchmark::DoNotOptimize(kel::ExpandVariables(text));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_Expand1MiB10kReferences)->Unit(benchmark::kMillisecond);

// What one substitution costs when a value refers to itself and the replacement bound stops it.
void BM_ExpandSelfReferenceToTheBound(benchmark::State& state) {
    kel::Variables().Clear();
    kel::SetVariable("LOOP", "$LOOP$", kReason);
    for (auto _ : state) benchmark::DoNotOptimize(kel::ExpandVariables("$LOOP$"));
}
BENCHMARK(BM_ExpandSelfReferenceToTheBound)->Unit(benchmark::kMillisecond);

std::string StatementId(int i) { return "{" + std::to_string(100000 + i) + "-STATEMENT}"; }

// A compiled script of 10,000 statements with 8 parameters each.
const std::string& LargeScript() {
    static const std::string bytes = [] {
        kel::ScriptModel model;
        for (int i = 0; i < 10'000; ++i) {
            model.commands.Add("Set Variable");
            model.ids.Add(StatementId(i));
            model.states.Add("");
            model.mediaNames.Add("");
            model.sourceMap.Add("C:\\src\\setup.kss*" + std::to_string(i));
            model.ParameterBlocks().Add(StatementId(i));
            for (int k = 1; k <= 8; ++k) {
                model.ParameterBlocks().Add("parameter " + std::to_string(k) + " of $VAR" +
                                            std::to_string(i) + "$");
            }
        }
        return kel::WriteCompiledScript(model);
    }();
    return bytes;
}

void BM_LoadScript10kStatements(benchmark::State& state) {
    const std::string& bytes = LargeScript();
    for (auto _ : state) {
        kel::ScriptModel model;
        kel::LoadScript(bytes, model);
        benchmark::DoNotOptimize(model.StatementCount());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_LoadScript10kStatements)->Unit(benchmark::kMillisecond);

void BM_GetStatementParameter(benchmark::State& state) {
    kel::ScriptModel model;
    kel::LoadScript(LargeScript(), model);
    std::vector<std::string> ids;
    for (int i = 0; i < 10'000; i += 7) ids.push_back(StatementId(i));
    (void)model.GetStatementParameter(ids.front(), 1);  // builds the index once
    std::size_t turn = 0;
    for (auto _ : state) {
        const std::string& id = ids[turn++ % ids.size()];
        benchmark::DoNotOptimize(model.GetStatementParameter(id, 1 + turn % 8));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetStatementParameter);

}  // namespace
