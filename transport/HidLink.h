// The HID device link: finds the unit by its USB identity, opens a read and a
// write handle, writes the framing layer's reports, feeds input reports to the
// frame receiver on a reader thread, reacts to arrival and removal, and
// implements the connect button.
#pragma once

#include "transport/HidBackend.h"
#include "transport/HidLinkTexts.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Why the last connect found no usable unit.
enum class LinkProblem {
    None,
    NotFound,       // no interface with the unit's identity
    NoPermission,   // the unit is attached but this user may not open it
};

// How the link reaches the window; set by the UI before StartLink().
struct LinkHooks {
    // A modal box (UI thread).
    std::function<void(const std::string& text, const std::string& caption)> messageBox;
    // The connect button's bitmap, kUsbBitmapDisconnected or kUsbBitmapConnected (UI thread).
    std::function<void(int bitmapId)> connectButtonImage;
    // Status texts; called on any of the link's threads.
    std::function<void(const std::string& text)> status;
    // What the last connect or search found (UI thread).
    std::function<void(LinkProblem problem)> problem;
    // The warning that the unit is gone, shown without blocking, and its closing
    // when the unit is back (UI thread).
    std::function<void(const std::string& text, const std::string& caption)> showLostWarning;
    std::function<void()> closeLostWarning;
    // The link came back by itself after the unit was unplugged (UI thread).
    std::function<void()> reconnected;
    // Hands a device change over to the UI thread, which then calls
    // OnDeviceChange(event, path); called on the watcher and worker threads.
    std::function<void(std::uint32_t event, const std::string& path)> postDeviceChange;
    // Caption of the out-of-memory box.
    std::string applicationName = "Quenda";
};

class CHidLink {
public:
    // One read waits at most this long, so the reader lets go of a handle soon.
    static constexpr int kReadSliceMs = 100;
    // How long closing waits for the reader to let go before leaving the
    // handle to the reader to close.
    static constexpr std::chrono::milliseconds kLetGoLimit{1000};
    // Ticks a lost unit has to come back before the warning shows: a loose
    // cable that drops the unit for a moment raises no box.
    static constexpr int kLostWarningTicks = 10;
    // Ticks an arrived unit is tried again while its node is not ready to open.
    static constexpr int kReconnectTicks = 30;

    CHidLink(CHidBackend& backend, LinkHooks hooks, int readSliceMs = kReadSliceMs);
    // Stops the threads; a write stuck in the back-end is waited for.
    ~CHidLink();
    CHidLink(const CHidLink&) = delete;
    CHidLink& operator=(const CHidLink&) = delete;

    // Starts WriteDoneThread and ReaderThread, installs WriteReport as the
    // framing layer's write hook and starts watching devices. Once per run.
    void StartLink();

    // Closes earlier handles, then searches for the first interface with the
    // unit's identity and opens it; true when both handles are open.
    bool OpenDevice();
    void CloseDevice();

    // Hands 64 frame bytes to the write thread as one output report; true if
    // the write is under way. Refused while not open or while a write is busy.
    bool WriteReport(const std::uint8_t* data64);

    // The window's handler of device arrival and removal; always true. A unit
    // that was lost by removal is connected again when one arrives.
    bool OnDeviceChange(std::uint32_t event, const std::string& path);
    void OnConnectButton();
    // The window's 100 ms tick: the delayed warning, and retries of a reconnect.
    void OnTick();

    void ShowStatus(const LinkText& text);

    // Why the last search found no usable unit (UI thread).
    LinkProblem Problem() const { return m_problem; }

    // The interface the last search examined (UI thread).
    const std::string& DevicePath() const;
    // Read and write handle both closed (nothing left open on the device).
    bool HandlesClosed() const;

private:
    void ReaderThread();
    void WriteDoneThread();
    bool OpenHandles(const std::string& path);
    void ReleaseHandle(HidHandle& handle, HidHandle inUse);
    void CloseOrphan(HidHandle handle);
    void DeviceLost(HidHandle handle);
    void PostDeviceChange(std::uint32_t event, const std::string& path);
    void ForgetDeviceEvents(const std::string& path);
    void ReportDisconnect();
    void Lose(const LinkText& warning);
    bool TryReconnect();
    void Connected();
    void ForgetLoss();
    void ShowMessage(const LinkText& text, const std::string& caption);
    void SetButtonImage(int bitmapId);
    void SetProblem(LinkProblem problem);

    CHidBackend& m_backend;
    const LinkHooks m_hooks;
    const int m_readSliceMs;

    // UI thread only.
    std::string m_devicePath;
    bool m_started = false;
    LinkProblem m_problem = LinkProblem::None;
    bool m_lost = false;                          // connected until the unit went: an arrival reconnects
    const LinkText* m_lostWarning = nullptr;      // due or shown for this loss
    int m_warningInTicks = 0;                     // until the warning shows; 0 when none is due
    bool m_warningShown = false;
    int m_reconnectTicks = 0;                     // retries left for an arrived unit
    std::unique_ptr<CHidWatch> m_watch;
    std::thread m_reader;
    std::thread m_writeDone;

    // Handles and the write slot, shared with the worker threads.
    mutable std::mutex m_mutex;
    std::condition_variable m_readWake;    // the device was opened or closed, or the link stops
    std::condition_variable m_letGo;       // the reader came back from a read
    std::condition_variable m_writeWake;   // a report waits, or the link stops
    HidHandle m_readHandle = kInvalidHidHandle;
    HidHandle m_writeHandle = kInvalidHidHandle;
    HidHandle m_readerHandle = kInvalidHidHandle;   // the handle the reader is inside a read on
    HidHandle m_writerHandle = kInvalidHidHandle;   // the handle the write thread is writing on
    std::vector<HidHandle> m_orphans;               // closed by the thread still using them
    std::string m_openPath;
    std::array<std::uint8_t, kOutputReportSize> m_report{};
    HidHandle m_reportHandle = kInvalidHidHandle;
    bool m_reportPending = false;
    bool m_stopping = false;

    // The last event passed on per path, so that a removal seen both by the
    // watcher and by a failing read is told once.
    std::mutex m_eventMutex;
    std::map<std::string, std::uint32_t> m_lastEvent;
};
