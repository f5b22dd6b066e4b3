// Compiled script -> script source (see script_dump.h).
//
// The output is built line by line so that the dump knows the line every statement lands on: a
// statement whose stored reference continues the current @source-position is padded onto its
// line with blank lines, which is what keeps the identifiers kelc generated (they derive from the
// reference) implicit.
#include "tools/kelc/script_dump.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <vector>

#include "engine/base/pe_image.h"
#include "engine/script/compiled_script.h"
#include "engine/script/script_error.h"
#include "tools/kelc/script_compiler.h"
#include "tools/kelc/source_syntax.h"
#include "tools/kelc/stable_guid.h"

namespace kel::tools {
namespace {

// Blank lines the dump inserts at most to put a statement on its stored line; a larger gap gets
// a @source-position instead.
constexpr std::int64_t kMaxPadding = 4;
constexpr const char* kCheckName = "dump.kel";
constexpr const char* kStoredDollar = "$DOLLAR$";

struct Segment {
    std::string identifier;
    std::vector<std::string> lines;
};

// The parameter blocks cut at every line that is a statement identifier (and at the start):
// whichever way the cut falls, writing the segments back in order gives the same list.
std::vector<Segment> SegmentBlocks(const ScriptModel& stored) {
    std::unordered_map<std::string, bool> isIdentifier;
    for (const std::string& id : stored.ids.Lines()) isIdentifier[id] = true;
    std::vector<Segment> segments;
    const StringList& blocks = stored.ParameterBlocks();
    for (std::size_t i = 0; i < blocks.Count(); ++i) {
        if (segments.empty() || isIdentifier.count(blocks[i])) {
            segments.push_back({blocks[i], {}});
        } else {
            segments.back().lines.push_back(blocks[i]);
        }
    }
    return segments;
}

bool IsCanonicalIndex(std::string_view text, std::size_t count, std::size_t& value) {
    if (text.empty() || text.size() > 9 || (text.size() > 1 && text.front() == '0')) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    return value < count;
}

std::string ParameterLine(std::string_view storedLine) {
    const std::string value =
        storedLine == kStoredDollar ? std::string("$") : std::string(storedLine);
    return value.empty() ? "  |" : "  | " + value;
}

class SourceWriter {
public:
    explicit SourceWriter(const ScriptModel& stored) : model_(stored) {}

