// The script compiler (see script_compiler.h; the source format is described in SOURCE-FORMAT.md).
//
// One pass over the lines of the main file, descending into included files where their @include
// stands. Every statement and table row goes straight into the model in source order; a
// statement's parameter block is written when the next statement or directive (or the end of
// the file) closes it. Header values are collected and written, with their defaults, at the end.
#include "tools/kelc/script_compiler.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>

#include "engine/base/ansi_text.h"
#include "engine/base/text_rules.h"
#include "engine/script/compiled_script.h"
#include "tools/kelc/source_checks.h"
#include "tools/kelc/source_syntax.h"
#include "tools/kelc/stable_guid.h"

namespace kel::tools {
namespace {

constexpr int kMaxIncludeDepth = 32;
constexpr const char* kDefaultLanguage = "English";
constexpr std::int32_t kDefaultCodePage = 1252;
constexpr std::int32_t kDefaultBuildLayout = 1;
constexpr const char* kListEndMessage =
    "cannot be exactly \"$\": that line ends a list in the compiled script";

enum class HeaderValue {
    kTitle,
    kProductCode,
    kRevisionCode,
    kPublisher,
    kContact,
    kHelpLink,
    kUrlUpdateInfo,
    kComments,
    kVersion,
    kDefaultLanguage,
    kBuildLayout,
    kCodePage,
    kLanguageDialog,
};
constexpr std::size_t kHeaderValueCount = 13;

enum class Table {
    kPlugins,
    kWebMediaPasswords,
    kComponents,
    kMediaFiles,
    kCompilerVariables,
    kCommandHeaders,
    kSourceMapTail,
};

enum class DirectiveKind { kHeader, kTable, kInclude, kSourcePosition, kParameterBlock };

struct Directive {
    const char* name;
    DirectiveKind kind;
    HeaderValue header;
    Table table;
    int arity;             // values per row of a table
    const char* operands;  // as shown in messages
};

constexpr Directive HeaderDirective(const char* name, HeaderValue header, const char* operands) {
    return {name, DirectiveKind::kHeader, header, Table::kPlugins, 1, operands};
}
constexpr Directive TableDirective(const char* name, Table table, int arity, const char* operands) {
    return {name, DirectiveKind::kTable, HeaderValue::kTitle, table, arity, operands};
}
constexpr Directive OtherDirective(const char* name, DirectiveKind kind, const char* operands) {
    return {name, kind, HeaderValue::kTitle, Table::kPlugins, 1, operands};
}

constexpr std::array kDirectives = {
    HeaderDirective("title", HeaderValue::kTitle, "TITLE"),
    HeaderDirective("product-code", HeaderValue::kProductCode, "{GUID}"),
    HeaderDirective("revision-code", HeaderValue::kRevisionCode, "{GUID}"),
    HeaderDirective("publisher", HeaderValue::kPublisher, "TEXT"),
    HeaderDirective("contact", HeaderValue::kContact, "TEXT"),
    HeaderDirective("help-link", HeaderValue::kHelpLink, "URL"),
    HeaderDirective("url-update-info", HeaderValue::kUrlUpdateInfo, "URL"),
    HeaderDirective("comments", HeaderValue::kComments, "TEXT"),
    HeaderDirective("version", HeaderValue::kVersion, "VERSION"),
    HeaderDirective("default-language", HeaderValue::kDefaultLanguage, "LANGUAGE"),
    HeaderDirective("build-layout", HeaderValue::kBuildLayout, "NUMBER"),
    HeaderDirective("code-page", HeaderValue::kCodePage, "NUMBER"),
    HeaderDirective("language-dialog", HeaderValue::kLanguageDialog, "TRUE|FALSE"),
    TableDirective("plugin", Table::kPlugins, 1, "NAME"),
    TableDirective("web-media-password", Table::kWebMediaPasswords, 2, "BLOCK PASSWORD"),
    TableDirective("component", Table::kComponents, 2, "NAME SIZE"),
    TableDirective("media-file", Table::kMediaFiles, 3, "BLOCK PATH DESTINATION"),
    TableDirective("compiler-variable", Table::kCompilerVariables, 2, "NAME VALUE"),
    TableDirective("command-header", Table::kCommandHeaders, 2, "HEADER INDEX"),
    TableDirective("source-map-tail", Table::kSourceMapTail, 1, "REFERENCE"),
    OtherDirective("include", DirectiveKind::kInclude, "PATH"),
    OtherDirective("source-position", DirectiveKind::kSourcePosition, "PATH*LINE"),
    OtherDirective("parameter-block", DirectiveKind::kParameterBlock, "IDENTIFIER"),
};

const Directive* FindDirective(std::string_view name) {
    for (const Directive& directive : kDirectives) {
        if (EqualsIgnoreCase(name, directive.name)) return &directive;
    }
    return nullptr;
}

std::string Where(const SourceLocation& at) {
    return at.line > 0 ? at.file + ":" + std::to_string(at.line) : at.file;
}

bool IsAbsoluteSourcePath(const std::string& path) {
    return (!path.empty() && path.front() == '/') ||
           (path.size() >= 2 && path[1] == ':' &&
            ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')));
}

std::string FolderOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().generic_string();
}

std::string JoinSourcePath(const std::string& folder, const std::string& relative) {
    if (folder.empty()) return NormalizeSourcePath(relative);
    return NormalizeSourcePath(folder + "/" + relative);
}

class Compiler {
public:
    Compiler(SourceFiles& files, Diagnostics& diagnostics)
        : files_(files), diagnostics_(diagnostics) {}

