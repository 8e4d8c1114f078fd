#include "transport/HidLink.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <utility>

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

CHidLink::CHidLink(CHidBackend& backend, CLinkEvents& events, int readSliceMs)
    : m_backend(backend), m_events(events), m_readSliceMs(readSliceMs)
{
}

CHidLink::~CHidLink()
{
    if (m_started) {
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
    m_watch = m_backend.WatchDevices(
        [this](HidDeviceChange change, const std::string& path) { PostDeviceChange(change, path); });
}

bool CHidLink::OpenDevice()
{
    CloseDevice();   // earlier handles: the reader lets go of them first
    std::vector<HidInterfaceInfo> interfaces;
    try {
        interfaces = m_backend.Enumerate();
    } catch (const std::bad_alloc&) {
        Log(LogLevel::Warning, "listing the HID devices ran out of memory");
        m_searchOutOfMemory = true;
        return false;
    }
    for (const HidInterfaceInfo& info : interfaces)
        m_devicePath = info.path;   // told when nothing is found
    if (const HidInterfaceInfo* unit = PickUnit(interfaces)) {
        m_devicePath = unit->path;
        return ClaimAndOpen(*unit);
    }
    const std::string startup = m_backend.StartupError();
    Log(startup.empty() ? LogLevel::Info : LogLevel::Warning,
        startup.empty() ? "no unit among " + std::to_string(interfaces.size()) + " HID interfaces" : startup);
    m_problem = LinkProblem::NotFound;
    m_events.Note(LinkNote::DeviceNotFound);
    return false;
}

std::vector<HidInterfaceInfo> CHidLink::AttachedUnits()
{
    std::vector<HidInterfaceInfo> units = m_backend.Enumerate();
    std::erase_if(units, [](const HidInterfaceInfo& info) { return !IsUnit(info); });
    return units;
}

// The unit the user chose, or after a loss the unit that was lost, never
// another one; else the first. A unit without a serial number is known by its
// path, but when it is the only unit attached it is taken back at a new one.
const HidInterfaceInfo* CHidLink::PickUnit(const std::vector<HidInterfaceInfo>& interfaces) const
{
    std::vector<const HidInterfaceInfo*> units;
    for (const HidInterfaceInfo& info : interfaces)
        if (IsUnit(info))
            units.push_back(&info);
    const std::string wanted = m_lost ? UnitKey(m_openUnit) : m_chosenKey;
    if (wanted.empty())
        return units.empty() ? nullptr : units.front();
    for (const HidInterfaceInfo* unit : units)
        if (IsKnownAs(*unit, wanted))
            return unit;
    const bool lostWithoutSerial = m_lost && m_chosenKey.empty() && m_openUnit.serial.empty();
    if (lostWithoutSerial && units.size() == 1 && units.front()->serial.empty())
        return units.front();
    return nullptr;
}

// A unit another program has is left alone: its answers would be taken for ours.
bool CHidLink::ClaimAndOpen(const HidInterfaceInfo& info)
{
    if (m_claims != nullptr) {
        UnitHolder holder;
        if (!m_claims->Claim(UnitKey(info), holder)) {
            if (m_problem != LinkProblem::InUse || holder.processId != m_holder.processId)
                Log(LogLevel::Warning, "the unit at " + info.path + " is in use by process " +
                                           std::to_string(holder.processId) + " (" + holder.command + ")");
            m_problem = LinkProblem::InUse;
            m_holder = holder;
            return false;
        }
    }
    if (OpenHandles(info.path)) {
        m_openUnit = info;
        return true;
    }
    if (m_claims != nullptr)
        m_claims->Release();
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
            m_events.Note(LinkNote::InvalidReadHandle);
        const bool denied =
            read.error == HidOpenError::PermissionDenied || write.error == HidOpenError::PermissionDenied;
        const std::string& reason = read.handle == kInvalidHidHandle ? read.reason : write.reason;
        Log(LogLevel::Warning, "the unit at " + path + " cannot be opened: " +
                                   (denied ? "permission denied" : "open failed") + " (" + reason + ")");
        if (denied)
            m_events.Note(LinkNote::NoPermission);
        m_problem = denied ? LinkProblem::NoPermission : LinkProblem::NotFound;
        m_events.Note(LinkNote::DeviceNotFound);
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        m_readHandle = read.handle;
        m_writeHandle = write.handle;
        m_openPath = path;
        m_deviceOpen.store(true);
    }
    m_readWake.notify_all();
    ForgetDeviceEvents(path);
    Log(LogLevel::Info, "opened the unit at " + path);
    m_problem = LinkProblem::None;
    m_events.Note(LinkNote::DeviceFound);
    return true;
}

