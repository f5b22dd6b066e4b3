// Start-up sequence of the setup engine (see startup_sequence.h). The numbered comments follow the
// order in which a setup comes to life; the trace lines are what an administrator reads in the
// log to see how far a setup got.
#include "engine/startup/startup_sequence.h"

#include <exception>

#include "engine/base/pe_image.h"
#include "engine/script/compiled_script.h"
#include "engine/script/engine_messages.h"
#include "engine/script/script_error.h"
#include "engine/startup/command_line.h"
#include "engine/startup/support_folder.h"
#include "engine/vars/variables.h"

namespace kel {
namespace {

constexpr const char* kDisplayDialog = "Display Dialog";
constexpr const char* kScriptCopyName = "kel.tmp";
constexpr const char* kMessageTableCopyName = "lang.loc";
constexpr const char* kArchiveLibraryName = "kel.lib";
constexpr const char* kSupportDirPrefix = "kel";
// Far beyond any number of setups that run side by side; ends a loop over an unwritable folder.
constexpr int kMaxSupportDirAttempts = 100000;

std::string WithBackslash(std::string folder) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
}

}  // namespace

// Ends start-up with a fixed exit code after its message (codes 13-16).
class StartupSequence::EarlyExit {
public:
    explicit EarlyExit(int code) : code(code) {}
    int code;
};

Placement PlacePreparationForm(const Rect& splash, const Rect& screen, const Rect& form) {
    Placement place{splash.left + splash.width / 2 + 50, splash.top + splash.height + 25};
    if (place.top > screen.height - 45 - form.height) place.top = screen.height - 45 - form.height;
    if (place.left > screen.width - 25 - form.width) place.left = screen.width - 25 - form.width;
    return place;
}

int StartupSequence::Run() {
    // 1. Mark the engine as a host application so that the shell does not pin it.
    const OsVersion version = host_.Version();
    try {
        if (version.major > 6 || (version.major == 6 && version.minor > 0)) {
            const std::string path = host_.ModulePath();
            host_.MarkAsHostApp(path.substr(path.find_last_of('\\') + 1));
        } else if (version.major == 6 && version.minor == 0) {
            host_.MarkCompatibilityAssistant(host_.ModulePath());
        }
    } catch (...) {
    }
    // 2.
    host_.RestrictToFirstProcessor();
    // 3.-5.
    PrepareGlobals();
    LoadMessageTable();
    ParseArguments();
    // 6.
    trace_.Write("<Tarnwick>");
    trace_.Write("  <SetupSplash>");
    // 7.
    ShowPreparationUi();

    try {
        try {
            LoadAppendedScript();  // 8.-10.
            CreateSupportDir();    // 11.
            UnpackPayload();       // 12.
            CopyDatabase();        // 13.
            globals_.sourceDataDir = globals_.exeDir + "data\\";  // 14.
            PreloadDialogs();      // 15.
            // 16.
            if (preparationUi_) host_.ClosePreparationUi();
            trace_.Write("  </SetupSplash>");
            trace_.Write("  <RunScript>");
            // 17.
            globals_.exitCode = host_.RunScript(
                script_, globals_.supportDir + globals_.exeBaseName + ".msi");
            trace_.Write("  </RunScript>");
            trace_.Write("  <Free>");
            script_ = ScriptModel();
            trace_.Write("  </Free>");
        } catch (const EarlyExit&) {
            throw;
        } catch (const std::exception& e) {
            Fail(kExitRuntimeError, Messages().Get(EngineMessages::kRuntimeErrorInInstall) + e.what());
        } catch (...) {
            Fail(kExitRuntimeError, Messages().Get(EngineMessages::kRuntimeErrorInInstall));
        }
    } catch (const EarlyExit& exit) {
        if (preparationUi_) host_.ClosePreparationUi();
        globals_.exitCode = exit.code;
        // A setup that lacks a piece leaves its support folder for inspection.
        if (exit.code != kExitRuntimeError) return globals_.exitCode;
    }

    // 18.
    trace_.Write("  <CachedSupportDir>");
    CleanSupportDir();
    trace_.Write("  </CachedSupportDir>");
    trace_.Write("</Tarnwick>");
    // 19.
    return globals_.exitCode;
}

