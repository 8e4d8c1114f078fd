#include "transport/HidBackendSimulated.h"

#include <algorithm>
#include <new>
#include <utility>

class CSimulatedWatch : public CHidWatch {
public:
    CSimulatedWatch(CSimulatedHidBackend& backend, int id) : m_backend(backend), m_id(id) {}

    ~CSimulatedWatch() override
    {
        std::lock_guard lock(m_backend.m_mutex);
        m_backend.m_watchers.erase(m_id);
    }

private:
    CSimulatedHidBackend& m_backend;
    int m_id;
};

CSimulatedHidBackend::~CSimulatedHidBackend()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_activity.notify_all();
    if (m_clock.joinable())
        m_clock.join();
}

std::vector<HidInterfaceInfo> CSimulatedHidBackend::Enumerate()
{
    std::lock_guard lock(m_mutex);
    if (m_enumerationFails)
        throw std::bad_alloc();
    std::vector<HidInterfaceInfo> interfaces;
    for (const auto& device : m_devices)
        if (device->present)
            interfaces.push_back({device->spec.path, device->spec.vendor, device->spec.product, device->spec.version,
                                  device->spec.serial, device->spec.productText});
    return interfaces;
}

HidOpenResult CSimulatedHidBackend::Open(const std::string& path, bool)
{
    std::lock_guard lock(m_mutex);
    for (std::size_t i = 0; i < m_devices.size(); ++i) {
        const Device& device = *m_devices[i];
        if (!device.present || device.spec.path != path)
            continue;
        if (device.refusal != HidOpenError::None) {
            ++m_opensRefused;
            const bool denied = device.refusal == HidOpenError::PermissionDenied;
            return {kInvalidHidHandle, device.refusal, path + (denied ? ": Permission denied" : ": refused")};
        }
        const HidHandle handle = m_nextHandle++;
        m_open.emplace(handle, OpenHandle{static_cast<int>(i)});
        return {handle, HidOpenError::None, {}};
    }
    return {kInvalidHidHandle, HidOpenError::Other, path + ": No such device"};
}

HidWriteStatus CSimulatedHidBackend::Write(HidHandle handle, const std::uint8_t* report65)
{
    Lock lock(m_mutex);
    const auto it = m_open.find(handle);
    if (it == m_open.end() || it->second.closed)
        return {HidWriteResult::Failed, "the handle is closed"};
    OpenHandle& open = it->second;
    const int device = open.device;
    ++open.inUse;
    bool unplugNow = false;
    const HidWriteStatus result = WriteLocked(lock, open, report65, unplugNow);
    Release(it);
    lock.unlock();
    if (unplugNow)
        Unplug(device);
    return result;
}

HidWriteStatus CSimulatedHidBackend::WriteLocked(Lock& lock, OpenHandle& open, const std::uint8_t* report65,
                                                 bool& unplugNow)
{
    Device& device = *m_devices[static_cast<std::size_t>(open.device)];
    ++device.writesStarted;
    if (open.dead)
        return {HidWriteResult::Gone, "No such device"};
    switch (device.writeFault) {
    case SimulatedWriteFault::Fail:
        return {HidWriteResult::Failed, "Broken pipe"};
    case SimulatedWriteFault::Unsupported:
        return {HidWriteResult::Unsupported, "Operation not supported"};
    case SimulatedWriteFault::Stall:
        m_activity.wait(lock, [&] { return m_stopping || device.writeFault != SimulatedWriteFault::Stall; });
        return {HidWriteResult::Failed, "Connection timed out"};
    case SimulatedWriteFault::None:
        break;
    }
    OutputReport report;
    std::copy(report65, report65 + kOutputReportSize, report.begin());
    device.written.push_back(report);
    device.unit->ReceiveOutputReport(report65 + 1);
    unplugNow = device.unplugCountdown > 0 && --device.unplugCountdown == 0;
    MarkActivity();
    return {};
}

