// Runs another program and waits for it: the packer's way to call 7zz. POSIX (the host build).
#pragma once

#include <string>
#include <vector>

namespace kel::tools {

struct ChildResult {
    bool started = false;  // false: the program could not be run at all (see `error`)
    int exitCode = -1;     // the exit status, or -1 when the program died of a signal
    std::string output;    // what it wrote to standard output and standard error
    std::string error;
};

// Runs `argv[0]` (searched in PATH when it has no slash) with `argv` in `workingDirectory`.
ChildResult RunChildProcess(const std::vector<std::string>& argv,
                            const std::string& workingDirectory);

}  // namespace kel::tools
