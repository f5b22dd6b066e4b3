// Text files as the script commands read and write them: single-byte text, one item per line,
// every line ended by CR LF when written; when read, a line ends at CR LF, at a lone LF or at a
// lone CR, and a break after the last line adds no empty line. Also the one text file that the
// interpreter keeps open between statements ("Read from Text File" reads it line by line, "Write
// to Text File" closes it when it writes the same file). Portable core.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kel {

std::vector<std::string> SplitTextLines(std::string_view text);
// Every line followed by CR LF.
std::string JoinTextLines(const std::vector<std::string>& lines);

class OpenTextFile {
  public:
    bool IsOpen() const { return open_; }
    const std::string& Path() const { return path_; }
    // Whether `path` names the open file; names compare lower-cased.
    bool IsFile(std::string_view path) const;

    void Open(std::string path, std::vector<std::string> lines);
    // Closes the file and forgets its name.
    void Close();

    // The next line, false at the end.
    bool ReadLine(std::string& line);

  private:
    bool open_ = false;
    std::string path_;
    std::vector<std::string> lines_;
    std::size_t next_ = 0;
};

}  // namespace kel
