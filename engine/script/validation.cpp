// The compile check (see validation.h): four passes over the statements, the per-command rules
// looked up by exact command name in one table, labels and declared names kept in hash sets so
// that the pass stays linear in the number of statements.
#include "engine/script/validation.h"

#include <array>
#include <unordered_map>
#include <unordered_set>

#include "engine/base/ansi_text.h"
#include "engine/base/text_rules.h"
#include "engine/vars/expression_evaluator.h"

namespace kel {
namespace {

constexpr const char* kCompilation = "Compilation";
constexpr const char* kInitialization = "Initialization";

constexpr PredefinedDeclaration kPredefined[] = {
    {"QORV_COMPRESSCACHE", kCompilation},
    {"QORV_DISABLEROLLBACK", kCompilation},
    {"QORV_DISABLEVISTARESTARTMANAGER", kCompilation},
    {"IISHOST", kCompilation},
    {"OVERRIDECACHE", kCompilation},
    {"QORVLOGO", kCompilation},
    {"TIME", kCompilation},
    {"DATE", kCompilation},
    {"NEWINSTANCE", kCompilation},
    {"SELECTED", kCompilation},
    {"WINDOWHANDLE", kCompilation},
    {"EXEDIR", kCompilation},
    {"EXEFILE", kCompilation},
    {"UNINSTALLLINK", kCompilation},
    {"ENGINECACHE", kCompilation},
    {"COPYWEBLOCK", kCompilation},
    {"ABORT", kCompilation},
    {"SILENT", kCompilation},
    {"LOGGED", kCompilation},
    {"CMDLINE", kCompilation},
    {"REBOOTNOW", kCompilation},
    {"SFXPATH", kCompilation},
    {"SFXFILE", kCompilation},
    {"LASTERROR", kCompilation},
    {"PROGRESSMODE", kInitialization},
    {"PROGRESSTEXT", kCompilation},
    {"PROGRESS", kCompilation},
    {"LICENSE", kCompilation},
    {"USERNAME", kCompilation},
    {"USERCOMPANY", kCompilation},
    {"REBOOTCOMPUTER", kCompilation},
    {"RUNAPP", kCompilation},
    {"WIZARD", kCompilation},
    {"VERSION", kCompilation},
    {"TARGETDIR", kCompilation},
    {"STARTMENU", kCompilation},
    {"ADVERTISE", kCompilation},
    {"ALLUSERS", kCompilation},
    {"COMPLETE", kCompilation},
    {"MINIMUM", kCompilation},
    {"PERSONALIZED", kCompilation},
    {"MODIFY", kCompilation},
    {"REPAIR", kCompilation},
    {"REMOVE", kCompilation},
    {"DATADIR", kCompilation},
    {"PRODUCTCODE", kCompilation},
    {"REVISIONCODE", kCompilation},
    {"ROOTDIR", kCompilation},
    {"MAINTENANCE", kCompilation},
    {"NEWLINE", kCompilation},
    {"NEEDSUPGRADE", kCompilation},
    {"TITLE", kCompilation},
    {"COMPANY", kCompilation},
    {"TEMPDIR", kCompilation},
    {"SUPPORTDIR", kCompilation},
    {"MSIFILE", kCompilation},
    {"LANGUAGE", kCompilation},
    {"ABORTONERROR", kCompilation},
    {"ABORTEDONERROR", kCompilation},
    {"SAVEDATA", kCompilation},
};

// The checks that can fail, one per command family of the rule table.
enum class Check {
    kNone,
    kWebMediaBlock,
    kVariableRequiredP2,  // "Is MSI Setup Installed"
    kDeleteMode,
    kTargetFolder,
    kVariableMustExist,  // "Convert Path" and its siblings
    kExpression,
    kGoToLabel,
    kVariableRequiredP4,  // "Find All Files"
    kVariableRequiredP1,  // "Check Disk Space"
    kCondition,           // "If", "Else If"
    kDialog,
    kSetVariable,
};

struct CommandRule {
    Check check = Check::kNone;
    std::array<std::uint8_t, 2> declared{};  // parameter positions to declare; 0 = none
    bool definition = false;                 // marked "FALSE" in the executed-statement list
};

using RuleTable = std::unordered_map<std::string_view, CommandRule>;

const RuleTable& Rules() {
    static const RuleTable table = [] {
        RuleTable rules;
        auto declare = [&rules](std::initializer_list<std::string_view> commands,
                                std::uint8_t first, std::uint8_t second = 0) {
            for (std::string_view command : commands) rules[command].declared = {first, second};
        };
        declare({"Get Folder Location", "Get INI File Settings", "Check File Version",
                 "Get System Settings", "Get OS or SP Level", "Read Registry", "Check Registry",
                 "Does File/Folder Exist", "Localization Variable", "Get Temporary File",
                 "Get IIS Property", "Get IIS Site List", "Apply Patch", "IIS Anonymous User"},
                1);
        declare(
            {"Run Light Mode Setup", "Get File Version", "Get Environment", "Get IIS Site Index",
             "Check Process", "Apply Changes", "Get Component State", "Get Component Space"},
            2);
        declare({"Extract 7Zip Archive", "Check Service", "Register Library"}, 3);
        declare({"Mathematics", "Run Program"}, 4);
        declare({"MessageBox"}, 5);
        declare({"Run Program As"}, 8);
        declare({"Read from Text File"}, 2, 3);
        declare({"Parse String"}, 3, 4);

        rules["Web Media Block"].check = Check::kWebMediaBlock;
        rules["Is MSI Setup Installed"].check = Check::kVariableRequiredP2;
        rules["Delete Files"].check = Check::kDeleteMode;
        rules["Install Files"].check = Check::kTargetFolder;
        for (std::string_view command :
             {"Convert Path", "Convert Case", "Extract Path", "Replace String"}) {
            rules[command].check = Check::kVariableMustExist;
        }
        rules["Evaluate Expression"].check = Check::kExpression;
        rules["GoTo Label"].check = Check::kGoToLabel;
        rules["Find All Files"].check = Check::kVariableRequiredP4;
        rules["Check Disk Space"].check = Check::kVariableRequiredP1;
        rules["If"].check = Check::kCondition;
        rules["Else If"].check = Check::kCondition;
        rules["Display Dialog"].check = Check::kDialog;
        rules["Set Variable"].check = Check::kSetVariable;

        for (std::string_view command :
             {"Delete Files", "Copy/Move Local Files", "Create Folder", "Create Shortcut",
              "Advertised Shortcut", "Edit INI File", "Install Files", "Install Assembly",
              "Set Environment", "Install Service", "Install ODBC Driver", "Create ODBC DSN",
              "Control Service", "Write Registry", "Create File Type", "Advertised File Type"}) {
            rules[command].definition = true;
        }
        return rules;
    }();
    return table;
}

using NameSet = std::unordered_set<std::string, CaseInsensitiveHash, CaseInsensitiveEqual>;

// The predefined names are the same for every script: one set for the process, consulted beside
// the names a script declares.
const NameSet& PredefinedNames() {
    static const NameSet names = [] {
        NameSet set;
        for (const PredefinedDeclaration& name : kPredefined) set.insert(name.name);
        return set;
    }();
    return names;
}

// The name part of a "Set Variable" p1 and, when the marker is present, its flag.
struct SetVariableName {
    std::string_view name;
    std::optional<std::string_view> flag;
};

SetVariableName SplitRememberMarker(std::string_view p1) {
    const std::size_t at = p1.find(kRememberMarker);
    if (at == std::string_view::npos) return {p1, std::nullopt};
    return {p1.substr(0, at), p1.substr(at + kRememberMarker.size())};
}

// Where a statement's parameters are: the list and position of its identifier line.
struct Block {
    const StringList* list;
    std::size_t at;
    std::size_t statement;
};

class Validator {
public:
    Validator(const ScriptModel& script, ValidationMode mode) : script_(script), mode_(mode) {}

