// Fuzz target: whole runs of arbitrary compiled scripts. Whatever loads must run to an end without
// a crash: flow statements in any order and nesting, labels, conditions on any values, writes to
// text files (in memory). Runs are cut off after a fixed number of statements, since a script may
// loop for ever by design.
#include <cstdint>
#include <string_view>

#include "engine/script/compiled_script.h"
#include "engine/script/interpreter.h"
#include "engine/script/script_error.h"
#include "engine/vars/variables.h"
#include "support/memory_file_system.h"

namespace {

constexpr std::size_t kStatementLimit = 2000;
constexpr const char* kDatabase = "C:\\temp\\kel1\\setup.msi";

class FuzzClock : public kel::Clock {
  public:
    std::uint32_t TickCount() override { return tick_ += 7; }
    kel::LocalTime Now() override {
        return {2024, 5, 17, 9, 30, static_cast<int>(tick_ / 1000 % 60)};
    }
    std::string ShortDate(const kel::LocalTime&) override { return "17.05.2024"; }
    std::string LongTime(const kel::LocalTime& t) override { return std::to_string(t.second); }

  private:
    std::uint32_t tick_ = 0;
};

// Every write rewrites the whole file: files are kept small so that a looping script stays quick.
class SmallFiles : public kel::testing::MemoryFileSystem {
  public:
    static constexpr std::size_t kMaxFileSize = 16 * 1024;
    bool ReplaceFileContent(const std::string& path, std::string_view data) override {
        return data.size() <= kMaxFileSize && MemoryFileSystem::ReplaceFileContent(path, data);
    }
};

class Quiet : public kel::MessagePump, public kel::MessageBoxes {
  public:
    void ProcessPending() override {}
    void ProcessOne() override {}
    int Show(const std::string&, const std::string&, unsigned, kel::WindowHandle) override {
        return 1;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    kel::ScriptModel model;
    try {
        kel::LoadScript(bytes, model);
    } catch (const kel::ScriptError&) {
        return 0;
    }
    SmallFiles files;
    files.AddFile(kDatabase, "database");
    files.ForceFolders("C:\\out");
    FuzzClock clock;
    Quiet quiet;
    kel::EngineGlobals globals;
    globals.commandLineAssignments = {"N", "2", "V", "1.2.3"};
    kel::TraceLog trace(files, kel::WidenLatin1);
    const kel::RunEnvironment environment{globals, trace, {files, clock, quiet, quiet}};
    try {
        std::size_t statements = 0;
        kel::RunScript(model, kDatabase, environment,
                       [&](std::size_t) { return ++statements < kStatementLimit; });
    } catch (const kel::ScriptError&) {
        // Raised before the first statement (a damaged statement list, a label without its name):
        // start-up reports it.
    }
    return 0;
}
