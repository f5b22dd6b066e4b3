// Handlers of the immediate commands (see immediate_commands.h).
#include "engine/script/immediate_commands.h"

#include "engine/base/text_rules.h"
#include "engine/script/command_table.h"

namespace kel {
namespace {

// Parameters: 1 file (path), 2 text (expanded), 3 insert-at-top flag (expanded); 4 is not used.
// A file that cannot be read counts as empty; a write that fails changes nothing and reports
// nothing. The file is replaced as a whole, so it never holds half of the new content.
void WriteToTextFile(CommandContext& context) {
    FileRedirectionGuard redirection(context);
    const std::string path = context.Path(1);
    const std::string text = context.Expanded(2);
    const bool atTop = IsTrueText(context.Expanded(3));

    OpenTextFile& open = context.TextFile();
    if (open.IsFile(path)) open.Close();

    FileSystem& files = context.Ports().files;
    std::vector<std::string> lines;
    if (const auto content = files.ReadFile(path)) lines = SplitTextLines(*content);
    if (atTop) {
        lines.insert(lines.begin(), text);
    } else {
        lines.push_back(text);
    }
    files.SetNormalAttributes(path);
    files.ReplaceFileContent(path, JoinTextLines(lines));
}

void TerminateInstall(CommandContext& context) { context.EndRun(); }

void TerminateWithExitCode(CommandContext& context) {
    const auto code = ParseInt32(context.Expanded(1));
    context.Globals().exitCode = code ? *code : 0;
    context.EndRun();
}

}  // namespace

void RegisterImmediateCommands(CommandTable& table) {
    table.Add(kWriteToTextFile, WriteToTextFile);
    table.Add(kTerminateInstall, TerminateInstall);
    table.Add(kTerminateWithExitCode, TerminateWithExitCode);
}

}  // namespace kel
