// Registry form of a USB printer (see fake_usb_printer.h).
#include "tests/e2e/quarrow/fake_usb_printer.h"

#include <cwctype>

namespace quarrow::e2e {

namespace {

constexpr wchar_t kEnum[] = L"System\\CurrentControlSet\\Enum\\";
constexpr wchar_t kPrinterInterfaces[] =
    L"System\\CurrentControlSet\\Control\\DeviceClasses\\{28D78FAD-5A12-11D1-AE5B-0000F803A8C2}";
constexpr wchar_t kInterfaceSuffix[] = L"#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
constexpr wchar_t kUsbClass[] = L"{36FC9E60-C465-11CF-8056-444553540000}";
constexpr wchar_t kPrinterClass[] = L"{4D36E979-E325-11CE-BFC1-08002BE10318}";
// Print class device nodes this program may create; removed before and after every test.
constexpr const wchar_t* kPrintModels[] = {L"BRENNVIKKX4", L"UNKNOWNPRINTER", L"ALDERJET200"};
// The USB devices this program may create (the KX4's identifier).
constexpr wchar_t kTestUsbDevice[] = L"VID_3A7E&PID_4B58";

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

class Key {
  public:
    // Creates (or opens) HKLM\`path`; `created` tells whether it is new.
    Key(const std::wstring& path, bool& created, DWORD options = 0) {
        DWORD disposition = 0;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, options, KEY_ALL_ACCESS,
                            nullptr, &key_, &disposition) != ERROR_SUCCESS) {
            key_ = nullptr;
        }
        created = disposition == REG_CREATED_NEW_KEY;
    }
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    bool Ok() const { return key_ != nullptr; }
    bool Text(const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ) {
        return key_ &&
               RegSetValueExW(key_, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
                   ERROR_SUCCESS;
    }
    // A REG_MULTI_SZ from texts separated by '|'.
    bool MultiText(const wchar_t* name, std::wstring value) {
        for (wchar_t& c : value) {
            if (c == L'|') c = L'\0';
        }
        value.push_back(L'\0');
        return Text(name, value, REG_MULTI_SZ);
    }
    bool Number(const wchar_t* name, DWORD value) {
        return key_ && RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&value),
                                      sizeof(value)) == ERROR_SUCCESS;
    }

  private:
    HKEY key_ = nullptr;
};

std::wstring InterfaceKeyName(const std::wstring& hardwareId, const std::wstring& serial) {
    return L"##?#USB#" + hardwareId + L"#" + serial + kInterfaceSuffix;
}

}  // namespace

