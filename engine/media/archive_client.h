// The engine's side of the archive library: "List archive" and "Extract archive", the two
// wrappers every archive user of the engine goes through, and UnpackPayload, which unpacks the
// setup's payload archive at start-up. The logic runs over ArchivePorts (the four functions of
// kel.lib and the local date-time text of a file time), so the host tests drive it with a fake
// library; win32_archive_binding.h gives the real one. Portable core.
//
// Callbacks: the library's C callbacks carry no context, so each wrapper call installs its own
// callback state for the calling thread while it runs (the library calls back on the calling
// thread). The default password callback hands out the wrapper's password once per call.
// Callback failures (exceptions) stop the library and become the call's error text.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "archive/kel_archive.h"
#include "engine/base/string_list.h"

namespace kel {

struct ArchiveLibrary {
    decltype(&::OpenListArchive) openList = nullptr;
    decltype(&::CloseListArchive) closeList = nullptr;
    decltype(&::ExtractArchive) extract = nullptr;
    decltype(&::GetLastArchiveError) lastError = nullptr;
};

// A FILETIME (UTC) as a date-time text in the user's default format, in local time.
using FileTimeTextFunction = std::string (*)(std::uint64_t fileTimeUtc);

struct ArchivePorts {
    ArchiveLibrary library;
    FileTimeTextFunction fileTimeText = nullptr;
};

// Error texts of a failed listing, by the library's error code.
inline constexpr const char* kArchiveNotFoundText = "The archive file was not found";
inline constexpr const char* kArchiveIllegalPathText = "Illegal path used in a wildcard expression";
inline constexpr const char* kArchiveCannotOpenText =
    "The archive cannot be opened: unsupported archive or incorrect password";
inline constexpr const char* kArchiveGeneralFailureText = "General failure opening archive";

// "List archive": clears the given receivers, then appends each entry's path, size, packed size,
// modification time (local date-time text) and attribute value (decimal). On failure gives the
// listing message of the library's code, or an exception's message.
struct ArchiveListReceivers {
    StringList* paths = nullptr;
    StringList* sizes = nullptr;
    StringList* packedSizes = nullptr;
    StringList* times = nullptr;
    StringList* attributes = nullptr;
};
bool ListArchive(const ArchivePorts& ports, const std::string& archivePath,
                 const std::string& password, const ArchiveListReceivers& receivers,
                 std::string& errorText);

// Callbacks a caller of "Extract archive" may give; empty ones are replaced by the defaults
// (password: the wrapper's password once; progress and second callback: go on; question: 4 when
// the answer flag is set, else 1).
struct ArchiveExtractCallbacks {
    // Another password to try, or nothing.
    std::function<std::optional<std::string>()> password;
    // Bytes done and in total over the call; false stops the extraction.
    std::function<bool(const std::string& path, std::uint64_t done, std::uint64_t total)> progress;
    // After each entry (output path, KEL_FILE_* outcome); false stops.
    std::function<bool(const std::string& path, int outcome)> second;
    // A file to write exists: a KEL_REPLACE_* answer.
    std::function<int()> question;
};

// "Extract archive": without an entry list, lists the archive first (a failed listing ends the
// call with its error text) and extracts every entry. Mode argument 1 when `modeFlag` is clear,
// else 0. On failure the error text is "#" and the library's code, or an exception's message.
bool ExtractArchiveEntries(const ArchivePorts& ports, const std::string& archivePath,
                           const std::string& password, const std::string& outputFolder,
                           const ArchiveExtractCallbacks& callbacks, const StringList* entries,
                           std::string& errorText, bool answerFlag, bool modeFlag);

// Start-up's payload: every entry of the archive into the support folder, no password, default
// callbacks, answer and mode flags set. The error text is dropped: start-up shows its own.
bool UnpackPayload(const ArchivePorts& ports, const std::string& archivePath,
                   const std::string& supportDir);

}  // namespace kel
