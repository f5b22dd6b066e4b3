// Skips and wizard navigation over the statement list (see flow_control.h).
#include "engine/script/flow_control.h"

namespace kel {
namespace {

// The depth rule shared by both skips: "If" and "Wizard Loop" open a level, "End" closes one.
// Returns whether the statement belongs to a nested block (and so cannot stop the skip).
bool CountNesting(const FlowStatement& statement, int& depth) {
    if (statement.kind == FlowKind::kIf || statement.kind == FlowKind::kWizardLoop) {
        ++depth;
        return true;
    }
    if (statement.kind == FlowKind::kEnd) {
        --depth;
        return depth >= 0;
    }
    return false;
}

WizardStep FirstEndFrom(FlowList statements, std::size_t index) {
    for (std::size_t i = index; i < statements.size(); ++i) {
        if (statements[i].active && statements[i].kind == FlowKind::kEnd) return {i + 1, true};
    }
    return {statements.size() + 1, true};
}

}  // namespace

FlowKind FlowKindOf(std::string_view command) {
    using namespace flow_command;
    if (command == kIf) return FlowKind::kIf;
    if (command == kElseIf) return FlowKind::kElseIf;
    if (command == kElse) return FlowKind::kElse;
    if (command == kEnd) return FlowKind::kEnd;
    if (command == kWizardLoop) return FlowKind::kWizardLoop;
    if (command == kGoToLabel) return FlowKind::kGoToLabel;
    if (command == kLabel) return FlowKind::kLabel;
    if (command == kDisplayDialog) return FlowKind::kDisplayDialog;
    return FlowKind::kOther;
}

BranchSkipResult SkipToBranch(FlowList statements, std::size_t counter) {
    int depth = 0;
    while (counter < statements.size()) {
        const FlowStatement& statement = statements[counter++];
        if (!statement.active) continue;
        if (CountNesting(statement, depth) || depth > 0) continue;
        switch (statement.kind) {
            case FlowKind::kElseIf:
                return {counter - 1, true};
            case FlowKind::kEnd:
                return {counter - 1, false};
            case FlowKind::kElse:
                return {counter, false};
            default:
                break;
        }
    }
    return {counter, false};
}

std::size_t SkipToEnd(FlowList statements, std::size_t counter) {
    int depth = 0;
    while (counter < statements.size()) {
        const FlowStatement& statement = statements[counter++];
        if (!statement.active) continue;
        if (!CountNesting(statement, depth) && statement.kind == FlowKind::kEnd) return counter - 1;
    }
    return counter;
}

std::size_t ReadForward(FlowList statements, std::size_t counter) {
    if (counter >= statements.size()) return counter + 1;
    ++counter;
    while (!statements[counter - 1].active && counter < statements.size()) ++counter;
    return counter;
}

WizardStep NavigateWizard(FlowList statements, std::size_t counter, WizardDirection direction) {
    const std::size_t current = counter - 1;
    if (direction == WizardDirection::kLeave) return FirstEndFrom(statements, current + 1);
    if (direction == WizardDirection::kForward) {
        for (std::size_t i = current + 1; i < statements.size(); ++i) {
            const FlowStatement& statement = statements[i];
            if (!statement.active) continue;
            if (statement.kind == FlowKind::kDisplayDialog) return {i + 1, false};
            if (statement.kind == FlowKind::kEnd) return {i + 1, true};
        }
        return {statements.size() + 1, true};
    }
    for (std::size_t i = current; i-- > 0;) {
        const FlowStatement& statement = statements[i];
        if (!statement.active) continue;
        if (statement.kind == FlowKind::kDisplayDialog) return {i + 1, false};
        if (statement.kind == FlowKind::kWizardLoop) return FirstEndFrom(statements, i + 1);
    }
    // No loop statement before the dialog: leave forward, as BACK on a first dialog does.
    return FirstEndFrom(statements, current + 1);
}

}  // namespace kel
