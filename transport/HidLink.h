// The HID device link: finds the unit by its USB identity, opens a read and a
// write handle, writes the frame writer's reports, hands input reports to the
// unit on a reader thread, reacts to arrival and removal, and implements the
// connect button. It reports its state and the reason; what the user sees of
// it is the window's to choose.
#pragma once

#include "protocol/EventLog.h"
#include "protocol/Framing.h"
#include "transport/HidBackend.h"
#include "transport/UnitClaims.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Why the last search found no usable unit.
enum class LinkProblem {
    None,
    NotFound,       // no interface with the unit's identity
    NoPermission,   // the unit is attached but this user may not open it
    InUse,          // another program has the unit: Holder() says which
};

// How the unit went away.
enum class LossCause {
    Removed,   // it was unplugged, or a read or write failed on it
    Closed,    // a write found its device closed
};

struct ConnectionEvent {
    enum class Kind {
        Connected,       // the user's connect found the unit
        ConnectFailed,   // the user's connect found no usable unit: problem says why
        Disconnected,    // the user disconnected
        Lost,            // the unit went away: cause says how
        Reconnected,     // the unit came back by itself after it went away
        SearchFailed,    // looking for the unit again found none usable: problem says why
    };
    Kind kind = Kind::Disconnected;
    LinkProblem problem = LinkProblem::None;
    LossCause cause = LossCause::Removed;
    bool outOfMemory = false;   // listing the HID devices ran out of memory
};

// What the link reports, for the log in the interface's words.
enum class LinkNote {
    DeviceFound,
    DeviceNotFound,
    InvalidReadHandle,   // the unit was found but its read handle could not be opened
    NoPermission,
    WriteUnsupported,    // the device takes no output reports
};

// What the link tells the unit it serves.
class CLinkEvents : public CEventLog {
public:
    // Reader thread: a read on a handle other than the last one begins (a frame
    // cut off on an earlier handle never completes), and one input report.
    virtual void ReadingStarts() = 0;
    virtual void InputReport(const std::uint8_t* report65) = 0;
    // Watcher, reader and write threads: a device change, for the owner's thread
    // to hand to OnDeviceChange.
    virtual void PostDeviceChange(HidDeviceChange change, const std::string& path) = 0;
    // Any thread.
    virtual void Note(LinkNote note) = 0;
    // The owner's thread, after the state changed.
    virtual void ConnectionChanged(const ConnectionEvent& event) = 0;
};

class CHidLink : public CReportSink {
public:
    // One read waits at most this long, so the reader lets go of a handle soon.
    static constexpr int kReadSliceMs = 100;
    // How long closing waits for the reader to let go before leaving the
    // handle to the reader to close.
    static constexpr std::chrono::milliseconds kLetGoLimit{1000};
    // Ticks an arrived unit is tried again while its node is not ready to open.
    static constexpr int kReconnectTicks = 30;
    // After a loss the user did not choose, the unit is looked for on each of
    // these first ticks (the window's warning waits as long), then once every
    // period: it is reconnected whether or not a watcher saw it come back.
    static constexpr int kLookEveryTickFor = 10;
    static constexpr int kLookPeriodTicks = 10;

    CHidLink(CHidBackend& backend, CLinkEvents& events, int readSliceMs = kReadSliceMs);
    // Stops the threads; a write stuck in the back-end is waited for.
    ~CHidLink() override;
    CHidLink(const CHidLink&) = delete;
    CHidLink& operator=(const CHidLink&) = delete;

    // Starts the write and reader threads and watching devices. Once per run.
    void StartLink();
    // The attached units, in the system's order; may throw std::bad_alloc.
    std::vector<HidInterfaceInfo> AttachedUnits();
    // The unit to open, by its serial number or path; empty: the first one
    // found. Owner's thread, before connecting.
    void ChooseUnit(const std::string& key) { m_chosenKey = key; }
    // From now on a unit is claimed before it is opened (owner's thread, while
    // no unit is open); nullptr claims nothing.
    void ClaimUnitsThrough(std::unique_ptr<CUnitClaims> claims) { m_claims = std::move(claims); }

    // Closes earlier handles, then searches for the first interface with the
    // unit's identity and opens it; true when both handles are open.
    bool OpenDevice();
    void CloseDevice();

