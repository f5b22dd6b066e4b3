// The variable and string commands run by the real engine under Wine: a script computes values
// with "Set Variable", "Mathematics", "Evaluate Expression", "Parse String", "Replace String",
// "Convert Case", "Extract Path" and "Get Temporary File" and writes each with "Write to Text
// File".
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "setup_run.h"

namespace kel::e2e {
namespace {

using Statements = std::vector<std::pair<std::string, std::vector<std::string>>>;

std::vector<std::string> LinesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string text = bytes.str();
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

TEST(StringCommandsE2E, ScriptComputesAndWritesValues) {
    if (!SetupRun::WineAvailable())
        GTEST_FAIL() << "needs the Wine test bed: run through ./kel test";
    SetupRun run("StringCommandsComputeValues");
    const std::string out = WindowsPath(run.work / "out.txt");
    auto write = [&](std::string text) {
        return std::pair<std::string, std::vector<std::string>>{
            "Write to Text File", {out, std::move(text), "FALSE", ""}};
    };
    // clang-format off
    const Statements statements = {
        {"Set Variable", {"A", "7"}},
        {"Set Variable", {"B", "-2"}},
        {"Set Variable", {"Q", ""}},
        {"Set Variable", {"M", ""}},
        {"Set Variable", {"E", ""}},
        {"Set Variable", {"FIRST", ""}},
        {"Set Variable", {"SECOND", ""}},
        {"Set Variable", {"TEXT", "aAa"}},
        {"Set Variable", {"P", "C:\\Data\\Setup\\file.tar.gz"}},
        {"Set Variable", {"DIR", "$P$"}},
        {"Set Variable", {"KEEP$QORV$QORV$TRUE", "kept"}},
        {"Set Variable", {"TMPF", ""}},
        {"Set Variable", {"TMPNAME", ""}},
        {"Mathematics", {"$A$", "$B$", "3", "Q"}},
        {"Mathematics", {"$A$", "$B$", "4", "M"}},
        write("$Q$ $M$"),
        {"Mathematics", {"$A$", "0", "3", "Q"}},
        write("[$Q$]"),
        {"Evaluate Expression", {"$A$=\"7\" and $B$<>\"7\"", "E"}},
        write("$E$"),
        {"Parse String", {"a=b=c", "=", "FIRST", "SECOND", "1", "FALSE", "FALSE"}},
        write("$FIRST$|$SECOND$"),
        {"Parse String", {"aXbxc", "x", "FIRST", "SECOND", "0", "FALSE", "TRUE"}},
        write("$FIRST$|$SECOND$"),
        {"Replace String", {"TEXT", "A", "b", "TRUE", "TRUE"}},
        write("$TEXT$"),
        {"Convert Case", {"TEXT", "TRUE"}},
        write("$TEXT$"),
        {"Extract Path", {"DIR", "4"}},
        write("$DIR$"),
        {"Extract Path", {"P", "1"}},
        write("$P$ $KEEP$"),
        {"Get Temporary File", {"TMPF"}},
        {"Set Variable", {"TMPNAME", "$TMPF$"}},
        {"Extract Path", {"TMPNAME", "0"}},
        {"Parse String", {"$TMPNAME$", "3", "FIRST", "SECOND", "2", "FALSE", "FALSE"}},
        {"Extract Path", {"TMPNAME", "2"}},
        write("$FIRST$ $TMPNAME$"),
    };
    // clang-format on
    run.WriteCompleteSetup(MakeScript(statements));
    EXPECT_EQ(run.Run({"/S"}), 0);
    const std::vector<std::string> expected = {"-3 1",          "[]",     "TRUE", "a=b|c",
                                               "a|bxc",         "bbb",    "BBB",  "C:\\Data\\",
                                               "file.tar kept", "kel tmp"};
    EXPECT_EQ(LinesOf(run.work / "out.txt"), expected);
    EXPECT_TRUE(run.Boxes().empty());
}

}  // namespace
}  // namespace kel::e2e
