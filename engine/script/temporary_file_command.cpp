// Handler of "Get Temporary File" (see temporary_file_command.h).
#include "engine/script/temporary_file_command.h"

#include <cstdio>

#include "engine/script/command_table.h"
#include "engine/vars/variables.h"

namespace kel {
namespace {

constexpr std::string_view kTempDirVariable = "TEMPDIR";
constexpr std::uint32_t kNumberCount = 0xFFFF;

// Parameter 1: the result variable (variable name).
void GetTemporaryFile(CommandContext& context) {
    FileRedirectionGuard redirection(context);
    const std::string variable = context.VariableName(1);
    std::string folder = GetVariable(kTempDirVariable);
    if (folder.empty()) folder = context.Globals().tempDir;
    const std::string path =
        CreateTemporaryFile(context.Ports().files, folder, context.Ports().clock.TickCount());
    context.SetResult(variable, path);
}

}  // namespace

std::string CreateTemporaryFile(FileSystem& files, std::string folder, std::uint32_t seed) {
    if (folder.empty()) return {};
    if (folder.back() != '\\') folder += '\\';
    for (std::uint32_t attempt = 0; attempt < kNumberCount; ++attempt) {
        const std::uint32_t number = (seed + attempt) % kNumberCount + 1;
        char digits[8];
        std::snprintf(digits, sizeof digits, "%X", static_cast<unsigned>(number));
        const std::string path = folder + kTemporaryFilePrefix + digits + kTemporaryFileExtension;
        if (files.FileExists(path) || files.FolderExists(path)) continue;
        return files.AppendFile(path, "") ? path : std::string();
    }
    return {};
}

void RegisterTemporaryFileCommand(CommandTable& table) {
    table.Add(kGetTemporaryFile, GetTemporaryFile);
}

}  // namespace kel
