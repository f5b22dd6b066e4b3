// The tool's command line. A setup starts it as "Quarrow.exe [option]"; only what follows the
// program name counts, upper-cased, and an option counts only where that tail begins with it, so
// "/TRACE" after a printer model selector ("DEV=KX4 /TRACE") is not recognised. Model selectors
// ("DEV=KX2", "DEV=KX4" ...) are accepted and change nothing; anything else is ignored.
// Portable core.
#pragma once

#include <string_view>

namespace quarrow {

struct QuarrowOptions {
    bool traceMode = false;  // keep the window open after detection and log the USB port number
};

// What follows the program name, as a Windows program's entry point receives it: the name ends
// at the closing quote when it starts with one, else at the first blank; blanks after it are
// skipped.
std::string_view CommandLineTail(std::string_view commandLine);

QuarrowOptions ParseOptions(std::string_view commandLineTail);

}  // namespace quarrow
