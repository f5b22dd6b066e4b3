// The validation pass at build time: kelc refuses a script the engine would reject, naming the
// file, the line and the command; `kelc check` does the same for sources and compiled scripts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/kelc/kelc_cli.h"
#include "tools_test_support.h"

namespace kel::tools {
namespace {

using test::CompileFiles;
using test::CompileOutcome;

TEST(SourceChecks, CompileRefusesWhatTheEngineWouldReject) {
    const std::string source =
        "@title Checks\n"
        "Set Variable\n"
        "  | KNOWN\n"
        "  | 1\n"
        "If\n"
        "  | UNKNOWN\n"
        "  | 0\n"
        "  | 1\n"
        "  | FALSE\n"
        "End\n";
    CompileOutcome outcome = CompileFiles({{"main.kel", source}}, "main.kel", true);
    EXPECT_FALSE(outcome.compiled);
    EXPECT_EQ(outcome.diagnostics.Text(), "main.kel:5: If: Variable not defined: UNKNOWN\n");

    std::string mended = source;
    mended.replace(mended.find("UNKNOWN"), 7, "KNOWN");
    CompileOutcome accepted = CompileFiles({{"main.kel", mended}}, "main.kel", true);
    EXPECT_TRUE(accepted.compiled) << accepted.diagnostics.Text();
}

TEST(SourceChecks, UnbalancedBlocksBelongToTheFile) {
    CompileOutcome outcome = CompileFiles({{"main.kel", "Wizard Loop\n"}}, "main.kel", true);
    EXPECT_FALSE(outcome.compiled);
    EXPECT_EQ(outcome.diagnostics.Text(), "main.kel: Insufficient END statements\n");
}

TEST(KelcCheck, SourcesAndCompiledScripts) {
    const auto folder = std::filesystem::temp_directory_path() / "kelc_check_test";
    std::filesystem::create_directories(folder);
    const std::string source = (folder / "demo.kel").string();
    std::ofstream(source) << "GoTo Label\n  | NOWHERE\n";
    std::ostringstream out, err;
    EXPECT_EQ(RunKelc({"check", source}, out, err), 1);
    EXPECT_EQ(err.str(), source + ":1: GoTo Label: LABEL undefined: NOWHERE\n");

    // The compiled form names the statement by its source map.
    const std::string compiled = (folder / "demo.bin").string();
    std::ostringstream ignored;
    std::ofstream(source) << "GoTo Label\n  | THERE\nLabel\n  | THERE\n";
    ASSERT_EQ(RunKelc({"compile", source, "-o", compiled}, ignored, ignored), 0) << ignored.str();
    std::ostringstream out2, err2;
    EXPECT_EQ(RunKelc({"check", compiled}, out2, err2), 0) << err2.str();
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kel::tools
