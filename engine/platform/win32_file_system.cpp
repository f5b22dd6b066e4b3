// Win32 adapter of the file-system port: one API call per operation where possible.
#include "engine/platform/win32_file_system.h"

#include <windows.h>

#include "engine/platform/unique_handle.h"

namespace kel {
namespace {

std::string WithoutTrailingSeparator(const std::string& path) {
    std::string result = path;
    while (result.size() > 3 && (result.back() == '\\' || result.back() == '/')) result.pop_back();
    return result;
}

bool WriteAll(HANDLE file, std::string_view data) {
    while (!data.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, data.data(), chunk, &written, nullptr) || written == 0) return false;
        data.remove_prefix(written);
    }
    return true;
}

}  // namespace

bool Win32FileSystem::FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::FolderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(WithoutTrailingSeparator(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::CreateFolder(const std::string& path) {
    return ::CreateDirectoryA(WithoutTrailingSeparator(path).c_str(), nullptr) != 0;
}

bool Win32FileSystem::ForceFolders(const std::string& path) {
    const std::string folder = WithoutTrailingSeparator(path);
    if (folder.empty() || FolderExists(folder)) return !folder.empty();
    const std::size_t parentEnd = folder.find_last_of("\\/");
    if (parentEnd != std::string::npos && parentEnd > 0) {
        const std::string parent = folder.substr(0, parentEnd);
        // "C:" and "\\server\share" roots are not folders to create.
        if (parent.size() > 2 && parent.substr(0, 2) != "\\\\") ForceFolders(parent);
    }
    return ::CreateDirectoryA(folder.c_str(), nullptr) != 0 || FolderExists(folder);
}

bool Win32FileSystem::RemoveFolder(const std::string& path) {
    return ::RemoveDirectoryA(WithoutTrailingSeparator(path).c_str()) != 0;
}

std::optional<std::string> Win32FileSystem::ReadFile(const std::string& path) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0x7FFFFFFF) return std::nullopt;
    std::string data(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < data.size()) {
        DWORD read = 0;
        if (!::ReadFile(file.Get(), data.data() + done, static_cast<DWORD>(data.size() - done), &read,
                        nullptr) ||
            read == 0) {
            return std::nullopt;
        }
        done += read;
    }
    return data;
}

bool Win32FileSystem::WriteFile(const std::string& path, std::string_view data) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && WriteAll(file.Get(), data);
}

bool Win32FileSystem::AppendFile(const std::string& path, std::string_view data) {
    UniqueFile file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    SetFilePointer(file.Get(), 0, nullptr, FILE_END);
    return WriteAll(file.Get(), data);
}

NewFileResult Win32FileSystem::CreateNewFile(const std::string& path) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return NewFileResult::Created;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? NewFileResult::AlreadyExists
                                                                       : NewFileResult::Failed;
}

bool Win32FileSystem::ReplaceFileContent(const std::string& path, std::string_view data) {
    // The new content is written and flushed under a unique name in the same folder (so the final
    // move stays on one volume), then moved over the file with the move itself written through.
    const std::size_t slash = path.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    char temporary[MAX_PATH];
    if (!GetTempFileNameA(folder.c_str(), "kel", 0, temporary)) return false;
    bool written = false;
    {
        UniqueFile file(CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        written = file && WriteAll(file.Get(), data) && FlushFileBuffers(file.Get());
    }
    if (written && MoveFileExA(temporary, path.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    const DWORD error = GetLastError();
    DeleteFileA(temporary);
    SetLastError(error);
    return false;
}

bool Win32FileSystem::RemoveFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

bool Win32FileSystem::CopyTo(const std::string& from, const std::string& to) {
    return ::CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool Win32FileSystem::SetNormalAttributes(const std::string& path) {
    return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) != 0;
}

std::vector<DirectoryEntry> Win32FileSystem::ListFolder(const std::string& folder) {
    std::vector<DirectoryEntry> entries;
    std::string pattern = WithoutTrailingSeparator(folder) + "\\*";
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileA(pattern.c_str(), &data));
    if (!find) return entries;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        entries.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(find.Get(), &data));
    return entries;
}

}  // namespace kel
