// The source-medium check (see source_medium.h).
#include "engine/platform/source_medium.h"

namespace kel {

std::string DriveRootOf(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2) + "\\";
    if (path.rfind("\\\\", 0) == 0) {
        const std::size_t serverEnd = path.find('\\', 2);
        if (serverEnd == std::string::npos) return path;
        const std::size_t shareEnd = path.find('\\', serverEnd + 1);
        if (shareEnd == std::string::npos) return path + "\\";
        return path.substr(0, shareEnd + 1);
    }
    return path;
}

bool IsSourceMediumGone(DriveTypes& drives, FileSystem& files, const std::string& exeDir) {
    if (exeDir.empty()) return false;
    if (drives.DriveType(DriveRootOf(exeDir)) == kDriveFixed) return false;
    return !files.FolderExists(exeDir);
}

}  // namespace kel
