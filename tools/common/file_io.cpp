// Whole-file reads and writes (see file_io.h).
#include "tools/common/file_io.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace kel::tools {

std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        if (error) *error = path + ": is a folder, not a file";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        if (error) *error = path + ": cannot be read to its end";
        return std::nullopt;
    }
    return bytes;
}

FileResult WriteWholeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return {false, path + ": cannot create: " + std::strerror(errno)};
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) return {false, path + ": write error"};
    return {};
}

}  // namespace kel::tools