void StartupSequence::PrepareGlobals() {
    globals_.supportDir.clear();
    const std::string modulePath = host_.ModulePath();
    const std::size_t slash = modulePath.find_last_of('\\');
    globals_.exeDir = modulePath.substr(0, slash + 1);
    globals_.exeBaseName = BaseNameOf(modulePath.substr(slash + 1));
    globals_.tempDir = WithBackslash(host_.TempPath());
    host_.Files().ForceFolders(globals_.tempDir);
}

void StartupSequence::LoadMessageTable() {
    FileSystem& files = host_.Files();
    const auto library = files.ReadFile(globals_.exeDir + kArchiveLibraryName);
    if (!library) return;
    const auto appended = AppendedData(*library);
    if (!appended || appended->empty()) return;
    // The table travels through a file in the temporary folder, removed right after reading.
    const std::string copy = globals_.tempDir + kMessageTableCopyName;
    if (files.WriteFile(copy, *appended)) {
        if (const auto text = files.ReadFile(copy)) {
            Messages().LoadMessageTable(*text, host_.UserLanguageName());
        }
        files.RemoveFile(copy);
    }
}

void StartupSequence::ParseArguments() {
    globals_.payloadArchivePath = globals_.exeDir + globals_.exeBaseName + ".res";
    globals_.commandLineTail = CommandLineTail(host_.RawCommandLine());
    const CommandLineOptions options = ParseCommandLine(host_.Arguments());
    globals_.silentMode = options.silent;
    globals_.logFilePath = options.logFilePath;
    globals_.packageFolderOverride = options.packageFolderOverride;
    globals_.gpoPath = options.gpoPath;
    globals_.sfxPath = options.sfxPath;
    globals_.commandLineAssignments = options.assignments;
    preparationUi_ = !options.silent && !options.update;
    // The store protects command-line values in a silent run.
    Variables().SetCommandLineOverrides(globals_.commandLineAssignments);
    Variables().SetSilentMode(globals_.silentMode);
    trace_.SetPath(globals_.logFilePath);
}

void StartupSequence::ShowPreparationUi() {
    if (!preparationUi_) return;
    const std::string bitmap = globals_.exeDir + "setup.bmp";
    Rect splash;
    if (host_.Files().FileExists(bitmap) && host_.ShowSplash(bitmap, splash)) {
        const Placement place =
            PlacePreparationForm(splash, host_.Screen(), host_.PreparationFormSize());
        host_.ShowPreparationForm(place.left, place.top, false);
    } else {
        host_.ShowPreparationForm(0, 0, true);
    }
}

void StartupSequence::LoadAppendedScript() {
    trace_.Write("    <StubSize>");
    FileSystem& files = host_.Files();
    const std::string exePath = host_.ModulePath();
    const auto image = files.ReadFile(exePath);
    if (!image) throw ScriptError("Unable to read the setup program " + exePath);
    const auto appended = AppendedData(*image);
    if (!appended) throw ScriptError("The setup program " + exePath + " is no Windows program");
    if (appended->empty()) Fail(kExitNoScript, kNoScriptMessage);
    trace_.Write("    </StubSize>");

    trace_.Write("    <StubData>");
    const std::string copy = globals_.tempDir + kScriptCopyName;
    if (!files.WriteFile(copy, *appended)) throw ScriptError("Unable to write " + copy);
    trace_.Write("    </StubData>");

    trace_.Write("    <GlobalLists>");
    const auto text = files.ReadFile(copy);
    files.RemoveFile(copy);
    if (!text) throw ScriptError("Unable to read " + copy);
    script_ = ScriptModel();
    LoadScript(*text, script_);
    trace_.Write("    </GlobalLists>");
}

