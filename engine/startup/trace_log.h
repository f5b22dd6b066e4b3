// The trace log selected with "/l=": one line per call, UTF-16LE without byte-order mark, each
// line followed by CR LF. The first write of the process truncates the file; nothing is written
// while the path is empty.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "engine/platform/file_system.h"

namespace kel {

class TraceLog {
public:
    // `toUtf16` turns an 8-bit line (system code page) into UTF-16LE bytes.
    using Utf16Encoder = std::function<std::string(std::string_view)>;

    TraceLog(FileSystem& files, Utf16Encoder toUtf16) : files_(files), toUtf16_(std::move(toUtf16)) {}

    void SetPath(const std::string& path);
    const std::string& Path() const { return path_; }
    void Write(std::string_view line);

private:
    FileSystem& files_;
    Utf16Encoder toUtf16_;
    std::mutex lock_;
    std::string path_;
    bool truncated_ = false;
};

// Latin-1 widening: the encoder for tests and for hosts without a code page table.
std::string WidenLatin1(std::string_view line);

}  // namespace kel
