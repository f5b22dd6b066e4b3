// Benchmarks of the expression evaluator (a 1 MiB chain of comparisons, deep nesting) and of the
// validation pass over a 100,000-statement script of the usual command mix.
#include <benchmark/benchmark.h>

#include <string>

#include "engine/script/validation.h"
#include "engine/vars/expression_evaluator.h"

namespace {

std::string Chain(std::size_t bytes) {
    std::string chain = R"("alpha" = "alpha")";
    const std::string links[] = {R"( and "b""q" <> "c")", R"( or "k" >= "j")", R"( and "10" < "9")",
                                 R"( or "same" <= "same")"};
    for (std::size_t i = 0; chain.size() < bytes; ++i) chain += links[i % 4];
    return chain;
}

std::string Nested(std::size_t depth) {
    std::string text;
    for (std::size_t i = 0; i < depth; ++i) text += R"("a" = "b" or ()";
    text += R"("a" = "a")";
    text.append(depth, ')');
    return text;
}

void EvaluateText(benchmark::State& state, const std::string& text) {
    for (auto _ : state) benchmark::DoNotOptimize(kel::EvaluateExpression(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["bytes"] = static_cast<double>(text.size());
}

void BM_ExpressionChain1MiB(benchmark::State& state) { EvaluateText(state, Chain(1 << 20)); }
BENCHMARK(BM_ExpressionChain1MiB)->Unit(benchmark::kMillisecond);

void BM_ExpressionNested10000(benchmark::State& state) { EvaluateText(state, Nested(10000)); }
BENCHMARK(BM_ExpressionNested10000)->Unit(benchmark::kMillisecond);

void BM_ExpressionNested1MiB(benchmark::State& state) {
    EvaluateText(state, std::string(1 << 19, '(') + R"("a" = "a")" + std::string(1 << 19, ')'));
}
BENCHMARK(BM_ExpressionNested1MiB)->Unit(benchmark::kMillisecond);

void BM_CheckExpressionSyntax1MiB(benchmark::State& state) {
    std::string raw = Chain(1 << 20);
    for (char& c : raw) {
        if (c == '"') c = '$';
    }
    for (auto _ : state) benchmark::DoNotOptimize(kel::CheckExpressionSyntax(raw));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * raw.size()));
}
BENCHMARK(BM_CheckExpressionSyntax1MiB)->Unit(benchmark::kMillisecond);

// A script of `statements` statements in blocks of ten: assignments, conditions, a dialog, an
// expression, definitions, a label with its jump, a comment.
kel::ScriptModel LargeScript(std::size_t statements) {
    kel::ScriptModel model;
    std::size_t n = 0;
    auto add = [&](const char* command, std::initializer_list<std::string> parameters) {
        const std::string id = "{" + std::to_string(n++) + "-0000-0000-0000-000000000000}";
        model.commands.Add(command);
        model.ids.Add(id);
        model.states.Add("");
        model.mediaNames.Add("");
        if (parameters.size() == 0) return;
        model.ParameterBlocks().Add(id);
        for (const std::string& parameter : parameters) model.ParameterBlocks().Add(parameter);
    };
    for (std::size_t block = 0; n + 10 <= statements; ++block) {
        const std::string name = "VAR" + std::to_string(block);
        add("Set Variable", {name + "$QORV$QORV$FALSE", "value"});
        add("If", {name, "0", "$TARGETDIR$"});
        add("Display Dialog", {"Welcome", "WIZARD", "0", "$" + name + "$"});
        add("End", {});
        add("Evaluate Expression", {"$" + name + "$ = \"x\" or $WIZARD$ <> \"NEXT\"", "R" + name});
        add("Install Files", {"files", "dir", "$TARGETDIR$"});
        add("Create Folder", {"$TARGETDIR$sub"});
        add("Label", {"L" + name});
        add("GoTo Label", {"L" + name});
        add("Comment", {"block " + std::to_string(block)});
    }
    while (n < statements) add("Comment", {"tail"});
    return model;
}

void BM_Validate100000(benchmark::State& state) {
    const kel::ScriptModel script = LargeScript(100000);
    for (auto _ : state) {
        // A fresh copy: the parameter index is built on the first lookup, as in a real run.
        state.PauseTiming();
        kel::ScriptModel copy = script;
        state.ResumeTiming();
        const kel::ValidationResult result = kel::ValidateScript(copy);
        if (!result.Accepted()) state.SkipWithError(result.message.c_str());
        benchmark::DoNotOptimize(result.executedStatements.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * 100000));
}
BENCHMARK(BM_Validate100000)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {
// The same pass over a model whose parameter index already exists: the cost of the pass itself.
void BM_Validate100000WarmIndex(benchmark::State& state) {
    const kel::ScriptModel script = LargeScript(100000);
    (void)script.GetStatementParameter(script.ids[0], 0);
    for (auto _ : state) {
        const kel::ValidationResult result = kel::ValidateScript(script);
        if (!result.Accepted()) state.SkipWithError(result.message.c_str());
        benchmark::DoNotOptimize(result.executedStatements.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * 100000));
}
BENCHMARK(BM_Validate100000WarmIndex)->Unit(benchmark::kMillisecond);
}  // namespace
