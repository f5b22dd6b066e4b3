// Reader and writer of the compiled script format (see compiled_script.h).
#include "engine/script/compiled_script.h"

#include "engine/base/ansi_text.h"
#include "engine/base/text_rules.h"
#include "engine/script/script_error.h"

namespace kel {
namespace {

constexpr std::string_view kListEnd = "$";
constexpr const char* kTruncatedMessage =
    "The setup script is incomplete: it ends before all of its sections are read";

class LineReader {
public:
    explicit LineReader(std::string_view bytes) : bytes_(bytes) {}

    std::string_view Line(const char* section) {
        if (pos_ >= bytes_.size()) throw ScriptError(std::string(kTruncatedMessage) + " (" + section + ")");
        std::size_t end = bytes_.find('\n', pos_);
        std::string_view line;
        if (end == std::string_view::npos) {
            line = bytes_.substr(pos_);
            pos_ = bytes_.size();
        } else {
            line = bytes_.substr(pos_, end - pos_);
            pos_ = end + 1;
        }
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    }

    void List(StringList& into, const char* section) {
        for (;;) {
            std::string_view line = Line(section);
            if (line == kListEnd) return;
            into.Add(std::string(line));
        }
    }

    std::int32_t Integer(const char* section) {
        std::string_view line = Line(section);
        std::size_t start = 0;
        while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) ++start;
        std::size_t stop = start;
        while (stop < line.size() && line[stop] != ' ' && line[stop] != '\t') ++stop;
        auto value = ParseInt32(line.substr(start, stop - start));
        if (!value) {
            throw ScriptError("'" + std::string(line.substr(0, 64)) +
                              "' is not a valid integer value (" + section + ")");
        }
        return *value;
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

// Only whole lines are decoded; a longer value containing a marker stays as it is.
void DecodeDollarMarkers(StringList& blocks) {
    for (std::size_t i = 0; i < blocks.Count(); ++i) {
        const std::string& line = blocks[i];
        if (EqualsIgnoreCase(line, "$WILD_DOLLAR$") || EqualsIgnoreCase(line, "$DOLLAR$")) {
            blocks.Set(i, "$");
        }
    }
}

void PutLine(std::string& out, std::string_view line) {
    out.append(line);
    out.append("\r\n");
}

void PutList(std::string& out, const StringList& list) {
    for (const std::string& line : list.Lines()) PutLine(out, line);
    PutLine(out, kListEnd);
}

}  // namespace

void LoadScript(std::string_view bytes, ScriptModel& model, ParameterMarkers markers) {
    LineReader in(bytes);
    in.List(model.commands, "statement commands");
    in.List(model.ids, "statement identifiers");
    in.List(model.ParameterBlocks(), "parameter blocks");
    if (markers == ParameterMarkers::kDecode) DecodeDollarMarkers(model.ParameterBlocks());
    in.List(model.states, "statement states");
    model.productCode = std::string(in.Line("product code"));
    model.projectTitle = std::string(in.Line("title"));
    model.loadedTitle = model.projectTitle;
    in.List(model.pluginNames, "plug-in names");
    for (std::string& value : model.uninstallInfo) value = std::string(in.Line("uninstall information"));
    in.List(model.webMediaPasswords, "web media passwords");
    in.List(model.mediaNames, "statement media names");
    model.buildLayout = in.Integer("build layout");
    in.List(model.componentTable, "components");
    model.revisionCode = std::string(in.Line("revision code"));
    in.List(model.mediaFileTable, "media files");
    model.showLanguageDialog = in.Line("language dialog flag") == "TRUE";
    model.defaultLanguage = std::string(in.Line("default language"));
    in.List(model.commandHeaderTable, "command headers");
    in.List(model.compilerVariables, "compiler variables");
    model.scriptCodePage = in.Integer("code page");
    in.List(model.sourceMap, "source map");
}

std::string WriteCompiledScript(const ScriptModel& model) {
    std::string out;
    PutList(out, model.commands);
    PutList(out, model.ids);
    PutList(out, model.ParameterBlocks());
    PutList(out, model.states);
    PutLine(out, model.productCode);
    PutLine(out, model.projectTitle);
    PutList(out, model.pluginNames);
    for (const std::string& value : model.uninstallInfo) PutLine(out, value);
    PutList(out, model.webMediaPasswords);
    PutList(out, model.mediaNames);
    PutLine(out, std::to_string(model.buildLayout));
    PutList(out, model.componentTable);
    PutLine(out, model.revisionCode);
    PutList(out, model.mediaFileTable);
    PutLine(out, model.showLanguageDialog ? "TRUE" : "FALSE");
    PutLine(out, model.defaultLanguage);
    PutList(out, model.commandHeaderTable);
    PutList(out, model.compilerVariables);
    PutLine(out, std::to_string(model.scriptCodePage));
    PutList(out, model.sourceMap);
    return out;
}

std::string EncodeListItem(std::string_view item) {
    return item == kListEnd ? std::string("$DOLLAR$") : std::string(item);
}

}  // namespace kel
