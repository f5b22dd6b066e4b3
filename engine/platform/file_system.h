// File-system port: what the engine's core asks of files and folders. Paths are the engine's
// 8-bit texts in the system code page. The Win32 adapter (win32_file_system.cpp) translates each
// call into one or two API calls; nothing here decides anything.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kel {

// Outcome of creating a file that must not exist yet.
enum class NewFileResult { Created, AlreadyExists, Failed };

struct DirectoryEntry {
    std::string name;
    bool isDirectory = false;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual bool FileExists(const std::string& path) = 0;
    virtual bool FolderExists(const std::string& path) = 0;
    // Creates one folder; false when it already exists or cannot be made. Never reuses a folder
    // that someone else created.
    virtual bool CreateFolder(const std::string& path) = 0;
    // Creates a folder and every missing parent; true when the folder exists afterwards.
    virtual bool ForceFolders(const std::string& path) = 0;
    virtual bool RemoveFolder(const std::string& path) = 0;
    virtual std::optional<std::string> ReadFile(const std::string& path) = 0;
    // Replaces the file's content with `data`.
    virtual bool WriteFile(const std::string& path, std::string_view data) = 0;
    virtual bool AppendFile(const std::string& path, std::string_view data) = 0;
    // Creates an empty file in one step that fails when the file exists, so that of two
    // processes racing for the same name exactly one gets Created.
    virtual NewFileResult CreateNewFile(const std::string& path) = 0;
    // Replaces the file's content with `data` so that the file holds either its old content or
    // the whole new one, never a part: the data goes to a new file beside it, which then takes the
    // file's place in one step. Creates the file when it is missing; false changes nothing.
    virtual bool ReplaceFileContent(const std::string& path, std::string_view data) = 0;
    virtual bool RemoveFile(const std::string& path) = 0;
    virtual bool CopyTo(const std::string& from, const std::string& to) = 0;  // overwrites
    virtual bool SetNormalAttributes(const std::string& path) = 0;
    // Entries of a folder, without "." and "..".
    virtual std::vector<DirectoryEntry> ListFolder(const std::string& folder) = 0;
};

}  // namespace kel