    std::string Write(std::string_view origin) {
        std::string from(origin);
        std::replace_if(
            from.begin(), from.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
        Emit("# Script source written by kelc dump from " + from + ".");
        WriteHeader();
        PlaceBlocks();
        const bool headersAsAttributes = HeadersFitAttributes();
        if (!headersAsAttributes) WriteTable("command-header", model_.commandHeaderTable, 2);
        Emit("");
        for (std::size_t i = 0; i < model_.StatementCount(); ++i) {
            WriteFreeBlocks(i);
            WriteStatement(i);
        }
        WriteFreeBlocks(model_.StatementCount());
        if (model_.sourceMap.Count() > model_.StatementCount()) {
            Emit("");
            Emit("@source-map-tail");
            for (std::size_t i = model_.StatementCount(); i < model_.sourceMap.Count(); ++i) {
                Emit(ParameterRow(model_.sourceMap[i]));
            }
        }
        std::string text;
        for (const std::string& line : lines_) {
            text += line;
            // A line's last CR is taken for part of its line end; a value ending in CR keeps it.
            if (!line.empty() && line.back() == '\r') text += '\r';
            text += '\n';
        }
        return text;
    }

private:
    void Emit(std::string line) { lines_.push_back(std::move(line)); }
    std::int64_t NextLine() const { return static_cast<std::int64_t>(lines_.size()); }

    static std::string ParameterRow(std::string_view value) {
        return value.empty() ? "  |" : "  | " + std::string(value);
    }

    void WriteHeader() {
        Emit("@title " + FormatRestValue(model_.projectTitle));
        Emit("@product-code " + FormatRestValue(model_.productCode));
        Emit("@revision-code " + FormatRestValue(model_.revisionCode));
        static constexpr const char* kUninstall[] = {"publisher",       "contact",  "help-link",
                                                     "url-update-info", "comments", "version"};
        for (std::size_t i = 0; i < model_.uninstallInfo.size(); ++i) {
            if (!model_.uninstallInfo[i].empty()) {
                Emit(std::string("@") + kUninstall[i] + " " +
                     FormatRestValue(model_.uninstallInfo[i]));
            }
        }
        Emit("@build-layout " + std::to_string(model_.buildLayout));
        Emit("@code-page " + std::to_string(model_.scriptCodePage));
        Emit("@default-language " + FormatRestValue(model_.defaultLanguage));
        Emit(std::string("@language-dialog ") + (model_.showLanguageDialog ? "TRUE" : "FALSE"));
        WriteTable("plugin", model_.pluginNames, 1);
        WriteTable("web-media-password", model_.webMediaPasswords, 2);
        WriteTable("component", model_.componentTable, 2);
        WriteTable("media-file", model_.mediaFileTable, 3);
        WriteTable("compiler-variable", model_.compilerVariables, 2);
    }

    // Rows on the directive's line when the table holds whole rows, else all lines as "|" rows.
    void WriteTable(const char* name, const StringList& table, std::size_t arity) {
        if (table.Empty()) return;
        const std::string directive = std::string("@") + name;
        if (table.Count() % arity != 0) {
            Emit(directive);
            for (const std::string& line : table.Lines()) Emit(ParameterRow(line));
            return;
        }
        for (std::size_t row = 0; row < table.Count(); row += arity) {
            std::string line = directive;
            for (std::size_t k = 0; k + 1 < arity; ++k) line += " " + FormatToken(table[row + k]);
            line += " " + FormatRestValue(table[row + arity - 1]);
            Emit(line);
        }
    }

    // Each segment goes with the first statement at or after the current one that has its
    // identifier; a segment no statement can take (out of order, empty, for an identifier that
    // is no statement, or one too many) becomes a @parameter-block before the current statement.
    void PlaceBlocks() {
        std::unordered_map<std::string, std::vector<std::size_t>> statementsById;
        for (std::size_t i = 0; i < model_.StatementCount(); ++i) {
            statementsById[model_.ids[i]].push_back(i);
        }
        inline_.assign(model_.StatementCount(), {});
        std::size_t next = 0;
        for (Segment& segment : SegmentBlocks(model_)) {
            std::size_t taker = model_.StatementCount();
            auto it = statementsById.find(segment.identifier);
            if (it != statementsById.end() && !segment.lines.empty()) {
                auto at = std::lower_bound(it->second.begin(), it->second.end(), next);
                if (at != it->second.end()) taker = *at;
            }
            if (taker < model_.StatementCount()) {
                inline_[taker] = std::move(segment.lines);
                next = taker + 1;
            } else {
                freeBlocks_[next].push_back(std::move(segment));
            }
        }
    }

    // The table as header attributes: whole pairs, statement indexes in canonical decimal and
    // strictly rising, so that writing them at their statements gives the same order.
    bool HeadersFitAttributes() {
        const StringList& table = model_.commandHeaderTable;
        if (table.Count() % 2 != 0) return false;
        std::map<std::size_t, std::string> headers;
        std::size_t previous = 0;
        for (std::size_t row = 0; row < table.Count(); row += 2) {
            std::size_t index = 0;
            if (!IsCanonicalIndex(table[row + 1], model_.StatementCount(), index)) return false;
            if (row > 0 && index <= previous) return false;
            previous = index;
            headers[index] = table[row];
        }
        headers_ = std::move(headers);
        return true;
    }

    void WriteFreeBlocks(std::size_t before) {
        auto it = freeBlocks_.find(before);
        if (it == freeBlocks_.end()) return;
        for (const Segment& segment : it->second) {
            Emit("@parameter-block " + FormatRestValue(segment.identifier));
            for (const std::string& line : segment.lines) Emit(ParameterLine(line));
        }
    }

    void WriteStatement(std::size_t i) {
        std::vector<std::string> attributes;
        const std::string& command = model_.commands[i];
        const bool plain = IsPlainCommand(command);
        if (!plain) attributes.push_back("command=" + FormatAttributeValue(command));

        std::optional<SourcePosition> position;
        const bool hasReference = i < model_.sourceMap.Count();
        if (hasReference) position = ParseSourcePosition(model_.sourceMap[i]);
        if (position) {
            const std::int64_t gap = position->line - (NextLine() + offset_);
            if (anchored_ && position->path == path_ && gap >= 0 && gap <= kMaxPadding) {
                for (std::int64_t k = 0; k < gap; ++k) Emit("");
            } else {
                Emit("@source-position " + FormatRestValue(model_.sourceMap[i]));
                anchored_ = true;
                path_ = position->path;
                offset_ = position->line - NextLine();
            }
        }

        // Identifiers kelc generated follow from the line the statement lands on.
        const std::string& id = model_.ids[i];
        const bool generated =
            anchored_ &&
            GeneratedStatementId(FormatSourcePosition({path_, NextLine() + offset_})) == id;
        if (!generated) attributes.push_back("id=" + FormatAttributeValue(id));
        const std::string& state = model_.states[i];
        if (state == ScriptModel::kCommentedState) {
            attributes.push_back("commented");
        } else if (!state.empty()) {
            attributes.push_back("state=" + FormatAttributeValue(state));
        }
        if (!model_.mediaNames[i].empty()) {
            attributes.push_back("media=" + FormatAttributeValue(model_.mediaNames[i]));
        }
        if (auto header = headers_.find(i); header != headers_.end()) {
            attributes.push_back("header=" + FormatAttributeValue(header->second));
        }
        if (!hasReference) {
            attributes.push_back("nosource");
        } else if (!position) {
            attributes.push_back("source=" + FormatAttributeValue(model_.sourceMap[i]));
        }

        std::string line = plain ? command : "";
        if (!attributes.empty()) {
            if (!line.empty()) line += " ";
            line += "[";
            for (std::size_t k = 0; k < attributes.size(); ++k) {
                if (k > 0) line += " ";
                line += attributes[k];
            }
            line += "]";
        }
        Emit(line);
        for (const std::string& parameter : inline_[i]) Emit(ParameterLine(parameter));
    }

    const ScriptModel& model_;
    std::vector<std::string> lines_;
    std::vector<std::vector<std::string>> inline_;            // parameters written at statement i
    std::map<std::size_t, std::vector<Segment>> freeBlocks_;  // written before statement i
    std::map<std::size_t, std::string> headers_;              // header attribute of statement i
    bool anchored_ = false;
    std::string path_;
    std::int64_t offset_ = 0;
};

// 1-based number of the first line where the two texts differ.
std::size_t FirstDifferentLine(std::string_view a, std::string_view b) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < a.size() && i < b.size() && a[i] == b[i]; ++i) {
        if (a[i] == '\n') ++line;
    }
    return line;
}

}  // namespace

