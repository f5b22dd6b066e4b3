// The archive wrappers (see archive_client.h).
#include "engine/media/archive_client.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <vector>

namespace kel {
namespace {

// One wrapper call's callback state; the library's callbacks find it through the thread.
struct CallState {
    const ArchiveExtractCallbacks* callbacks = nullptr;
    std::optional<std::string> password;  // the wrapper's password until it is handed out
    bool answerFlag = false;
    std::exception_ptr failure;  // the first exception a callback raised
};

thread_local CallState* tCall = nullptr;

// Installs a call's state on this thread for the scope, restoring the previous one (a callback
// may itself use the wrappers).
class ScopedCall {
  public:
    explicit ScopedCall(CallState& state) : previous_(tCall) { tCall = &state; }
    ~ScopedCall() { tCall = previous_; }
    ScopedCall(const ScopedCall&) = delete;
    ScopedCall& operator=(const ScopedCall&) = delete;

  private:
    CallState* previous_;
};

// Runs a callback body; an exception is kept for the wrapper and answers `onFailure`.
template <typename Body>
int32_t Shielded(int32_t onFailure, Body&& body) {
    CallState* call = tCall;
    if (call == nullptr) return onFailure;
    try {
        return body(*call);
    } catch (...) {
        if (!call->failure) call->failure = std::current_exception();
        return onFailure;
    }
}

void CopyPassword(const std::string& password, char* buffer) {
    const std::size_t n = std::min<std::size_t>(password.size(), KEL_PASSWORD_BUFFER_SIZE - 1);
    std::memcpy(buffer, password.data(), n);
    buffer[n] = '\0';
}

int32_t KEL_ARCHIVE_CALL PasswordCallback(char* buffer) {
    return Shielded(0, [buffer](CallState& call) -> int32_t {
        if (call.callbacks != nullptr && call.callbacks->password) {
            const auto password = call.callbacks->password();
            if (!password) return 0;
            CopyPassword(*password, buffer);
            return 1;
        }
        if (!call.password) return 0;
        CopyPassword(*call.password, buffer);
        call.password.reset();
        return 1;
    });
}

int32_t KEL_ARCHIVE_CALL ProgressCallback(const char* path, uint64_t done, uint64_t total) {
    return Shielded(0, [&](CallState& call) -> int32_t {
        if (call.callbacks == nullptr || !call.callbacks->progress) return 1;
        return call.callbacks->progress(path != nullptr ? path : "", done, total) ? 1 : 0;
    });
}

int32_t KEL_ARCHIVE_CALL SecondCallback(const char* path, int32_t outcome) {
    return Shielded(0, [&](CallState& call) -> int32_t {
        if (call.callbacks == nullptr || !call.callbacks->second) return 1;
        return call.callbacks->second(path != nullptr ? path : "", outcome) ? 1 : 0;
    });
}

int32_t KEL_ARCHIVE_CALL QuestionCallback(const char*, uint32_t, uint32_t, uint32_t, uint32_t,
                                          const char*, uint32_t, uint32_t, uint32_t, uint32_t) {
    return Shielded(KEL_REPLACE_CANCEL, [](CallState& call) -> int32_t {
        if (call.callbacks != nullptr && call.callbacks->question)
            return call.callbacks->question();
        return call.answerFlag ? KEL_REPLACE_ALL : KEL_REPLACE_SKIP;
    });
}

void RethrowCallbackFailure(const CallState& call) {
    if (call.failure) std::rethrow_exception(call.failure);
}

std::string ListingErrorText(int32_t code) {
    switch (code) {
        case KEL_ERROR_ARCHIVE_NOT_FOUND:
            return kArchiveNotFoundText;
        case KEL_ERROR_ILLEGAL_PATH:
            return kArchiveIllegalPathText;
        case KEL_ERROR_CANNOT_OPEN:
            return kArchiveCannotOpenText;
        default:
            return kArchiveGeneralFailureText;
    }
}

std::string ExceptionText(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return kArchiveGeneralFailureText;
    }
}

void ClearReceivers(const ArchiveListReceivers& receivers) {
    for (StringList* list : {receivers.paths, receivers.sizes, receivers.packedSizes,
                             receivers.times, receivers.attributes}) {
        if (list != nullptr) list->Clear();
    }
}

// Closes a listing handle on every way out.
class ListingHandle {
  public:
    ListingHandle(const ArchiveLibrary& library, KelListHandle handle)
        : library_(library), handle_(handle) {}
    ~ListingHandle() {
        if (handle_ != nullptr) library_.closeList(handle_);
    }
    ListingHandle(const ListingHandle&) = delete;
    ListingHandle& operator=(const ListingHandle&) = delete;

