// The engine's process-wide state set during start-up and read by the other subsystems: folders,
// the parsed command line, the flags that follow SILENT, LOGGED and QORVLOGO during the run, and
// the exit code. One instance per process (`Globals()`); tests build their own.
#pragma once

#include <string>
#include <vector>

namespace kel {

struct EngineGlobals {
    std::string exeDir;       // ends with "\"
    std::string exeBaseName;  // engine file name without its extension
    std::string tempDir;      // ends with "\"
    std::string payloadArchivePath;
    std::string supportDir;  // ends with "\"; empty until created
    std::string sourceDataDir;
    std::string commandLineTail;
    std::vector<std::string> commandLineAssignments;  // NAME, VALUE, ...
    bool silentMode = false;
    std::string logFilePath;
    std::string gpoPath;
    std::string sfxPath;
    std::string packageFolderOverride;
    bool noBrandingFlag = false;
    std::string captionTitle;  // follows TITLE during the run; the title of StandardCaption
    int exitCode = 0;
};

EngineGlobals& Globals();

// Caption of every engine message box: TITLE alone when branding is off, otherwise
// TITLE + " - Tarnwick Wizard", or "Tarnwick Wizard" for an empty title.
std::string StandardCaption(const std::string& title, bool noBranding);

// The engine's own file name without extension: the first occurrence of the extension is cut.
std::string BaseNameOf(const std::string& fileName);

}  // namespace kel
