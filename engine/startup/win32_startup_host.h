// The start-up host over Win32: process facts, the first registry marks, the preparation UI and
// the hand-over to the payload unpacking, dialog loading and the interpreter.
#pragma once

#include "engine/platform/win32_file_system.h"
#include "engine/startup/startup_host.h"
#include "engine/startup/trace_log.h"
#include "engine/startup/win32_preparation_ui.h"

namespace kel {

class Win32StartupHost final : public StartupHost {
public:
    FileSystem& Files() override { return files_; }
    OsVersion Version() override;
    std::string ModulePath() override;
    std::string TempPath() override;
    std::string RawCommandLine() override;
    std::vector<std::string> Arguments() override;
    std::string UserLanguageName() override;
    void MarkAsHostApp(const std::string& exeFileName) override;
    void MarkCompatibilityAssistant(const std::string& exePath) override;
    void RestrictToFirstProcessor() override;
    bool ShowSplash(const std::string& bitmapPath, Rect& placed) override;
    Rect Screen() override;
    Rect PreparationFormSize() override { return PreparationUi::FormSize(); }
    void ShowPreparationForm(int left, int top, bool centred) override;
    void SetPreparationProgress(int minimum, int maximum, int position) override;
    void StepPreparationProgress() override { ui_.StepProgress(); }
    void ClosePreparationUi() override { ui_.Close(); }
    bool PreparationFormShown() override { return ui_.Form() != nullptr; }
    void ShowError(const std::string& text, const std::string& caption, bool ownedByForm) override;
    bool UnpackPayload(const std::string& archivePath, const std::string& supportDir) override;
    void InitDialogs(const std::string& supportDir) override;
    void LoadDialog(const std::string& key, const std::string& path) override;
    int RunScript(ScriptModel& script, const std::string& databasePath) override;

    // The trace log of the run, which the interpreter writes too.
    void UseTraceLog(TraceLog& trace) { trace_ = &trace; }

private:
    TraceLog* trace_ = nullptr;
    Win32FileSystem files_;
    PreparationUi ui_;
};

}  // namespace kel
