// The whole seam between the HID link and the system's HID devices: list the
// interfaces, open one by path, write an output report, read an input report,
// close, and watch interfaces come and go. hidapi and the simulated unit are
// the two back-ends behind it, chosen at run time.
#pragma once

#include "protocol/Framing.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

// The unit's USB identity; all three must match.
constexpr std::uint16_t kUnitVendorId = 0x0483;
constexpr std::uint16_t kUnitProductId = 0x5750;
constexpr std::uint16_t kUnitVersion = 0x0200;

struct HidInterfaceInfo {
    std::string path;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::uint16_t version = 0;   // the USB release number
    std::string serial;          // empty when the device has none
    std::string productText;     // the product string the device gives, if any
};

// How one unit is told from another: its serial number, or its path when it has none.
std::string UnitKey(const HidInterfaceInfo& info);
// Whether key names the interface: its serial number, or its path (in any case).
bool IsKnownAs(const HidInterfaceInfo& info, const std::string& key);

// A back-end's name for one open device; ids are never reused within a run.
using HidHandle = std::int64_t;
constexpr HidHandle kInvalidHidHandle = -1;

enum class HidOpenError { None, PermissionDenied, Other };

struct HidOpenResult {
    HidHandle handle = kInvalidHidHandle;
    HidOpenError error = HidOpenError::Other;
    std::string reason;   // why it failed, as the system said it
};

enum class HidWriteResult {
    Done,
    Failed,        // the device is there but the write did not go out
    Unsupported,   // the device takes no output reports
    Gone,          // the device has vanished
};

struct HidWriteStatus {
    HidWriteResult result = HidWriteResult::Done;
    std::string reason;
};

enum class HidReadResult {
    Report,    // one input report was stored
    Nothing,   // none came in time
    Failed,    // the device failed: it counts as removed
};

struct HidReadStatus {
    HidReadResult result = HidReadResult::Nothing;
    std::string reason;
};

// One output report: the report ID 00h, then the 64 frame bytes.
constexpr std::size_t kOutputReportSize = kReportSize + 1;
constexpr std::uint8_t kReportIdNone = 0x00;   // the unit numbers no reports
constexpr int kReadBufferSize = 512;

// A HID interface came or went.
enum class HidDeviceChange : std::uint8_t { Arrived, Removed };

using DeviceChangeCallback = std::function<void(HidDeviceChange change, const std::string& path)>;

// Tells the paths in before that are gone from now as removed, and the new ones
// as arrived: what a watcher that compares two looks at the devices can know.
void ReportPathChanges(const std::set<std::string>& before, const std::set<std::string>& now,
                       const DeviceChangeCallback& callback);

// Reports arrival and removal of HID interface paths for as long as it lives.
class CHidWatch {
public:
    virtual ~CHidWatch() = default;
};

class CHidBackend {
public:
    virtual ~CHidBackend() = default;

    // The present HID interfaces in the system's order; may throw std::bad_alloc.
    virtual std::vector<HidInterfaceInfo> Enumerate() = 0;

    // Opens the interface at path for reading or for writing.
    virtual HidOpenResult Open(const std::string& path, bool forWriting) = 0;

    // Writes one 65-byte output report; blocks until the write is done.
    virtual HidWriteStatus Write(HidHandle handle, const std::uint8_t* report65) = 0;

    // Waits up to timeoutMs for one input report and stores it as the report
    // ID followed by 64 data bytes.
    virtual HidReadStatus Read(HidHandle handle, std::uint8_t* out65, int timeoutMs) = 0;

    // No Read or Write may be running on the handle.
    virtual void Close(HidHandle handle) = 0;

    // Calls back on some other thread for every arrival and removal.
    virtual std::unique_ptr<CHidWatch> WatchDevices(DeviceChangeCallback callback) = 0;

    // Why the back-end could not start, so that no device is ever listed; empty when it started.
    virtual std::string StartupError() const { return {}; }
};

enum class HidBackendKind { Hidapi, Simulated };

// The back-end the program runs with: hidapi on the real devices, or the
// demo's simulated units ticking on their own 100 ms clock. Of those, one has
// no serial number; more are told apart by theirs (QD-DEMO-1, QD-DEMO-2, ...).
constexpr int kMaxDemoUnits = 8;
std::unique_ptr<CHidBackend> MakeHidBackend(HidBackendKind kind, int demoUnits = 1);

// Brings a read of n bytes into the form the frame receiver takes: devices
// without numbered reports deliver the 64 data bytes without the ID byte.
void NormaliseInputReport(const std::uint8_t* data, int n, std::uint8_t* out65);
