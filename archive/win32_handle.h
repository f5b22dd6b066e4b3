// Ownership of the Win32 file handles of kel.lib: closed once, on every path out, keeping the
// error code of the call that failed before.
#pragma once

#include <windows.h>

#include <utility>

namespace kel::archive {

class UniqueFile {
  public:
    UniqueFile() = default;
    explicit UniqueFile(HANDLE handle) : handle_(handle) {}
    UniqueFile(const UniqueFile&) = delete;
    UniqueFile& operator=(const UniqueFile&) = delete;
    UniqueFile(UniqueFile&& other) noexcept
        : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    UniqueFile& operator=(UniqueFile&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.handle_, INVALID_HANDLE_VALUE));
        return *this;
    }
    ~UniqueFile() { Reset(); }

    HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }
    void Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (handle_ != INVALID_HANDLE_VALUE) {
            const DWORD lastError = GetLastError();
            CloseHandle(handle_);
            SetLastError(lastError);
        }
        handle_ = handle;
    }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace kel::archive
