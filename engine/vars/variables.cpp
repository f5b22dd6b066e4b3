// Engine-level variable operations over the process-wide store (see variables.h).
#include "engine/vars/variables.h"

#include <atomic>
#include <vector>

#include "engine/base/ansi_text.h"
#include "engine/base/comma_text.h"

namespace kel {
namespace {

constexpr std::string_view kDoubleBackslash = "\\\\";
constexpr std::string_view kBackslash = "\\";
constexpr std::string_view kLineBreak = "\r\n";

std::atomic<FileApisHook> fileApisHook{nullptr};

}  // namespace

TVariableManager& Variables() {
    // Deliberately never destroyed: threads still running at process exit may use it.
    static TVariableManager* const store = new TVariableManager(/*caseSensitive=*/false,
                                                                /*lockReads=*/true);
    return *store;
}

void SetVariable(std::string_view name, std::string_view value, std::string_view reason) {
    Variables().SetValueGuarded(name, value, reason == kInjectOverrideReason);
}

std::string GetVariable(std::string_view name) { return Variables().GetValue(name); }

bool VariableExists(std::string_view name) { return Variables().Exists(name); }

std::string ExpandVariables(std::string_view text) { return Variables().Expand(text); }

std::string ExpandVariablesQuoted(std::string_view text) { return Variables().ExpandQuoted(text); }

void SetFileApisToAnsiHook(FileApisHook hook) { fileApisHook.store(hook); }

std::string ExpandPath(std::string_view text) {
    if (FileApisHook hook = fileApisHook.load()) hook();
    const std::string expanded = ExpandVariables(text);
    std::string collapsed = ReplaceAll(expanded, kDoubleBackslash, kBackslash);
    if (!expanded.starts_with(kDoubleBackslash)) return collapsed;
    std::string result(kBackslash);
    result.append(collapsed);
    return result;
}

std::string StripVariableReference(std::string_view text) {
    if (text.size() < 3 || text.front() != '$' || text.back() != '$') return {};
    const std::string_view name = text.substr(1, text.size() - 2);
    if (name.find('$') != std::string_view::npos) return {};
    return std::string(name);
}

std::string ResolveVariableReference(std::string_view text, std::string_view missingMarker) {
    std::string name = StripVariableReference(text);
    if (name.empty()) name = std::string(text);
    std::optional<std::string> value = Variables().Find(name);
    if (!value) return std::string(missingMarker);
    return ExpandVariables(*value);
}

std::string NewlinesToMarker(std::string_view text) {
    return ReplaceAll(text, kLineBreak, kNewlineMarker);
}

std::string MarkerToNewlines(std::string_view text) {
    return ReplaceAll(text, kNewlineMarker, kLineBreak, /*ignoreCase=*/true);
}

std::string SnapshotVariables() {
    std::vector<std::string> items;
    Variables().ListAll(items);
    return WriteCommaText(items);
}

void RestoreVariables(std::string_view commaText) {
    Variables().ReplaceContent(ParseCommaText(commaText));
}

}  // namespace kel
