// Handlers of "Set Variable", "Evaluate Expression" and "Mathematics" (see variable_commands.h).
#include "engine/script/variable_commands.h"

#include <limits>

#include "engine/base/ansi_text.h"
#include "engine/base/text_rules.h"
#include "engine/script/command_table.h"
#include "engine/script/validation.h"
#include "engine/vars/expression_evaluator.h"
#include "engine/vars/variables.h"

namespace kel {
namespace {

constexpr std::string_view kAbort = "ABORT";
constexpr std::string_view kIsCancelled = "QORV_IsCancelled";
constexpr std::string_view kProgress = "PROGRESS";
constexpr std::string_view kProgressText = "PROGRESSTEXT";
constexpr int kProgressMinimum = 0;
constexpr int kProgressMaximum = 100;
constexpr std::string_view kRememberTrue = "TRUE";
constexpr std::int32_t kRandomStateModulus = 32767;

void RememberVariable(const std::string& name) {
    std::vector<std::string>& remembered = RememberedVariables();
    for (const std::string& known : remembered)
        if (EqualsIgnoreCase(known, name)) return;
    remembered.push_back(name);
}

// Parameters: 1 name, optionally followed by the remember marker and flag (raw); 2 value
// (localized, then expanded).
void SetVariableCommand(CommandContext& context) {
    const std::string value = ExpandVariables(context.Localized(2, 1));
    std::string name = context.Raw(1);
    bool remember = false;
    if (const std::size_t at = name.find(kRememberMarker); at != std::string::npos) {
        remember = std::string_view(name).substr(at + kRememberMarker.size()) == kRememberTrue;
        name.resize(at);
    }
    if (std::string stripped = StripVariableReference(name); !stripped.empty())
        name = std::move(stripped);

    context.SetResult(name, value);
    if (remember && !name.empty()) RememberVariable(name);
    if (EqualsIgnoreCase(name, kAbort)) SetVariable(kIsCancelled, value, kSetVariableTrickleReason);
    if (EqualsIgnoreCase(name, kProgress) || EqualsIgnoreCase(name, kProgressText)) {
        // Like the refresh before every statement, only an open dialog reads the position.
        DialogSeam& dialogs = context.Run().seams.dialogs;
        if (dialogs.CurrentWindowHandle() != 0) {
            const int position = IntegerOrError(GetVariable(kProgress));
            dialogs.PublishProgress(GetVariable(kProgressText), kProgressMinimum, kProgressMaximum,
                                    position);
        }
    }
}

// Parameters: 1 expression; 2 result variable (raw).
void EvaluateExpressionCommand(CommandContext& context) {
    const std::string variable = context.Raw(2);
    const std::string result = EvaluateExpression(ExpandVariablesQuoted(context.Raw(1)));
    context.SetResult(variable, result);
}

// Parameters: 1 operand A; 2 operand B; 3 operation code (raw); 4 result variable (raw).
void MathematicsCommand(CommandContext& context) {
    const std::string variable = context.Raw(4);
    if (!variable.empty() && !VariableExists(variable))
        SetVariable(UpperCase(variable), "", context.ActionReason());
    std::string result;
    if (const auto code = ParseInt64(context.Raw(3))) {
        const bool readsB = (*code >= 0 && *code <= 9) || *code == 13;
        const std::string a = context.Expanded(1);
        const std::string b = readsB ? context.Expanded(2) : std::string("0");
        result = ComputeMathematics(*code, a, b, MathematicsRandom());
    }
    if (!variable.empty()) context.SetResult(variable, result);
}

std::uint64_t Bits(std::int64_t v) { return static_cast<std::uint64_t>(v); }
std::int64_t Signed(std::uint64_t v) { return static_cast<std::int64_t>(v); }
std::int32_t Low32(std::int64_t v) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(Bits(v)));
}

// The remainder with the sign of the dividend, defined for every pair with b != 0.
std::int64_t Remainder(std::int64_t a, std::int64_t b) { return b == -1 ? 0 : a % b; }

std::optional<std::int64_t> Compute(std::int64_t code, std::int64_t a, std::int64_t b,
                                    MathematicsGenerator& generator) {
    switch (code) {
        case 0:
            return Signed(Bits(a) + Bits(b));
        case 1:
            return Signed(Bits(a) - Bits(b));
        case 2:
            return Signed(Bits(a) * Bits(b));
        case 3:
            if (b == 0) return std::nullopt;
            if (b == -1) return Signed(0 - Bits(a));  // the one overflowing quotient wraps
            return a / b;
        case 4:
            if (b == 0) return std::nullopt;
            return Remainder(a, b);
        case 5:
            return a & b;
        case 6:
            return a | b;
        case 7:
            return a ^ b;
        case 8:
            return (b >= 0 && b < 64) ? Signed(Bits(a) << b) : 0;
        case 9:
            return (b >= 0 && b < 64) ? Signed(Bits(a) >> b) : 0;
        case 10:
            return ~a;
        case 13:
            generator.multiplier = Low32(a);
            generator.increment = Low32(b);
            return Signed(Bits(a) + Bits(b));
        case 14:
            generator.state = Low32(a);
            return generator.state;
        case 15: {
            if (a == 0) return std::nullopt;
            const std::uint32_t product = static_cast<std::uint32_t>(generator.multiplier) *
                                              static_cast<std::uint32_t>(generator.state) +
                                          static_cast<std::uint32_t>(generator.increment);
            const std::int32_t x = static_cast<std::int32_t>(product);
            generator.state = x % kRandomStateModulus;
            return Remainder(x, a);
        }
        default:
            return std::nullopt;
    }
}

}  // namespace

std::vector<std::string>& RememberedVariables() {
    static std::vector<std::string> remembered;
    return remembered;
}

MathematicsGenerator& MathematicsRandom() {
    static MathematicsGenerator generator;
    return generator;
}

std::string ComputeMathematics(std::int64_t code, std::string_view a, std::string_view b,
                               MathematicsGenerator& generator) {
    if (code == 11) {
        if (a.empty()) return {};
        return std::to_string(static_cast<unsigned char>(a.front()));
    }
    const auto valueA = ParseInt64(a);
    if (!valueA) return {};
    if (code == 12) return std::string(1, static_cast<char>(Bits(*valueA) & 0xFF));
    const bool readsB = (code >= 0 && code <= 9) || code == 13;
    std::int64_t valueB = 0;
    if (readsB) {
        const auto parsed = ParseInt64(b);
        if (!parsed) return {};
        valueB = *parsed;
    }
    const auto result = Compute(code, *valueA, valueB, generator);
    return result ? std::to_string(*result) : std::string();
}

void RegisterVariableCommands(CommandTable& table) {
    table.Add(kSetVariable, SetVariableCommand);
    table.Add(kEvaluateExpression, EvaluateExpressionCommand);
    table.Add(kMathematics, MathematicsCommand);
}

}  // namespace kel
