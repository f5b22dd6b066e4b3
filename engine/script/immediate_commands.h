// Commands that act on the machine at once and those that end the run: "Write to Text File",
// "Terminate Install", "Terminate with Exit Code". Portable core; files go through the
// file-system port.
#pragma once

namespace kel {

class CommandTable;

inline constexpr const char* kWriteToTextFile = "Write to Text File";
inline constexpr const char* kTerminateInstall = "Terminate Install";
inline constexpr const char* kTerminateWithExitCode = "Terminate with Exit Code";

void RegisterImmediateCommands(CommandTable& table);

}  // namespace kel
