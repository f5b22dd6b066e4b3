// An in-memory file system for host tests of the core: folders and files keyed by their
// case-folded Windows path. Files and folders are what the test planted or the code made.
#pragma once

#include <map>
#include <set>
#include <string>

#include "engine/base/ansi_text.h"
#include "engine/platform/file_system.h"

namespace kel::testing {

class MemoryFileSystem : public FileSystem {
public:
    std::map<std::string, std::string> files;  // key: folded path
    std::set<std::string> folders;             // key: folded path without trailing "\"
    std::set<std::string> readOnlyFolders;     // creating inside fails
    std::set<std::string> lockedFiles;         // key: folded path; reading and writing fail

    static std::string Key(std::string path) {
        while (path.size() > 3 && path.back() == '\\') path.pop_back();
        return LowerCase(path);
    }
    static std::string Parent(const std::string& key) {
        const std::size_t slash = key.find_last_of('\\');
        return slash == std::string::npos ? std::string() : key.substr(0, slash);
    }

    void AddFile(const std::string& path, std::string data) {
        ForceFolders(Parent(Key(path)));
        files[Key(path)] = std::move(data);
    }
    std::string* Find(const std::string& path) {
        auto it = files.find(Key(path));
        return it == files.end() ? nullptr : &it->second;
    }

    bool FileExists(const std::string& path) override { return files.count(Key(path)) != 0; }
    bool FolderExists(const std::string& path) override { return folders.count(Key(path)) != 0; }
    bool CreateFolder(const std::string& path) override {
        const std::string key = Key(path);
        if (folders.count(key) || files.count(key) || readOnlyFolders.count(Parent(key))) return false;
        if (!folders.count(Parent(key))) return false;
        folders.insert(key);
        return true;
    }
    bool ForceFolders(const std::string& path) override {
        std::string key = Key(path);
        if (key.empty()) return false;
        if (!folders.count(key)) {
            const std::string parent = Parent(key);
            if (!parent.empty() && parent.size() > 2) ForceFolders(parent);
            folders.insert(key);
        }
        return true;
    }
    bool RemoveFolder(const std::string& path) override {
        const std::string key = Key(path);
        for (const auto& [file, data] : files) {
            if (file.rfind(key + "\\", 0) == 0) return false;
        }
        for (const auto& folder : folders) {
            if (folder.rfind(key + "\\", 0) == 0) return false;
        }
        return folders.erase(key) != 0;
    }
    std::optional<std::string> ReadFile(const std::string& path) override {
        if (lockedFiles.count(Key(path))) return std::nullopt;
        if (auto* data = Find(path)) return *data;
        return std::nullopt;
    }
    bool WriteFile(const std::string& path, std::string_view data) override {
        if (!folders.count(Parent(Key(path))) || lockedFiles.count(Key(path))) return false;
        files[Key(path)] = std::string(data);
        return true;
    }
    bool AppendFile(const std::string& path, std::string_view data) override {
        if (!folders.count(Parent(Key(path))) || lockedFiles.count(Key(path))) return false;
        files[Key(path)].append(data);
        return true;
    }
    NewFileResult CreateNewFile(const std::string& path) override {
        if (files.count(Key(path)) || folders.count(Key(path))) return NewFileResult::AlreadyExists;
        return WriteFile(path, {}) ? NewFileResult::Created : NewFileResult::Failed;
    }
    // In memory every write is whole; the atomicity itself is tested against the Win32 adapter.
    bool ReplaceFileContent(const std::string& path, std::string_view data) override {
        return WriteFile(path, data);
    }
    bool RemoveFile(const std::string& path) override { return files.erase(Key(path)) != 0; }
    bool CopyTo(const std::string& from, const std::string& to) override {
        auto* data = Find(from);
        return data && WriteFile(to, std::string(*data));
    }
    bool SetNormalAttributes(const std::string& path) override { return FileExists(path); }
    std::vector<DirectoryEntry> ListFolder(const std::string& folder) override {
        std::vector<DirectoryEntry> entries;
        const std::string prefix = Key(folder) + "\\";
        auto direct = [&](const std::string& key) {
            return key.rfind(prefix, 0) == 0 && key.find('\\', prefix.size()) == std::string::npos;
        };
        for (const auto& [key, data] : files) {
            if (direct(key)) entries.push_back({key.substr(prefix.size()), false});
        }
        for (const auto& key : folders) {
            if (direct(key)) entries.push_back({key.substr(prefix.size()), true});
        }
        return entries;
    }
};

}  // namespace kel::testing