  private:
    const ArchiveLibrary& library_;
    KelListHandle handle_;
};

}  // namespace

bool ListArchive(const ArchivePorts& ports, const std::string& archivePath,
                 const std::string& password, const ArchiveListReceivers& receivers,
                 std::string& errorText) {
    errorText.clear();
    try {
        ClearReceivers(receivers);
        CallState state;
        state.password = password;
        ScopedCall scope(state);
        const KelArchiveEntry* entries = nullptr;
        uint32_t count = 0;
        KelListHandle handle =
            ports.library.openList(archivePath.c_str(), 0, PasswordCallback, nullptr, nullptr,
                                   nullptr, password.c_str(), &entries, &count);
        RethrowCallbackFailure(state);
        if (handle == nullptr) {
            errorText = ListingErrorText(ports.library.lastError(0));
            return false;
        }
        ListingHandle closer(ports.library, handle);
        for (uint32_t i = 0; i < count; ++i) {
            const KelArchiveEntry& entry = entries[i];
            if (receivers.paths) receivers.paths->Add(entry.path != nullptr ? entry.path : "");
            if (receivers.sizes) receivers.sizes->Add(std::to_string(entry.size));
            if (receivers.packedSizes) receivers.packedSizes->Add(std::to_string(entry.packedSize));
            if (receivers.times) receivers.times->Add(ports.fileTimeText(entry.modified));
            if (receivers.attributes) receivers.attributes->Add(std::to_string(entry.attributes));
        }
        return true;
    } catch (const std::exception& error) {
        errorText = error.what();
        return false;
    }
}

bool ExtractArchiveEntries(const ArchivePorts& ports, const std::string& archivePath,
                           const std::string& password, const std::string& outputFolder,
                           const ArchiveExtractCallbacks& callbacks, const StringList* entries,
                           std::string& errorText, bool answerFlag, bool modeFlag) {
    errorText.clear();
    try {
        StringList listed;
        if (entries == nullptr) {
            ArchiveListReceivers receivers;
            receivers.paths = &listed;
            if (!ListArchive(ports, archivePath, password, receivers, errorText)) return false;
            entries = &listed;
        }
        // The library reads the paths during the call only.
        std::vector<const char*> paths;
        paths.reserve(entries->Count());
        for (const std::string& path : entries->Lines()) paths.push_back(path.c_str());
        const KelTargetFiles targets{paths.data(), static_cast<uint32_t>(paths.size())};

        CallState state;
        state.callbacks = &callbacks;
        state.password = password;
        state.answerFlag = answerFlag;
        ScopedCall scope(state);
        const int32_t mode = modeFlag ? 0 : 1;
        const int32_t ok = ports.library.extract(
            archivePath.c_str(), 1, outputFolder.c_str(), &targets, mode, password.c_str(),
            PasswordCallback, ProgressCallback, SecondCallback, QuestionCallback);
        if (state.failure) {
            errorText = ExceptionText(state.failure);
            return false;
        }
        if (ok == 0) {
            errorText = "#" + std::to_string(ports.library.lastError(0));
            return false;
        }
        return true;
    } catch (const std::exception& error) {
        errorText = error.what();
        return false;
    }
}

bool UnpackPayload(const ArchivePorts& ports, const std::string& archivePath,
                   const std::string& supportDir) {
    std::string ignoredErrorText;
    return ExtractArchiveEntries(ports, archivePath, "", supportDir, ArchiveExtractCallbacks{},
                                 nullptr, ignoredErrorText, true, true);
}

}  // namespace kel
