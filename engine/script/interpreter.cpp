// The interpreter (see interpreter.h). The numbered comments follow the order of a run: the
// preparation steps, then the steps of the statement loop.
#include "engine/script/interpreter.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <unordered_map>
#include <vector>

#include "engine/base/ansi_text.h"
#include "engine/base/text_rules.h"
#include "engine/script/conditions.h"
#include "engine/script/engine_messages.h"
#include "engine/script/flow_control.h"
#include "engine/script/script_error.h"
#include "engine/vars/variables.h"

namespace kel {
namespace {

constexpr std::string_view kInitializationReason = "Initialization";
constexpr std::string_view kCancelStateReason = "Cancel State";
constexpr std::string_view kPatchExtension = ".msp";
constexpr int kProgressMinimum = 0;
constexpr int kProgressMaximum = 100;
constexpr int kMillisecondsPerSecond = 1000;

namespace name {
constexpr std::string_view kLogged = "LOGGED";
constexpr std::string_view kSilent = "SILENT";
constexpr std::string_view kTitle = "TITLE";
constexpr std::string_view kNoBranding = "QORVLOGO";
constexpr std::string_view kDate = "DATE";
constexpr std::string_view kTime = "TIME";
constexpr std::string_view kLanguage = "LANGUAGE";
constexpr std::string_view kAbort = "ABORT";
constexpr std::string_view kIsCancelled = "QORV_IsCancelled";
constexpr std::string_view kProgress = "PROGRESS";
constexpr std::string_view kProgressText = "PROGRESSTEXT";
}  // namespace name

// The background-task exchange variables and their values at the start of a run; the two tick
// variables get the tick count.
struct ExchangeVariable {
    std::string_view name;
    std::string_view value;
};
constexpr ExchangeVariable kExchangeVariables[] = {
    {"QORV_thProgress", "0"},      {"QORV_thMax", "100"},        {"QORV_thMin", "0"},
    {"QORV_thProgressText", ""},   {"QORV_thFinished", "FALSE"}, {"QORV_thCancelled", "FALSE"},
    {"QORV_IsCancelled", "FALSE"},
};
constexpr std::string_view kTickVariables[] = {"QORV_LastDelegateTick", "QORV_LastActiveTick"};

std::string WithExtension(const std::string& path, std::string_view extension) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return path + std::string(extension);
    }
    return path.substr(0, dot) + std::string(extension);
}

// The direction in which a dialog's outcome sends the wizard navigation.
WizardDirection DirectionOf(DialogOutcome outcome, WizardDirection current) {
    switch (outcome) {
        case DialogOutcome::kNext:
            return WizardDirection::kForward;
        case DialogOutcome::kBack:
            return WizardDirection::kBack;
        case DialogOutcome::kCancel:
            return WizardDirection::kLeave;
        case DialogOutcome::kNone:
            break;
    }
    return current;
}

class ScriptInterpreter {
  public:
    ScriptInterpreter(const ScriptModel& script, const std::string& databasePath,
                      const RunEnvironment& environment, const StatementCallback& callback);

    RunResult Run();

  private:
    bool Prepare(RunResult& early);
    void PlanStatements();
    void BuildLabelTable();
    bool DatabasePresent() const;
    void InitializeRun();
    void StatementLoop();
    void RefreshEngineFlags();
    void RefreshDateAndTime();
    void RefreshLanguage();
    void RefreshProgress();
    void Execute(std::size_t index);
    void GoTo(const CommandContext& statement);
    void ShowRuntimeError(const std::string& message);
    void ExitProcedure();

    const ScriptModel& script_;
    const std::string& databasePath_;
    const StatementCallback& callback_;
    const CommandTable& commands_;
    RunState run_;
    RunPhases& phases_;
    DialogSeam& dialogs_;
    EngineGlobals& globals_;

    // One entry per statement, in statement order.
    std::vector<FlowStatement> flow_;
    std::vector<const CommandHandler*> handlers_;
    std::vector<bool> plugins_;
    std::unordered_map<std::string, std::size_t> labels_;

    std::size_t counter_ = 0;
    bool skipToBranch_ = false;
    bool skipToEnd_ = false;
    // The "Else If" at this position was reached by a branch skip and is evaluated.
    std::optional<std::size_t> handedOverElseIf_;
    bool wizardMode_ = false;
    WizardDirection direction_ = WizardDirection::kForward;

    std::string loadedLanguage_;
    std::optional<LocalTime> lastTime_;
    std::uint32_t lastTimeTick_ = 0;
    std::uint32_t untilNextSecond_ = 0;
    std::string dateText_;
    std::string timeText_;
    std::string lastProgressText_;
    int lastProgressValue_ = 0;
};

