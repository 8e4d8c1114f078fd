#include "transport/HidLink.h"

#include "protocol/Communication.h"
#include "protocol/CommunicationLog.h"

#include <algorithm>
#include <cctype>
#include <new>

namespace {

bool IsUnit(const HidInterfaceInfo& info)
{
    return info.vendor == kUnitVendorId && info.product == kUnitProductId && info.version == kUnitVersion;
}

std::string Lowered(const std::string& text)
{
    std::string lowered = text;
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lowered;
}

bool SamePath(const std::string& a, const std::string& b)
{
    return !a.empty() && Lowered(a) == Lowered(b);
}

const char* WriteResultText(HidWriteResult result)
{
    switch (result) {
    case HidWriteResult::Done: return "done";
    case HidWriteResult::Failed: return "the device refused it";
    case HidWriteResult::Unsupported: return "the device takes no output reports";
    case HidWriteResult::Gone: return "the device is gone";
    }
    return "unknown";
}

}  // namespace

const char* LinkTextFor(const LinkText& text)
{
    return g_LanguageChinese.load() != 0 ? text.chinese : text.english;
}

CHidLink::CHidLink(CHidBackend& backend, LinkHooks hooks, int readSliceMs)
    : m_backend(backend), m_hooks(std::move(hooks)), m_readSliceMs(readSliceMs)
{
}

CHidLink::~CHidLink()
{
    if (m_started) {
        SetWriteReportHook(nullptr);
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_readWake.notify_all();
        m_writeWake.notify_all();
        m_reader.join();
        m_writeDone.join();
        m_watch.reset();
    }
    CloseDevice();
}

void CHidLink::StartLink()
{
    if (m_started)
        return;
    m_started = true;
    m_writeDone = std::thread([this] { WriteDoneThread(); });
    m_reader = std::thread([this] { ReaderThread(); });
    SetWriteReportHook([this](const std::uint8_t* data64) { return WriteReport(data64); });
    m_watch = m_backend.WatchDevices(
        [this](std::uint32_t event, const std::string& path) { PostDeviceChange(event, path); });
}

bool CHidLink::OpenDevice()
{
    CloseDevice();   // earlier handles: the reader lets go of them first
    std::vector<HidInterfaceInfo> interfaces;
    try {
        interfaces = m_backend.Enumerate();
    } catch (const std::bad_alloc&) {
        ShowMessage(kTextNotEnoughMemory, m_hooks.applicationName);
        return false;
    }
    for (const HidInterfaceInfo& info : interfaces) {
        m_devicePath = info.path;
        if (IsUnit(info))
            return OpenHandles(info.path);
    }
    const std::string startup = m_backend.StartupError();
    LogEvent(LogCategory::Link, startup.empty() ? LogLevel::Info : LogLevel::Warning,
             startup.empty() ? "no unit among " + std::to_string(interfaces.size()) + " HID interfaces" : startup);
    SetProblem(LinkProblem::NotFound);
    ShowStatus(kTextCannotFindDevice);
    return false;
}

// A unit that was found but cannot be opened counts as not found, so that the
// program never claims a connection it cannot use.
bool CHidLink::OpenHandles(const std::string& path)
{
    const HidOpenResult read = m_backend.Open(path, false);
    const HidOpenResult write = read.handle != kInvalidHidHandle ? m_backend.Open(path, true) : HidOpenResult{};
    if (read.handle == kInvalidHidHandle || write.handle == kInvalidHidHandle) {
        if (read.handle != kInvalidHidHandle)
            m_backend.Close(read.handle);
        else
            ShowStatus(kTextInvalidReadHandle);
        const bool denied =
            read.error == HidOpenError::PermissionDenied || write.error == HidOpenError::PermissionDenied;
        const std::string& reason = read.handle == kInvalidHidHandle ? read.reason : write.reason;
        LogEvent(LogCategory::Link, LogLevel::Warning,
                 "the unit at " + path + " cannot be opened: " + (denied ? "permission denied" : "open failed") +
                     " (" + reason + ")");
        if (denied)
            ShowStatus(kTextNoPermission);
        SetProblem(denied ? LinkProblem::NoPermission : LinkProblem::NotFound);
        ShowStatus(kTextCannotFindDevice);
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        m_readHandle = read.handle;
        m_writeHandle = write.handle;
        m_openPath = path;
        g_WriteBusy.store(0);
        g_DeviceOpen.store(1);
    }
    m_readWake.notify_all();
    ForgetDeviceEvents(path);
    LogEvent(LogCategory::Link, LogLevel::Info, "opened the unit at " + path);
    SetProblem(LinkProblem::None);
    ShowStatus(kTextFindDevice);
    return true;
}

