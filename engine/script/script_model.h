// The in-memory statement model of a compiled setup script and the lookups every command uses:
// statement parameters by identifier, command headers by statement index, the build-time
// switches ("#NAME#") and the source reference of a statement for error messages.
//
// Statement i is described by line i of `commands`, `ids`, `states` and `mediaNames`; its
// parameters live in the parameter blocks (a line with the identifier, then the parameters in
// positional order). The stored file form is read and written by compiled_script.h.
// Portable core.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "engine/base/string_list.h"

namespace kel {

// Where a statement came from, as runtime error messages show it.
struct SourceReference {
    std::string fileName;  // file name without folder and extension; empty when unknown
    int lineNumber = 1;    // 1-based
};

class ScriptModel {
public:
    static constexpr const char* kCommentedState = "C";
    static constexpr const char* kMissingHeaderMessage =
        "Unable to obtain command headers. Please rebuild your project.";
    // A compiler variable that refers to itself would expand for ever; no real script nests
    // its switches this deep.
    static constexpr int kMaxCompilerVariableRounds = 16;

    ScriptModel();

    // --- statements
    StringList commands{true};
    StringList ids{true};
    StringList states{true};
    StringList mediaNames{true};
    // ParameterBlockLists: entry 0 is the script's own ParameterBlocks; later entries may be added
    // by the engine at run time. Lookups search the lists in order.
    std::deque<StringList> parameterBlockLists;
    StringList& ParameterBlocks() { return parameterBlockLists.front(); }
    const StringList& ParameterBlocks() const { return parameterBlockLists.front(); }

    // --- header values and tables, in file order
    std::string productCode;
    std::string projectTitle;
    std::string loadedTitle;
    StringList pluginNames;
    // Publisher, Contact, HelpLink, UrlUpdateInfo, Comments, ProductVersion.
    std::array<std::string, 6> uninstallInfo;
    StringList webMediaPasswords;  // pairs: block name, scrambled password
    std::int32_t buildLayout = 1;
    StringList componentTable;  // pairs: component name, size
    std::string revisionCode;
    StringList mediaFileTable{true};  // triples: block, path in block, destination folder
    bool showLanguageDialog = false;
    std::string defaultLanguage;
    StringList commandHeaderTable{true};  // pairs: 8-hex-digit header, statement index
    StringList compilerVariables{true};   // pairs: NAME, VALUE
    std::int32_t scriptCodePage = 1252;
    StringList sourceMap{true};  // per statement: path "*" 0-based line; may be shorter

    const std::string& Publisher() const { return uninstallInfo[0]; }
    const std::string& ProductVersion() const { return uninstallInfo[5]; }

    std::size_t StatementCount() const { return commands.Count(); }
    bool IsCommented(std::size_t i) const { return i < states.Count() && states[i] == "C"; }

    // Parameter k (1-based; 0 gives the identifier line itself) of the statement with this
    // identifier: the first list holding the identifier counts, and within it the identifier's
    // last occurrence. Empty when no list holds it. Reading past the end of the list throws
    // ScriptError.
    std::string GetStatementParameter(std::string_view identifier, std::size_t k) const;

    // The command header of statement i, empty when it has none; with `required`, a missing
    // header throws ScriptError(kMissingHeaderMessage).
    std::string GetCommandHeader(std::size_t i, bool required) const;

    // Replaces "#NAME#" by the compiler variable's value, in list order, ignoring case. When a
    // round leaves a "#" and changed the text, `showIntermediate` is called with that text and the
    // result is expanded again (bounded by kMaxCompilerVariableRounds).
    using IntermediateSink = std::function<void(const std::string&)>;
    std::string ExpandCompilerVariables(std::string_view text,
                                        const IntermediateSink& showIntermediate = {}) const;

    SourceReference SourceOf(std::size_t i) const;
};

// Splits a stored source reference ("path*line") by the message rules.
SourceReference ParseSourceReference(std::string_view reference);

}  // namespace kel
