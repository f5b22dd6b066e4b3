// The command line decides whether the tool stays open after detection: "/TRACE" counts only at
// the very start of what follows the program name.
#include "devtool/command_line.h"

#include <gtest/gtest.h>

namespace quarrow {
namespace {

struct CommandLineCase {
    const char* commandLine;  // as GetCommandLine gives it
    const char* tail;
    bool traceMode;
};

TEST(QuarrowCommandLine, TraceOnlyAtTheStart) {
    const CommandLineCase cases[] = {
        {"Quarrow.exe", "", false},
        {"Quarrow.exe /TRACE", "/TRACE", true},
        {"Quarrow.exe /trace", "/trace", true},  // the command line is upper-cased first
        {"Quarrow.exe   \t/TRACE", "/TRACE", true},
        {"\"C:\\Program Files\\Brennvik\\PrinterDriver\\Quarrow.exe\" /TRACE", "/TRACE", true},
        {"\"C:\\With Space\\Quarrow.exe\"/TRACE", "/TRACE", true},
        // A model selector before the option hides it: this run closes after detection.
        {"Quarrow.exe DEV=KX4 /TRACE", "DEV=KX4 /TRACE", false},
        {"Quarrow.exe DEV=KX2", "DEV=KX2", false},
        {"Quarrow.exe /TRACEFILE", "/TRACEFILE", true},  // a position test, not a word test
        {"Quarrow.exe -TRACE", "-TRACE", false},
        {"Quarrow.exe x/TRACE", "x/TRACE", false},
        {"\"C:\\Unclosed quote /TRACE", "", false},
        {"", "", false},
    };
    for (const CommandLineCase& c : cases) {
        SCOPED_TRACE(c.commandLine);
        const std::string_view tail = CommandLineTail(c.commandLine);
        EXPECT_EQ(tail, c.tail);
        EXPECT_EQ(ParseOptions(tail).traceMode, c.traceMode);
    }
}

}  // namespace
}  // namespace quarrow
