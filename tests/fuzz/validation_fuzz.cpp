// Fuzz target: the validation pass over scripts made from arbitrary bytes, both as a compiled
// script read by the loader and, when the loader refuses the bytes, as one statement per line
// (first byte: command and commented flag, then tab-separated parameters, blocks unpadded). The
// pass may only end in kel::ScriptError; its result must be consistent in both modes.
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/script/compiled_script.h"
#include "engine/script/script_error.h"
#include "engine/script/validation.h"

namespace {

constexpr const char* kCommands[] = {
    "If",
    "Else If",
    "Else",
    "End",
    "Wizard Loop",
    "Label",
    "GoTo Label",
    "Set Variable",
    "Comment",
    "Web Media Block",
    "Is MSI Setup Installed",
    "Delete Files",
    "Install Files",
    "Convert Path",
    "Convert Case",
    "Extract Path",
    "Replace String",
    "Evaluate Expression",
    "Find All Files",
    "Check Disk Space",
    "Display Dialog",
    "Read Registry",
    "Get File Version",
    "Extract 7Zip Archive",
    "Mathematics",
    "MessageBox",
    "Run Program As",
    "Read from Text File",
    "Parse String",
    "Create Folder",
    "Write Registry",
    "Unknown Plugin",
};
constexpr std::size_t kCommandCount = sizeof(kCommands) / sizeof(kCommands[0]);

void BuildFromLines(std::string_view bytes, kel::ScriptModel& model) {
    std::size_t n = 0;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (line.empty()) continue;
        const auto selector = static_cast<unsigned char>(line[0]);
        line.remove_prefix(1);
        const std::string id = "{" + std::to_string(n++) + "}";
        model.commands.Add(kCommands[(selector & 0x7F) % kCommandCount]);
        model.ids.Add(id);
        model.states.Add((selector & 0x80) ? "C" : "");
        model.mediaNames.Add("");
        if (line.empty()) continue;
        model.ParameterBlocks().Add(id);
        for (;;) {
            const std::size_t tab = line.find('\t');
            model.ParameterBlocks().Add(std::string(line.substr(0, tab)));
            if (tab == std::string_view::npos) break;
            line.remove_prefix(tab + 1);
        }
    }
}

bool IsListEntry(const std::string& entry) {
    return entry == kel::kStatementSkipped || entry == kel::kStatementNotExecuted;
}

void Check(const kel::ScriptModel& model) {
    kel::ValidationResult first;
    try {
        first = kel::ValidateScript(model);
    } catch (const kel::ScriptError&) {
        return;
    }
    // Going on after an error reads parameters the first-error pass never reached.
    kel::ValidationResult all;
    bool allRead = true;
    try {
        all = kel::ValidateScript(model, kel::ValidationMode::kAllErrors);
    } catch (const kel::ScriptError&) {
        allRead = false;
    }
    const std::size_t count = model.StatementCount();
    if (first.executedStatements.size() > count) __builtin_trap();
    for (const std::string& entry : first.executedStatements) {
        if (!IsListEntry(entry)) __builtin_trap();
    }
    if (first.Accepted()) {
        if (!first.messages.empty() || first.executedStatements.size() != count) __builtin_trap();
        if (!allRead || !all.Accepted() || !all.messages.empty()) __builtin_trap();
        return;
    }
    if (first.messages.size() != 1 || first.messages[0].text != first.message) __builtin_trap();
    if (first.resultIndex != kel::ValidationResult::kEndBalance &&
        (first.resultIndex < 0 || static_cast<std::size_t>(first.resultIndex) >= count)) {
        __builtin_trap();
    }
    if (!allRead) return;
    if (all.resultIndex != first.resultIndex || all.message != first.message ||
        all.messages.empty() || all.messages[0].text != first.message ||
        all.executedStatements != first.executedStatements) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    kel::ScriptModel model;
    try {
        kel::LoadScript(bytes, model);
    } catch (const kel::ScriptError&) {
        kel::ScriptModel lines;
        BuildFromLines(bytes, lines);
        Check(lines);
        return 0;
    }
    Check(model);
    return 0;
}
