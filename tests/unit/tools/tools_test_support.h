// Helpers of the tools' tests: compiled-script text from lines, compiling in-memory sources, a
// minimal PE image, and a scratch folder.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "tools/kelc/script_compiler.h"

namespace kel::tools::test {

// Lines joined with CR LF after each, as compiled scripts are stored.
inline std::string CrLfLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

// Lines joined with LF after each, as a source file.
inline std::string SourceLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

struct CompileOutcome {
    std::optional<CompiledSource> compiled;
    Diagnostics diagnostics;
};

// Compiles "main.kel" out of the given files (path, text); the first file is the main one unless
// named otherwise. The format tests compile scripts that would not pass the validation pass, so
// they turn it off; the checks have tests of their own.
inline CompileOutcome CompileFiles(const std::vector<std::pair<std::string, std::string>>& files,
                                   const std::string& mainPath = "main.kel",
                                   bool runSourceChecks = false) {
    MemorySourceFiles sources;
    for (const auto& [path, text] : files) sources.Add(path, text);
    CompileOutcome outcome;
    CompileOptions options;
    options.runSourceChecks = runSourceChecks;
    outcome.compiled = CompileScriptSource(mainPath, sources, outcome.diagnostics, options);
    return outcome;
}

inline void PutU16(std::string& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}
inline void PutU32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A PE32 image of 1 KiB (headers, one 512-byte section) that ends where its section ends. With
// `certificateSize`, a certificate table of that many bytes follows the image and the security
// directory points at it, as in a signed file.
inline std::string FakePeImage(std::uint32_t certificateSize = 0) {
    std::string bytes(0x400, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    PutU32(bytes, 0x3C, 0x40);
    bytes.replace(0x40, 4, std::string("PE\0\0", 4));
    const std::size_t coff = 0x44;
    PutU16(bytes, coff, 0x14C);      // i386
    PutU16(bytes, coff + 2, 1);      // one section
    PutU16(bytes, coff + 16, 0xE0);  // optional header size
    const std::size_t optional = coff + 20;
    PutU16(bytes, optional, 0x10B);    // PE32
    PutU32(bytes, optional + 92, 16);  // data directories
    const std::size_t section = optional + 0xE0;
    bytes.replace(section, 5, ".text");
    PutU32(bytes, section + 8, 0x200);    // virtual size
    PutU32(bytes, section + 12, 0x1000);  // virtual address
    PutU32(bytes, section + 16, 0x200);   // size of raw data
    PutU32(bytes, section + 20, 0x200);   // pointer to raw data
    for (std::size_t i = 0x200; i < 0x400; ++i) bytes[i] = static_cast<char>(0xC3);
    if (certificateSize > 0) {
        PutU32(bytes, optional + 96 + 4 * 8, 0x400);
        PutU32(bytes, optional + 96 + 4 * 8 + 4, certificateSize);
        bytes += std::string(certificateSize, '\x5A');
    }
    return bytes;
}

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& label) {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("kel-" + label + "-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return (path_ / relative).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace kel::tools::test
