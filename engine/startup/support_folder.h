// Removal of the per-run support folder at the end of a setup: its whole tree through the
// file-system port, in three passes because a file still held open by a finishing child process
// is often free by the next one. Portable core.
#pragma once

#include <string>

#include "engine/platform/file_system.h"

namespace kel {

// Does nothing for an empty path or a folder that does not exist.
void RemoveSupportFolder(FileSystem& files, const std::string& folder);

}  // namespace kel