    std::optional<CompiledSource> Run(const std::string& mainPath) {
        std::string error;
        auto text = files_.Read(mainPath, error);
        if (!text) {
            diagnostics_.Error({mainPath, 0}, "cannot read the source: " + error);
            return std::nullopt;
        }
        const std::string storedPath = std::filesystem::path(mainPath).filename().generic_string();
        includeStack_.push_back(NormalizeSourcePath(mainPath));
        CompileFile(mainPath, storedPath, *text);
        Finish(std::filesystem::path(mainPath).stem().string());
        if (diagnostics_.HasErrors()) return std::nullopt;
        result_.bytes = WriteCompiledScript(result_.model);
        return std::move(result_);
    }

private:
    // How statement lines of the current file map to source references: line L (0-based) of the
    // file is `path` * (L + offset). @source-position moves it.
    struct Mapping {
        std::string path;
        std::int64_t offset = 0;
    };

    // What the "|" lines that follow belong to.
    enum class OpenKind { kNone, kDiscard, kStatement, kFreeBlock, kTableRows };
    struct OpenItem {
        OpenKind kind = OpenKind::kNone;
        SourceLocation where;
        std::string identifier;           // statement or free block
        std::vector<std::string> values;  // parameters or table rows
        const Directive* directive = nullptr;
        std::string refusal;  // why "|" lines are not taken (kNone after a directive)
    };

    struct Header {
        std::optional<std::string> value;
        SourceLocation where;
    };

    void CompileFile(const std::string& actualPath, const std::string& storedPath,
                     std::string_view text) {
        Mapping mapping{storedPath, 0};
        storedPathOf_[actualPath] = storedPath;
        if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
        std::int64_t lineIndex = 0;
        for (std::size_t pos = 0; pos <= text.size(); ++lineIndex) {
            std::size_t end = text.find('\n', pos);
            if (end == std::string_view::npos) end = text.size();
            std::string_view line = text.substr(pos, end - pos);
            const bool lastLine = end == text.size();
            pos = end + 1;
            if (lastLine && line.empty()) break;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            CompileLine(line, lineIndex, {actualPath, static_cast<int>(lineIndex + 1)}, mapping);
            if (lastLine) break;
        }
        CloseOpenItem();
    }

