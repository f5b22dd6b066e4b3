// "Get Temporary File": a new, empty file with a unique name in TEMPDIR, its path written to a
// variable. Portable core; the file is made through the file-system port.
#pragma once

#include <cstdint>
#include <string>

namespace kel {

class CommandTable;
class FileSystem;

inline constexpr const char* kGetTemporaryFile = "Get Temporary File";
inline constexpr const char* kTemporaryFilePrefix = "kel";
inline constexpr const char* kTemporaryFileExtension = ".tmp";

// Tries the names folder + "kel" + a hexadecimal number (1 to FFFF, starting at `seed` and
// counting up) + ".tmp" until one does not exist, and creates it empty. The creation appends
// nothing to the file, so a file that another process made in the meantime keeps its content.
// Empty when every name is taken or the file cannot be made.
std::string CreateTemporaryFile(FileSystem& files, std::string folder, std::uint32_t seed);

void RegisterTemporaryFileCommand(CommandTable& table);

}  // namespace kel
