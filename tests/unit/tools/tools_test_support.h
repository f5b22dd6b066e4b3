// Helpers of the tools' tests: compiled-script text from lines, compiling in-memory sources, a
// minimal PE image, and a scratch folder.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "support/fake_pe.h"
#include "tools/kelc/script_compiler.h"

namespace kel::tools::test {

// Lines joined with CR LF after each, as compiled scripts are stored.
inline std::string CrLfLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

// Lines joined with LF after each, as a source file.
inline std::string SourceLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

struct CompileOutcome {
    std::optional<CompiledSource> compiled;
    Diagnostics diagnostics;
};

// Compiles "main.kel" out of the given files (path, text); the first file is the main one unless
// named otherwise. The format tests compile scripts that would not pass the validation pass, so
// they turn it off; the checks have tests of their own.
inline CompileOutcome CompileFiles(const std::vector<std::pair<std::string, std::string>>& files,
                                   const std::string& mainPath = "main.kel",
                                   bool runSourceChecks = false) {
    MemorySourceFiles sources;
    for (const auto& [path, text] : files) sources.Add(path, text);
    CompileOutcome outcome;
    CompileOptions options;
    options.runSourceChecks = runSourceChecks;
    outcome.compiled = CompileScriptSource(mainPath, sources, outcome.diagnostics, options);
    return outcome;
}

using kel::testing::FakePeImage;
using kel::testing::PutU16;
using kel::testing::PutU32;

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& label) {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("kel-" + label + "-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return (path_ / relative).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace kel::tools::test