void CHidLink::CloseDevice()
{
    std::unique_lock lock(m_mutex);
    g_DeviceOpen.store(0);
    m_readWake.notify_all();
    m_letGo.wait_for(lock, kLetGoLimit,
                     [this] { return m_readHandle == kInvalidHidHandle || m_readerHandle != m_readHandle; });
    ReleaseHandle(m_readHandle, m_readerHandle);
    ReleaseHandle(m_writeHandle, m_writerHandle);
    if (m_reportPending) {
        m_reportPending = false;
        g_WriteFailed.store(1);
        g_WriteBusy.store(0);
    }
}

// Closes a handle now, or leaves it to the thread that is still inside a call on it.
void CHidLink::ReleaseHandle(HidHandle& handle, HidHandle inUse)
{
    if (handle == kInvalidHidHandle)
        return;
    if (handle == inUse)
        m_orphans.push_back(handle);
    else
        m_backend.Close(handle);
    handle = kInvalidHidHandle;
}

void CHidLink::CloseOrphan(HidHandle handle)
{
    const auto it = std::find(m_orphans.begin(), m_orphans.end(), handle);
    if (it == m_orphans.end())
        return;
    m_orphans.erase(it);
    m_backend.Close(handle);
}

bool CHidLink::WriteReport(const std::uint8_t* data64)
{
    if (g_DeviceOpen.load() == 0) {
        CloseDevice();
        ReportDisconnect();
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        if (m_writeHandle == kInvalidHidHandle)
            return false;
        if (g_WriteBusy.load() != 0 || m_reportPending || m_writerHandle != kInvalidHidHandle)
            return false;   // the report is dropped
        m_report[0] = kReportIdNone;
        std::copy(data64, data64 + kReportSize, m_report.begin() + 1);
        m_reportHandle = m_writeHandle;
        m_reportPending = true;
        g_WriteFailed.store(0);
        g_WriteBusy.store(1);
    }
    m_writeWake.notify_one();
    return true;
}

// A write found the device closed: the unit is gone, as if its removal had come.
void CHidLink::ReportDisconnect()
{
    Lose(kTextDeviceDisconnect);
}

// The state changes before anything is shown, so that ticks send nothing meanwhile.
void CHidLink::Lose(const LinkText& warning)
{
    m_lost = m_lost || g_Connected.load() != 0;
    g_Connected.store(0);
    SetButtonImage(kUsbBitmapDisconnected);
    if (m_lostWarning != nullptr)
        return;   // told once per loss
    m_lostWarning = &warning;
    m_warningInTicks = kLostWarningTicks;
}

// hidapi writes synchronously, so this thread does the write and clears the
// busy flag when it has completed.
void CHidLink::WriteDoneThread()
{
    std::unique_lock lock(m_mutex);
    while (true) {
        m_writeWake.wait(lock, [this] { return m_stopping || m_reportPending; });
        if (m_stopping)
            return;
        const HidHandle handle = m_reportHandle;
        const auto report = m_report;
        m_reportPending = false;
        m_writerHandle = handle;
        lock.unlock();
        const HidWriteStatus status = m_backend.Write(handle, report.data());
        const HidWriteResult result = status.result;
        lock.lock();
        m_writerHandle = kInvalidHidHandle;
        CloseOrphan(handle);
        // the failure is set before the busy flag drops: the sender reads it after
        if (result != HidWriteResult::Done)
            g_WriteFailed.store(1);
        g_WriteBusy.store(0);
        if (result == HidWriteResult::Done)
            continue;
        lock.unlock();
        LogEvent(LogCategory::Link, LogLevel::Warning,
                 std::string("report write failed: ") + WriteResultText(result) + " (" + status.reason + ")");
        if (result == HidWriteResult::Unsupported)
            ShowStatus(kTextWriteUnsupported);
        else if (result == HidWriteResult::Gone)
            DeviceLost(handle);
        lock.lock();
    }
}

void CHidLink::ReaderThread()
{
    std::uint8_t report[kInputReportSize];
    HidHandle lastRead = kInvalidHidHandle;
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (g_DeviceOpen.load() == 0 || m_readHandle == kInvalidHidHandle) {
            m_readWake.wait(lock);
            continue;
        }
        const HidHandle handle = m_readHandle;
        m_readerHandle = handle;
        lock.unlock();
        if (handle != lastRead) {
            ResetReceiver();   // a frame cut off on an earlier handle never completes
            lastRead = handle;
        }
        const HidReadStatus got = m_backend.Read(handle, report, m_readSliceMs);
        lock.lock();
        m_readerHandle = kInvalidHidHandle;
        CloseOrphan(handle);
        m_letGo.notify_all();
        const bool current = handle == m_readHandle && g_DeviceOpen.load() != 0;
        if (got.result == HidReadResult::Nothing || !current)
            continue;
        lock.unlock();
        if (got.result == HidReadResult::Report) {
            FeedInputReport(report);
        } else {
            LogEvent(LogCategory::Link, LogLevel::Warning,
                     "read failed (" + got.reason + "): the unit counts as removed");
            DeviceLost(handle);
        }
        lock.lock();
    }
}

