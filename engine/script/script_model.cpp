// Lookups over the statement model (see script_model.h).
#include "engine/script/script_model.h"

#include "engine/base/ansi_text.h"
#include "engine/base/text_rules.h"
#include "engine/script/script_error.h"

namespace kel {

ScriptModel::ScriptModel() { parameterBlockLists.emplace_back(true); }

std::string ScriptModel::GetStatementParameter(std::string_view identifier, std::size_t k) const {
    for (const StringList& list : parameterBlockLists) {
        const std::size_t at = list.LastIndexOf(identifier);
        if (at == StringList::npos) continue;
        if (at + k >= list.Count()) {
            throw ScriptError("List index out of bounds (" + std::to_string(at + k) + ")");
        }
        return list[at + k];
    }
    return {};
}

std::string ScriptModel::GetCommandHeader(std::size_t i, bool required) const {
    // The table holds pairs (header, index); an index line at an odd position names the header
    // before it. A header that happens to read like a number must not be taken for an index, so
    // only odd positions count.
    std::string header;
    const std::string key = std::to_string(i);
    for (std::size_t at = commandHeaderTable.IndexOf(key); at != StringList::npos;) {
        if (at % 2 == 1) {
            header = commandHeaderTable[at - 1];
            break;
        }
        // Rare: the decimal text also stands at a header position; scan on from there.
        std::size_t next = StringList::npos;
        for (std::size_t j = at + 1; j < commandHeaderTable.Count(); ++j) {
            if (commandHeaderTable[j] == key) {
                next = j;
                break;
            }
        }
        at = next;
    }
    if (header.empty() && required) throw ScriptError(kMissingHeaderMessage);
    return header;
}

std::string ScriptModel::ExpandCompilerVariables(std::string_view text,
                                                 const IntermediateSink& showIntermediate) const {
    std::string current(text);
    for (int round = 0; round < kMaxCompilerVariableRounds; ++round) {
        if (current.find('#') == std::string::npos) return current;
        std::string expanded = current;
        for (std::size_t i = 0; i + 1 < compilerVariables.Count(); i += 2) {
            expanded = ReplaceAll(expanded, "#" + compilerVariables[i] + "#", compilerVariables[i + 1],
                                  /*ignoreCase=*/true);
        }
        if (expanded.find('#') == std::string::npos || expanded == current) return expanded;
        if (showIntermediate) showIntermediate(expanded);
        current = std::move(expanded);
    }
    return current;
}

SourceReference ScriptModel::SourceOf(std::size_t i) const {
    if (i >= sourceMap.Count()) return {};
    return ParseSourceReference(sourceMap[i]);
}

SourceReference ParseSourceReference(std::string_view reference) {
    SourceReference result;
    const std::size_t star = reference.find('*');
    if (star == std::string_view::npos) return result;
    std::string_view path = reference.substr(0, star);
    const std::size_t slash = path.find_last_of("\\/:");
    if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
    const std::size_t dot = path.rfind('.');
    if (dot != std::string_view::npos) path = path.substr(0, dot);
    result.fileName = std::string(path);
    const auto line = ParseInt32(reference.substr(star + 1));
    result.lineNumber = (line ? *line : 0) + 1;
    return result;
}

}  // namespace kel
