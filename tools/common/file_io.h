// Whole-file reads and writes for the host tools. Files are bytes: no text-mode translation, no
// encoding. Failures come back as a message naming the file and the reason, for the tool to print.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kel::tools {

struct FileResult {
    bool ok = true;
    std::string error;  // "PATH: reason" when !ok
};

// The file's bytes, or nullopt with `error` set ("PATH: reason").
std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error);

// Replaces the file (creating it) with exactly these bytes.
FileResult WriteWholeFile(const std::string& path, std::string_view bytes);

}  // namespace kel::tools
