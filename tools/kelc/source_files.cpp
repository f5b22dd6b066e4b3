// Source file access (see source_files.h).
#include "tools/kelc/source_files.h"

#include <algorithm>
#include <filesystem>

#include "tools/common/file_io.h"

namespace kel::tools {

std::string NormalizeSourcePath(const std::string& path) {
    std::string slashed = path;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    return std::filesystem::path(slashed).lexically_normal().generic_string();
}

std::optional<std::string> DiskSourceFiles::Read(const std::string& path, std::string& error) {
    std::string message;
    auto bytes = ReadWholeFile(path, &message);
    if (!bytes) {
        // ReadWholeFile names the path; the caller does too.
        const std::string prefix = path + ": ";
        error = message.rfind(prefix, 0) == 0 ? message.substr(prefix.size()) : message;
    }
    return bytes;
}

void MemorySourceFiles::Add(const std::string& path, std::string text) {
    files_[NormalizeSourcePath(path)] = std::move(text);
}

std::optional<std::string> MemorySourceFiles::Read(const std::string& path, std::string& error) {
    auto it = files_.find(NormalizeSourcePath(path));
    if (it == files_.end()) {
        error = "no such file";
        return std::nullopt;
    }
    return it->second;
}

}  // namespace kel::tools
