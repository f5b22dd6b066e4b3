// Line rules of the engine's text files (see text_file.h).
#include "engine/script/text_file.h"

#include "engine/base/ansi_text.h"

namespace kel {

std::vector<std::string> SplitTextLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    return lines;
}

std::string JoinTextLines(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const std::string& line : lines) size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

bool OpenTextFile::IsFile(std::string_view path) const {
    return open_ && LowerCase(path) == LowerCase(path_);
}

void OpenTextFile::Open(std::string path, std::vector<std::string> lines) {
    open_ = true;
    path_ = std::move(path);
    lines_ = std::move(lines);
    next_ = 0;
}

void OpenTextFile::Close() {
    open_ = false;
    path_.clear();
    lines_.clear();
    next_ = 0;
}

bool OpenTextFile::ReadLine(std::string& line) {
    if (!open_ || next_ >= lines_.size()) return false;
    line = lines_[next_++];
    return true;
}

}  // namespace kel
