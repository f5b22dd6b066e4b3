// Conditions of "If" and "Else If" (see conditions.h).
#include "engine/script/conditions.h"

#include <array>
#include <cstdint>

#include "engine/base/ansi_text.h"
#include "engine/base/text_rules.h"
#include "engine/script/command_context.h"
#include "engine/vars/variables.h"

namespace kel {
namespace {

constexpr std::size_t kVersionFields = 4;

std::array<std::int32_t, kVersionFields> VersionFields(std::string_view text) {
    std::array<std::int32_t, kVersionFields> fields{};
    for (std::size_t i = 0; i < kVersionFields && !text.empty(); ++i) {
        const std::size_t dot = text.find('.');
        if (dot == std::string_view::npos) {
            fields[i] = ParseInt32(text).value_or(0);
            break;
        }
        fields[i] = IntegerOrError(text.substr(0, dot));
        text.remove_prefix(dot + 1);
    }
    return fields;
}

bool Contains(std::string_view text, std::string_view part, bool ignoreCase) {
    if (part.empty()) return false;
    return ignoreCase ? FindIgnoreCase(text, part) != std::string_view::npos
                      : text.find(part) != std::string_view::npos;
}

}  // namespace

bool VersionGreater(std::string_view left, std::string_view right) {
    const auto a = VersionFields(left);
    const auto b = VersionFields(right);
    for (std::size_t i = 0; i < kVersionFields; ++i) {
        if (a[i] != b[i]) return a[i] > b[i];
    }
    return false;
}

bool CompareValues(std::string_view left, std::string_view code, std::string_view right) {
    using namespace comparison;
    if (code == kVersionGreater) return VersionGreater(left, right);
    const auto leftNumber = ParseInt32(left);
    const auto rightNumber = leftNumber ? ParseInt32(right) : std::nullopt;
    if (leftNumber && rightNumber) {
        if (code == kEquals || code == kContains || code == kContainsIgnoringCase ||
            code == kEqualsIgnoringCase) {
            return *leftNumber == *rightNumber;
        }
        if (code == kGreater) return *leftNumber > *rightNumber;
        return false;
    }
    if (code == kEquals) return left == right;
    if (code == kContains) return Contains(left, right, false);
    // std::string_view compares bytes as unsigned characters.
    if (code == kGreater) return left > right;
    if (code == kContainsIgnoringCase) return Contains(left, right, true);
    if (code == kEqualsIgnoringCase) return EqualsIgnoreCase(left, right);
    return false;
}

bool EvaluateCondition(const CommandContext& statement) {
    const std::string variable = statement.Localized(1, 1);
    const std::string code = statement.Raw(2);
    bool result;
    if (code == comparison::kDefined) {
        result = VariableExists(variable);
    } else {
        std::string name = StripVariableReference(variable);
        if (name.empty()) name = variable;
        const std::string left = ExpandVariables(GetVariable(name));
        const std::string right = ExpandVariables(statement.Localized(3, 2));
        result = CompareValues(left, code, right);
    }
    const bool negate = IsTrueText(statement.Raw(4));
    return result != negate;
}

}  // namespace kel