std::optional<std::string> WriteScriptSource(const ScriptModel& stored, std::string_view origin,
                                             std::string& error) {
    const std::size_t count = stored.StatementCount();
    if (stored.ids.Count() != count || stored.states.Count() != count ||
        stored.mediaNames.Count() != count) {
        error = "its statement lists disagree (" + std::to_string(count) + " commands, " +
                std::to_string(stored.ids.Count()) + " identifiers, " +
                std::to_string(stored.states.Count()) + " states, " +
                std::to_string(stored.mediaNames.Count()) +
                " media names); a script source cannot describe that";
        return std::nullopt;
    }
    return SourceWriter(stored).Write(origin);
}

DumpResult DumpCompiledScript(std::string_view compiled, std::string_view origin) {
    DumpResult result;
    ScriptModel stored;
    try {
        LoadScript(compiled, stored, ParameterMarkers::kKeepStored);
    } catch (const ScriptError& e) {
        result.error = std::string("not a compiled script: ") + e.what();
        return result;
    }
    auto source = WriteScriptSource(stored, origin, result.error);
    if (!source) return result;
    result.ok = true;
    result.source = std::move(*source);

    MemorySourceFiles files;
    files.Add(kCheckName, result.source);
    Diagnostics diagnostics;
    CompileOptions options;
    options.runSourceChecks = false;
    auto again = CompileScriptSource(kCheckName, files, diagnostics, options);
    if (!again) {
        result.inexact = "the dump does not compile again:\n" + diagnostics.Text();
    } else if (again->bytes != compiled) {
        result.inexact =
            "compiling the dump gives the same script, but not the same bytes "
            "(they differ from line " +
            std::to_string(FirstDifferentLine(again->bytes, compiled)) +
            " of the compiled script): the input is not in the form kelc writes";
    }
    return result;
}

std::optional<std::string_view> CompiledScriptOf(std::string_view file, std::string& error) {
    const auto appended = AppendedData(file);
    if (!appended) return file;
    if (appended->empty()) {
        error = "a Windows program with no script appended";
        return std::nullopt;
    }
    return appended;
}

bool LooksLikeCompiledScript(std::string_view bytes) {
    std::size_t start = 0;
    while (start <= bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line == "$") return true;
        start = end + 1;
    }
    return false;
}

}  // namespace kel::tools