    void CompileLine(std::string_view line, std::int64_t lineIndex, const SourceLocation& where,
                     Mapping& mapping) {
        if (TrimLeft(line).empty()) return;
        const char first = line.front();
        if (first == kCommentMark) return;
        if (IsSpace(first) || first == kParameterMark) {
            const std::string_view content = TrimLeft(line);
            if (content.front() == kCommentMark) return;
            if (content.front() != kParameterMark) {
                diagnostics_.Error(where,
                                   "an indented line must be a parameter (\"| value\") or a "
                                   "comment (\"# ...\"); a statement starts in the first column");
                return;
            }
            AddParameterLine(content.substr(1), where);
            return;
        }
        CloseOpenItem();
        if (first == kDirectiveMark) {
            CompileDirective(line.substr(1), lineIndex, where, mapping);
        } else {
            CompileStatement(line, lineIndex, where, mapping);
        }
    }

    void AddParameterLine(std::string_view text, const SourceLocation& where) {
        // "| value": one space after the bar separates; everything after it is the value.
        if (!text.empty() && text.front() == ' ') text.remove_prefix(1);
        switch (open_.kind) {
            case OpenKind::kStatement:
            case OpenKind::kFreeBlock:
            case OpenKind::kTableRows:
                open_.values.emplace_back(text);
                return;
            case OpenKind::kDiscard:
                return;
            case OpenKind::kNone:
                diagnostics_.Error(where, open_.refusal.empty()
                                              ? "a parameter line must follow a statement"
                                              : open_.refusal);
                return;
        }
    }

    void CloseOpenItem() {
        OpenItem item = std::move(open_);
        open_ = {};
        ScriptModel& model = result_.model;
        switch (item.kind) {
            case OpenKind::kStatement:
                if (item.values.empty()) return;  // statements without parameters need no block
                [[fallthrough]];
            case OpenKind::kFreeBlock:
                model.ParameterBlocks().Add(item.identifier);
                for (const std::string& value : item.values) {
                    model.ParameterBlocks().Add(EncodeListItem(value));
                }
                return;
            case OpenKind::kTableRows:
                if (item.values.empty()) {
                    diagnostics_.Error(item.where, std::string("@") + item.directive->name +
                                                       " needs " + item.directive->operands +
                                                       " on its line, or its rows on \"|\" lines");
                    return;
                }
                AddTableRows(*item.directive, item.values, item.where);
                return;
            case OpenKind::kNone:
            case OpenKind::kDiscard:
                return;
        }
    }

    // ---- statements

