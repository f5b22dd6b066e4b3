// The Win32 binding of the archive wrappers (see win32_archive_binding.h).
#include "engine/media/win32_archive_binding.h"

#include <windows.h>

namespace kel {
namespace {

std::string FormatWith(int(WINAPI* format)(LCID, DWORD, const SYSTEMTIME*, LPCSTR, LPSTR, int),
                       DWORD flags, const SYSTEMTIME& time) {
    char text[128];
    const int n = format(LOCALE_USER_DEFAULT, flags, &time, nullptr, text, sizeof text);
    return n > 0 ? std::string(text, static_cast<std::size_t>(n - 1)) : std::string();
}

}  // namespace

std::string Win32FileTimeText(std::uint64_t fileTimeUtc) {
    FILETIME utc;
    utc.dwLowDateTime = static_cast<DWORD>(fileTimeUtc);
    utc.dwHighDateTime = static_cast<DWORD>(fileTimeUtc >> 32);
    SYSTEMTIME universal;
    SYSTEMTIME local;
    if (!FileTimeToSystemTime(&utc, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) {
        return std::string();
    }
    return FormatWith(GetDateFormatA, DATE_SHORTDATE, local) + " " +
           FormatWith(GetTimeFormatA, 0, local);
}

const ArchivePorts& Win32ArchivePorts() {
    static const ArchivePorts ports = [] {
        ArchivePorts p;
        p.library.openList = &::OpenListArchive;
        p.library.closeList = &::CloseListArchive;
        p.library.extract = &::ExtractArchive;
        p.library.lastError = &::GetLastArchiveError;
        p.fileTimeText = &Win32FileTimeText;
        return p;
    }();
    return ports;
}

bool UnpackPayload(const std::string& archivePath, const std::string& supportDir) {
    return UnpackPayload(Win32ArchivePorts(), archivePath, supportDir);
}

}  // namespace kel
