// The whole link at work against the simulated unit: the connect sequence,
// changes reaching the unit, unplugging, arrival, and writes that fail or hang.
#include "transport/LinkFixture.h"

#include <cstring>

namespace {

constexpr std::size_t kGroupBytes = kBandsOffset + kBandsSize;   // groups 0..14, what a send can carry

std::vector<std::uint8_t> ImageBytes(int channel)
{
    ImageLock lock(g_ImageMutex);
    const auto* p = reinterpret_cast<const std::uint8_t*>(&g_ChannelBlocks[channel]);
    return {p, p + kGroupBytes};
}

std::vector<std::uint8_t> UnitBytes(CSimulatedUnit& unit, int channel)
{
    const ChannelBlock block = unit.Current(channel);
    const auto* p = reinterpret_cast<const std::uint8_t*>(&block);
    return {p, p + kGroupBytes};
}

class LinkSession : public LinkTest {
protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        m_unit = AddDevice(Spec("/dev/hidraw7"));
        CSimulatedUnit& unit = m_sim.Unit(m_unit);
        ChannelBlock block = unit.Current(1);
        block.gain.Set(61);
        block.bands[4].freqHz.Set(3150);
        unit.SetCurrent(1, block);
        Start();
    }

    void Connect()
    {
        m_link->OnConnectButton();
        ASSERT_EQ(g_Connected.load(), 1);
        RunConnectSequence();
    }

    void ExpectImageMatchesUnit()
    {
        for (int channel = 0; channel < kChannelCount; ++channel)
            EXPECT_EQ(ImageBytes(channel), UnitBytes(m_sim.Unit(m_unit), channel)) << "channel " << channel;
    }

    int m_unit = 0;
};

TEST_F(LinkSession, ConnectSequenceBringsTheUnitsSettings)
{
    Connect();
    ExpectImageMatchesUnit();
    {
        ImageLock lock(g_ImageMutex);
        EXPECT_EQ(g_ChannelBlocks[1].gain.Get(), 61);
        EXPECT_EQ(g_ChannelBlocks[1].bands[4].freqHz.Get(), 3150);
    }
    CSimulatedUnit& unit = m_sim.Unit(m_unit);
    EXPECT_GE(unit.CommandsReceived(CMD_READ_SETUP), 1u);
    EXPECT_EQ(unit.CommandsReceived(CMD_RECALL_PRESET), 1u);
    EXPECT_TRUE(m_messages.empty());
    for (const OutputReport& report : m_sim.Written(m_unit))
        EXPECT_EQ(report[0], kReportIdNone);
}

TEST_F(LinkSession, StreamOfChangesReachesTheUnit)
{
    Connect();
    for (int step = 0; step < 24; ++step) {
        const int channel = step % 2;
        {
            ImageLock lock(g_ImageMutex);
            ChannelBlock& block = g_ChannelBlocks[channel];
            block.gain.Set(static_cast<std::int16_t>(10 + step));
            block.compAttack = static_cast<std::uint8_t>(step);
            block.bands[step % kBandCount].gainCode.Set(static_cast<std::int16_t>(100 + step));
        }
        QueueSetParam(AREA_CHANNEL, static_cast<std::uint8_t>(channel), static_cast<std::uint8_t>(step % 3));
        Tick();
        if (step % 6 == 5)
            QueueWriteBands(AREA_CHANNEL, static_cast<std::uint8_t>(channel));
        Tick();
    }
    for (std::uint8_t channel = 0; channel < kChannelCount; ++channel) {
        for (std::uint8_t group = 0; group < 3; ++group) {
            QueueSetParam(AREA_CHANNEL, channel, group);
            RunCommand();
        }
        QueueWriteBands(AREA_CHANNEL, channel);
        RunCommand();
    }
    ExpectImageMatchesUnit();
    EXPECT_EQ(m_sim.Unit(m_unit).Current(0).gain.Get(), 10 + 22);
    EXPECT_EQ(m_sim.Unit(m_unit).Current(1).compAttack, 23);
}

