// The kelpack command line: options -> PackOptions -> PackSetup. Output goes to the given
// streams, so tests run it without a process.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kel::tools {

// `args` without the program name; `toolFolder` is the folder of the kelpack program (the default
// engine and archive library are found from it). Returns 0 on success, 1 on any error.
int RunKelpack(const std::vector<std::string>& args, const std::string& toolFolder,
               std::ostream& out, std::ostream& err);

}  // namespace kel::tools
