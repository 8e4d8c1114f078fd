// The back-end that presents simulated units as HID interfaces: one or more
// devices, each with its identity and its own unit, that can refuse to open,
// fail or stall writes, and be unplugged and plugged in while the link runs.
#pragma once

#include "transport/HidBackend.h"
#include "transport/SimulatedUnit.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

struct SimulatedDeviceSpec {
    std::string path = "/dev/hidraw-sim0";
    std::uint16_t vendor = kUnitVendorId;
    std::uint16_t product = kUnitProductId;
    std::uint16_t version = kUnitVersion;
    std::string serial;   // none by default
    std::string productText = "Audio Processor (simulated)";
};

enum class SimulatedWriteFault {
    None,
    Fail,          // writes report failure; nothing reaches the unit
    Unsupported,   // the device takes no output reports
    Stall,         // a write never completes (until the fault is cleared; then it fails)
};

using OutputReport = std::array<std::uint8_t, kOutputReportSize>;

class CSimulatedHidBackend : public CHidBackend {
public:
    static constexpr std::chrono::milliseconds kClockPeriod{100};

    CSimulatedHidBackend() = default;
    ~CSimulatedHidBackend() override;
    CSimulatedHidBackend(const CSimulatedHidBackend&) = delete;
    CSimulatedHidBackend& operator=(const CSimulatedHidBackend&) = delete;

    std::vector<HidInterfaceInfo> Enumerate() override;
    HidOpenResult Open(const std::string& path, bool forWriting) override;
    HidWriteStatus Write(HidHandle handle, const std::uint8_t* report65) override;
    HidReadStatus Read(HidHandle handle, std::uint8_t* out65, int timeoutMs) override;
    void Close(HidHandle handle) override;
    std::unique_ptr<CHidWatch> WatchDevices(DeviceChangeCallback callback) override;

    // Adds a device (plugged in unless told otherwise); returns its index.
    int AddDevice(const SimulatedDeviceSpec& spec, bool present = true);
    CSimulatedUnit& Unit(int device);

    // Both tell every watcher at once, as the system's device events do.
    void Plug(int device);
    void Unplug(int device);
    // From now on watchers learn only what comparing the attached devices every
    // periodTicks ticks shows, as on a system without device events: a unit
    // unplugged and back between two looks is never reported.
    void WatchByComparing(int periodTicks);
    // The handles open on the device fail from now on, while it stays attached
    // and no watcher hears of it: a hub reset or a short glitch.
    void BreakOpenHandles(int device);
    // The device vanishes right after taking this many more output reports.
    void UnplugAfterWrites(int device, int writes);

    void SetOpenRefusal(int device, HidOpenError error);   // None opens normally
    void SetWriteFault(int device, SimulatedWriteFault fault);
    void SetEnumerationOutOfMemory(bool failing);

    // One 100 ms tick of every unit; the demo's clock thread calls it itself.
    void Tick();
    void StartClock();

    // Waits until reads on as many handles as readers found nothing due after
    // the last write or tick (one reader per open unit).
    bool WaitUntilReaderIdle(std::chrono::milliseconds limit, int readers = 1);

    std::vector<OutputReport> Written(int device) const;   // reports that reached the unit
    int WritesStarted(int device) const;                   // including failed and stalled ones
    int OpenHandles(int device) const;
    int OpensRefused() const;
    // Watchers of device changes alive now.
    int Watchers() const;
    // Closes of a handle while a read or write on it was running (must stay 0).
    int ClosesWhileInUse() const;

private:
    struct Device {
        SimulatedDeviceSpec spec;
        bool present = true;
        HidOpenError refusal = HidOpenError::None;
        SimulatedWriteFault writeFault = SimulatedWriteFault::None;
        int unplugCountdown = 0;
        int writesStarted = 0;
        std::vector<OutputReport> written;
        std::unique_ptr<CSimulatedUnit> unit;
    };
    struct OpenHandle {
        int device = 0;
        bool dead = false;   // the device was unplugged after this open
        int inUse = 0;       // reads and writes running on it
        bool closed = false;
    };
    using Lock = std::unique_lock<std::mutex>;

    void SetPresent(int device, bool present);
    void Notify(HidDeviceChange change, const std::string& path);
    std::set<std::string> AttachedPaths() const;
    void LookForChanges();
    void MarkActivity();
    HidWriteStatus WriteLocked(Lock& lock, OpenHandle& open, const std::uint8_t* report65, bool& unplugNow);
    void Release(std::map<HidHandle, OpenHandle>::iterator it);
    void RunClock();

    mutable std::mutex m_mutex;
    std::condition_variable m_activity;   // a report may be due, a handle died, a stall ended
    std::condition_variable m_idle;
    std::vector<std::unique_ptr<Device>> m_devices;
    std::map<HidHandle, OpenHandle> m_open;
    HidHandle m_nextHandle = 1;
    std::map<int, DeviceChangeCallback> m_watchers;
    int m_nextWatcher = 1;
    bool m_enumerationFails = false;
    int m_comparePeriodTicks = 0;           // 0: watchers are told of each change at once
    int m_ticksToNextLook = 0;
    std::set<std::string> m_lastLook;       // the attached paths at the last look
    std::set<HidHandle> m_idleReaders;   // handles read without finding anything due
    bool m_stopping = false;
    int m_opensRefused = 0;
    int m_closesWhileInUse = 0;
    std::thread m_clock;

    friend class CSimulatedWatch;
};
