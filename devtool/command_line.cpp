// Command-line tail and options (see command_line.h).
#include "devtool/command_line.h"

#include "devtool/detection_texts.h"

namespace quarrow {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

std::string_view CommandLineTail(std::string_view commandLine) {
    std::size_t i = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        const std::size_t close = commandLine.find('"', 1);
        i = close == std::string_view::npos ? commandLine.size() : close + 1;
    } else {
        while (i < commandLine.size() && !IsBlank(commandLine[i])) ++i;
    }
    while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
    return commandLine.substr(i);
}

QuarrowOptions ParseOptions(std::string_view commandLineTail) {
    const std::string upper = UpperAscii(commandLineTail);
    QuarrowOptions options;
    options.traceMode = upper.starts_with(kTraceOption);
    return options;
}

}  // namespace quarrow