TEST_F(LinkSession, UnplugWhileConnectedWarnsOnceAndStopsTraffic)
{
    Connect();
    for (int i = 0; i < 6; ++i)
        Tick();
    std::uint8_t meters[kMeterByteCount];
    for (int i = 0; i < kMeterByteCount; ++i)
        meters[i] = g_MeterBytes[i].load();
    ASSERT_NE(meters[0] | meters[1], 0);

    m_sim.Unplug(m_unit);
    ASSERT_TRUE(WaitFor([this] { return PostedChanges() > 0; }));
    DispatchDeviceChanges();
    LinkTicks(CHidLink::kLostWarningTicks - 1);
    EXPECT_TRUE(m_messages.empty()) << "a unit back within a second raises no box";
    LinkTicks(1);

    EXPECT_EQ(m_messages, std::vector<ShownMessage>{kCantFindMessage});
    EXPECT_EQ(m_images.back(), kUsbBitmapDisconnected);
    EXPECT_EQ(g_Connected.load(), 0);
    EXPECT_EQ(g_DeviceOpen.load(), 0);
    EXPECT_TRUE(m_link->HandlesClosed());
    EXPECT_EQ(m_sim.OpenHandles(m_unit), 0);

    const int writes = m_sim.WritesStarted(m_unit);
    for (int i = 0; i < 10; ++i) {
        SchedulerTick();
        m_sim.Tick();
        LinkTicks(1);
    }
    DispatchDeviceChanges();
    EXPECT_EQ(m_sim.WritesStarted(m_unit), writes);
    EXPECT_EQ(m_messages.size(), 1u);
    for (int i = 0; i < kMeterByteCount; ++i)
        EXPECT_EQ(g_MeterBytes[i].load(), meters[i]);
}

TEST_F(LinkSession, ArrivalOfTheUnitWhileConnectedChangesNothing)
{
    Connect();
    m_sim.Plug(m_unit);   // the system announces the same interface again
    DispatchDeviceChanges();
    LinkTicks(CHidLink::kLostWarningTicks);

    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(m_images.back(), kUsbBitmapConnected);
    EXPECT_EQ(g_Connected.load(), 1);
    EXPECT_EQ(m_sim.OpenHandles(m_unit), 2);
}

TEST_F(LinkSession, UnplugInTheMiddleOfAFrameAndReconnectRecovers)
{
    Connect();
    {
        ImageLock lock(g_ImageMutex);
        g_ChannelBlocks[0].bands[11].freqHz.Set(12500);
    }
    QueueWriteBands(AREA_CHANNEL, 0);
    m_sim.UnplugAfterWrites(m_unit, 1);   // the band write spans two reports
    SchedulerTick();
    ASSERT_TRUE(WaitFor([this] { return PostedChanges() > 0; }));
    DispatchDeviceChanges();
    EXPECT_EQ(g_Connected.load(), 0);
    EXPECT_EQ(m_sim.Written(m_unit).back()[1 + kFrameCode], CMD_WRITE_BANDS);
    EXPECT_NE(m_sim.Unit(m_unit).Current(0).bands[11].freqHz.Get(), 12500);

    // The unit comes back: the link connects by itself and reads the unit's settings.
    ClearRefreshes();
    m_sim.Plug(m_unit);
    DispatchDeviceChanges();
    ASSERT_EQ(g_Connected.load(), 1);
    EXPECT_EQ(m_reconnects, 1);
    EXPECT_TRUE(m_messages.empty());
    RunConnectSequence();
    ExpectImageMatchesUnit();   // the recall brought the unit's bands back
    {
        ImageLock lock(g_ImageMutex);
        g_ChannelBlocks[0].bands[11].freqHz.Set(12500);
    }
    QueueWriteBands(AREA_CHANNEL, 0);
    RunCommand();
    EXPECT_EQ(m_sim.Unit(m_unit).Current(0).bands[11].freqHz.Get(), 12500);
}

