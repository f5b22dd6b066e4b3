// A scripted Windows for the detection logic: device lists answered from a script, printer
// interfaces with their registry values, folders, and a window that records what the tool logged,
// asked, wrote and closed, each with the tick (pause) it happened in.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devtool/device_ports.h"

namespace quarrow::testing {

// One answer to a device list request: a failure with its error code, or the instance ids
// (optionally failing when element `failAt` is read).
struct ListAnswer {
    bool fails = false;
    std::uint32_t error = 0;
    std::vector<std::string> ids;
    std::optional<std::size_t> failAt;
};

inline ListAnswer Ids(std::vector<std::string> ids) { return {false, 0, std::move(ids), {}}; }
inline ListAnswer FailedRequest(std::uint32_t error) { return {true, error, {}, {}}; }

struct FakeInterface {
    std::string hardwareId;
    std::vector<RegistryValue> values;
};

class FakeDeviceList : public DeviceInstanceList {
  public:
    explicit FakeDeviceList(ListAnswer answer) : answer_(std::move(answer)) {}
    Read InstanceId(std::size_t index, std::string& id) override {
        if (answer_.failAt && index >= *answer_.failAt) return Read::kFailed;
        if (index >= answer_.ids.size()) return Read::kNoMoreItems;
        id = answer_.ids[index];
        return Read::kOk;
    }

  private:
    ListAnswer answer_;
};

class FakeInterfaceList : public PrinterInterfaceList {
  public:
    explicit FakeInterfaceList(std::vector<FakeInterface> interfaces)
        : interfaces_(std::move(interfaces)) {}
    bool Interface(std::size_t index, std::string& hardwareId) override {
        if (index >= interfaces_.size()) return false;
        hardwareId = interfaces_[index].hardwareId;
        return true;
    }
    std::vector<RegistryValue> InterfaceValues(std::size_t index) override {
        return interfaces_.at(index).values;
    }

  private:
    std::vector<FakeInterface> interfaces_;
};

class FakeWindows : public DeviceSystem, public DetectionWindow {
  public:
    WindowsVersion version{6, 1};
    // Each request takes the next answer; the last one keeps answering.
    std::deque<ListAnswer> listAnswers{Ids({})};
    std::vector<DeviceListKind> listRequests;
    std::vector<FakeInterface> interfaces;
    bool interfacesFail = false;
    std::optional<std::string> currentDirectory = std::string("C:\\Product\\PrinterDriver");
    std::optional<std::string> programFiles = std::string("C:\\Program Files");
    std::function<void()> duringWarning;  // runs while the message box is "open"

    int tick = 0;
    std::vector<std::string> timeline;  // "<tick> <what>"

    WindowsVersion Version() override { return version; }
    DeviceListRequest RequestDeviceList(DeviceListKind kind) override {
        listRequests.push_back(kind);
        ListAnswer answer = listAnswers.front();
        if (listAnswers.size() > 1) listAnswers.pop_front();
        if (answer.fails) return {nullptr, answer.error};
        return {std::make_unique<FakeDeviceList>(std::move(answer)), 0};
    }
    std::unique_ptr<PrinterInterfaceList> OpenPrinterInterfaces() override {
        if (interfacesFail) return nullptr;
        return std::make_unique<FakeInterfaceList>(interfaces);
    }
    std::optional<std::string> CurrentDirectory() override { return currentDirectory; }
    std::optional<std::string> ProgramFilesFolder() override { return programFiles; }
    void WriteProfileString(const std::string& file, std::string_view section, std::string_view key,
                            std::string_view value) override {
        Record("ini " + file + " [" + std::string(section) + "] " + std::string(key) + "=" +
               std::string(value));
    }
    std::string ErrorText(std::uint32_t code) override { return "error " + std::to_string(code); }

    void AppendLog(std::string_view text) override { Record("log " + std::string(text)); }
    void ShowWarning(std::string_view text) override {
        Record("box " + std::string(text));
        if (duringWarning) duringWarning();
    }
    void RequestClose() override { Record("close"); }

  private:
    void Record(std::string what) { timeline.push_back(std::to_string(tick) + " " + what); }
};

}  // namespace quarrow::testing
