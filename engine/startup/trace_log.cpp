// Trace log writer (see trace_log.h).
#include "engine/startup/trace_log.h"

namespace kel {

void TraceLog::SetPath(const std::string& path) {
    std::lock_guard guard(lock_);
    path_ = path;
}

void TraceLog::Write(std::string_view line) {
    std::lock_guard guard(lock_);
    if (path_.empty()) return;
    std::string bytes = toUtf16_(line);
    bytes.append("\r\0\n\0", 4);
    if (!truncated_) {
        truncated_ = true;
        files_.WriteFile(path_, bytes);
    } else {
        files_.AppendFile(path_, bytes);
    }
}

std::string WidenLatin1(std::string_view line) {
    std::string bytes;
    bytes.reserve(line.size() * 2);
    for (char c : line) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    return bytes;
}

}  // namespace kel
