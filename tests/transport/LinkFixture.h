// Shared fixture of the link tests: a unit with the real link and its threads
// over the simulated back-end, an observer that records what the unit reports
// (connection events with their reasons, notes, refreshes, the log's
// warnings), and the owner's thread played by the test thread.
#pragma once

#include "transport/HidBackendSimulated.h"
#include "unit/Unit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

inline constexpr int kTestReadSliceMs = 5;
inline constexpr std::chrono::milliseconds kReaderWait{5000};   // bounds every wait for a worker thread
inline constexpr std::chrono::milliseconds kTestWriteWait{20};

inline bool operator==(const ConnectionEvent& a, const ConnectionEvent& b)
{
    return a.kind == b.kind && a.problem == b.problem && a.cause == b.cause && a.outOfMemory == b.outOfMemory;
}

inline void PrintTo(const ConnectionEvent& e, std::ostream* os)
{
    constexpr const char* kKinds[] = {"Connected", "ConnectFailed", "Disconnected", "Lost", "Reconnected",
                                      "SearchFailed"};
    constexpr const char* kProblems[] = {"None", "NotFound", "NoPermission"};
    *os << kKinds[static_cast<int>(e.kind)] << "(" << kProblems[static_cast<int>(e.problem)]
        << (e.cause == LossCause::Closed ? ", closed" : "") << (e.outOfMemory ? ", out of memory" : "") << ")";
}

inline ConnectionEvent Event(ConnectionEvent::Kind kind, LinkProblem problem = LinkProblem::None,
                             LossCause cause = LossCause::Removed, bool outOfMemory = false)
{
    ConnectionEvent event;
    event.kind = kind;
    event.problem = problem;
    event.cause = cause;
    event.outOfMemory = outOfMemory;
    return event;
}

inline const ConnectionEvent kConnectedEvent = Event(ConnectionEvent::Kind::Connected);
inline const ConnectionEvent kDisconnectedEvent = Event(ConnectionEvent::Kind::Disconnected);
inline const ConnectionEvent kReconnectedEvent = Event(ConnectionEvent::Kind::Reconnected);
inline const ConnectionEvent kRemovedEvent = Event(ConnectionEvent::Kind::Lost);
inline const ConnectionEvent kClosedEvent = Event(ConnectionEvent::Kind::Lost, LinkProblem::None, LossCause::Closed);
inline const ConnectionEvent kNotFoundEvent = Event(ConnectionEvent::Kind::ConnectFailed, LinkProblem::NotFound);

constexpr int kRefreshAll = 0xFF;
constexpr int kRefreshNotches = 0xFE;

// What a unit tells its owner, kept; the worker threads' calls under a lock.
class RecordingObserver : public CUnitObserver {
public:
    void EventsWaiting() override {}
    void Log(LogCategory category, LogLevel level, const std::string& text) override
    {
        if (category != LogCategory::Link || level != LogLevel::Warning)
            return;
        std::lock_guard lock(m_mutex);
        m_warnings.push_back(text);
    }
    void SettingsChanged(const SettingsChange& change) override
    {
        if (change.cause == SettingsChange::Cause::Replaced)
            refreshes.push_back(kRefreshAll);
        else if (change.cause == SettingsChange::Cause::Reported)
            refreshes.push_back(kRefreshNotches);
    }
    void CommandFinished(const CommandResult&) override {}
    void ConnectionChanged(const ConnectionEvent& event) override { events.push_back(event); }
    void LinkNoted(LinkNote note) override { notes.push_back(note); }
    void MeterLampsShown(int, const MeterLamps&) override {}
    void AttachedUnitsChanged() override {}

    std::vector<std::string> Warnings()
    {
        std::lock_guard lock(m_mutex);
        return m_warnings;
    }

    // The owner's thread.
    std::vector<ConnectionEvent> events;
    std::vector<LinkNote> notes;
    std::vector<int> refreshes;

private:
    std::mutex m_mutex;
    std::vector<std::string> m_warnings;
};

class LinkTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (int d = 0; d < m_devices; ++d)
            m_sim.SetWriteFault(d, SimulatedWriteFault::None);   // lets a stalled write end
        m_unit.reset();
        EXPECT_EQ(m_sim.ClosesWhileInUse(), 0);
    }

    int AddDevice(const SimulatedDeviceSpec& spec, bool present = true)
    {
        ++m_devices;
        return m_sim.AddDevice(spec, present);
    }

    static SimulatedDeviceSpec Spec(std::string path, std::uint16_t vendor = kUnitVendorId,
                                    std::uint16_t product = kUnitProductId, std::uint16_t version = kUnitVersion)
    {
        SimulatedDeviceSpec spec;
        spec.path = std::move(path);
        spec.vendor = vendor;
        spec.product = product;
        spec.version = version;
        return spec;
    }

    void Start()
    {
        m_unit = std::make_unique<CUnit>(m_sim, m_observer, kTestReadSliceMs);
        m_unit->Start();
    }

    CHidLink& Link() { return m_unit->Link(); }
    CCommandScheduler& Scheduler() { return m_unit->Scheduler(); }
    CParameterImage& Image() { return m_unit->Image(); }
    bool IsConnected() const { return m_unit->IsConnected(); }

    // The owner's thread takes what the link's threads left: device changes,
    // replies to show, and what may go out now.
    void DispatchDeviceChanges() { m_unit->DeliverEvents(); }

    // Until the unit is lost: a removal a worker thread posts after the call
    // that caused it returned.
    bool DispatchUntilLost()
    {
        return WaitFor([this] {
            DispatchDeviceChanges();
            return !IsConnected();
        });
    }

    // The owner's 100 ms ticks as the link sees them.
    void LinkTicks(int ticks)
    {
        for (int i = 0; i < ticks; ++i)
            Link().OnTick();
    }

    // One 100 ms tick of the program and of the unit, then the reader thread
    // takes everything that is due and the owner's thread what it left.
    void Tick()
    {
        Scheduler().Tick();
        m_sim.Tick();
        ASSERT_TRUE(m_sim.WaitUntilReaderIdle(kReaderWait));
        m_unit->DeliverEvents();
    }

    bool NothingPending()
    {
        CommandSlot pending[1];
        return Scheduler().Pending(pending, 1) == 0;
    }

    // Ticks until nothing is pending and the recall has been applied.
    void RunConnectSequence()
    {
        for (int i = 0; i < 20 && !(NothingPending() && RefreshCount(kRefreshAll) > 0); ++i)
            Tick();
        ASSERT_TRUE(NothingPending());
        ASSERT_GT(RefreshCount(kRefreshAll), 0);
    }

    // Ticks until the queued command was answered.
    void RunCommand()
    {
        for (int i = 0; i < 20 && !NothingPending(); ++i)
            Tick();
        ASSERT_TRUE(NothingPending());
    }

    int RefreshCount(int kind)
    {
        return static_cast<int>(std::count(m_observer.refreshes.begin(), m_observer.refreshes.end(), kind));
    }

    void ClearRefreshes() { m_observer.refreshes.clear(); }

    // The link's warnings for the log, in order.
    std::vector<std::string> Warnings() { return m_observer.Warnings(); }

    const std::vector<ConnectionEvent>& Events() const { return m_observer.events; }
    const std::vector<LinkNote>& Notes() const { return m_observer.notes; }

    // For what a worker thread does after the call that started it returned.
    template <typename Predicate>
    static bool WaitFor(Predicate done)
    {
        const auto deadline = std::chrono::steady_clock::now() + kReaderWait;
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            std::this_thread::yield();
        }
        return true;
    }

    CSimulatedHidBackend m_sim;   // outlives the unit
    RecordingObserver m_observer;
    std::unique_ptr<CUnit> m_unit;
    int m_devices = 0;
};
