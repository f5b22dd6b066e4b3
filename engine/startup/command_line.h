// The setup engine's command line: switches ("/" or "-"), the path arguments "/l=", "/p=",
// "/g=", "/m=" and NAME=VALUE assignments, and the raw tail that the script sees as CMDLINE.
// Portable core: the caller splits the arguments (honouring double quotes).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kel {

struct CommandLineOptions {
    bool silent = false;  // "s" or "qn"
    bool update = false;  // "update" or "updatesetup": no preparation UI
    std::string logFilePath;            // "/l=" or "-l=", lower-cased
    std::string packageFolderOverride;  // "/p=" or "-p=", lower-cased
    std::string gpoPath;                // "/g=", lower-cased
    std::string sfxPath;                // "/m=", lower-cased
    // NAME, VALUE, NAME, VALUE ...: names upper-cased, values as given.
    std::vector<std::string> assignments;
};

// `arguments` are arguments 1..n (the program is not among them).
CommandLineOptions ParseCommandLine(const std::vector<std::string>& arguments);

// The raw command line without its program part.
std::string CommandLineTail(std::string_view rawCommandLine);

}  // namespace kel
