// The block structure of a script as the interpreter walks it: what each statement is for the flow
// rules, the two skips of a conditional (to the next branch, to the end) and the navigation of a
// wizard loop. All of them are linear scans over the statement list with a depth counter: no
// recursion, no memory that grows with the nesting.
//
// Positions here are the interpreter's statement counter: the number of statements consumed, so
// that the statement being run is at counter - 1. Disabled statements and statements named
// "Ignore" count for nothing. Portable core.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kel {

namespace flow_command {
inline constexpr std::string_view kIf = "If";
inline constexpr std::string_view kElseIf = "Else If";
inline constexpr std::string_view kElse = "Else";
inline constexpr std::string_view kEnd = "End";
inline constexpr std::string_view kWizardLoop = "Wizard Loop";
inline constexpr std::string_view kGoToLabel = "GoTo Label";
inline constexpr std::string_view kLabel = "Label";
inline constexpr std::string_view kIgnore = "Ignore";
inline constexpr std::string_view kDisplayDialog = "Display Dialog";
}  // namespace flow_command

enum class FlowKind : std::uint8_t {
    kOther,
    kIf,
    kElseIf,
    kElse,
    kEnd,
    kWizardLoop,
    kGoToLabel,
    kLabel,
    kDisplayDialog,
};

FlowKind FlowKindOf(std::string_view command);

struct FlowStatement {
    FlowKind kind = FlowKind::kOther;
    bool active = false;  // neither disabled nor "Ignore"
};

using FlowList = std::span<const FlowStatement>;

struct BranchSkipResult {
    std::size_t counter;
    // The skip stopped at an "Else If", which is read next and evaluated like an "If".
    bool elseIfHandedOver;
};

// From the false condition at counter - 1 to the next "Else If", "Else" or "End" of the same
// conditional. After an "Else If" or "End" the counter stands so that it is read next; after an
// "Else" the statement after it is. A list that ends first leaves the counter at its end.
BranchSkipResult SkipToBranch(FlowList statements, std::size_t counter);

// From a finished branch to the "End" of its conditional, which is read next.
std::size_t SkipToEnd(FlowList statements, std::size_t counter);

// Reading forward: the counter after the next statement that counts, or after the last statement
// (which may not count) when none is left.
std::size_t ReadForward(FlowList statements, std::size_t counter);

enum class WizardDirection : std::int8_t { kBack = -1, kLeave = 0, kForward = 1 };

struct WizardStep {
    std::size_t counter;  // the chosen statement is at counter - 1; beyond the list when none
    bool leftLoop;        // the chosen statement is the loop's "End"
};

// The next statement of a wizard loop from the statement at counter - 1 (the "Wizard Loop" or the
// dialog just shown): the next "Display Dialog" in the direction, or the loop's "End".
WizardStep NavigateWizard(FlowList statements, std::size_t counter, WizardDirection direction);

}  // namespace kel