RunPhases& DefaultPhases() {
    static RunPhases phases;
    return phases;
}
Localizer& DefaultLocalizer() {
    static Localizer localizer;
    return localizer;
}
DialogSeam& DefaultDialogs() {
    static DialogSeam dialogs;
    return dialogs;
}
PluginSeam& DefaultPlugins() {
    static PluginSeam plugins;
    return plugins;
}
PlatformViews& DefaultViews() {
    static PlatformViews views;
    return views;
}

RunSeams ResolveSeams(const RunEnvironment& environment) {
    return {environment.phases ? *environment.phases : DefaultPhases(),
            environment.localizer ? *environment.localizer : DefaultLocalizer(),
            environment.dialogs ? *environment.dialogs : DefaultDialogs(),
            environment.plugins ? *environment.plugins : DefaultPlugins(),
            environment.views ? *environment.views : DefaultViews()};
}

ScriptInterpreter::ScriptInterpreter(const ScriptModel& script, const std::string& databasePath,
                                     const RunEnvironment& environment,
                                     const StatementCallback& callback)
    : script_(script),
      databasePath_(databasePath),
      callback_(callback),
      commands_(environment.commands ? *environment.commands : BuiltInCommands()),
      run_(script, environment.globals, environment.trace, environment.ports,
           ResolveSeams(environment)),
      phases_(run_.seams.phases),
      dialogs_(run_.seams.dialogs),
      globals_(environment.globals) {}

RunResult ScriptInterpreter::Run() {
    RunResult early;
    if (!Prepare(early)) return early;

    try {
        InitializeRun();
        StatementLoop();
    } catch (const std::exception& error) {
        ShowRuntimeError(error.what());
    } catch (...) {
        ShowRuntimeError(run_text::kUnknownError);
    }

    run_.trace.Write(run_trace::kStatementsEnd);
    run_.trace.Write(run_trace::kExitScript);
    ExitProcedure();
    run_.trace.Write(run_trace::kExitScriptEnd);

    if (phases_.EndOnEjectedMedium()) return {globals_.exitCode, true};
    phases_.WriteBackAfterRun();
    return {globals_.exitCode, false};
}

// Preparation steps 1-7. False when the run ends before its first statement; `early` then says
// how.
bool ScriptInterpreter::Prepare(RunResult& early) {
    // A loaded script may hold fewer identifiers than commands; every statement needs one.
    if (script_.ids.Count() < script_.StatementCount()) {
        throw ScriptError("List index out of bounds (" + std::to_string(script_.ids.Count()) + ")");
    }
    TraceLog& trace = run_.trace;
    // 1.-2.
    trace.Write(run_trace::kCompileScript);
    if (!phases_.Validate(script_)) {
        globals_.exitCode = kExitScriptRejected;
        early = {kExitScriptRejected, true};
        return false;
    }
    trace.Write(run_trace::kCompileScriptEnd);

    // 3.
    trace.Write(run_trace::kVariables);
    Variables().Clear();
    Variables().SetCommandLineOverrides(globals_.commandLineAssignments);
    Variables().SetSilentMode(globals_.silentMode);
    phases_.ResetWorkingLists();
    for (const ExchangeVariable& variable : kExchangeVariables) {
        SetVariable(variable.name, variable.value, kInitializationReason);
    }
    const std::string tick = std::to_string(run_.ports.clock.TickCount());
    for (std::string_view variable : kTickVariables) {
        SetVariable(variable, tick, kInitializationReason);
    }
    phases_.DefinePreInitializationVariables(script_);
    trace.Write(run_trace::kVariablesEnd);

    // 4.
    trace.Write(run_trace::kBootStrap);
    phases_.Bootstrap(script_);
    trace.Write(run_trace::kBootStrapEnd);

    // 5.
    PlanStatements();
    BuildLabelTable();

    // 6.-7.
    early = {globals_.exitCode, false};
    if (!DatabasePresent()) return false;
    return phases_.AcquireSingleInstanceLock(script_);
}

void ScriptInterpreter::PlanStatements() {
    const std::size_t count = script_.StatementCount();
    flow_.resize(count);
    handlers_.resize(count);
    plugins_.resize(count);
    PluginSeam& plugins = run_.seams.plugins;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& command = script_.commands[i];
        flow_[i].kind = FlowKindOf(command);
        flow_[i].active = !script_.IsCommented(i) && command != flow_command::kIgnore;
        handlers_[i] = commands_.Find(command);
        plugins_[i] = plugins.IsPlugin(script_, command);
    }
}

void ScriptInterpreter::BuildLabelTable() {
    // Disabled labels are entered too; the first of two equal names wins.
    for (std::size_t i = 0; i < flow_.size(); ++i) {
        if (flow_[i].kind != FlowKind::kLabel) continue;
        labels_.emplace(UpperCase(script_.GetStatementParameter(script_.ids[i], 1)), i);
    }
}

