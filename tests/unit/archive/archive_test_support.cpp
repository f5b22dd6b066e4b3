// Helpers of the archive tests (see archive_test_support.h).
#include "archive_test_support.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "archive/archive_error.h"
#include "archive/crc32.h"
#include "archive/entry_path.h"

namespace kel::archive::test {
namespace {

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("missing test file " + path);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::uint64_t Read64(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

void Write32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::string Narrow(const std::u16string& text) { return Utf16ToUtf8(text).value_or("?"); }

class MemoryFile : public OutputFile {
  public:
    MemoryFile(MemoryOutputFolder& folder, std::string path)
        : folder_(folder), path_(std::move(path)) {}
    ~MemoryFile() override {
        if (!committed_) folder_.files.erase(path_);
    }
    void Write(std::span<const std::uint8_t> bytes) override {
        auto& data = folder_.files[path_].data;
        data.insert(data.end(), bytes.begin(), bytes.end());
    }
    void Commit(std::uint64_t modified, std::uint32_t attributes) override {
        folder_.files[path_].modified = modified;
        folder_.files[path_].attributes = attributes;
        committed_ = true;
    }

  private:
    MemoryOutputFolder& folder_;
    std::string path_;
    bool committed_ = false;
};

}  // namespace

std::string FixturePath(const std::string& relative) {
    std::string path = std::string(KEL_ARCHIVE_FIXTURES) + "/" + relative;
#ifdef _WIN32
    // The fixtures are made by the build on the host; Wine shows its root as drive Z.
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    path = "Z:" + path;
#endif
    return path;
}

std::vector<std::uint8_t> ReadFixture(const std::string& name) {
    return ReadFile(FixturePath(name));
}

std::vector<std::uint8_t> ReadTreeFile(const std::string& relative) {
    return ReadFile(FixturePath("tree/" + relative));
}

std::string Utf8Name(std::u16string_view name) { return Utf16ToUtf8(name).value_or("?"); }

std::vector<std::uint8_t> ReplaceStoredName(std::vector<std::uint8_t> archive,
                                            const std::u16string& from, const std::u16string& to) {
    if (from.size() != to.size()) throw std::invalid_argument("names of different length");
    auto encode = [](const std::u16string& text) {
        std::vector<std::uint8_t> bytes;
        for (char16_t c : text) {
            bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>(c >> 8));
        }
        bytes.push_back(0);
        bytes.push_back(0);
        return bytes;
    };
    const std::size_t headerStart = 32 + static_cast<std::size_t>(Read64(archive, 12));
    const std::size_t headerSize = static_cast<std::size_t>(Read64(archive, 20));
    const auto needle = encode(from);
    const auto replacement = encode(to);
    auto begin = archive.begin() + static_cast<std::ptrdiff_t>(headerStart);
    auto end = begin + static_cast<std::ptrdiff_t>(headerSize);
    auto found = std::search(begin, end, needle.begin(), needle.end());
    if (found == end) throw std::runtime_error("stored name not found in the header");
    std::copy(replacement.begin(), replacement.end(), found);
    Write32(archive, 28, ComputeCrc32(std::span(archive).subspan(headerStart, headerSize)));
    Write32(archive, 8, ComputeCrc32(std::span(archive).subspan(12, 20)));
    return archive;
}

const std::vector<TreeEntry>& FixtureTree() {
    static const std::vector<TreeEntry> tree = {
        {"bin", true},
        {"bin\\random.bin", false},
        {"docs", true},
        {"docs\\deep", true},
        {"docs\\deep\\deeper", true},
        {"docs\\deep\\deeper\\note.txt", false},
        {"docs\\emptydir", true},
        {"docs\\guide.txt", false},
        {"empty.txt", false},
        {"readme.txt", false},
        {"readonly.txt", false},
    };
    return tree;
}

std::string MemoryOutputFolder::DisplayPath(const std::u16string& relative) {
    return relative.empty() ? "out" : "out\\" + Narrow(relative);
}

std::optional<ExistingFile> MemoryOutputFolder::FindFile(const std::u16string& relative) {
    auto it = files.find(Narrow(relative));
    if (it == files.end()) return std::nullopt;
    return ExistingFile{it->second.data.size(), it->second.modified};
}

void MemoryOutputFolder::CreateFolders(const std::u16string& relative) {
    if (!relative.empty()) folders.emplace(Narrow(relative), 0);
}

std::unique_ptr<OutputFile> MemoryOutputFolder::NewFile(const std::u16string& relative) {
    const std::string path = Narrow(relative);
    if (failCreateOf && *failCreateOf == path) {
        throw ArchiveError(KEL_ERROR_WRITE_FAILED, "cannot create " + path);
    }
    ++filesCreated;
    files[path] = File{};
    return std::make_unique<MemoryFile>(*this, path);
}

void MemoryOutputFolder::SetFolderTime(const std::u16string& relative, std::uint64_t modified) {
    folders[Narrow(relative)] = modified;
}

}  // namespace kel::archive::test