    void CompileStatement(std::string_view line, std::int64_t lineIndex,
                          const SourceLocation& where, const Mapping& mapping) {
        StatementLine parsed;
        std::string error;
        if (!ParseStatementLine(line, parsed, error)) {
            diagnostics_.Error(where, error);
            open_.kind = OpenKind::kDiscard;
            return;
        }
        std::map<std::string, std::optional<std::string>> attributes;
        bool ok = true;
        for (Attribute& attribute : parsed.attributes) {
            const std::string key = LowerCase(attribute.key);
            static constexpr std::array kValued = {"id",     "state",  "media",
                                                   "header", "source", "command"};
            static constexpr std::array kFlags = {"commented", "nosource"};
            const bool valued = std::find(kValued.begin(), kValued.end(), key) != kValued.end();
            const bool flag = std::find(kFlags.begin(), kFlags.end(), key) != kFlags.end();
            if (!valued && !flag) {
                diagnostics_.Error(where, "unknown attribute \"" + attribute.key +
                                              "\" (known: id, commented, state, media, header, "
                                              "source, nosource, command)");
                ok = false;
            } else if (valued && !attribute.value) {
                diagnostics_.Error(where,
                                   "attribute \"" + key + "\" needs a value (" + key + "=...)");
                ok = false;
            } else if (flag && attribute.value) {
                diagnostics_.Error(where, "attribute \"" + key + "\" takes no value");
                ok = false;
            } else if (!attributes.emplace(key, std::move(attribute.value)).second) {
                diagnostics_.Error(where, "attribute \"" + key + "\" is given twice");
                ok = false;
            }
        }
        auto has = [&](const char* key) { return attributes.count(key) > 0; };
        auto value = [&](const char* key) { return has(key) ? *attributes[key] : std::string(); };

        std::string command = parsed.command;
        if (has("command")) {
            if (!command.empty()) {
                diagnostics_.Error(where,
                                   "the command is given twice: as the line's text and as "
                                   "the \"command\" attribute");
                ok = false;
            }
            command = value("command");
        } else if (command.empty()) {
            diagnostics_.Error(where,
                               "a statement line needs a command name (or, when the line "
                               "starts with \"[\", a \"command\" attribute)");
            ok = false;
        }
        if (has("commented") && has("state")) {
            diagnostics_.Error(where, "give either \"commented\" or \"state\", not both");
            ok = false;
        }
        if (has("source") && has("nosource")) {
            diagnostics_.Error(where, "give either \"source\" or \"nosource\", not both");
            ok = false;
        }
        const std::string natural =
            FormatSourcePosition({mapping.path, lineIndex + mapping.offset});
        const std::string identifier = has("id") ? value("id") : GeneratedStatementId(natural);
        const std::string state = has("commented") ? ScriptModel::kCommentedState : value("state");
        const std::string media = value("media");
        for (const auto& [label, text] :
             {std::pair{"the command", command}, std::pair{"the identifier", identifier},
              std::pair{"the state", state}, std::pair{"the media name", media},
              std::pair{"the source reference", value("source")}}) {
            if (text == "$") {
                diagnostics_.Error(where, std::string(label) + " " + kListEndMessage);
                ok = false;
            }
        }
        if (!ok) {
            open_.kind = OpenKind::kDiscard;
            return;
        }

        ScriptModel& model = result_.model;
        const std::size_t index = model.StatementCount();
        model.commands.Add(command);
        model.ids.Add(identifier);
        model.states.Add(state);
        model.mediaNames.Add(media);
        result_.statementLocations.push_back(where);
        if (has("header")) {
            model.commandHeaderTable.Add(value("header"));
            model.commandHeaderTable.Add(std::to_string(index));
        }
        if (has("nosource")) {
            if (!firstWithoutSource_) firstWithoutSource_ = where;
        } else {
            if (firstWithoutSource_) {
                diagnostics_.Error(where,
                                   "this statement has a source reference but an earlier "
                                   "one has \"nosource\" (" +
                                       Where(*firstWithoutSource_) +
                                       "): the source map can only end early, so every "
                                       "statement after a \"nosource\" one needs it too");
            }
            model.sourceMap.Add(has("source") ? value("source") : natural);
        }
        open_.kind = OpenKind::kStatement;
        open_.where = where;
        open_.identifier = identifier;
    }

    // ---- directives

    void CompileDirective(std::string_view text, std::int64_t lineIndex,
                          const SourceLocation& where, Mapping& mapping) {
        std::size_t nameEnd = 0;
        while (nameEnd < text.size() && !IsSpace(text[nameEnd])) ++nameEnd;
        const std::string_view name = text.substr(0, nameEnd);
        const std::string_view rest = Trim(text.substr(nameEnd));
        const Directive* directive = FindDirective(name);
        if (!directive) {
            diagnostics_.Error(where, "unknown directive @" + std::string(name));
            open_.kind = OpenKind::kDiscard;
            return;
        }
        const std::string label = std::string("@") + directive->name;
        open_.refusal = label + " takes no \"|\" lines";

        if (directive->kind == DirectiveKind::kTable) {
            if (rest.empty()) {
                open_.kind = OpenKind::kTableRows;
                open_.where = where;
                open_.directive = directive;
                return;
            }
            std::vector<std::string> row;
            std::string_view remaining = rest;
            for (int i = 0; i + 1 < directive->arity; ++i) {
                std::string token;
                std::string error;
                if (!ReadToken(remaining, token, error)) {
                    diagnostics_.Error(where,
                                       label + " needs " + directive->operands + ": " + error);
                    return;
                }
                row.push_back(std::move(token));
            }
            if (Trim(remaining).empty()) {
                diagnostics_.Error(where, label + " needs " + directive->operands +
                                              " (write \"\" for an empty value)");
                return;
            }
            row.push_back(ReadRestValue(remaining));
            AddTableRows(*directive, row, where);
            open_.refusal = label +
                            " has its values on its line; for rows on \"|\" lines, "
                            "write " +
                            label + " alone";
            return;
        }

        if (rest.empty()) {
            diagnostics_.Error(where, label + " needs " + directive->operands +
                                          " (write \"\" for an empty value)");
            return;
        }
        const std::string value = ReadRestValue(rest);
        switch (directive->kind) {
            case DirectiveKind::kHeader:
                SetHeader(*directive, value, where);
                return;
            case DirectiveKind::kInclude:
                Include(value, where);
                return;
            case DirectiveKind::kSourcePosition: {
                const auto position = ParseSourcePosition(value);
                if (!position) {
                    diagnostics_.Error(where, label +
                                                  " needs PATH*LINE, LINE a whole number from "
                                                  "0 without leading zeros, not \"" +
                                                  value + "\"");
                    return;
                }
                // The position names the next line of this file.
                mapping.path = position->path;
                mapping.offset = position->line - (lineIndex + 1);
                return;
            }
            case DirectiveKind::kParameterBlock:
                if (value == "$") {
                    diagnostics_.Error(where, "the identifier " + std::string(kListEndMessage));
                    open_.kind = OpenKind::kDiscard;
                    return;
                }
                open_.kind = OpenKind::kFreeBlock;
                open_.where = where;
                open_.identifier = value;
                return;
            case DirectiveKind::kTable:
                return;
        }
    }

