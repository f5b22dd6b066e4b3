// The four exports of kel.lib (kel_archive.h): each one checks its arguments, runs the portable
// logic of archive_library over the Win32 files of win32_files, and turns every failure into the
// calling thread's error code. No exception leaves this file.
#include <windows.h>

#include <cstring>
#include <mutex>
#include <new>
#include <set>

#include "archive/archive_error.h"
#include "archive/archive_library.h"
#include "archive/kel_archive.h"
#include "archive/win32_files.h"

// What a listing handle owns: the records and their names. The archive file is closed as soon
// as the listing is made.
struct KelArchiveListing {
    explicit KelArchiveListing(const kel::archive::SevenZipArchive& archive)
        : listing(archive, kel::archive::AnsiName) {}
    kel::archive::ArchiveListing listing;
};

namespace {

using namespace kel::archive;

thread_local std::int32_t tLastError = KEL_ERROR_NONE;

// Handles given out and not yet closed, so that a wrong handle is ignored instead of freed.
std::mutex gListingsLock;
std::set<KelListHandle> gListings;

template <typename Body>
bool Guarded(Body&& body) {
    try {
        body();
        tLastError = KEL_ERROR_NONE;
        return true;
    } catch (const ArchiveError& error) {
        tLastError = error.Code();
    } catch (const std::bad_alloc&) {
        tLastError = KEL_ERROR_OUT_OF_MEMORY;
    } catch (...) {
        tLastError = KEL_ERROR_INTERNAL;
    }
    return false;
}

[[noreturn]] void ThrowInvalid(const char* what) {
    throw ArchiveError(KEL_ERROR_INVALID_ARGUMENT, what);
}

PasswordSource::Callback AskCallback(KelPasswordCallback callback) {
    if (callback == nullptr) return nullptr;
    return [callback]() -> std::optional<std::string> {
        char buffer[KEL_PASSWORD_BUFFER_SIZE] = {};
        if (callback(buffer) == 0) return std::nullopt;
        return std::string(buffer, strnlen(buffer, sizeof buffer - 1));
    };
}

std::unique_ptr<DecodeContext> MakeContext(std::shared_ptr<PasswordSource> passwords) {
    auto context = std::make_unique<DecodeContext>();
    context->nextPassword = [passwords] { return passwords->Next(); };
    // A 32-bit process seldom finds more than this in one piece.
    context->memoryLimit = std::uint64_t{1} << 30;
    return context;
}

std::uint32_t Low(std::uint64_t value) { return static_cast<std::uint32_t>(value); }
std::uint32_t High(std::uint64_t value) { return static_cast<std::uint32_t>(value >> 32); }

ExtractCallbacks MakeCallbacks(KelProgressCallback progress, KelFileDoneCallback fileDone,
                               KelReplaceCallback replace) {
    ExtractCallbacks callbacks;
    if (progress != nullptr) {
        callbacks.progress = [progress](const std::string& path, std::uint64_t done,
                                        std::uint64_t total) {
            return progress(path.c_str(), done, total) != 0;
        };
    }
    if (fileDone != nullptr) {
        callbacks.fileDone = [fileDone](const std::string& path, int outcome) {
            return fileDone(path.c_str(), outcome) != 0;
        };
    }
    if (replace != nullptr) {
        callbacks.replace = [replace](const ReplaceQuestion& q) {
            return static_cast<int>(replace(
                q.existingPath.c_str(), Low(q.existing.size), High(q.existing.size),
                Low(q.existing.modified), High(q.existing.modified), q.entryPath.c_str(),
                Low(q.entrySize), High(q.entrySize), Low(q.entryModified), High(q.entryModified)));
        };
    }
    return callbacks;
}

}  // namespace

extern "C" {

KelListHandle KEL_ARCHIVE_CALL OpenListArchive(const char* archivePath, int32_t listOptions,
                                               KelPasswordCallback passwordCallback, void*, void*,
                                               void*, const char* password,
                                               const KelArchiveEntry** entries, uint32_t* count) {
    KelListHandle handle = nullptr;
    Guarded([&] {
        if (archivePath == nullptr || entries == nullptr || count == nullptr)
            ThrowInvalid("null argument");
        if (listOptions != 0) ThrowInvalid("unknown list option");
        auto passwords = std::make_shared<PasswordSource>(password, AskCallback(passwordCallback));
        auto source = OpenArchiveFile(archivePath);
        auto context = MakeContext(passwords);
        SevenZipArchive archive(*source, *context);
        auto listing = std::make_unique<KelArchiveListing>(archive);
        *entries = listing->listing.Records();
        *count = listing->listing.Count();
        std::lock_guard lock(gListingsLock);
        gListings.insert(listing.get());
        handle = listing.release();
    });
    return handle;
}

// Leaves the thread's error code alone: it still tells about the last open or extraction.
void KEL_ARCHIVE_CALL CloseListArchive(KelListHandle handle) {
    try {
        {
            std::lock_guard lock(gListingsLock);
            if (gListings.erase(handle) == 0) return;
        }
        delete handle;
    } catch (...) {
        // Nothing to report: the call has no result.
    }
}

int32_t KEL_ARCHIVE_CALL ExtractArchive(const char* archivePath, int32_t pathOptions,
                                        const char* outputFolder, const KelTargetFiles* targets,
                                        int32_t mode, const char* password,
                                        KelPasswordCallback passwordCallback,
                                        KelProgressCallback progressCallback,
                                        KelFileDoneCallback fileDoneCallback,
                                        KelReplaceCallback replaceCallback) {
    const bool ok = Guarded([&] {
        if (archivePath == nullptr || outputFolder == nullptr || outputFolder[0] == '\0') {
            ThrowInvalid("null argument");
        }
        std::vector<std::string> targetPaths;
        if (targets != nullptr) {
            if (targets->count != 0 && targets->paths == nullptr) ThrowInvalid("null target list");
            for (uint32_t i = 0; i < targets->count; ++i) {
                if (targets->paths[i] == nullptr) ThrowInvalid("null target path");
                targetPaths.emplace_back(targets->paths[i]);
            }
        }
        auto passwords = std::make_shared<PasswordSource>(password, AskCallback(passwordCallback));
        auto source = OpenArchiveFile(archivePath);
        auto context = MakeContext(passwords);
        SevenZipArchive archive(*source, *context);
        ArchiveListing listing(archive, AnsiName);
        auto output = OpenOutputFolder(outputFolder);
        ExtractOptions options;
        options.keepFolders = pathOptions != 0;
        options.askBeforeReplace = mode != 0;
        options.targets = targets != nullptr ? &targetPaths : nullptr;
        ExtractEntries(archive, listing, *output, options,
                       MakeCallbacks(progressCallback, fileDoneCallback, replaceCallback));
    });
    return ok ? 1 : 0;
}

int32_t KEL_ARCHIVE_CALL GetLastArchiveError(int32_t) { return tLastError; }

}  // extern "C"
