// Parameter access and the result-variable rule (see command_context.h).
#include "engine/script/command_context.h"

#include "engine/base/ansi_text.h"
#include "engine/base/text_rules.h"
#include "engine/script/script_error.h"
#include "engine/vars/variables.h"

namespace kel {

std::string CommandContext::Raw(std::size_t n) const {
    return run_.script.GetStatementParameter(Id(), n);
}

std::string CommandContext::Localized(std::size_t n, int slot) const {
    std::string text = Raw(n);
    if (run_.language.empty()) return text;
    return run_.seams.localizer.Localize(text, Id(), slot);
}

std::string CommandContext::Expanded(std::size_t n) const { return ExpandVariables(Raw(n)); }

std::string CommandContext::Path(std::size_t n) const { return ExpandPath(Raw(n)); }

std::string CommandContext::VariableName(std::size_t n) const {
    std::string raw = Raw(n);
    std::string stripped = StripVariableReference(raw);
    return stripped.empty() ? raw : stripped;
}

std::string CommandContext::ActionReason() const {
    std::string reason = Command();
    reason += kActionReasonSuffix;
    return reason;
}

void CommandContext::SetResult(std::string_view variable, std::string_view value) const {
    SetResultVariable(variable, value, ActionReason());
}

void SetResultVariable(std::string_view variable, std::string_view value, std::string_view reason) {
    if (!VariableExists(variable)) SetVariable(UpperCase(variable), "", reason);
    SetVariable(variable, value, reason);
}

std::string NotAnIntegerMessage(std::string_view text) {
    std::string message = "'";
    message += text;
    message += "' is not a valid integer value";
    return message;
}

std::int32_t IntegerOrError(std::string_view text) {
    const auto value = ParseInt32(text);
    if (!value) throw ScriptError(NotAnIntegerMessage(text));
    return *value;
}

FileRedirectionGuard::FileRedirectionGuard(const CommandContext& context) : run_(context.Run()) {
    run_.seams.views.DisableRedirection(run_.platformMode, false);
}

FileRedirectionGuard::~FileRedirectionGuard() {
    run_.seams.views.RevertRedirection(run_.platformMode, false);
}

}  // namespace kel
