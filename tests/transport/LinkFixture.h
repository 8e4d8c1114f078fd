// Shared fixture of the link tests: the real link with its threads over the
// simulated back-end, hooks that record what the window would be told, and
// device changes queued as the UI thread's event queue would hold them.
#pragma once

#include "model/ProcessState.h"
#include "protocol/Communication.h"
#include "protocol/CommunicationLog.h"
#include "transport/HidBackendSimulated.h"
#include "transport/HidLink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct ShownMessage {
    std::string text;
    std::string caption;
    bool operator==(const ShownMessage&) const = default;
};

inline constexpr int kTestReadSliceMs = 5;
inline constexpr std::chrono::milliseconds kReaderWait{5000};   // bounds every wait for a worker thread
inline constexpr std::chrono::milliseconds kTestWriteWait{20};

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProcessState();
        SetWriteWaitLimit(kDefaultWriteWaitLimit);
        SetLampHook(nullptr);
        SetDeviceRefreshHook([this](int lParam) {
            std::lock_guard lock(m_mutex);
            m_refreshes.push_back(lParam);
        });
        SetLogHook([this](LogCategory category, LogLevel level, const std::string& text) {
            if (category != LogCategory::Link || level != LogLevel::Warning)
                return;
            std::lock_guard lock(m_mutex);
            m_warnings.push_back(text);
        });
    }

    void TearDown() override
    {
        for (int d = 0; d < m_devices; ++d)
            m_sim.SetWriteFault(d, SimulatedWriteFault::None);   // lets a stalled write end
        m_link.reset();
        EXPECT_EQ(m_sim.ClosesWhileInUse(), 0);
        SetDeviceRefreshHook(nullptr);
        SetLogHook(nullptr);
        SetWriteWaitLimit(kDefaultWriteWaitLimit);
        g_Connected.store(0);
        g_DeviceOpen.store(0);
        g_WriteBusy.store(0);
        g_LanguageChinese.store(0);
    }

    int AddDevice(const SimulatedDeviceSpec& spec, bool present = true)
    {
        ++m_devices;
        return m_sim.AddDevice(spec, present);
    }

    static SimulatedDeviceSpec Spec(std::string path, std::uint16_t vendor = kUnitVendorId,
                                    std::uint16_t product = kUnitProductId, std::uint16_t version = kUnitVersion)
    {
        return {std::move(path), vendor, product, version};
    }

    void Start()
    {
        LinkHooks hooks;
        hooks.messageBox = [this](const std::string& text, const std::string& caption) {
            m_messages.push_back({text, caption});
        };
        hooks.connectButtonImage = [this](int id) { m_images.push_back(id); };
        hooks.problem = [this](LinkProblem problem) { m_problems.push_back(problem); };
        hooks.showLostWarning = [this](const std::string& text, const std::string& caption) {
            m_messages.push_back({text, caption});
        };
        hooks.closeLostWarning = [this] { ++m_warningsClosed; };
        hooks.reconnected = [this] { ++m_reconnects; };
        hooks.status = [this](const std::string& text) {
            std::lock_guard lock(m_mutex);
            m_statuses.push_back(text);
        };
        hooks.postDeviceChange = [this](std::uint32_t event, const std::string& path) {
            std::lock_guard lock(m_mutex);
            m_changes.emplace_back(event, path);
        };
        m_link = std::make_unique<CHidLink>(m_sim, hooks, kTestReadSliceMs);
        m_link->StartLink();
    }

    // The UI thread handles the device changes posted to it so far.
    void DispatchDeviceChanges()
    {
        std::deque<std::pair<std::uint32_t, std::string>> changes;
        {
            std::lock_guard lock(m_mutex);
            changes.swap(m_changes);
        }
        for (const auto& [event, path] : changes)
            EXPECT_TRUE(m_link->OnDeviceChange(event, path));
    }

    // The window's 100 ms ticks as the link sees them.
    void LinkTicks(int ticks)
    {
        for (int i = 0; i < ticks; ++i)
            m_link->OnTick();
    }

    std::size_t PostedChanges()
    {
        std::lock_guard lock(m_mutex);
        return m_changes.size();
    }

    // One 100 ms tick of the program and of the unit, then the reader thread
    // takes everything that is due.
    void Tick()
    {
        SchedulerTick();
        m_sim.Tick();
        ASSERT_TRUE(m_sim.WaitUntilReaderIdle(kReaderWait));
    }

    static bool NothingPending()
    {
        CommandSlot pending[1];
        return PendingCommands(pending, 1) == 0;
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

    int RefreshCount(int lParam)
    {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(std::count(m_refreshes.begin(), m_refreshes.end(), lParam));
    }

    void ClearRefreshes()
    {
        std::lock_guard lock(m_mutex);
        m_refreshes.clear();
    }

    // The link's warnings for the log, in order.
    std::vector<std::string> Warnings()
    {
        std::lock_guard lock(m_mutex);
        return m_warnings;
    }

    std::vector<std::string> Statuses()
    {
        std::lock_guard lock(m_mutex);
        return m_statuses;
    }

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

    CSimulatedHidBackend m_sim;   // outlives the link
    std::unique_ptr<CHidLink> m_link;
    int m_devices = 0;
    std::vector<ShownMessage> m_messages;   // UI thread
    std::vector<int> m_images;              // UI thread
    std::vector<LinkProblem> m_problems;    // UI thread
    int m_warningsClosed = 0;               // UI thread
    int m_reconnects = 0;                   // UI thread
    std::mutex m_mutex;                     // guards what the worker threads record
    std::vector<std::string> m_statuses;
    std::vector<std::string> m_warnings;
    std::vector<int> m_refreshes;
    std::deque<std::pair<std::uint32_t, std::string>> m_changes;
};

inline const ShownMessage kCantFindMessage{"Can't find the device, please check it", "Warning"};
inline const ShownMessage kDisconnectMessage{"Device disconnect", "Warning"};