HidReadStatus CSimulatedHidBackend::Read(HidHandle handle, std::uint8_t* out65, int timeoutMs)
{
    Lock lock(m_mutex);
    const auto it = m_open.find(handle);
    if (it == m_open.end() || it->second.closed)
        return {HidReadResult::Failed, "the handle is closed"};
    OpenHandle& open = it->second;
    CSimulatedUnit& unit = *m_devices[static_cast<std::size_t>(open.device)]->unit;
    ++open.inUse;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    HidReadStatus result;
    while (result.result == HidReadResult::Nothing) {
        if (open.dead) {
            result = {HidReadResult::Failed, "No such device"};
        } else if (unit.TakeInputReport(out65)) {
            result.result = HidReadResult::Report;
        } else {
            m_idleReaders.insert(handle);
            m_idle.notify_all();
            if (m_activity.wait_until(lock, deadline) == std::cv_status::timeout)
                break;
        }
    }
    Release(it);
    return result;
}

void CSimulatedHidBackend::Release(std::map<HidHandle, OpenHandle>::iterator it)
{
    if (--it->second.inUse == 0 && it->second.closed)
        m_open.erase(it);
}

void CSimulatedHidBackend::Close(HidHandle handle)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_open.find(handle);
    if (it == m_open.end())
        return;
    if (it->second.inUse > 0) {
        ++m_closesWhileInUse;
        it->second.closed = true;   // the running call lets go of it
        return;
    }
    m_open.erase(it);
}

std::unique_ptr<CHidWatch> CSimulatedHidBackend::WatchDevices(DeviceChangeCallback callback)
{
    std::lock_guard lock(m_mutex);
    const int id = m_nextWatcher++;
    m_watchers.emplace(id, std::move(callback));
    return std::make_unique<CSimulatedWatch>(*this, id);
}

int CSimulatedHidBackend::AddDevice(const SimulatedDeviceSpec& spec, bool present)
{
    std::lock_guard lock(m_mutex);
    auto device = std::make_unique<Device>();
    device->spec = spec;
    device->present = present;
    device->unit = std::make_unique<CSimulatedUnit>(static_cast<std::uint32_t>(m_devices.size() + 1));
    device->unit->SetUnplugged(!present);
    m_devices.push_back(std::move(device));
    return static_cast<int>(m_devices.size() - 1);
}

CSimulatedUnit& CSimulatedHidBackend::Unit(int device)
{
    std::lock_guard lock(m_mutex);
    return *m_devices.at(static_cast<std::size_t>(device))->unit;
}

void CSimulatedHidBackend::Plug(int device)
{
    SetPresent(device, true);
}

void CSimulatedHidBackend::Unplug(int device)
{
    SetPresent(device, false);
}

void CSimulatedHidBackend::SetPresent(int index, bool present)
{
    std::string path;
    {
        std::lock_guard lock(m_mutex);
        Device& device = *m_devices.at(static_cast<std::size_t>(index));
        device.present = present;
        device.unit->SetUnplugged(!present);
        path = device.spec.path;
        if (!present) {
            for (auto& [handle, open] : m_open)
                open.dead = open.dead || open.device == index;
        }
        MarkActivity();
        if (m_comparePeriodTicks > 0)
            return;
    }
    Notify(present ? HidDeviceChange::Arrived : HidDeviceChange::Removed, path);
}

void CSimulatedHidBackend::WatchByComparing(int periodTicks)
{
    std::lock_guard lock(m_mutex);
    m_comparePeriodTicks = periodTicks;
    m_ticksToNextLook = periodTicks;
    m_lastLook = AttachedPaths();
}

void CSimulatedHidBackend::BreakOpenHandles(int device)
{
    std::lock_guard lock(m_mutex);
    for (auto& [handle, open] : m_open)
        open.dead = open.dead || open.device == device;
    MarkActivity();
}

std::set<std::string> CSimulatedHidBackend::AttachedPaths() const
{
    std::set<std::string> paths;
    for (const auto& device : m_devices)
        if (device->present)
            paths.insert(device->spec.path);
    return paths;
}

