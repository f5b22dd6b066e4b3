// What the start-up sequence asks of the operating system and of the subsystems built around it.
// The Win32 implementation (win32_startup_host.cpp) translates; the sequence decides. Tests drive
// the sequence with a recording host.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/platform/file_system.h"
#include "engine/script/script_model.h"

namespace kel {

struct OsVersion {
    unsigned major = 0;
    unsigned minor = 0;
};

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};

class StartupHost {
public:
    virtual ~StartupHost() = default;

    virtual FileSystem& Files() = 0;

    // --- process facts
    virtual OsVersion Version() = 0;
    virtual std::string ModulePath() = 0;      // full path of the engine executable
    virtual std::string TempPath() = 0;        // the system temporary folder
    virtual std::string RawCommandLine() = 0;  // as the process received it
    virtual std::vector<std::string> Arguments() = 0;  // arguments 1..n, quotes honoured
    virtual std::string UserLanguageName() = 0;        // display name, e.g. "German"

    // --- system changes of the first steps; failures are ignored by the caller
    virtual void MarkAsHostApp(const std::string& exeFileName) = 0;   // Windows 7 and later
    virtual void MarkCompatibilityAssistant(const std::string& exePath) = 0;  // Vista
    virtual void RestrictToFirstProcessor() = 0;

    // --- preparation UI (splash and the preparation form)
    // Shows the splash picture centred on the screen and gives its place; false when it cannot.
    virtual bool ShowSplash(const std::string& bitmapPath, Rect& placed) = 0;
    virtual Rect Screen() = 0;
    virtual Rect PreparationFormSize() = 0;  // width and height
    // Shows the preparation form at a place, or centred when `centred`.
    virtual void ShowPreparationForm(int left, int top, bool centred) = 0;
    virtual void SetPreparationProgress(int minimum, int maximum, int position) = 0;
    virtual void StepPreparationProgress() = 0;
    virtual void ClosePreparationUi() = 0;
    virtual bool PreparationFormShown() = 0;

    // Error box with OK and the error icon; owned by the preparation form when `ownedByForm`.
    virtual void ShowError(const std::string& text, const std::string& caption, bool ownedByForm) = 0;

    // --- the subsystems start-up hands over to
    virtual bool UnpackPayload(const std::string& archivePath, const std::string& supportDir) = 0;
    virtual void InitDialogs(const std::string& supportDir) = 0;
    virtual void LoadDialog(const std::string& key, const std::string& path) = 0;
    // Runs the script; returns the exit code of the run.
    virtual int RunScript(ScriptModel& script, const std::string& databasePath) = 0;
};

}  // namespace kel