    bool IsConnected() const override { return m_connected.load(); }
    // Hands 64 frame bytes to the write thread as one output report and waits
    // for the write; refused while not open or while an earlier write is still busy.
    bool WriteReport(const std::uint8_t* data64, std::chrono::milliseconds limit) override;

    // The owner's handler of device arrival and removal. A unit that was lost
    // by removal is connected again when one arrives, or when a tick finds it.
    void OnDeviceChange(HidDeviceChange change, const std::string& path);
    // Connects, or disconnects while connected.
    void OnConnectButton();
    // The owner's 100 ms tick: looking for a lost unit, retries of a reconnect.
    void OnTick();

    // Why the last search found no usable unit (owner's thread).
    LinkProblem Problem() const { return m_problem; }
    // The interface the last search examined (owner's thread).
    const std::string& DevicePath() const { return m_devicePath; }
    // The unit opened last, as the system lists it (owner's thread).
    const HidInterfaceInfo& OpenUnit() const { return m_openUnit; }
    // The program that had the unit when the last search found it in use (owner's thread).
    const UnitHolder& Holder() const { return m_holder; }
    // Read and write handle both closed (nothing left open on the device).
    bool HandlesClosed() const;

private:
    void ReaderThread();
    void WriteDoneThread();
    const HidInterfaceInfo* PickUnit(const std::vector<HidInterfaceInfo>& interfaces) const;
    bool ClaimAndOpen(const HidInterfaceInfo& info);
    bool OpenHandles(const std::string& path);
    void ReleaseHandle(HidHandle& handle, HidHandle inUse);
    void CloseOrphan(HidHandle handle);
    void FailPendingWrite();
    void DeviceLost(HidHandle handle);
    void PostDeviceChange(HidDeviceChange change, const std::string& path);
    void ForgetDeviceEvents(const std::string& path);
    void Lose(LossCause cause);
    bool TryReconnect();
    bool IsLookingTick() const;
    bool UnitAttached();
    void Connected(ConnectionEvent::Kind kind);
    void Report(ConnectionEvent event);
    void Log(LogLevel level, const std::string& text);

    CHidBackend& m_backend;
    CLinkEvents& m_events;
    const int m_readSliceMs;
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_deviceOpen{false};

    // Owner's thread only.
    std::string m_devicePath;
    bool m_started = false;
    LinkProblem m_problem = LinkProblem::None;
    std::unique_ptr<CUnitClaims> m_claims;
    std::string m_chosenKey;      // the unit the user chose, if any
    HidInterfaceInfo m_openUnit;  // the unit opened last: a loss brings back only it
    UnitHolder m_holder;
    bool m_searchOutOfMemory = false;
    bool m_lost = false;          // connected until the unit went: an arrival reconnects
    int m_reconnectTicks = 0;     // retries left for an arrived unit
    int m_ticksLost = 0;          // ticks since the unit was lost
    std::unique_ptr<CHidWatch> m_watch;
    std::thread m_reader;
    std::thread m_writeDone;

    // Handles and the write slot, shared with the worker threads.
    mutable std::mutex m_mutex;
    std::condition_variable m_readWake;    // the device was opened or closed, or the link stops
    std::condition_variable m_letGo;       // the reader came back from a read
    std::condition_variable m_writeWake;   // a report waits, or the link stops
    std::condition_variable m_written;     // a write completed
    HidHandle m_readHandle = kInvalidHidHandle;
    HidHandle m_writeHandle = kInvalidHidHandle;
    HidHandle m_readerHandle = kInvalidHidHandle;   // the handle the reader is inside a read on
    HidHandle m_writerHandle = kInvalidHidHandle;   // the handle the write thread is writing on
    std::vector<HidHandle> m_orphans;               // closed by the thread still using them
    std::string m_openPath;
    std::array<std::uint8_t, kOutputReportSize> m_report{};
    HidHandle m_reportHandle = kInvalidHidHandle;
    bool m_reportPending = false;
    std::uint64_t m_writesRequested = 0;
    std::uint64_t m_writesCompleted = 0;
    bool m_lastWriteDone = false;   // the write completed last reached the device
    bool m_stopping = false;

    // The last event passed on per path, so that a removal seen both by the
    // watcher and by a failing read is told once.
    std::mutex m_eventMutex;
    std::map<std::string, HidDeviceChange> m_lastEvent;
};