TEST_F(LinkSession, WriteIsRefusedWhileBusyAndAStuckWriteNeverFreezesTheCaller)
{
    Connect();
    SetWriteWaitLimit(kTestWriteWait);
    m_sim.SetWriteFault(m_unit, SimulatedWriteFault::Stall);
    const int before = m_sim.WritesStarted(m_unit);
    std::uint8_t data[kReportSize] = {0x5A};

    EXPECT_TRUE(m_link->WriteReport(data));
    EXPECT_EQ(g_WriteBusy.load(), 1);
    EXPECT_FALSE(m_link->WriteReport(data));
    ASSERT_TRUE(WaitFor([&] { return m_sim.WritesStarted(m_unit) == before + 1; }));

    // The scheduler's frame is refused at once while the stuck write holds the
    // device; the change stays pending for a later attempt.
    QueueSetParam(AREA_CHANNEL, 0, 0);
    const auto start = std::chrono::steady_clock::now();
    SchedulerTick();
    SchedulerTick();
    EXPECT_LT(std::chrono::steady_clock::now() - start, CHidLink::kLetGoLimit);
    EXPECT_EQ(g_WriteBusy.load(), 1);
    CommandSlot pending[1];
    EXPECT_EQ(PendingCommands(pending, 1), 1u);
    EXPECT_FALSE(m_link->WriteReport(data));
    EXPECT_EQ(m_sim.WritesStarted(m_unit), before + 1);

    // Disconnecting leaves the stuck handle to the write thread, which closes it when the write ends.
    m_link->OnConnectButton();
    EXPECT_TRUE(m_link->HandlesClosed());
    EXPECT_EQ(m_sim.OpenHandles(m_unit), 1);
    m_sim.SetWriteFault(m_unit, SimulatedWriteFault::None);
    EXPECT_TRUE(WaitFor([this] { return m_sim.OpenHandles(m_unit) == 0; }));
    EXPECT_TRUE(m_messages.empty());
}

struct VanishedCase {
    int chinese;
    const char* text;
};

class LinkVanished : public LinkSession, public ::testing::WithParamInterface<VanishedCase> {};

TEST_P(LinkVanished, WriteToAVanishedDeviceSaysDeviceDisconnectOnce)
{
    Connect();
    g_LanguageChinese.store(GetParam().chinese);
    m_sim.Unplug(m_unit);   // the removal is posted but not yet handled
    QueueSetParam(AREA_CHANNEL, 1, 0);
    for (int i = 0; i < 3 && g_Connected.load() != 0; ++i)
        SchedulerTick();
    LinkTicks(CHidLink::kLostWarningTicks);

    EXPECT_EQ(m_messages, (std::vector<ShownMessage>{{GetParam().text, "Warning"}}));
    EXPECT_EQ(g_Connected.load(), 0);
    EXPECT_EQ(m_images.back(), kUsbBitmapDisconnected);
    EXPECT_TRUE(m_link->HandlesClosed());

    DispatchDeviceChanges();
    SchedulerTick();
    LinkTicks(CHidLink::kLostWarningTicks);
    EXPECT_EQ(m_messages.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Languages, LinkVanished,
                         ::testing::Values(VanishedCase{0, "Device disconnect"}, VanishedCase{1, "设备断开联连"}),
                         [](const auto& info) { return info.param.chinese != 0 ? "Chinese" : "English"; });

TEST_F(LinkSession, WriteWhileNothingIsOpenIsRefusedWithTheMessage)
{
    std::uint8_t data[kReportSize] = {};
    EXPECT_FALSE(m_link->WriteReport(data));
    LinkTicks(CHidLink::kLostWarningTicks);
    EXPECT_EQ(m_messages, std::vector<ShownMessage>{kDisconnectMessage});
    EXPECT_EQ(m_sim.WritesStarted(m_unit), 0);
}

TEST_F(LinkSession, FailedWritesLeaveTheLinkConnected)
{
    Connect();
    m_sim.SetWriteFault(m_unit, SimulatedWriteFault::Fail);
    const std::size_t acks = m_sim.Unit(m_unit).CommandsReceived(CMD_SET_PARAM);
    QueueSetParam(AREA_CHANNEL, 0, 1);
    Tick();
    Tick();
    EXPECT_EQ(m_sim.Unit(m_unit).CommandsReceived(CMD_SET_PARAM), acks);
    EXPECT_EQ(g_Connected.load(), 1);
    EXPECT_EQ(g_WriteBusy.load(), 0);
    EXPECT_TRUE(m_messages.empty());
    ASSERT_FALSE(Warnings().empty());
    EXPECT_EQ(Warnings().front(), "report write failed: the device refused it (Broken pipe)");

    m_sim.SetWriteFault(m_unit, SimulatedWriteFault::None);
    RunCommand();
    EXPECT_EQ(m_sim.Unit(m_unit).CommandsReceived(CMD_SET_PARAM), acks + 1);
}

TEST_F(LinkSession, DeviceWithoutOutputReportsIsReported)
{
    Connect();
    m_sim.SetWriteFault(m_unit, SimulatedWriteFault::Unsupported);
    QueueSetParam(AREA_CHANNEL, 0, 1);
    SchedulerTick();
    ASSERT_TRUE(WaitFor([this] { return Statuses().back() == kTextWriteUnsupported.english; }));
    EXPECT_EQ(g_Connected.load(), 1);
    EXPECT_TRUE(m_messages.empty());
}

}  // namespace

