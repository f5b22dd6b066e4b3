// The Win32 side of kel.lib: the archive file as a ByteSource, the output folder, and the
// conversion of stored names to the ANSI code page. Thin: the decisions are in archive_library.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "archive/archive_library.h"
#include "archive/byte_source.h"

namespace kel::archive {

// Opens the archive for reading; throws ArchiveError KEL_ERROR_ARCHIVE_NOT_FOUND when it does
// not exist, KEL_ERROR_CANNOT_OPEN when it cannot be opened.
std::unique_ptr<ByteSource> OpenArchiveFile(const char* path);

// The output folder named by an ANSI path; files are written under their stored UTF-16 names.
std::unique_ptr<OutputFolder> OpenOutputFolder(const char* path);

// A stored name in the ANSI code page; characters it lacks become '?' (never a look-alike
// such as '.' for a full-width dot, which could change what the path means).
std::string AnsiName(std::u16string_view name);

}  // namespace kel::archive
