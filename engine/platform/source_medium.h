// Whether the medium the setup was started from has gone: a drive that is not fixed (a removable
// disc or stick, a network share) whose EXEDIR folder no longer exists. The drive type comes from
// the drive port, numbered as the Win32 GetDriveType function numbers it; the folder check goes
// through the file-system port. Portable core; Win32 adapter of the drive port:
// win32_drive_types.cpp.
#pragma once

#include <string>

#include "engine/platform/file_system.h"

namespace kel {

inline constexpr unsigned kDriveFixed = 3;  // DRIVE_FIXED

class DriveTypes {
public:
    virtual ~DriveTypes() = default;

    // The type of the drive with this root ("C:\", "\\server\share\").
    virtual unsigned DriveType(const std::string& rootPath) = 0;
};

// "D:\setup\" gives "D:\", "\\server\share\setup\" gives "\\server\share\"; other paths are
// returned as they are.
std::string DriveRootOf(const std::string& path);

bool IsSourceMediumGone(DriveTypes& drives, FileSystem& files, const std::string& exeDir);

}  // namespace kel
