// The back-end over hidapi (hidraw on Linux), with a device watcher over a
// udev monitor where libudev is there, else over periodic enumeration.
#pragma once

#include "transport/HidBackend.h"

#include <chrono>
#include <map>
#include <mutex>

struct hid_device_;

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
    HidWriteResult Write(HidHandle handle, const std::uint8_t* report65) override;
    int Read(HidHandle handle, std::uint8_t* out65, int timeoutMs) override;
    void Close(HidHandle handle) override;
    std::unique_ptr<CHidWatch> WatchDevices(DeviceChangeCallback callback) override;

private:
    hid_device_* Device(HidHandle handle);

    std::mutex m_mutex;
    std::map<HidHandle, hid_device_*> m_devices;
    HidHandle m_nextHandle = 1;
};
