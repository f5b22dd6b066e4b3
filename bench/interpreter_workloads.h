// The scripts that the interpreter benchmarks run, shared by the host benchmark (Google Benchmark)
// and the Windows program that gives the figure under Wine: a GoTo loop with a counter, a flat
// script of simple statements and a script of nested If / Else If / Else chains. "Count" stands
// for an arithmetic command: it adds one to a variable. Everything runs with the per-statement
// refresh of a real run (engine flags, DATE and TIME, LANGUAGE, ABORT).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/base/text_rules.h"
#include "engine/script/command_table.h"
#include "engine/script/interpreter.h"
#include "engine/vars/variables.h"
#include "support/memory_file_system.h"

namespace kel::bench {

inline constexpr const char* kDatabase = "C:\\temp\\kel1\\setup.msi";

struct ScriptBuilder {
    ScriptModel model;
    void Add(const std::string& command, const std::vector<std::string>& parameters) {
        const std::string id = "{B" + std::to_string(model.StatementCount()) + "}";
        model.commands.Add(command);
        model.ids.Add(id);
        model.states.Add("");
        model.mediaNames.Add("");
        model.ParameterBlocks().Add(id);
        for (const std::string& parameter : parameters) model.ParameterBlocks().Add(parameter);
    }
};

// Label, Count, If, GoTo per turn: `turns` turns run 4 * turns statements (plus two at the end).
inline ScriptModel GoToLoop() {
    ScriptBuilder script;
    script.Add("Label", {"Top"});
    script.Add("Count", {"N"});
    script.Add("If", {"LIMIT", "2", "$N$", "FALSE"});
    script.Add("GoTo Label", {"Top"});
    script.Add("End", {});
    return script.model;
}

inline ScriptModel FlatScript(std::size_t statements) {
    ScriptBuilder script;
    for (std::size_t i = 0; i < statements; ++i) script.Add("Count", {"N"});
    return script.model;
}

// Blocks of a three-way chain with a nested conditional in its Else branch, V chooses the branch.
inline ScriptModel NestedIfChains(std::size_t statements) {
    ScriptBuilder script;
    while (script.model.StatementCount() < statements) {
        script.Add("If", {"V", "0", "a", "FALSE"});
        script.Add("Count", {"N"});
        script.Add("Else If", {"V", "0", "b", "FALSE"});
        script.Add("Count", {"N"});
        script.Add("Else", {});
        script.Add("If", {"V", "4", "C", "FALSE"});
        script.Add("Count", {"N"});
        script.Add("End", {});
        script.Add("End", {});
    }
    return script.model;
}

inline CommandTable BenchCommands() {
    CommandTable table = BuiltInCommands();
    table.Add("Count", [](CommandContext& c) {
        const std::string name = c.VariableName(1);
        SetVariable(name, std::to_string(ParseInt32(GetVariable(name)).value_or(0) + 1),
                    c.ActionReason());
    });
    return table;
}

class NoMessages : public MessagePump {
  public:
    void ProcessPending() override {}
    void ProcessOne() override {}
};

class NoBoxes : public MessageBoxes {
  public:
    int Show(const std::string&, const std::string&, unsigned, WindowHandle) override { return 1; }
};

// Runs a script with the given clock and command-line assignments; returns the statements run.
inline std::size_t RunWorkload(const ScriptModel& script, Clock& clock,
                               const std::vector<std::string>& assignments) {
    static const CommandTable commands = BenchCommands();
    testing::MemoryFileSystem files;
    files.AddFile(kDatabase, "database");
    NoMessages messages;
    NoBoxes boxes;
    EngineGlobals globals;
    globals.silentMode = true;
    globals.commandLineAssignments = assignments;
    TraceLog trace(files, WidenLatin1);
    RunEnvironment environment{globals, trace, {files, clock, messages, boxes}};
    environment.commands = &commands;
    std::size_t statements = 0;
    RunScript(script, kDatabase, environment, [&](std::size_t) {
        ++statements;
        return true;
    });
    return statements;
}

}  // namespace kel::bench
