// The archive wrappers bound to the real kel.lib (linked through its import library) and to the
// user's date and time format. Windows builds only.
#pragma once

#include <cstdint>
#include <string>

#include "engine/media/archive_client.h"

namespace kel {

const ArchivePorts& Win32ArchivePorts();

// The local date-time text of a FILETIME (UTC): the user's short date, a space, the long time.
std::string Win32FileTimeText(std::uint64_t fileTimeUtc);

// UnpackPayload over the real library.
bool UnpackPayload(const std::string& archivePath, const std::string& supportDir);

}  // namespace kel