    void SetHeader(const Directive& directive, const std::string& value,
                   const SourceLocation& where) {
        const std::string label = std::string("@") + directive.name;
        Header& header = headers_[static_cast<std::size_t>(directive.header)];
        if (header.value) {
            diagnostics_.Error(where,
                               label + " is given twice (first at " + Where(header.where) + ")");
            return;
        }
        if (directive.header == HeaderValue::kBuildLayout ||
            directive.header == HeaderValue::kCodePage) {
            if (!ParseInt32(value)) {
                diagnostics_.Error(where, label + " needs a whole number, not \"" + value + "\"");
                return;
            }
        }
        if (directive.header == HeaderValue::kLanguageDialog && !EqualsIgnoreCase(value, "TRUE") &&
            !EqualsIgnoreCase(value, "FALSE")) {
            diagnostics_.Error(where, label + " is TRUE or FALSE, not \"" + value + "\"");
            return;
        }
        header.value = value;
        header.where = where;
    }

    void AddTableRows(const Directive& directive, const std::vector<std::string>& rows,
                      const SourceLocation& where) {
        ScriptModel& model = result_.model;
        StringList* table = nullptr;
        switch (directive.table) {
            case Table::kPlugins:
                table = &model.pluginNames;
                break;
            case Table::kWebMediaPasswords:
                table = &model.webMediaPasswords;
                break;
            case Table::kComponents:
                table = &model.componentTable;
                break;
            case Table::kMediaFiles:
                table = &model.mediaFileTable;
                break;
            case Table::kCompilerVariables:
                table = &model.compilerVariables;
                break;
            case Table::kCommandHeaders:
                table = &model.commandHeaderTable;
                break;
            case Table::kSourceMapTail:
                table = &sourceMapTail_;
                if (!sourceMapTailWhere_) sourceMapTailWhere_ = where;
                break;
        }
        for (const std::string& row : rows) {
            if (row == "$") {
                diagnostics_.Error(
                    where, std::string("a value of @") + directive.name + " " + kListEndMessage);
                continue;
            }
            table->Add(row);
        }
    }

