// The compile check of a loaded script, run once before the first statement: block balance,
// labels, variable references in script order, the per-command parameter rules, and the
// executed-statement list that the run keeps (one entry per statement: "SKIP", or "FALSE" for a
// definition statement that passed its checks; an executed definition later writes "TRUE").
//
// The pass needs only the names the script can create, so it keeps its own case-insensitive name
// set instead of the variable store: nothing it declares outlives the call. It relies on the
// statement model (script_model.h) for parameters and on the expression parser
// (engine/vars/expression_evaluator.h) for "Evaluate Expression". Portable core.
//
// Use:
//   ValidationResult result = ValidateScript(script);
//   if (!result.Accepted()) ...  // the engine ends with exit code 314, printing nothing
//   for (const ValidationMessage& m : result.messages)
//       // a checker prints SourceOf(*m.statement) and commands[*m.statement] with m.text
//
// Reading a parameter past the end of the parameter list raises the model's ScriptError; the pass
// lets it through as ValidationReadError (still a ScriptError, so the engine's start-up handler
// treats it as before) carrying the index of the statement being read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/script/script_error.h"
#include "engine/script/script_model.h"

namespace kel {

// Texts of the compile check. The engine never shows them; a checker tool prints them.
namespace validation_text {
inline constexpr const char* kScriptCompiled = "Script compiled successfully";
inline constexpr const char* kLabelNested =
    "LABEL statements cannot be nested inside loops/conditionals";
inline constexpr const char* kInsufficientEnd = "Insufficient END statements";
inline constexpr const char* kTooManyEnd = "Too many END statements";
inline constexpr const char* kLabelRedefined = "LABEL re-defined: ";
inline constexpr const char* kWebMediaName = "Web Media Block name must be a legal file name";
inline constexpr const char* kWebMediaUrl = "Web Media Block must have at least one download URL";
inline constexpr const char* kVariableRequired = "Variable required";
inline constexpr const char* kDeleteMode = "At least one delete mode must be selected";
inline constexpr const char* kTargetFolder =
    "A target folder must be specified for files that are being installed.\r"
    "The value $TARGETDIR$ represents the destination folder chosen by the user.";
inline constexpr const char* kVariableNotDefined = "Variable not defined: ";
inline constexpr const char* kExpressionSyntax =
    "Syntax error in expression. Please review the help topic \"Evaluate Expression\" for the "
    "correct syntax.";
inline constexpr const char* kLabelUndefined = "LABEL undefined: ";
inline constexpr const char* kDialogName = "Dialog name not specified";
}  // namespace validation_text

// Entries of the executed-statement list.
inline constexpr const char* kStatementSkipped = "SKIP";
inline constexpr const char* kStatementNotExecuted = "FALSE";

// The marker inside a "Set Variable" name that separates the name from its remember flag.
inline constexpr std::string_view kRememberMarker = "$QORV$QORV$";

struct ValidationMessage {
    std::optional<std::size_t> statement;  // empty for the END balance, which no statement owns
    std::string text;
};

enum class ValidationMode {
    kFirstError,  // the engine's pass: stop at the first error
    kAllErrors,   // for a checker: go on after an error and report every one found
};

struct ValidationResult {
    static constexpr std::int64_t kAccepted = -1;
    static constexpr std::int64_t kEndBalance = 2147483644;  // 0x7FFFFFFC

    // -1 when accepted, otherwise the 0-based index of the first offending statement, or
    // kEndBalance when the first error is the END balance.
    std::int64_t resultIndex = kAccepted;
    // The first error's text, or "Script compiled successfully".
    std::string message = validation_text::kScriptCompiled;
    // Every error found, in the order found: exactly one on rejection in kFirstError mode.
    std::vector<ValidationMessage> messages;
    // As the engine's pass leaves it: one entry per statement when accepted; when rejected, the
    // entries up to and including the first offending statement of the per-command pass (none
    // when the first error is structural).
    std::vector<std::string> executedStatements;

    bool Accepted() const { return resultIndex == kAccepted; }
};

class ValidationReadError : public ScriptError {
public:
    ValidationReadError(const std::string& message, std::size_t statement)
        : ScriptError(message), statement_(statement) {}
    std::size_t Statement() const { return statement_; }

private:
    std::size_t statement_;
};

// Checks every statement of the script (see the file comment). Throws ValidationReadError when a
// parameter cannot be read.
ValidationResult ValidateScript(const ScriptModel& script,
                                ValidationMode mode = ValidationMode::kFirstError);

// The names the pass treats as defined before the first statement, in declaration order, with the
// origin label they are declared under. (Three of them are spelled differently from the reserved
// variables that the run defines.)
struct PredefinedDeclaration {
    const char* name;
    const char* origin;
};
std::span<const PredefinedDeclaration> ValidationPredefinedNames();

// After removing any folder part (up to the last "\" or ":"), none of \ / : * ? " < > | remains.
// The empty text is legal.
bool IsLegalFileName(std::string_view text);

// NAME when the text is "$" + NAME + "$" with no other "$" (NAME may be empty); otherwise none.
std::optional<std::string_view> DollarReferenceName(std::string_view text);

}  // namespace kel
