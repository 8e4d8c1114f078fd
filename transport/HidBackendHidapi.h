// The back-end over hidapi (hidraw on Linux), with a device watcher over a
// udev monitor where libudev is there, else over periodic enumeration.
#pragma once

#include "transport/HidBackend.h"

#include <chrono>
#include <map>
#include <mutex>

struct hid_device_;

// What a failed write on the node at path means: hidapi calls other library
// functions after a failed write, so errno no longer tells; a node that has
// vanished does.
HidWriteResult ClassifyWriteFailure(const std::string& path);

// A text hidapi gives as wide characters, in the locale's encoding; empty for none.
std::string HidText(const wchar_t* wide);
// The text of a hidapi error message; "no reason given" for none.
std::string HidErrorText(const wchar_t* message);

class CHidapiBackend : public CHidBackend {
public:
    // How often the fallback watcher compares the enumerated paths.
    static constexpr std::chrono::milliseconds kPollPeriod{1000};

    CHidapiBackend();
    ~CHidapiBackend() override;
    CHidapiBackend(const CHidapiBackend&) = delete;
    CHidapiBackend& operator=(const CHidapiBackend&) = delete;

    std::vector<HidInterfaceInfo> Enumerate() override;
    HidOpenResult Open(const std::string& path, bool forWriting) override;
    HidWriteStatus Write(HidHandle handle, const std::uint8_t* report65) override;
    HidReadStatus Read(HidHandle handle, std::uint8_t* out65, int timeoutMs) override;
    void Close(HidHandle handle) override;
    std::unique_ptr<CHidWatch> WatchDevices(DeviceChangeCallback callback) override;
    std::string StartupError() const override { return m_startupError; }

private:
    struct OpenDevice {
        hid_device_* device;
        std::string path;
    };

    bool Find(HidHandle handle, OpenDevice& out);

    std::mutex m_mutex;
    std::map<HidHandle, OpenDevice> m_devices;
    HidHandle m_nextHandle = 1;
    std::string m_startupError;
};
