// The setup packer: lays out a finished setup folder from its parts. The folder holds
//   NAME.exe       the engine with the compiled script appended after its image
//   kel.lib        the archive library, with the engine message table appended when one is given
//   NAME.res       the payload folder as a 7z archive (LZMA2), made by running 7zz
//   NAME.msi|.msp  the installer database or patch
//   setup.bmp      the splash picture, when one is given
// Every input is read and checked before anything is written. Host build (runs 7zz).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kel::tools {

struct PackOptions {
    std::string script;    // script source, compiled script, or a setup program carrying one
    std::string payload;   // folder packed into NAME.res
    std::string database;  // the .msi or .msp
    bool databaseIsPatch = false;
    std::optional<std::string> bitmap;
    std::optional<std::string> messages;  // message table text appended to kel.lib
    std::string engine;
    std::string archiveLibrary;
    std::string name = "setup";
    std::string outputFolder;
    std::string sevenZip = "7zz";
};

struct PackReport {
    std::vector<std::string> written;
    // Files of an earlier pack that would change how this setup runs (a database of the other
    // kind, a splash picture no longer given), removed.
    std::vector<std::string> removed;
};

// False with `errors` (one message per line, "file:line: ..." for script sources) on failure.
bool PackSetup(const PackOptions& options, PackReport& report, std::string& errors);

// Where the engine and the archive library are by default: out/win32 beside the tool's own
// out/host folder.
std::string DefaultEngine(const std::string& toolFolder);
std::string DefaultArchiveLibrary(const std::string& toolFolder);

}  // namespace kel::tools
