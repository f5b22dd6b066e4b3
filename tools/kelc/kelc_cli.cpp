// The kelc command line (see kelc_cli.h).
#include "tools/kelc/kelc_cli.h"

#include <optional>

#include "tools/common/file_io.h"
#include "tools/kelc/script_compiler.h"
#include "tools/kelc/script_dump.h"
#include "tools/kelc/source_checks.h"
#include "engine/script/compiled_script.h"
#include "engine/script/script_error.h"

namespace kel::tools {
namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
// A file that is no source at all would give a message for nearly every line.
constexpr std::size_t kMaxPrintedDiagnostics = 50;

struct Streams {
    std::ostream& out;
    std::ostream& err;
};

// One input file and an optional "-o OUT", in any order.
struct FileArguments {
    std::string input;
    std::optional<std::string> output;
};

std::optional<FileArguments> ParseFileArguments(const std::vector<std::string>& args,
                                                const char* command, std::ostream& err) {
    FileArguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-o" || arg == "--output") {
            if (i + 1 == args.size()) {
                err << "kelc " << command << ": " << arg << " needs a file name\n";
                return std::nullopt;
            }
            parsed.output = args[++i];
        } else if (arg.size() > 1 && arg.front() == '-') {
            err << "kelc " << command << ": unknown option " << arg << "\n";
            return std::nullopt;
        } else if (parsed.input.empty()) {
            parsed.input = arg;
        } else {
            err << "kelc " << command << ": more than one input file (" << parsed.input << ", "
                << arg << ")\n";
            return std::nullopt;
        }
    }
    if (parsed.input.empty()) {
        err << "kelc " << command << ": no input file\n";
        return std::nullopt;
    }
    return parsed;
}

int Compile(const std::vector<std::string>& args, Streams io) {
    auto parsed = ParseFileArguments(args, "compile", io.err);
    if (!parsed) return kFailure;
    if (!parsed->output) {
        io.err << "kelc: no output file (kelc SOURCE -o OUT)\n";
        return kFailure;
    }
    DiskSourceFiles files;
    Diagnostics diagnostics;
    auto compiled = CompileScriptSource(parsed->input, files, diagnostics);
    const auto& all = diagnostics.All();
    for (std::size_t i = 0; i < all.size() && i < kMaxPrintedDiagnostics; ++i) {
        io.err << FormatDiagnostic(all[i]) << "\n";
    }
    if (all.size() > kMaxPrintedDiagnostics) {
        io.err << "kelc: " << all.size() - kMaxPrintedDiagnostics << " more messages not shown\n";
    }
    if (!compiled) {
        std::string ignored;
        auto bytes = ReadWholeFile(parsed->input, &ignored);
        if (bytes && LooksLikeCompiledScript(*bytes)) {
            io.err << "kelc: " << parsed->input
                   << " looks like a compiled script, not a source; kelc dump turns it into one\n";
        }
        return kFailure;
    }
    if (auto written = WriteWholeFile(*parsed->output, compiled->bytes); !written.ok) {
        io.err << "kelc: " << written.error << "\n";
        return kFailure;
    }
    return kSuccess;
}

void PrintDiagnostics(const Diagnostics& diagnostics, std::ostream& err) {
    const auto& all = diagnostics.All();
    for (std::size_t i = 0; i < all.size() && i < kMaxPrintedDiagnostics; ++i) {
        err << FormatDiagnostic(all[i]) << "\n";
    }
    if (all.size() > kMaxPrintedDiagnostics) {
        err << "kelc: " << all.size() - kMaxPrintedDiagnostics << " more messages not shown\n";
    }
}

// Runs the validation pass on a source, a compiled script or a setup program; writes nothing.
int Check(const std::vector<std::string>& args, Streams io) {
    auto parsed = ParseFileArguments(args, "check", io.err);
    if (!parsed) return kFailure;
    std::string error;
    auto file = ReadWholeFile(parsed->input, &error);
    if (!file) {
        io.err << "kelc check: " << error << "\n";
        return kFailure;
    }
    Diagnostics diagnostics;
    std::string compiledError;
    auto text = CompiledScriptOf(*file, compiledError);
    if (text && LooksLikeCompiledScript(*text)) {
        ScriptModel script;
        try {
            LoadScript(*text, script);
            CheckScript(
                script, [&](std::size_t i) { return SourceMapLocation(script, i); },
                SourceLocation{parsed->input, 0}, diagnostics);
        } catch (const ScriptError& e) {
            diagnostics.Error({parsed->input, 0}, e.what());
        }
    } else {
        DiskSourceFiles files;
        CompileScriptSource(parsed->input, files, diagnostics);
    }
    PrintDiagnostics(diagnostics, io.err);
    return diagnostics.HasErrors() ? kFailure : kSuccess;
}

int Dump(const std::vector<std::string>& args, Streams io) {
    auto parsed = ParseFileArguments(args, "dump", io.err);
    if (!parsed) return kFailure;
    std::string error;
    auto file = ReadWholeFile(parsed->input, &error);
    if (!file) {
        io.err << "kelc dump: " << error << "\n";
        return kFailure;
    }
    auto script = CompiledScriptOf(*file, error);
    if (!script) {
        io.err << "kelc dump: " << parsed->input << ": " << error << "\n";
        return kFailure;
    }
    DumpResult dump = DumpCompiledScript(*script, parsed->input);
    if (!dump.ok) {
        io.err << "kelc dump: " << parsed->input << ": " << dump.error << "\n";
        return kFailure;
    }
    if (!dump.inexact.empty())
        io.err << "kelc dump: note: " << parsed->input << ": " << dump.inexact << "\n";
    if (!parsed->output) {
        io.out << dump.source;
        return kSuccess;
    }
    if (auto written = WriteWholeFile(*parsed->output, dump.source); !written.ok) {
        io.err << "kelc dump: " << written.error << "\n";
        return kFailure;
    }
    return kSuccess;
}

int Help(const std::vector<std::string>&, Streams io);

struct Subcommand {
    const char* name;
    const char* usage;
    int (*run)(const std::vector<std::string>& args, Streams io);
};

constexpr Subcommand kSubcommands[] = {
    {"compile", "kelc [compile] SOURCE -o OUT   compile a script source", Compile},
    {"dump", "kelc dump FILE [-o OUT]        compiled script or setup program -> source", Dump},
    {"check", "kelc check FILE                validate a source, compiled script or setup program", Check},
    {"help", "kelc help                      this text", Help},
};

int Help(const std::vector<std::string>&, Streams io) {
    io.out << "usage:\n";
    for (const Subcommand& subcommand : kSubcommands) io.out << "  " << subcommand.usage << "\n";
    io.out << "The source format is described in tools/kelc/SOURCE-FORMAT.md.\n";
    return kSuccess;
}

}  // namespace

int RunKelc(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Streams io{out, err};
    if (args.empty()) {
        Help(args, {err, err});
        return kFailure;
    }
    if (args[0] == "-h" || args[0] == "--help") return Help(args, io);
    for (const Subcommand& subcommand : kSubcommands) {
        if (args[0] == subcommand.name) {
            return subcommand.run(std::vector<std::string>(args.begin() + 1, args.end()), io);
        }
    }
    // No subcommand named: the arguments are a compile's.
    return Compile(args, io);
}

}  // namespace kel::tools
