// The kelc command line: compile a script source, dump a compiled script back to source. Each
// subcommand is one entry of a table (kelc_cli.cpp), so another joins with one function and one
// row. Output goes to the given streams, so tests run the command line without a process.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kel::tools {

// `args` without the program name. Returns the process exit code: 0 on success, 1 on any error.
int RunKelc(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kel::tools