// A look every period of ticks; the watchers hear of it outside the lock.
void CSimulatedHidBackend::LookForChanges()
{
    std::set<std::string> before, now;
    {
        std::lock_guard lock(m_mutex);
        if (m_comparePeriodTicks == 0 || --m_ticksToNextLook > 0)
            return;
        m_ticksToNextLook = m_comparePeriodTicks;
        now = AttachedPaths();
        before = std::exchange(m_lastLook, now);
    }
    ReportPathChanges(before, now, [this](HidDeviceChange change, const std::string& path) { Notify(change, path); });
}

// Watchers are called without the lock: they may call back into the back-end.
void CSimulatedHidBackend::Notify(HidDeviceChange change, const std::string& path)
{
    std::vector<DeviceChangeCallback> watchers;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& [id, callback] : m_watchers)
            watchers.push_back(callback);
    }
    for (const auto& callback : watchers)
        callback(change, path);
}

void CSimulatedHidBackend::MarkActivity()
{
    m_idleReaders.clear();
    m_activity.notify_all();
}

void CSimulatedHidBackend::UnplugAfterWrites(int device, int writes)
{
    std::lock_guard lock(m_mutex);
    m_devices.at(static_cast<std::size_t>(device))->unplugCountdown = writes;
}

void CSimulatedHidBackend::SetOpenRefusal(int device, HidOpenError error)
{
    std::lock_guard lock(m_mutex);
    m_devices.at(static_cast<std::size_t>(device))->refusal = error;
}

void CSimulatedHidBackend::SetWriteFault(int device, SimulatedWriteFault fault)
{
    std::lock_guard lock(m_mutex);
    m_devices.at(static_cast<std::size_t>(device))->writeFault = fault;
    m_activity.notify_all();
}

void CSimulatedHidBackend::SetEnumerationOutOfMemory(bool failing)
{
    std::lock_guard lock(m_mutex);
    m_enumerationFails = failing;
}

void CSimulatedHidBackend::Tick()
{
    {
        std::lock_guard lock(m_mutex);
        for (const auto& device : m_devices)
            device->unit->Tick();
        MarkActivity();
    }
    LookForChanges();
}

void CSimulatedHidBackend::StartClock()
{
    m_clock = std::thread([this] { RunClock(); });
}

void CSimulatedHidBackend::RunClock()
{
    Lock lock(m_mutex);
    auto next = std::chrono::steady_clock::now() + kClockPeriod;
    while (!m_activity.wait_until(lock, next, [this] { return m_stopping; })) {
        lock.unlock();
        Tick();
        lock.lock();
        next += kClockPeriod;
    }
}

bool CSimulatedHidBackend::WaitUntilReaderIdle(std::chrono::milliseconds limit, int readers)
{
    Lock lock(m_mutex);
    return m_idle.wait_for(lock, limit,
                           [&] { return m_idleReaders.size() >= static_cast<std::size_t>(readers); });
}

std::vector<OutputReport> CSimulatedHidBackend::Written(int device) const
{
    std::lock_guard lock(m_mutex);
    return m_devices.at(static_cast<std::size_t>(device))->written;
}

int CSimulatedHidBackend::WritesStarted(int device) const
{
    std::lock_guard lock(m_mutex);
    return m_devices.at(static_cast<std::size_t>(device))->writesStarted;
}

int CSimulatedHidBackend::OpenHandles(int device) const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count_if(m_open.begin(), m_open.end(),
                                          [device](const auto& entry) { return entry.second.device == device && !entry.second.closed; }));
}

int CSimulatedHidBackend::OpensRefused() const
{
    std::lock_guard lock(m_mutex);
    return m_opensRefused;
}

int CSimulatedHidBackend::ClosesWhileInUse() const
{
    std::lock_guard lock(m_mutex);
    return m_closesWhileInUse;
}

int CSimulatedHidBackend::Watchers() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_watchers.size());
}