void CHidLink::CloseDevice()
{
    {
        std::unique_lock lock(m_mutex);
        m_deviceOpen.store(false);
        m_readWake.notify_all();
        m_letGo.wait_for(lock, kLetGoLimit,
                         [this] { return m_readHandle == kInvalidHidHandle || m_readerHandle != m_readHandle; });
        ReleaseHandle(m_readHandle, m_readerHandle);
        ReleaseHandle(m_writeHandle, m_writerHandle);
        if (m_reportPending) {
            m_reportPending = false;
            FailPendingWrite();
        }
    }
    if (m_claims != nullptr)
        m_claims->Release();
}

// The report waiting for the write thread is not written: its sender is told so.
void CHidLink::FailPendingWrite()
{
    m_writesCompleted = m_writesRequested;
    m_lastWriteDone = false;
    m_written.notify_all();
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

bool CHidLink::WriteReport(const std::uint8_t* data64, std::chrono::milliseconds limit)
{
    if (!m_deviceOpen.load()) {
        CloseDevice();
        Lose(LossCause::Closed);   // a write found the device closed: the unit is gone
        return false;
    }
    std::unique_lock lock(m_mutex);
    if (m_writeHandle == kInvalidHidHandle)
        return false;
    if (m_reportPending || m_writerHandle != kInvalidHidHandle)
        return false;   // an earlier write has not completed: the report is dropped
    m_report[0] = kReportIdNone;
    std::copy(data64, data64 + kReportSize, m_report.begin() + 1);
    m_reportHandle = m_writeHandle;
    m_reportPending = true;
    const std::uint64_t write = ++m_writesRequested;
    m_writeWake.notify_one();
    // A write that does not complete in time counts as failed, so that the UI
    // thread never hangs on a stuck device.
    const bool completed = m_written.wait_for(lock, limit, [&] { return m_writesCompleted >= write; });
    return completed && m_lastWriteDone;
}

// The state changes before anything is reported, so that ticks send nothing meanwhile.
void CHidLink::Lose(LossCause cause)
{
    if (m_connected.load())
        m_ticksLost = 0;
    m_lost = m_lost || m_connected.load();
    m_connected.store(false);
    ConnectionEvent event;
    event.kind = ConnectionEvent::Kind::Lost;
    event.cause = cause;
    Report(event);
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
        m_writesCompleted = m_writesRequested;
        m_lastWriteDone = result == HidWriteResult::Done;
        m_written.notify_all();
        if (result == HidWriteResult::Done)
            continue;
        lock.unlock();
        Log(LogLevel::Warning, std::string("report write failed: ") + WriteResultText(result) + " (" + status.reason + ")");
        if (result == HidWriteResult::Unsupported)
            m_events.Note(LinkNote::WriteUnsupported);
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
        if (!m_deviceOpen.load() || m_readHandle == kInvalidHidHandle) {
            m_readWake.wait(lock);
            continue;
        }
        const HidHandle handle = m_readHandle;
        m_readerHandle = handle;
        lock.unlock();
        if (handle != lastRead) {
            m_events.ReadingStarts();
            lastRead = handle;
        }
        const HidReadStatus got = m_backend.Read(handle, report, m_readSliceMs);
        lock.lock();
        m_readerHandle = kInvalidHidHandle;
        CloseOrphan(handle);
        m_letGo.notify_all();
        const bool current = handle == m_readHandle && m_deviceOpen.load();
        if (got.result == HidReadResult::Nothing || !current)
            continue;
        lock.unlock();
        if (got.result == HidReadResult::Report) {
            m_events.InputReport(report);
        } else {
            Log(LogLevel::Warning, "read failed (" + got.reason + "): the unit counts as removed");
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
        if (!m_deviceOpen.load() || (handle != m_readHandle && handle != m_writeHandle))
            return;
        m_deviceOpen.store(false);
        path = m_openPath;
    }
    PostDeviceChange(HidDeviceChange::Removed, path);
}

void CHidLink::PostDeviceChange(HidDeviceChange change, const std::string& path)
{
    {
        std::lock_guard lock(m_eventMutex);
        auto [it, added] = m_lastEvent.try_emplace(Lowered(path), change);
        if (!added && it->second == change)
            return;
        it->second = change;
    }
    m_events.PostDeviceChange(change, path);
}

void CHidLink::ForgetDeviceEvents(const std::string& path)
{
    std::lock_guard lock(m_eventMutex);
    m_lastEvent.erase(Lowered(path));
}

void CHidLink::OnDeviceChange(HidDeviceChange change, const std::string& path)
{
    if (change == HidDeviceChange::Arrived) {
        // A node that is not ready to open yet (its access rights come a moment later) is tried again.
        if (m_lost && !m_connected.load() && !TryReconnect())
            m_reconnectTicks = kReconnectTicks;
        return;
    }
    if (change == HidDeviceChange::Removed && SamePath(path, m_devicePath)) {
        Log(LogLevel::Warning, "the unit at " + path + " was removed");
        CloseDevice();
        Lose(LossCause::Removed);
    }
}

// Any unit with the identity will do: it may come back at a new path.
bool CHidLink::TryReconnect()
{
    if (!OpenDevice()) {
        ConnectionEvent event;
        event.kind = ConnectionEvent::Kind::SearchFailed;
        event.problem = m_problem;
        event.outOfMemory = std::exchange(m_searchOutOfMemory, false);
        Report(event);
        return false;
    }
    Log(LogLevel::Info, "reconnected to the unit at " + m_devicePath);
    Connected(ConnectionEvent::Kind::Reconnected);
    return true;
}

void CHidLink::Connected(ConnectionEvent::Kind kind)
{
    m_connected.store(true);
    m_lost = false;
    m_reconnectTicks = 0;
    ConnectionEvent event;
    event.kind = kind;
    Report(event);
}

void CHidLink::OnTick()
{
    if (!m_lost || m_connected.load())
        return;
    ++m_ticksLost;
    if (m_reconnectTicks > 0) {
        --m_reconnectTicks;
        TryReconnect();
    } else if (IsLookingTick() && UnitAttached()) {
        TryReconnect();
    }
}

bool CHidLink::IsLookingTick() const
{
    return m_ticksLost <= kLookEveryTickFor || m_ticksLost % kLookPeriodTicks == 0;
}

// A quiet look: a unit that stays away fills no log.
bool CHidLink::UnitAttached()
{
    try {
        return PickUnit(m_backend.Enumerate()) != nullptr;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void CHidLink::OnConnectButton()
{
    ConnectionEvent event;
    if (m_connected.load()) {
        CloseDevice();
        m_connected.store(false);
        m_lost = false;   // disconnected on purpose: an arrival does not reconnect
        m_reconnectTicks = 0;
        event.kind = ConnectionEvent::Kind::Disconnected;
        Report(event);
        return;
    }
    if (OpenDevice()) {
        Connected(ConnectionEvent::Kind::Connected);
        return;
    }
    event.kind = ConnectionEvent::Kind::ConnectFailed;
    event.problem = m_problem;
    event.outOfMemory = std::exchange(m_searchOutOfMemory, false);
    Report(event);
}

void CHidLink::Report(ConnectionEvent event)
{
    m_events.ConnectionChanged(event);
}

void CHidLink::Log(LogLevel level, const std::string& text)
{
    m_events.Log(LogCategory::Link, level, text);
}

bool CHidLink::HandlesClosed() const
{
    std::lock_guard lock(m_mutex);
    return m_readHandle == kInvalidHidHandle && m_writeHandle == kInvalidHidHandle;
}
