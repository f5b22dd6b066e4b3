// A USB printer as Windows records it, written into the registry that Wine's SetupAPI reads: the
// USB device node with its hardware ids, its USB printer interface (with "Port Number" and the
// link that marks it present) and, when the print class enumerator recognised it, the child device
// node under "USBPRINT\<maker and model>". Everything written is deleted again, and leftovers of
// an interrupted run are removed before a test starts.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace quarrow::e2e {

class FakeUsbPrinter {
  public:
    // `hardwareId` is "VID_xxxx&PID_xxxx"; `printModel` the name after "USBPRINT\" ("" for no
    // print class device node at all: the printer was unplugged before Windows listed it).
    FakeUsbPrinter(std::wstring_view hardwareId, std::wstring_view serial,
                   std::wstring_view printModel, DWORD portNumber);
    ~FakeUsbPrinter();
    FakeUsbPrinter(const FakeUsbPrinter&) = delete;
    FakeUsbPrinter& operator=(const FakeUsbPrinter&) = delete;

    // Whether every key and value could be written.
    bool Written() const { return written_; }
    // The interface's device path in the lower case Windows gives it in notifications.
    std::wstring DevicePath() const;

    // A print class device node of another maker's printer, without a USB parent of its own.
    static bool AddForeignPrintDevice(std::wstring_view model, std::wstring_view instance);
    // Deletes what the fixtures of this program may have left in the registry.
    static void RemoveLeftovers();

  private:
    std::wstring hardwareId_;
    std::wstring serial_;
    std::vector<std::wstring> createdKeys_;  // below HKLM, deleted in reverse order
    bool written_ = true;
};

}  // namespace quarrow::e2e