void StartupSequence::CreateSupportDir() {
    trace_.Write("    <SupportDir>");
    FileSystem& files = host_.Files();
    // The first folder that the create call itself makes is ours: a folder that another process
    // planted is never taken over.
    for (int n = 1;; ++n) {
        const std::string folder = globals_.tempDir + kSupportDirPrefix + std::to_string(n);
        if (files.CreateFolder(folder)) {
            globals_.supportDir = folder + "\\";
            break;
        }
        if (n >= kMaxSupportDirAttempts ||
            (!files.FolderExists(folder) && !files.FileExists(folder))) {
            throw ScriptError("Unable to create the support folder " + folder);
        }
    }
    trace_.Write("    </SupportDir>");
}

void StartupSequence::UnpackPayload() {
    trace_.Write("    <ExtractArchive>");
    if (!host_.Files().FileExists(globals_.payloadArchivePath)) {
        Fail(kExitNoPayload, Messages().Get(EngineMessages::kResourceNotFound));
    }
    if (!host_.UnpackPayload(globals_.payloadArchivePath, globals_.supportDir)) {
        Fail(kExitPayloadFailure, Messages().Get(EngineMessages::kResourceDecompressionFailure));
    }
    trace_.Write("    </ExtractArchive>");
}

void StartupSequence::CopyDatabase() {
    trace_.Write("    <ExtractResource>");
    FileSystem& files = host_.Files();
    const std::string base = globals_.exeDir + globals_.exeBaseName;
    if (!files.FileExists(base + ".msi") && !files.FileExists(base + ".msp")) {
        Fail(kExitNoDatabase, Messages().Get(EngineMessages::kDatabaseNotFound));
    }
    trace_.Write("    </ExtractResource>");
    trace_.Write("    <ResourcePath>");
    for (const char* extension : {".msi", ".msp"}) {
        const std::string from = base + extension;
        if (!files.FileExists(from)) continue;
        const std::string to = globals_.supportDir + globals_.exeBaseName + extension;
        if (!files.CopyTo(from, to)) throw ScriptError("Unable to copy " + from + " to " + to);
        files.SetNormalAttributes(to);
    }
    trace_.Write("    </ResourcePath>");
}

void StartupSequence::PreloadDialogs() {
    trace_.Write("    <Dialogs>");
    int count = 0;
    for (std::size_t i = 0; i < script_.StatementCount(); ++i) {
        if (script_.commands[i] == kDisplayDialog && !script_.IsCommented(i)) ++count;
    }
    if (preparationUi_) host_.SetPreparationProgress(0, count, 1);
    host_.InitDialogs(globals_.supportDir);
    for (std::size_t i = 0; i < script_.StatementCount(); ++i) {
        if (script_.commands[i] != kDisplayDialog || script_.IsCommented(i)) continue;
        const std::string name = script_.GetStatementParameter(script_.ids[i], 1);
        host_.LoadDialog(std::to_string(i), globals_.supportDir + name + ".dfm");
        if (preparationUi_) host_.StepPreparationProgress();
    }
    trace_.Write("    </Dialogs>");
}

void StartupSequence::CleanSupportDir() { RemoveSupportFolder(host_.Files(), globals_.supportDir); }

void StartupSequence::Fail(int exitCode, const std::string& message) {
    if (!globals_.silentMode) {
        // Codes 13-16 belong to the preparation form while it is up; 11 has no owner.
        const bool ownedByForm = exitCode != kExitRuntimeError && host_.PreparationFormShown();
        host_.ShowError(message, StandardCaption(GetVariable("TITLE"), globals_.noBrandingFlag),
                        ownedByForm);
    }
    throw EarlyExit(exitCode);
}

}  // namespace kel
