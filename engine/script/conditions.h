// The condition of "If" and "Else If": a variable, a comparison code, a comparison value and a
// negate flag. Code "5" asks whether a variable exists; code "6" compares versions; the other
// codes compare numbers when both sides are 32-bit integers by the engine's rule and texts
// otherwise. Portable core; values come from the variable store.
#pragma once

#include <string_view>

namespace kel {

class CommandContext;

namespace comparison {
inline constexpr std::string_view kEquals = "0";
inline constexpr std::string_view kContains = "1";
inline constexpr std::string_view kGreater = "2";
inline constexpr std::string_view kContainsIgnoringCase = "3";
inline constexpr std::string_view kEqualsIgnoringCase = "4";
inline constexpr std::string_view kDefined = "5";
inline constexpr std::string_view kVersionGreater = "6";
}  // namespace comparison

// Parameters of the statement: 1 variable (localized, slot 1), 2 code (raw), 3 value (localized,
// slot 2), 4 negate flag (raw, truth rule). A version field that is no integer raises ScriptError.
bool EvaluateCondition(const CommandContext& statement);

// The comparison of two expanded values by a code other than "5", without the negate flag.
bool CompareValues(std::string_view left, std::string_view code, std::string_view right);

// Up to four dot-separated fields, compared from the left; strictly greater. Missing fields and a
// last field that is no integer count as 0; a field followed by a dot must be an integer.
bool VersionGreater(std::string_view left, std::string_view right);

}  // namespace kel
