// The places where the subsystems around the interpreter join a run. Each interface groups the
// calls that one subsystem answers; every call has a default that does nothing (or accepts), so a
// run works before that subsystem exists, and the subsystem later fills its interface without the
// interpreter changing. The interpreter calls them in the order of a run (interpreter.h).
//
//   RunPhases     preparation and end of the run: validation, bootstrap and setup cache,
//                 predefined variables, single-instance lock, resume entry, installer properties,
//                 removable media
//   Localizer     language selection, translation tables, localized parameters
//   DialogSeam    the current dialog window, progress publication, taskbar attention, the release
//                 of dialogs and of the notification-area icon
//   PluginSeam    statements that name an installed plug-in
//   PlatformViews file-system redirection and registry view for 64-bit platform modes
//
// Portable core.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/platform/message_boxes.h"
#include "engine/script/script_model.h"

namespace kel {

class CommandContext;

class RunPhases {
  public:
    virtual ~RunPhases() = default;

    // --- before the first statement, in this order
    // The compile check; false ends the process at once with exit code 314.
    virtual bool Validate(const ScriptModel&) { return true; }
    // The engine's working lists (installer property queue, recorded properties, ...), cleared
    // together with the variable store.
    virtual void ResetWorkingLists() {}
    // TARGETDIR, STARTMENU, ALLUSERS with the reason "Pre-Initialization".
    virtual void DefinePreInitializationVariables(const ScriptModel&) {}
    // The instance data: first install, upgrade or maintenance run.
    virtual void Bootstrap(const ScriptModel&) {}
    // The single-instance lock when the script asks for one; false ends the run before its first
    // statement (another instance holds the lock).
    virtual bool AcquireSingleInstanceLock(const ScriptModel&) { return true; }
    // The initialization variables, including the maintenance values of an installed product.
    virtual void DefineInitializationVariables(const ScriptModel&) {}
    // Removes this setup's resume entry from the RunOnce keys.
    virtual void RemoveResumeEntry(const ScriptModel&) {}
    // Queues the installer property "A" + header = "FALSE" for every statement with a header.
    virtual void QueueCommandHeaderProperties(const ScriptModel&) {}

    // --- before every statement
    // Applies a changed OVERRIDECACHE to the engine cache root.
    virtual void ApplyOverrideCache() {}
    // Recomputes UNINSTALLLINK and ENGINECACHE.
    virtual void RecomputeCacheVariables() {}

    // --- the end of the run
    // Exit procedure, first step: deletes the single-instance lock file when the script uses one.
    virtual void ReleaseSingleInstanceLock(const ScriptModel&) {}
    // After the exit procedure: when the setup's removable medium is gone, stores the instance
    // data, deletes the support folder and ends the process; returns only when the medium is still
    // there (the Windows host may never return from it).
    virtual bool EndOnEjectedMedium() { return false; }
    // Writes the setup cache back once the interpreter returns normally.
    virtual void WriteBackAfterRun() {}
};

class Localizer {
  public:
    virtual ~Localizer() = default;

    // Selects the setup language and sets LANGUAGE (the last preparation step but one).
    virtual void SelectLanguage(const ScriptModel&) {}
    // LANGUAGE differs from the language loaded last: load its translation tables.
    virtual void LoadLanguage(const std::string&) {}
    // A localizable parameter's text in the current language; called only while LANGUAGE is not
    // empty. `slot` counts the localizable parameters of the command (1, 2, ...).
    virtual std::string Localize(std::string_view text, std::string_view /*statementId*/,
                                 int /*slot*/) {
        return std::string(text);
    }
};

class DialogSeam {
  public:
    virtual ~DialogSeam() = default;

    // The modeless dialog window now shown (WINDOWHANDLE), 0 when none.
    virtual WindowHandle CurrentWindowHandle() { return 0; }
    virtual void PublishProgress(const std::string& /*text*/, int /*minimum*/, int /*maximum*/,
                                 int /*position*/) {}
    // The taskbar's attention state; `error` colours it as a failure.
    virtual void SetTaskbarAttention(bool /*error*/) {}
    // Exit procedure: frees the preloaded dialogs, then hides the notification-area icon.
    virtual void ReleaseDialogs() {}
    virtual void HideTrayIcon() {}
};

class PluginSeam {
  public:
    virtual ~PluginSeam() = default;

    // Whether a statement of this command name runs as a plug-in statement. Asked once per
    // statement before the run; the default takes the script's list of installed plug-ins.
    virtual bool IsPlugin(const ScriptModel& script, const std::string& command);
    virtual void RunPlugin(CommandContext&) {}
};

class PlatformViews {
  public:
    virtual ~PlatformViews() = default;

    // Switch file-system redirection off (and back) for the platform mode; `force` is for worker
    // threads that need it whatever the mode.
    virtual void DisableRedirection(const std::string& /*platformMode*/, bool /*force*/) {}
    virtual void RevertRedirection(const std::string& /*platformMode*/, bool /*force*/) {}
};

}  // namespace kel
