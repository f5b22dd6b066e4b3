// Support folder removal (see support_folder.h).
#include "engine/startup/support_folder.h"

namespace kel {
namespace {

void DeleteFolderContents(FileSystem& files, const std::string& folder) {
    const std::string prefix = !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
    for (const DirectoryEntry& entry : files.ListFolder(folder)) {
        const std::string path = prefix + entry.name;
        if (entry.isDirectory) {
            DeleteFolderContents(files, path);
            files.RemoveFolder(path);
        } else {
            files.SetNormalAttributes(path);
            files.RemoveFile(path);
        }
    }
}

}  // namespace

void RemoveSupportFolder(FileSystem& files, const std::string& folder) {
    if (folder.empty() || !files.FolderExists(folder)) return;
    for (int pass = 0; pass < 3; ++pass) DeleteFolderContents(files, folder);
    files.RemoveFolder(folder);
}

}  // namespace kel