FakeUsbPrinter::FakeUsbPrinter(std::wstring_view hardwareId, std::wstring_view serial,
                               std::wstring_view printModel, DWORD portNumber)
    : hardwareId_(hardwareId), serial_(serial) {
    bool created = false;
    auto track = [&](const std::wstring& path, bool isNew) {
        if (isNew) createdKeys_.push_back(path);
    };

    const std::wstring usbInstance = L"USB\\" + hardwareId_ + L"\\" + serial_;
    const std::wstring usbKey = kEnum + usbInstance;
    {
        Key vendor(kEnum + (L"USB\\" + hardwareId_), created);
        track(kEnum + (L"USB\\" + hardwareId_), created);
        Key device(usbKey, created);
        track(usbKey, created);
        written_ &= device.Text(L"ClassGUID", kUsbClass) && device.Text(L"Class", L"USB") &&
                    device.MultiText(L"HardwareID",
                                     L"USB\\" + hardwareId_ + L"&REV_0100|USB\\" + hardwareId_) &&
                    device.Text(L"DeviceDesc", L"USB Printing Support") &&
                    device.Text(L"Mfg", L"Brennvik");
    }
    {
        Key classKey(kPrinterInterfaces, created);
        track(kPrinterInterfaces, created);
        const std::wstring interfaceKey =
            std::wstring(kPrinterInterfaces) + L"\\" + InterfaceKeyName(hardwareId_, serial_);
        Key deviceInterface(interfaceKey, created);
        track(interfaceKey, created);
        written_ &= deviceInterface.Text(L"DeviceInstance", usbInstance);
        Key reference(interfaceKey + L"\\#", created);
        track(interfaceKey + L"\\#", created);
        written_ &= reference.Text(L"SymbolicLink", DevicePath());
        Key parameters(interfaceKey + L"\\#\\Device Parameters", created);
        track(interfaceKey + L"\\#\\Device Parameters", created);
        written_ &= parameters.Number(L"Port Number", portNumber);
        // Windows marks an interface of a present device as linked (a volatile value).
        Key control(interfaceKey + L"\\#\\Control", created, REG_OPTION_VOLATILE);
        track(interfaceKey + L"\\#\\Control", created);
        written_ &= control.Number(L"Linked", 1);
    }
    if (!printModel.empty()) {
        const std::wstring enumerator = std::wstring(kEnum) + L"USBPRINT";
        Key print(enumerator, created);
        track(enumerator, created);
        const std::wstring model = enumerator + L"\\" + std::wstring(printModel);
        Key modelKey(model, created);
        track(model, created);
        const std::wstring instance = model + L"\\7&2B1C0D&0&USB00" + std::to_wstring(portNumber);
        Key device(instance, created);
        track(instance, created);
        written_ &= device.Text(L"ClassGUID", kPrinterClass) && device.Text(L"Class", L"Printer") &&
                    device.MultiText(L"HardwareID", L"USBPRINT\\" + std::wstring(printModel)) &&
                    device.Text(L"DeviceDesc", std::wstring(printModel)) &&
                    device.Text(L"Mfg", L"Brennvik");
    }
}

FakeUsbPrinter::~FakeUsbPrinter() {
    for (auto key = createdKeys_.rbegin(); key != createdKeys_.rend(); ++key) {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, key->c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, key->c_str());
    }
}

std::wstring FakeUsbPrinter::DevicePath() const {
    return Lower(L"\\\\?\\USB#" + hardwareId_ + L"#" + serial_ + kInterfaceSuffix);
}

bool FakeUsbPrinter::AddForeignPrintDevice(std::wstring_view model, std::wstring_view instance) {
    bool created = false;
    Key device(
        std::wstring(kEnum) + L"USBPRINT\\" + std::wstring(model) + L"\\" + std::wstring(instance),
        created);
    return device.Text(L"ClassGUID", kPrinterClass) && device.Text(L"Class", L"Printer") &&
           device.MultiText(L"HardwareID", L"USBPRINT\\" + std::wstring(model));
}

void FakeUsbPrinter::RemoveLeftovers() {
    for (const wchar_t* model : kPrintModels) {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kEnum) + L"USBPRINT\\" + model).c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(kEnum) + L"USBPRINT\\" + model).c_str());
    }
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kEnum) + L"USB\\" + kTestUsbDevice).c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(kEnum) + L"USB\\" + kTestUsbDevice).c_str());
    HKEY classKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPrinterInterfaces, 0, KEY_ALL_ACCESS, &classKey) ==
        ERROR_SUCCESS) {
        std::vector<std::wstring> ours;
        wchar_t name[512];
        for (DWORD i = 0;; ++i) {
            DWORD length = ARRAYSIZE(name);
            if (RegEnumKeyExW(classKey, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                break;
            }
            if (Lower(name).find(Lower(std::wstring(L"#USB#") + kTestUsbDevice + L"#")) !=
                std::wstring::npos) {
                ours.push_back(name);
            }
        }
        for (const std::wstring& key : ours) {
            RegDeleteTreeW(classKey, key.c_str());
            RegDeleteKeyW(classKey, key.c_str());
        }
        RegCloseKey(classKey);
    }
}

}  // namespace quarrow::e2e
