// The protocol against the simulated unit with a reader thread that feeds
// input reports while the test thread ticks and writes, as the link's reader
// does. Run under the thread sanitizer too.
#include "protocol/ProtocolFixture.h"
#include "transport/SimulatedUnit.h"

#include <atomic>
#include <cstring>
#include <thread>

namespace {

class LoopbackThreads : public ProtocolTest {
protected:
    void SetUp() override
    {
        ProtocolTest::SetUp();
        SetWriteReport([this](const std::uint8_t* data) { return m_unit.ReceiveOutputReport(data); });
        m_reader = std::thread([this] { ReaderLoop(); });
    }

    void TearDown() override
    {
        m_stop.store(true);
        m_reader.join();
        ProtocolTest::TearDown();
    }

    void ReaderLoop()
    {
        InputReport report;
        while (!m_stop.load()) {
            m_reading.store(true);
            if (m_unit.TakeInputReport(report.data()))
                FeedInputReport(report.data());
            m_reading.store(false);
            std::this_thread::yield();
        }
    }

    // Waits until the reader has taken and handled every reply that is due.
    void Settle()
    {
        while (m_unit.PendingReports() > 0 || m_reading.load())
            std::this_thread::yield();
    }

    // The test thread drives the scheduler: a tick, then whatever the replies
    // that came meanwhile let go out, as the window's pump does.
    void Step()
    {
        SchedulerTick();
        Settle();
        for (int i = 0; i < 10 && m_events.wakes.exchange(0) > 0; ++i) {
            SchedulerSendNext();
            Settle();
        }
        m_unit.Tick();
        RefreshMeters();
    }

    bool RunCommand()
    {
        for (int i = 0; i < 200; ++i) {
            Step();
            if (PendingList().empty())
                return true;
        }
        return false;
    }

    CSimulatedUnit m_unit{5};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_reading{false};
    std::thread m_reader;
};

TEST_F(LoopbackThreads, ConnectAndChangesWithConcurrentReplies)
{
    ChannelBlock a = DefaultChannelBlock();
    a.gain.Set(33);
    a.staticNotchCount = 4;
    m_unit.SetCurrent(0, a);
    m_unit.SetPresetName(2, "Band room");
    QueueReadSetup();
    ASSERT_TRUE(RunCommand());
    EXPECT_EQ(1, m_events.recalls.load());
    {
        ImageLock lock(Image().mutex);
        EXPECT_EQ(33, Image().channels[0].gain.Get());
        EXPECT_STREQ("Band room", Image().names.records[2]);
    }

    for (int i = 0; i < 40; ++i) {
        const int channel = i % 2;
        {
            ImageLock lock(Image().mutex);
            Image().channels[channel].bands[i % kBandCount].freqHz.Set(static_cast<std::int16_t>(100 + 37 * i));
            Image().channels[channel].gain.Set(static_cast<std::int16_t>(i));
        }
        QueueSetParam(AREA_CHANNEL, static_cast<std::uint8_t>(channel), 0);
        ASSERT_TRUE(RunCommand());
        QueueSetParam(AREA_CHANNEL, static_cast<std::uint8_t>(channel), static_cast<std::uint8_t>(3 + i % kBandCount));
        ASSERT_TRUE(RunCommand());
    }
    QueueWriteBands(AREA_CHANNEL, 1);
    ASSERT_TRUE(RunCommand());
    QueueStorePreset(6);
    ASSERT_TRUE(RunCommand());
    for (int i = 0; i < 100; ++i)
        Step();   // idle: meters and notch tables arrive while the test thread ticks

    for (int c = 0; c < kChannelCount; ++c) {
        const ChannelBlock unit = m_unit.Current(c);
        const ChannelBlock stored = m_unit.Preset(6)[static_cast<std::size_t>(c)];
        ImageLock lock(Image().mutex);
        EXPECT_EQ(0, std::memcmp(&unit, &Image().channels[c], kNotchTableOffset)) << "channel " << c;
        EXPECT_EQ(0, std::memcmp(&stored, &Image().channels[c], kNotchTableOffset)) << "preset, channel " << c;
    }
    EXPECT_GT(m_unit.CommandsReceived(CMD_POLL), 20u);
}

}  // namespace