bool ScriptInterpreter::DatabasePresent() const {
    if (databasePath_.empty()) return false;
    FileSystem& files = run_.ports.files;
    return files.FileExists(databasePath_) ||
           files.FileExists(WithExtension(databasePath_, kPatchExtension));
}

// Preparation steps 8-12, inside the interpreter's error handling.
void ScriptInterpreter::InitializeRun() {
    run_.trace.Write(run_trace::kStatements);
    phases_.DefineInitializationVariables(script_);  // 8.
    phases_.RemoveResumeEntry(script_);              // 9.
    phases_.QueueCommandHeaderProperties(script_);   // 10.
    run_.seams.localizer.SelectLanguage(script_);    // 11.
    loadedLanguage_ = GetVariable(name::kLanguage);
    // 12.
    const std::vector<std::string>& assignments = globals_.commandLineAssignments;
    for (std::size_t i = 0; i + 1 < assignments.size(); i += 2) {
        SetVariable(UpperCase(assignments[i]), assignments[i + 1], kInjectOverrideReason);
    }
}

// Ends with the script, a statement that ends the run or the callback; errors propagate.
void ScriptInterpreter::StatementLoop() {
    const std::size_t count = flow_.size();
    while (counter_ < count) {
        // 1.
        if (counter_ % kMessageInterval == 0) run_.ports.messages.ProcessPending();
        RefreshEngineFlags();               // 2.
        phases_.ApplyOverrideCache();       // 3.
        RefreshDateAndTime();               // 4.
        RefreshLanguage();                  // 5.
        phases_.RecomputeCacheVariables();  // 6.
        // 7.
        if (skipToBranch_) {
            const BranchSkipResult skip = SkipToBranch(flow_, counter_);
            counter_ = skip.counter;
            skipToBranch_ = false;
            if (skip.elseIfHandedOver) handedOverElseIf_ = counter_;
        }
        if (skipToEnd_) {
            counter_ = SkipToEnd(flow_, counter_);
            skipToEnd_ = false;
        }
        // 8.
        if (wizardMode_) {
            const WizardStep step = NavigateWizard(flow_, counter_, direction_);
            counter_ = step.counter;
            if (step.leftLoop) wizardMode_ = false;
        } else {
            counter_ = ReadForward(flow_, counter_);
        }
        // 9.
        if (counter_ > count) return;
        const std::size_t index = counter_ - 1;
        if (!flow_[index].active) continue;
        // 10.
        const std::optional<std::string> cancelled = Variables().Find(name::kIsCancelled);
        SetVariable(name::kAbort, BoolText(cancelled && IsTrueText(*cancelled)),
                    kCancelStateReason);
        // 11.
        RefreshProgress();
        // 12.
        if (callback_ && !callback_(counter_)) return;
        // 13.-14.
        Execute(index);
        if (run_.endRequested) return;
    }
}

// Variables that a setup may leave undefined keep the flag that start-up set.
void ScriptInterpreter::RefreshEngineFlags() {
    TVariableManager& store = Variables();
    if (std::optional<std::string> logged = store.Find(name::kLogged)) {
        if (*logged != globals_.logFilePath) {
            globals_.logFilePath = *logged;
            run_.trace.SetPath(globals_.logFilePath);
        }
    }
    if (std::optional<std::string> silent = store.Find(name::kSilent)) {
        const bool silentMode = IsTrueText(*silent);
        if (silentMode != globals_.silentMode) {
            globals_.silentMode = silentMode;
            store.SetSilentMode(silentMode);
        }
    }
    if (std::optional<std::string> title = store.Find(name::kTitle)) {
        if (*title != globals_.captionTitle) globals_.captionTitle = std::move(*title);
    }
    if (std::optional<std::string> noBranding = store.Find(name::kNoBranding)) {
        globals_.noBrandingFlag = IsTrueText(*noBranding);
    }
}

// Reading the local time is far dearer than the tick count on some systems, so the time is read
// again only once the tick count says that its second may have passed, and the texts are formatted
// again only when the second has changed. The texts lag a new second by at most one tick of the
// tick count.
void ScriptInterpreter::RefreshDateAndTime() {
    Clock& clock = run_.ports.clock;
    const std::uint32_t tick = clock.TickCount();
    if (!lastTime_ || tick - lastTimeTick_ >= untilNextSecond_) {
        const LocalTime now = clock.Now();
        lastTimeTick_ = tick;
        untilNextSecond_ = static_cast<std::uint32_t>(
            std::clamp(kMillisecondsPerSecond - now.millisecond, 1, kMillisecondsPerSecond));
        if (!lastTime_ || !now.SameSecond(*lastTime_)) {
            dateText_ = clock.ShortDate(now);
            timeText_ = clock.LongTime(now);
            lastTime_ = now;
        }
    }
    SetVariable(name::kDate, dateText_, kInitializationReason);
    SetVariable(name::kTime, timeText_, kInitializationReason);
}

