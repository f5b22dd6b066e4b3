// Ownership of the Win32 handles the device detection tool uses: a small UniqueHandle<Traits>
// where the traits give the handle type, its empty value and how it is closed, plus the traits
// for device information sets, registry keys, GDI objects, menus, device notifications and
// kernel handles. Closing keeps GetLastError for the caller. Windows builds only.
#pragma once

#include <windows.h>
// The other Windows headers rely on <windows.h>.
#include <setupapi.h>

#include <utility>

namespace quarrow {

template <class Traits>
class UniqueHandle {
  public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept : value_(Traits::Empty()) {}
    explicit UniqueHandle(Type value) noexcept : value_(value) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Type Get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::Empty(); }

    Type Release() noexcept { return std::exchange(value_, Traits::Empty()); }
    void Reset(Type value = Traits::Empty()) noexcept {
        if (value_ != Traits::Empty()) {
            const DWORD lastError = GetLastError();
            Traits::Close(value_);
            SetLastError(lastError);
        }
        value_ = value;
    }

  private:
    Type value_;
};

struct DeviceInfoSetTraits {
    using Type = HDEVINFO;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Type set) { SetupDiDestroyDeviceInfoList(set); }
};
struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Empty() { return nullptr; }
    static void Close(Type key) { RegCloseKey(key); }
};
template <class Gdi>
struct GdiObjectTraits {
    using Type = Gdi;
    static Type Empty() { return nullptr; }
    static void Close(Type object) { DeleteObject(object); }
};
struct MenuTraits {
    using Type = HMENU;
    static Type Empty() { return nullptr; }
    static void Close(Type menu) { DestroyMenu(menu); }
};
struct DeviceNotificationTraits {
    using Type = HDEVNOTIFY;
    static Type Empty() { return nullptr; }
    static void Close(Type notification) { UnregisterDeviceNotification(notification); }
};
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Empty() { return nullptr; }
    static void Close(Type handle) { CloseHandle(handle); }
};

using DeviceInfoSet = UniqueHandle<DeviceInfoSetTraits>;
using RegistryKey = UniqueHandle<RegistryKeyTraits>;
using FontHandle = UniqueHandle<GdiObjectTraits<HFONT>>;
using MenuHandle = UniqueHandle<MenuTraits>;
using DeviceNotification = UniqueHandle<DeviceNotificationTraits>;
using KernelHandle = UniqueHandle<KernelHandleTraits>;

// The image list of device setup classes that SetupAPI hands out, released with it.
class ClassImageList {
  public:
    ClassImageList() { data_.cbSize = sizeof(data_); }
    ~ClassImageList() {
        if (loaded_) SetupDiDestroyClassImageList(&data_);
    }
    ClassImageList(const ClassImageList&) = delete;
    ClassImageList& operator=(const ClassImageList&) = delete;

    bool Load() { return loaded_ = loaded_ || SetupDiGetClassImageList(&data_); }
    HIMAGELIST Images() const { return loaded_ ? data_.ImageList : nullptr; }
    // The image of a setup class, -1 when SetupAPI has none.
    int ImageOf(const GUID& setupClass) {
        int index = -1;
        if (!loaded_ || !SetupDiGetClassImageIndex(&data_, &setupClass, &index)) return -1;
        return index;
    }

  private:
    SP_CLASSIMAGELIST_DATA data_{};
    bool loaded_ = false;
};

}  // namespace quarrow
