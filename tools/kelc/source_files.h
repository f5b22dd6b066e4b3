// Where the compiler reads its source files from: the disk, or a table of texts (tests, and the
// dump's check that its output compiles back to the same bytes). Paths are compared after
// lexical normalisation ("a/./b" and "a/b" are one file). Portable.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace kel::tools {

class SourceFiles {
public:
    virtual ~SourceFiles() = default;
    // The file's bytes; nullopt with `error` (the reason, without the path) when it cannot be read.
    virtual std::optional<std::string> Read(const std::string& path, std::string& error) = 0;
};

class DiskSourceFiles final : public SourceFiles {
public:
    std::optional<std::string> Read(const std::string& path, std::string& error) override;
};

class MemorySourceFiles final : public SourceFiles {
public:
    void Add(const std::string& path, std::string text);
    std::optional<std::string> Read(const std::string& path, std::string& error) override;

private:
    std::map<std::string, std::string> files_;
};

// "a/./b/../c" -> "a/c"; backslashes become slashes.
std::string NormalizeSourcePath(const std::string& path);

}  // namespace kel::tools
