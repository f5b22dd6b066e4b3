// End-to-end support: lays out a real setup folder (engine with appended script, kel.lib,
// payload archive made with 7zz, installer database) in a work folder of its own, runs it under
// Wine through kel_launch (its own temporary folder, message boxes answered and recorded) and
// reads back what a user or administrator would see: exit code, trace log, boxes, files.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/script/script_model.h"

namespace kel::e2e {

namespace fs = std::filesystem;

struct MessageBoxSeen {
    std::string caption;
    std::string text;
};

// Z:\... path under Wine for a path of this machine.
std::string WindowsPath(const fs::path& path);

class SetupRun {
public:
    // A fresh work folder named after the test.
    explicit SetupRun(const std::string& name);

    fs::path dist;  // the setup folder
    fs::path temp;  // the setup's temporary folder
    fs::path work;

    fs::path Exe() const { return dist / (baseName + ".exe"); }
    std::string baseName = "setup";

    // The engine with these bytes appended (nothing appended when empty).
    void WriteEngine(const std::string& appended);
    void WriteScript(const ScriptModel& model);
    void WriteLibrary(const std::string& messageTable = "");
    // Packs a payload folder of (relative path, content) files into <base>.res with 7zz.
    void WritePayload(const std::map<std::string, std::string>& files);
    void WriteDatabase();
    // Engine, library, a one-file payload and the database: a setup that runs to its end.
    void WriteCompleteSetup(const ScriptModel& model);

    // Signs a file of the setup folder with the test certificate (Authenticode, SHA-256).
    void Sign(const fs::path& file);

    // Runs the setup with these arguments (the trace log argument is added); returns the exit code.
    int Run(const std::vector<std::string>& arguments, bool withTrace = true);

    std::vector<std::string> TraceLines() const;
    std::vector<MessageBoxSeen> Boxes() const;
    // Names in the temporary folder, sorted ("kel1", "kel1/setup.msi", ...).
    std::vector<std::string> TempEntries() const;

    static bool WineAvailable();

private:
    fs::path TracePath() const { return work / "trace.log"; }
    fs::path BoxLogPath() const { return work / "boxes.txt"; }
};

// A script of these statements (command, parameters), with every header value filled.
ScriptModel MakeScript(const std::vector<std::pair<std::string, std::vector<std::string>>>& statements);

}  // namespace kel::e2e
