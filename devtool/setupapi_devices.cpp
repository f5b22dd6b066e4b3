// SetupAPI and friends behind the DeviceSystem port (see setupapi_devices.h).
#include "devtool/setupapi_devices.h"

#include <cfgmgr32.h>
#include <setupapi.h>
#include <shlobj.h>

#include <vector>

#include "devtool/printer_identity.h"
#include "devtool/unique_handle.h"
#include "devtool/win32_text.h"

namespace quarrow {

const GUID kUsbPrinterInterfaceClass = {
    0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};
const GUID kComputerSetupClass = {
    0x4D36E966, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

namespace {

DeviceInfoSet RequestPrinterInterfaceSet() {
    return DeviceInfoSet(SetupDiGetClassDevsW(&kUsbPrinterInterfaceClass, nullptr, nullptr,
                                              DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
}

class SetupApiInstanceList final : public DeviceInstanceList {
  public:
    explicit SetupApiInstanceList(DeviceInfoSet set) : set_(std::move(set)) {}

    Read InstanceId(std::size_t index, std::string& id) override {
        SP_DEVINFO_DATA element{};
        element.cbSize = sizeof(element);
        if (!SetupDiEnumDeviceInfo(set_.Get(), static_cast<DWORD>(index), &element)) {
            return GetLastError() == ERROR_NO_MORE_ITEMS ? Read::kNoMoreItems : Read::kFailed;
        }
        std::wstring buffer(MAX_DEVICE_ID_LEN, L'\0');
        DWORD required = 0;
        if (!SetupDiGetDeviceInstanceIdW(set_.Get(), &element, buffer.data(),
                                         static_cast<DWORD>(buffer.size()), &required)) {
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return Read::kFailed;
            buffer.assign(required, L'\0');
            if (!SetupDiGetDeviceInstanceIdW(set_.Get(), &element, buffer.data(), required,
                                             nullptr)) {
                return Read::kFailed;
            }
        }
        id = Narrow(buffer.c_str());
        return Read::kOk;
    }

  private:
    DeviceInfoSet set_;
};

class SetupApiInterfaceList final : public PrinterInterfaceList {
  public:
    explicit SetupApiInterfaceList(DeviceInfoSet set) : set_(std::move(set)) {}

    bool Interface(std::size_t index, std::string& hardwareId) override {
        hardwareId.clear();
        currentIndex_ = index;
        current_ = SP_DEVICE_INTERFACE_DATA{};
        current_.cbSize = sizeof(current_);
        if (!SetupDiEnumDeviceInterfaces(set_.Get(), nullptr, &kUsbPrinterInterfaceClass,
                                         static_cast<DWORD>(index), &current_)) {
            return false;
        }
        SP_DEVINFO_DATA device{};
        if (!DeviceOfInterface(device)) return true;
        DWORD type = 0;
        DWORD size = 0;
        SetupDiGetDeviceRegistryPropertyW(set_.Get(), &device, SPDRP_HARDWAREID, &type, nullptr, 0,
                                          &size);
        if (size == 0) return true;
        // The reported size plus one character, so that the first id always ends.
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
        if (SetupDiGetDeviceRegistryPropertyW(set_.Get(), &device, SPDRP_HARDWAREID, &type,
                                              reinterpret_cast<BYTE*>(buffer.data()), size,
                                              nullptr)) {
            hardwareId = Narrow(buffer.data());
        }
        return true;
    }

    std::vector<RegistryValue> InterfaceValues(std::size_t index) override {
        std::vector<RegistryValue> values;
        if (index != currentIndex_) return values;
        const HKEY opened = SetupDiOpenDeviceInterfaceRegKey(set_.Get(), &current_, 0, KEY_READ);
        if (opened == INVALID_HANDLE_VALUE) return values;
        RegistryKey key(opened);
        DWORD count = 0, longestName = 0, longestData = 0;
        if (RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             &count, &longestName, &longestData, nullptr,
                             nullptr) != ERROR_SUCCESS) {
            return values;
        }
        std::vector<wchar_t> name(longestName + 1);
        std::vector<BYTE> data(longestData + sizeof(DWORD));
        for (DWORD i = 0; i < count; ++i) {
            DWORD nameLength = static_cast<DWORD>(name.size());
            DWORD dataSize = static_cast<DWORD>(data.size());
            DWORD type = 0;
            if (RegEnumValueW(key.Get(), i, name.data(), &nameLength, nullptr, &type, data.data(),
                              &dataSize) != ERROR_SUCCESS) {
                break;
            }
            RegistryValue value;
            value.name = Narrow(std::wstring_view(name.data(), nameLength));
            value.type = type;
            if (type == REG_DWORD && dataSize >= sizeof(DWORD)) {
                value.number = *reinterpret_cast<const DWORD*>(data.data());
            }
            values.push_back(std::move(value));
        }
        return values;
    }

  private:
    bool DeviceOfInterface(SP_DEVINFO_DATA& device) {
        DWORD required = 0;
        SetupDiGetDeviceInterfaceDetailW(set_.Get(), &current_, nullptr, 0, &required, nullptr);
        if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
            required = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        }
        std::vector<BYTE> detailBuffer(required);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(detailBuffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        device.cbSize = sizeof(device);
        return SetupDiGetDeviceInterfaceDetailW(set_.Get(), &current_, detail, required, nullptr,
                                                &device) != FALSE;
    }

    DeviceInfoSet set_;
    std::size_t currentIndex_ = static_cast<std::size_t>(-1);
    SP_DEVICE_INTERFACE_DATA current_{};  // the interface Interface() read last
};

}  // namespace

WindowsVersion SetupApiDeviceSystem::Version() {
    const DWORD version = GetVersion();
    return {LOBYTE(LOWORD(version)), HIBYTE(LOWORD(version))};
}

DeviceListRequest SetupApiDeviceSystem::RequestDeviceList(DeviceListKind kind) {
    DeviceInfoSet set;
    if (kind == DeviceListKind::kPrintClassEnumerator) {
        const std::wstring enumerator = Widen(kPrintClassEnumerator);
        set = DeviceInfoSet(SetupDiGetClassDevsW(nullptr, enumerator.c_str(), nullptr,
                                                 DIGCF_PRESENT | DIGCF_ALLCLASSES));
    } else {
        set = RequestPrinterInterfaceSet();
    }
    if (!set) return {nullptr, GetLastError()};
    return {std::make_unique<SetupApiInstanceList>(std::move(set)), 0};
}

std::unique_ptr<PrinterInterfaceList> SetupApiDeviceSystem::OpenPrinterInterfaces() {
    DeviceInfoSet set = RequestPrinterInterfaceSet();
    if (!set) return nullptr;
    return std::make_unique<SetupApiInterfaceList>(std::move(set));
}

std::optional<std::string> SetupApiDeviceSystem::CurrentDirectory() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0) return std::nullopt;
    std::wstring folder(size, L'\0');
    const DWORD length = GetCurrentDirectoryW(size, folder.data());
    if (length == 0 || length >= size) return std::nullopt;
    folder.resize(length);
    return Narrow(folder);
}

std::optional<std::string> SetupApiDeviceSystem::ProgramFilesFolder() {
    HANDLE rawToken = nullptr;
    KernelHandle token;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_IMPERSONATE, &rawToken)) {
        token.Reset(rawToken);
    }
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, token.Get(), SHGFP_TYPE_CURRENT,
                                folder))) {
        return std::nullopt;
    }
    return Narrow(folder);
}

void SetupApiDeviceSystem::WriteProfileString(const std::string& file, std::string_view section,
                                              std::string_view key, std::string_view value) {
    WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(value).c_str(),
                               Widen(file).c_str());
}

std::string SetupApiDeviceSystem::ErrorText(std::uint32_t code) {
    wchar_t text[1024] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, text, ARRAYSIZE(text), nullptr);
    while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r')) --length;
    return Narrow(std::wstring_view(text, length));
}

}  // namespace quarrow