namespace {

using LinkReconnect = LinkSession;

TEST_F(LinkReconnect, AUnitGoneForLongerIsWarnedAboutAndTheWarningClosesWhenItIsBack)
{
    Connect();
    m_sim.Unplug(m_unit);
    ASSERT_TRUE(WaitFor([this] { return PostedChanges() > 0; }));
    DispatchDeviceChanges();
    LinkTicks(3 * CHidLink::kLostWarningTicks);
    EXPECT_EQ(m_messages, std::vector<ShownMessage>{kCantFindMessage});
    EXPECT_EQ(m_warningsClosed, 0);

    ClearRefreshes();
    m_sim.Plug(m_unit);
    DispatchDeviceChanges();
    EXPECT_EQ(g_Connected.load(), 1);
    EXPECT_EQ(m_warningsClosed, 1);
    EXPECT_EQ(m_reconnects, 1);
    EXPECT_EQ(m_images.back(), kUsbBitmapConnected);
    EXPECT_EQ(m_messages.size(), 1u) << "the arrival never says it cannot find the unit";
    RunConnectSequence();
    ExpectImageMatchesUnit();
}

TEST_F(LinkReconnect, AnArrivalAfterADeliberateDisconnectDoesNothing)
{
    Connect();
    m_link->OnConnectButton();   // the user disconnects
    m_sim.Unplug(m_unit);
    DispatchDeviceChanges();
    m_sim.Plug(m_unit);
    DispatchDeviceChanges();
    LinkTicks(CHidLink::kReconnectTicks);
    EXPECT_EQ(g_Connected.load(), 0);
    EXPECT_EQ(m_reconnects, 0);
    EXPECT_EQ(m_sim.OpenHandles(m_unit), 0);
}

TEST_F(LinkReconnect, TheUnitComingBackAtAnotherPathIsConnectedToo)
{
    const int second = AddDevice(Spec("/dev/hidraw-sim7"), false);
    Connect();
    m_sim.Unplug(m_unit);
    DispatchDeviceChanges();
    m_sim.Plug(second);
    DispatchDeviceChanges();
    EXPECT_EQ(g_Connected.load(), 1);
    EXPECT_EQ(m_link->DevicePath(), "/dev/hidraw-sim7");
    EXPECT_EQ(m_sim.OpenHandles(second), 2);
}

// Right after an arrival the node may still refuse this user until its access
// rights are set: the link tries again on the following ticks.
TEST_F(LinkReconnect, ANodeNotReadyAtArrivalIsTriedAgainOnTheTicks)
{
    Connect();
    m_sim.Unplug(m_unit);
    DispatchDeviceChanges();
    m_sim.SetOpenRefusal(m_unit, HidOpenError::PermissionDenied);
    m_sim.Plug(m_unit);
    DispatchDeviceChanges();
    EXPECT_EQ(g_Connected.load(), 0);
    LinkTicks(3);
    m_sim.SetOpenRefusal(m_unit, HidOpenError::None);
    LinkTicks(1);
    EXPECT_EQ(g_Connected.load(), 1);
    EXPECT_EQ(m_reconnects, 1);
    EXPECT_TRUE(m_messages.empty());
}

// A bad cable: five removals and arrivals within two seconds.
TEST_F(LinkReconnect, ALooseCableEndsConnectedWithAtMostOneWarning)
{
    Connect();
    for (int i = 0; i < 5; ++i) {
        m_sim.Unplug(m_unit);
        DispatchDeviceChanges();
        LinkTicks(2);
        m_sim.Plug(m_unit);
        DispatchDeviceChanges();
        Tick();
        Tick();
    }
    LinkTicks(3 * CHidLink::kLostWarningTicks);
    RunConnectSequence();
    EXPECT_EQ(g_Connected.load(), 1);
    EXPECT_LE(m_messages.size(), 1u);
    EXPECT_EQ(m_reconnects, 5);
    EXPECT_EQ(m_sim.OpenHandles(m_unit), 2);
    ExpectImageMatchesUnit();
}

}  // namespace
