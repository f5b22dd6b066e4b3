// The commands that compute a value into a variable: "Set Variable", "Evaluate Expression" and
// "Mathematics", with the engine-wide lists they keep (the remembered variables, the pseudo-random
// generator of "Mathematics"). Portable core; relies on the variable store, the expression
// evaluator and the dialog seam for the immediate progress refresh.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kel {

class CommandTable;

inline constexpr const char* kSetVariable = "Set Variable";
inline constexpr const char* kEvaluateExpression = "Evaluate Expression";
inline constexpr const char* kMathematics = "Mathematics";
// The reason of the copy of ABORT into QORV_IsCancelled.
inline constexpr std::string_view kSetVariableTrickleReason = "Set Variable Tricke";

// The names that "Set Variable" marked to be remembered, in the order first marked, each once
// (compared ignoring case). The instance data saves them at the end of the run.
std::vector<std::string>& RememberedVariables();

// The generator of "Mathematics" codes 13 to 15: engine-wide, all zero at start. Tests set it.
struct MathematicsGenerator {
    std::int32_t multiplier = 0;
    std::int32_t increment = 0;
    std::int32_t state = 0;
};
MathematicsGenerator& MathematicsRandom();

// One "Mathematics" operation on the texts as the command reads them (a and b expanded,
// `text` the expanded parameter 1 for code 11). Empty when an operand is not an integer, on
// division by zero, for an empty text with code 11 and for codes outside 0 to 15. Shift counts
// outside 0 to 63 give 0. Code 12 of a multiple of 256 gives the one character with code 0.
std::string ComputeMathematics(std::int64_t code, std::string_view a, std::string_view b,
                               MathematicsGenerator& generator);

void RegisterVariableCommands(CommandTable& table);

}  // namespace kel
