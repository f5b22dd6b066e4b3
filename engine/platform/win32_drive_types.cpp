// Win32 adapter of the drive port: GetDriveTypeA on the root path as given.
#include "engine/platform/win32_drive_types.h"

#include <windows.h>

namespace kel {

unsigned Win32DriveTypes::DriveType(const std::string& rootPath) {
    return GetDriveTypeA(rootPath.c_str());
}

}  // namespace kel