    void Include(const std::string& written, const SourceLocation& where) {
        const std::string& includerActual = where.file;
        const std::string& includerStored = storedPathOf_[includerActual];
        std::string slashed = written;
        std::replace(slashed.begin(), slashed.end(), '\\', '/');
        std::string actual;
        std::string stored;
        if (IsAbsoluteSourcePath(slashed)) {
            actual = NormalizeSourcePath(slashed);
            stored = actual;
        } else {
            actual = JoinSourcePath(FolderOf(includerActual), slashed);
            stored = JoinSourcePath(FolderOf(includerStored), slashed);
        }
        if (stored.find('*') != std::string::npos) {
            diagnostics_.Error(where,
                               "an included file's path cannot contain \"*\": source "
                               "references end the path at the first \"*\"");
            return;
        }
        if (std::find(includeStack_.begin(), includeStack_.end(), actual) != includeStack_.end()) {
            std::string chain;
            for (const std::string& path : includeStack_) chain += path + " -> ";
            diagnostics_.Error(where, "@include makes a cycle: " + chain + actual);
            return;
        }
        if (static_cast<int>(includeStack_.size()) > kMaxIncludeDepth) {
            diagnostics_.Error(
                where, "@include nests deeper than " + std::to_string(kMaxIncludeDepth) + " files");
            return;
        }
        std::string error;
        auto text = files_.Read(actual, error);
        if (!text) {
            diagnostics_.Error(where,
                               "cannot include \"" + written + "\" (" + actual + "): " + error);
            return;
        }
        includeStack_.push_back(actual);
        CompileFile(actual, stored, *text);
        includeStack_.pop_back();
    }

    // ---- end of the source

    void Finish(const std::string& mainStem) {
        ScriptModel& model = result_.model;
        if (!sourceMapTail_.Empty()) {
            if (firstWithoutSource_) {
                diagnostics_.Error(*sourceMapTailWhere_,
                                   "@source-map-tail cannot follow statements with \"nosource\" (" +
                                       Where(*firstWithoutSource_) +
                                       "): its lines would become "
                                       "their source references");
            }
            for (const std::string& line : sourceMapTail_.Lines()) model.sourceMap.Add(line);
        }
        auto get = [&](HeaderValue which) -> const std::optional<std::string>& {
            return headers_[static_cast<std::size_t>(which)].value;
        };
        model.projectTitle = get(HeaderValue::kTitle).value_or(mainStem);
        model.loadedTitle = model.projectTitle;
        model.productCode =
            get(HeaderValue::kProductCode).value_or(DefaultProductCode(model.projectTitle));
        model.revisionCode =
            get(HeaderValue::kRevisionCode).value_or(DefaultRevisionCode(model.projectTitle));
        const HeaderValue uninstall[] = {HeaderValue::kPublisher, HeaderValue::kContact,
                                         HeaderValue::kHelpLink,  HeaderValue::kUrlUpdateInfo,
                                         HeaderValue::kComments,  HeaderValue::kVersion};
        for (std::size_t i = 0; i < model.uninstallInfo.size(); ++i) {
            model.uninstallInfo[i] = get(uninstall[i]).value_or("");
        }
        model.defaultLanguage = get(HeaderValue::kDefaultLanguage).value_or(kDefaultLanguage);
        const auto layout = get(HeaderValue::kBuildLayout);
        model.buildLayout = layout ? ParseInt32(*layout).value_or(0) : kDefaultBuildLayout;
        const auto codePage = get(HeaderValue::kCodePage);
        model.scriptCodePage = codePage ? ParseInt32(*codePage).value_or(0) : kDefaultCodePage;
        const auto dialog = get(HeaderValue::kLanguageDialog);
        model.showLanguageDialog = dialog && EqualsIgnoreCase(*dialog, "TRUE");
    }

    SourceFiles& files_;
    Diagnostics& diagnostics_;
    CompiledSource result_;
    OpenItem open_;
    std::array<Header, kHeaderValueCount> headers_;
    std::optional<SourceLocation> firstWithoutSource_;
    StringList sourceMapTail_;
    std::optional<SourceLocation> sourceMapTailWhere_;
    std::vector<std::string> includeStack_;  // normalised paths of the files being read
    std::map<std::string, std::string> storedPathOf_;
};

}  // namespace

std::optional<CompiledSource> CompileScriptSource(const std::string& mainPath, SourceFiles& files,
                                                  Diagnostics& diagnostics,
                                                  const CompileOptions& options) {
    Compiler compiler(files, diagnostics);
    auto compiled = compiler.Run(mainPath);
    if (!compiled || !options.runSourceChecks) return compiled;
    RunSourceChecks(*compiled, diagnostics);
    if (diagnostics.HasErrors()) return std::nullopt;
    return compiled;
}

}  // namespace kel::tools