    ValidationResult Run() {
        CheckBlocks();
        if (Stopped()) return std::move(result_);
        CollectLabels();
        if (Stopped()) return std::move(result_);
        DeclareRememberedVariables();
        CheckStatements();
        return std::move(result_);
    }

private:
    // Pass 1: "If" and "Wizard Loop" open a block, "End" closes one; a label must stand outside
    // every block.
    void CheckBlocks() {
        std::size_t openers = 0;
        std::size_t closers = 0;
        std::int64_t depth = 0;
        const std::size_t count = script_.StatementCount();
        for (std::size_t i = 0; i < count; ++i) {
            if (script_.IsCommented(i)) continue;
            const std::string& command = script_.commands[i];
            if (command == "If" || command == "Wizard Loop") {
                ++openers;
                ++depth;
            } else if (command == "End") {
                ++closers;
                --depth;
            } else if (command == "Label" && depth != 0) {
                Fail(i, validation_text::kLabelNested);
                if (Stopped()) return;
            }
        }
        if (openers != closers) {
            Fail(std::nullopt, openers > closers ? validation_text::kInsufficientEnd
                                                 : validation_text::kTooManyEnd);
        }
    }

    // Pass 2: every label name, commented labels included, may be defined once.
    void CollectLabels() {
        const std::size_t count = script_.StatementCount();
        for (std::size_t i = 0; i < count; ++i) {
            if (script_.commands[i] != "Label") continue;
            const std::string_view name = Parameter(Locate(i), 1);
            if (!labels_.insert(UpperCase(name)).second) {
                Fail(i, validation_text::kLabelRedefined + std::string(name));
                if (Stopped()) return;
            }
        }
    }