// LANGUAGE is written back with the value just read: only a missing LANGUAGE is a change (it is
// created empty), so that is the only write made.
void ScriptInterpreter::RefreshLanguage() {
    std::optional<std::string> language = Variables().Find(name::kLanguage);
    if (!language) {
        SetVariable(name::kLanguage, "", kInitializationReason);
        language.emplace();
    }
    if (*language != loadedLanguage_) {
        run_.seams.localizer.LoadLanguage(*language);
        loadedLanguage_ = *language;
    }
    run_.language = std::move(*language);
}

void ScriptInterpreter::RefreshProgress() {
    if (dialogs_.CurrentWindowHandle() == 0) return;
    std::string text = GetVariable(name::kProgressText);
    const int position = IntegerOrError(GetVariable(name::kProgress));
    if (text == lastProgressText_ && position == lastProgressValue_) return;
    lastProgressText_ = std::move(text);
    lastProgressValue_ = position;
    dialogs_.PublishProgress(lastProgressText_, kProgressMinimum, kProgressMaximum, position);
    if (!globals_.silentMode) run_.ports.messages.ProcessOne();
}

void ScriptInterpreter::Execute(std::size_t index) {
    CommandContext statement(run_, index);
    // 13.
    if (plugins_[index]) {
        run_.seams.plugins.RunPlugin(statement);
        return;
    }
    // 14.
    switch (flow_[index].kind) {
        case FlowKind::kIf:
            if (!EvaluateCondition(statement)) skipToBranch_ = true;
            return;
        case FlowKind::kElseIf:
            if (handedOverElseIf_ == index) {
                handedOverElseIf_.reset();
                if (!EvaluateCondition(statement)) skipToBranch_ = true;
            } else {
                skipToEnd_ = true;
            }
            return;
        case FlowKind::kElse:
            skipToEnd_ = true;
            return;
        case FlowKind::kEnd:
        case FlowKind::kLabel:
            return;
        case FlowKind::kWizardLoop:
            wizardMode_ = true;
            direction_ = WizardDirection::kForward;
            return;
        case FlowKind::kGoToLabel:
            GoTo(statement);
            return;
        case FlowKind::kDisplayDialog:
        case FlowKind::kOther:
            break;
    }
    const CommandHandler* handler = handlers_[index];
    if (!handler) return;
    run_.dialogOutcome = DialogOutcome::kNone;
    (*handler)(statement);
    if (wizardMode_ && flow_[index].kind == FlowKind::kDisplayDialog) {
        direction_ = DirectionOf(run_.dialogOutcome, direction_);
    }
}

void ScriptInterpreter::GoTo(const CommandContext& statement) {
    const std::string label = statement.Raw(1);
    const auto target = labels_.find(UpperCase(label));
    if (target == labels_.end()) throw ScriptError(run_text::kLabelUndefined + label);
    // The counter stands on the label, so that the "Label" statement itself is read next.
    counter_ = target->second;
    skipToBranch_ = false;
    skipToEnd_ = false;
    handedOverElseIf_.reset();
    wizardMode_ = false;
}

void ScriptInterpreter::ShowRuntimeError(const std::string& message) {
    dialogs_.SetTaskbarAttention(true);
    if (globals_.silentMode) return;
    const SourceReference source =
        counter_ > 0 ? script_.SourceOf(counter_ - 1) : SourceReference{};
    run_.ports.boxes.Show(RuntimeErrorText(source, message),
                          StandardCaption(globals_.captionTitle, globals_.noBrandingFlag),
                          kBoxOk | kBoxIconError, 0);
}

void ScriptInterpreter::ExitProcedure() {
    phases_.ReleaseSingleInstanceLock(script_);
    run_.textFile.Close();
    dialogs_.ReleaseDialogs();
    dialogs_.HideTrayIcon();
}

}  // namespace

RunResult RunScript(const ScriptModel& script, const std::string& databasePath,
                    const RunEnvironment& environment, const StatementCallback& callback) {
    ScriptInterpreter interpreter(script, databasePath, environment, callback);
    return interpreter.Run();
}

std::string RuntimeErrorText(const SourceReference& source, const std::string& message) {
    std::string text = Messages().Get(EngineMessages::kRuntimeErrorInScript);
    text += "\r\r";
    text += run_text::kSourceFile;
    text += source.fileName;
    text += "\r";
    text += run_text::kLineNumber;
    text += std::to_string(source.lineNumber);
    text += "\r\r";
    text += message;
    return text;
}

}  // namespace kel