// A device that fails a read or vanished under a write counts as removed.
void CHidLink::DeviceLost(HidHandle handle)
{
    std::string path;
    {
        std::lock_guard lock(m_mutex);
        if (g_DeviceOpen.load() == 0 || (handle != m_readHandle && handle != m_writeHandle))
            return;
        g_DeviceOpen.store(0);
        path = m_openPath;
    }
    PostDeviceChange(DBT_DEVICEREMOVECOMPLETE, path);
}

void CHidLink::PostDeviceChange(std::uint32_t event, const std::string& path)
{
    {
        std::lock_guard lock(m_eventMutex);
        auto [it, added] = m_lastEvent.try_emplace(Lowered(path), event);
        if (!added && it->second == event)
            return;
        it->second = event;
    }
    if (m_hooks.postDeviceChange)
        m_hooks.postDeviceChange(event, path);
}

void CHidLink::ForgetDeviceEvents(const std::string& path)
{
    std::lock_guard lock(m_eventMutex);
    m_lastEvent.erase(Lowered(path));
}

bool CHidLink::OnDeviceChange(std::uint32_t event, const std::string& path)
{
    if (event == DBT_DEVICEARRIVAL) {
        // A node that is not ready to open yet (its access rights come a moment later) is tried again.
        if (m_lost && g_Connected.load() == 0 && !TryReconnect())
            m_reconnectTicks = kReconnectTicks;
        return true;
    }
    if (event == DBT_DEVICEREMOVECOMPLETE && SamePath(path, m_devicePath)) {
        LogEvent(LogCategory::Link, LogLevel::Warning, "the unit at " + path + " was removed");
        CloseDevice();
        Lose(kTextCantFindDevice);
    }
    return true;
}

// Any unit with the identity will do: it may come back at a new path.
bool CHidLink::TryReconnect()
{
    if (!OpenDevice())
        return false;
    LogEvent(LogCategory::Link, LogLevel::Info, "reconnected to the unit at " + m_devicePath);
    Connected();
    if (m_hooks.reconnected)
        m_hooks.reconnected();
    return true;
}

void CHidLink::Connected()
{
    SetButtonImage(kUsbBitmapConnected);
    g_Connected.store(1);
    QueueReadSetup();
    ForgetLoss();
}

void CHidLink::ForgetLoss()
{
    m_lost = false;
    m_reconnectTicks = 0;
    m_lostWarning = nullptr;
    m_warningInTicks = 0;
    if (m_warningShown && m_hooks.closeLostWarning)
        m_hooks.closeLostWarning();
    m_warningShown = false;
}

void CHidLink::OnTick()
{
    if (m_warningInTicks > 0 && --m_warningInTicks == 0 && m_lostWarning != nullptr) {
        m_warningShown = true;
        if (m_hooks.showLostWarning)
            m_hooks.showLostWarning(LinkTextFor(*m_lostWarning), kWarningCaption);
    }
    if (m_reconnectTicks > 0 && m_lost) {
        --m_reconnectTicks;
        TryReconnect();
    }
}

void CHidLink::OnConnectButton()
{
    if (g_Connected.load() != 0) {
        CloseDevice();
        g_Connected.store(0);
        SetButtonImage(kUsbBitmapDisconnected);
        ForgetLoss();   // disconnected on purpose: an arrival does not reconnect
        return;
    }
    if (OpenDevice()) {
        Connected();
        return;
    }
    SetButtonImage(kUsbBitmapDisconnected);
    ShowMessage(m_problem == LinkProblem::NoPermission ? kTextNoPermission : kTextCantFindDevice, kWarningCaption);
}

void CHidLink::ShowStatus(const LinkText& text)
{
    if (m_hooks.status)
        m_hooks.status(LinkTextFor(text));
}

void CHidLink::ShowMessage(const LinkText& text, const std::string& caption)
{
    if (m_hooks.messageBox)
        m_hooks.messageBox(LinkTextFor(text), caption);
}

void CHidLink::SetProblem(LinkProblem problem)
{
    m_problem = problem;
    if (m_hooks.problem)
        m_hooks.problem(problem);
}

void CHidLink::SetButtonImage(int bitmapId)
{
    if (m_hooks.connectButtonImage)
        m_hooks.connectButtonImage(bitmapId);
}

const std::string& CHidLink::DevicePath() const
{
    return m_devicePath;
}

bool CHidLink::HandlesClosed() const
{
    std::lock_guard lock(m_mutex);
    return m_readHandle == kInvalidHidHandle && m_writeHandle == kInvalidHidHandle;
}