    // Pass 3: a remembered variable ("Set Variable" with the flag "TRUE") counts as defined from
    // the first statement on, wherever it is assigned; commented statements included.
    void DeclareRememberedVariables() {
        const std::size_t count = script_.StatementCount();
        for (std::size_t i = 0; i < count; ++i) {
            if (script_.commands[i] != "Set Variable") continue;
            const SetVariableName split = SplitRememberMarker(Parameter(Locate(i), 1));
            if (split.flag && *split.flag == "TRUE") Declare(split.name);
        }
    }

    // Pass 4: the per-command rules, in script order.
    void CheckStatements() {
        const RuleTable& rules = Rules();
        const std::size_t count = script_.StatementCount();
        if (!failed_) result_.executedStatements.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            if (!failed_) result_.executedStatements.emplace_back(kStatementSkipped);
            if (script_.IsCommented(i)) continue;
            const auto found = rules.find(script_.commands[i]);
            if (found == rules.end()) continue;
            const CommandRule& rule = found->second;
            const bool readsParameters = rule.check != Check::kNone || rule.declared[0] != 0;
            const Block block = readsParameters ? Locate(i) : Block{nullptr, 0, i};
            if (!CheckStatement(block, rule.check)) {
                if (Stopped()) return;
                continue;
            }
            for (std::uint8_t k : rule.declared) {
                if (k != 0) Declare(Parameter(block, k));
            }
            if (rule.definition && !failed_) {
                result_.executedStatements.back() = kStatementNotExecuted;
            }
        }
    }

    // The rule of group A (declarations included); false after reporting an error.
    bool CheckStatement(const Block& block, Check check) {
        using namespace validation_text;
        const std::size_t i = block.statement;
        auto p = [this, &block](std::size_t k) { return Parameter(block, k); };
        auto notDefined = [](std::string_view text) {
            return kVariableNotDefined + std::string(text);
        };
        switch (check) {
            case Check::kNone:
                return true;
            case Check::kWebMediaBlock: {
                const std::string_view name = p(1);
                const char* error = IsLegalFileName(name) ? nullptr : kWebMediaName;
                if (!name.empty() && p(2).empty()) error = kWebMediaUrl;
                return error == nullptr || Fail(i, error);
            }
            case Check::kVariableRequiredP1:
                return RequireAndDeclare(block, 1);
            case Check::kVariableRequiredP2:
                return RequireAndDeclare(block, 2);
            case Check::kVariableRequiredP4:
                return RequireAndDeclare(block, 4);
            case Check::kDeleteMode:
                return IsTrueText(p(3)) || IsTrueText(p(4)) || Fail(i, kDeleteMode);
            case Check::kTargetFolder:
                return !p(3).empty() || Fail(i, kTargetFolder);
            case Check::kVariableMustExist: {
                const std::string_view name = p(1);
                return Exists(name) || Fail(i, notDefined(name));
            }
            case Check::kExpression:
                Declare(p(2));
                return CheckExpressionSyntax(p(1)) || Fail(i, kExpressionSyntax);
            case Check::kGoToLabel: {
                const std::string_view label = p(1);
                return labels_.find(UpperCase(label)) != labels_.end() ||
                       Fail(i, kLabelUndefined + std::string(label));
            }
            case Check::kCondition: {
                const std::string_view variable = p(1);
                if (variable.empty()) return Fail(i, kVariableRequired);
                const std::string_view value = p(3);
                const auto valueName = DollarReferenceName(value);
                if (valueName && !Exists(*valueName)) return Fail(i, notDefined(value));
                return NamesDefinedVariable(variable) || Fail(i, notDefined(variable));
            }
            case Check::kDialog: {
                if (p(1).empty()) return Fail(i, kDialogName);
                Declare(p(2));
                const std::string_view variable = p(4);
                return variable.empty() || NamesDefinedVariable(variable) ||
                       Fail(i, notDefined(variable));
            }
            case Check::kSetVariable:
                Declare(SplitRememberMarker(p(1)).name);
                return true;
        }
        return true;
    }

