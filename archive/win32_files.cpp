// Win32 files of kel.lib (see win32_files.h). Paths arrive in the ANSI code page and are turned
// into UTF-16 once, so that stored names the code page cannot show are still written as stored.
#include "archive/win32_files.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "archive/archive_error.h"
#include "archive/win32_handle.h"

namespace kel::archive {
namespace {

std::wstring Wide(const char* text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(),
                                           static_cast<int>(text.size()), nullptr, 0, "?", nullptr);
    std::string narrow(static_cast<std::size_t>(std::max(length, 0)), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                        narrow.data(), length, "?", nullptr);
    return narrow;
}

std::wstring FromStored(const std::u16string& name) {
    return std::wstring(name.begin(), name.end());
}

FILETIME ToFileTime(std::uint64_t value) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(value);
    time.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return time;
}

[[noreturn]] void ThrowWriteFailed(const std::string& what, const std::wstring& path) {
    throw ArchiveError(KEL_ERROR_WRITE_FAILED, what + " " + Narrow(path) + " (error " +
                                                   std::to_string(GetLastError()) + ")");
}

class Win32FileSource : public ByteSource {
  public:
    Win32FileSource(UniqueFile file, std::uint64_t size) : file_(std::move(file)), size_(size) {}

    std::uint64_t Size() const override { return size_; }

    void ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override {
        if (offset > size_ || buffer.size() > size_ - offset) {
            ThrowCorruptData("the archive ends before its packed data");
        }
        LARGE_INTEGER position;
        position.QuadPart = static_cast<LONGLONG>(offset);
        if (!SetFilePointerEx(file_.Get(), position, nullptr, FILE_BEGIN)) ThrowReadFailed();
        std::size_t done = 0;
        while (done < buffer.size()) {
            const DWORD wanted =
                static_cast<DWORD>(std::min<std::size_t>(buffer.size() - done, 1u << 24));
            DWORD got = 0;
            if (!ReadFile(file_.Get(), buffer.data() + done, wanted, &got, nullptr))
                ThrowReadFailed();
            if (got == 0) ThrowCorruptData("the archive file is shorter than it was");
            done += got;
        }
    }

  private:
    [[noreturn]] static void ThrowReadFailed() {
        throw ArchiveError(KEL_ERROR_READ_FAILED, "cannot read the archive (error " +
                                                      std::to_string(GetLastError()) + ")");
    }

    UniqueFile file_;
    std::uint64_t size_;
};

class Win32OutputFile : public OutputFile {
  public:
    Win32OutputFile(UniqueFile file, std::wstring path)
        : file_(std::move(file)), path_(std::move(path)) {}
    ~Win32OutputFile() override {
        if (committed_) return;
        file_.Reset();
        DeleteFileW(path_.c_str());
    }

    void Write(std::span<const std::uint8_t> bytes) override {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const DWORD wanted =
                static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
            DWORD written = 0;
            if (!WriteFile(file_.Get(), bytes.data() + done, wanted, &written, nullptr) ||
                written == 0) {
                ThrowWriteFailed("cannot write", path_);
            }
            done += written;
        }
    }

    void Commit(std::uint64_t modified, std::uint32_t attributes) override {
        if (modified != 0) {
            const FILETIME time = ToFileTime(modified);
            if (!SetFileTime(file_.Get(), nullptr, nullptr, &time))
                ThrowWriteFailed("cannot set the time of", path_);
        }
        if (!CloseHandle(file_.Release())) ThrowWriteFailed("cannot close", path_);
        committed_ = true;
        // A new file has the archive attribute already; anything else is set by name.
        const DWORD kept = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
        if (kept != FILE_ATTRIBUTE_NORMAL && kept != FILE_ATTRIBUTE_ARCHIVE &&
            !SetFileAttributesW(path_.c_str(), kept)) {
            ThrowWriteFailed("cannot set the attributes of", path_);
        }
    }

  private:
    UniqueFile file_;
    std::wstring path_;
    bool committed_ = false;
};

class Win32OutputFolder : public OutputFolder {
  public:
    explicit Win32OutputFolder(std::wstring root) : root_(std::move(root)) {
        while (root_.size() > 1 && (root_.back() == L'\\' || root_.back() == L'/'))
            root_.pop_back();
    }

    std::string DisplayPath(const std::u16string& relative) override {
        return Narrow(Full(relative));
    }

    std::optional<ExistingFile> FindFile(const std::u16string& relative) override {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(Full(relative).c_str(), GetFileExInfoStandard, &data))
            return std::nullopt;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
        ExistingFile file;
        file.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        file.modified = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                        data.ftLastWriteTime.dwLowDateTime;
        return file;
    }

    void CreateFolders(const std::u16string& relative) override {
        const std::wstring path = Full(relative);
        // Every prefix in turn; a prefix that cannot be made (a drive, a server share) may still
        // exist, so only the last one decides.
        for (std::size_t i = 1; i < path.size(); ++i) {
            if (path[i] == L'\\' || path[i] == L'/')
                CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
        }
        CreateDirectoryW(path.c_str(), nullptr);
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            ThrowWriteFailed("cannot create the folder", path);
        }
    }

    std::unique_ptr<OutputFile> NewFile(const std::u16string& relative) override {
        const std::wstring path = Full(relative);
        UniqueFile file(Create(path));
        // A read-only, hidden or system file refuses to be replaced until its attributes are
        // cleared (tried only then: every lookup of a name can cost a directory scan).
        if (!file && GetLastError() == ERROR_ACCESS_DENIED) {
            const DWORD existing = GetFileAttributesW(path.c_str());
            if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL)) {
                file.Reset(Create(path));
            }
        }
        if (!file) ThrowWriteFailed("cannot create", path);
        return std::make_unique<Win32OutputFile>(std::move(file), path);
    }

    void SetFolderTime(const std::u16string& relative, std::uint64_t modified) override {
        // A folder keeps the time of its creation when this fails; the files are what matter.
        UniqueFile folder(CreateFileW(Full(relative).c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!folder) return;
        const FILETIME time = ToFileTime(modified);
        SetFileTime(folder.Get(), nullptr, nullptr, &time);
    }

  private:
    static HANDLE Create(const std::wstring& path) {
        return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    std::wstring Full(const std::u16string& relative) const {
        return relative.empty() ? root_ : root_ + L"\\" + FromStored(relative);
    }

    std::wstring root_;
};

}  // namespace

std::unique_ptr<ByteSource> OpenArchiveFile(const char* path) {
    UniqueFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
            error == ERROR_INVALID_NAME) {
            throw ArchiveError(KEL_ERROR_ARCHIVE_NOT_FOUND, std::string("no archive ") + path);
        }
        throw ArchiveError(KEL_ERROR_CANNOT_OPEN, std::string("cannot open ") + path + " (error " +
                                                      std::to_string(error) + ")");
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size)) {
        throw ArchiveError(KEL_ERROR_READ_FAILED, std::string("cannot read ") + path);
    }
    return std::make_unique<Win32FileSource>(std::move(file),
                                             static_cast<std::uint64_t>(size.QuadPart));
}

std::unique_ptr<OutputFolder> OpenOutputFolder(const char* path) {
    return std::make_unique<Win32OutputFolder>(Wide(path));
}

std::string AnsiName(std::u16string_view name) {
    return Narrow(std::wstring(name.begin(), name.end()));
}

}  // namespace kel::archive
