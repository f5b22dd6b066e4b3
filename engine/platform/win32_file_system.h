// The file-system port over the ANSI Win32 file functions.
#pragma once

#include "engine/platform/file_system.h"

namespace kel {

class Win32FileSystem final : public FileSystem {
public:
    bool FileExists(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    bool CreateFolder(const std::string& path) override;
    bool ForceFolders(const std::string& path) override;
    bool RemoveFolder(const std::string& path) override;
    std::optional<std::string> ReadFile(const std::string& path) override;
    bool WriteFile(const std::string& path, std::string_view data) override;
    bool AppendFile(const std::string& path, std::string_view data) override;
    NewFileResult CreateNewFile(const std::string& path) override;
    bool ReplaceFileContent(const std::string& path, std::string_view data) override;
    bool RemoveFile(const std::string& path) override;
    bool CopyTo(const std::string& from, const std::string& to) override;
    bool SetNormalAttributes(const std::string& path) override;
    std::vector<DirectoryEntry> ListFolder(const std::string& folder) override;
};

}  // namespace kel