    bool RequireAndDeclare(const Block& block, std::size_t k) {
        const std::string_view name = Parameter(block, k);
        if (name.empty()) return Fail(block.statement, validation_text::kVariableRequired);
        Declare(name);
        return true;
    }

    // Given plainly or as "$NAME$".
    bool NamesDefinedVariable(std::string_view text) const {
        if (Exists(text)) return true;
        const auto name = DollarReferenceName(text);
        return name && Exists(*name);
    }

    bool Exists(std::string_view name) const {
        return predefined_.find(name) != predefined_.end() || names_.find(name) != names_.end();
    }

    void Declare(std::string_view name) {
        if (!name.empty()) names_.insert(UpperCase(name));
    }

    // The parameter block of statement i, found once for all its parameters by the rule of
    // GetStatementParameter: the first list holding the identifier, its last occurrence there.
    Block Locate(std::size_t i) const {
        if (i >= script_.ids.Count()) {
            throw ValidationReadError("List index out of bounds (" + std::to_string(i) + ")", i);
        }
        const std::string& id = script_.ids[i];
        for (const StringList& list : script_.parameterBlockLists) {
            const std::size_t at = list.LastIndexOf(id);
            if (at != StringList::npos) return {&list, at, i};
        }
        return {nullptr, 0, i};
    }

    // Parameter k of the located block; the lines stay in place while the pass runs.
    std::string_view Parameter(const Block& block, std::size_t k) const {
        if (block.list == nullptr) return {};
        if (block.at + k < block.list->Count()) return (*block.list)[block.at + k];
        // Past the end of the list: the model raises its own error for this read.
        try {
            (void)script_.GetStatementParameter(script_.ids[block.statement], k);
        } catch (const ScriptError& e) {
            throw ValidationReadError(e.what(), block.statement);
        }
        throw ValidationReadError("List index out of bounds", block.statement);
    }

    // Records an error; always false, so that a check reads `ok || Fail(...)`.
    bool Fail(std::optional<std::size_t> statement, std::string text) {
        if (!failed_) {
            failed_ = true;
            result_.resultIndex =
                statement ? static_cast<std::int64_t>(*statement) : ValidationResult::kEndBalance;
            result_.message = text;
        }
        result_.messages.push_back({statement, std::move(text)});
        return false;
    }

    bool Stopped() const { return failed_ && mode_ == ValidationMode::kFirstError; }

    const ScriptModel& script_;
    const ValidationMode mode_;
    ValidationResult result_;
    bool failed_ = false;
    const NameSet& predefined_ = PredefinedNames();
    NameSet names_;  // declared by the script's statements
    NameSet labels_;
};

}  // namespace

ValidationResult ValidateScript(const ScriptModel& script, ValidationMode mode) {
    return Validator(script, mode).Run();
}

std::span<const PredefinedDeclaration> ValidationPredefinedNames() { return kPredefined; }

bool IsLegalFileName(std::string_view text) {
    const std::size_t folder = text.find_last_of("\\:");
    if (folder != std::string_view::npos) text.remove_prefix(folder + 1);
    return text.find_first_of("\\/:*?\"<>|") == std::string_view::npos;
}

std::optional<std::string_view> DollarReferenceName(std::string_view text) {
    if (text.size() < 2 || text.front() != '$' || text.back() != '$') return std::nullopt;
    const std::string_view name = text.substr(1, text.size() - 2);
    if (name.find('$') != std::string_view::npos) return std::nullopt;
    return name;
}

}  // namespace kel
