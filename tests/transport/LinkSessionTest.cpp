// The whole link at work against the simulated unit: the connect sequence,
// changes reaching the unit, unplugging, arrival, and writes that fail or hang.
#include "transport/LinkFixture.h"

#include <cstring>
#include <limits>

namespace {

constexpr std::size_t kGroupBytes = kBandsOffset + kBandsSize;   // groups 0..14, what a send can carry

std::vector<std::uint8_t> ImageBytes(const CParameterImage& image, int channel)
{
    const ChannelBlock block = image.Channel(channel);
    const auto* p = reinterpret_cast<const std::uint8_t*>(&block);
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
        m_device = AddDevice(Spec("/dev/hidraw7"));
        CSimulatedUnit& unit = m_sim.Unit(m_device);
        ChannelBlock block = unit.Current(1);
        block.gain.Set(61);
        block.bands[4].freqHz.Set(3150);
        unit.SetCurrent(1, block);
        Start();
    }

    void Connect()
    {
        Link().OnConnectButton();
        ASSERT_TRUE(IsConnected());
        RunConnectSequence();
    }

    void ExpectImageMatchesUnit()
    {
        for (int channel = 0; channel < kChannelCount; ++channel)
            EXPECT_EQ(ImageBytes(Image(), channel), UnitBytes(m_sim.Unit(m_device), channel)) << "channel " << channel;
    }

    void QueueSetParam(std::uint8_t area, std::uint8_t channel, std::uint8_t group)
    {
        Scheduler().QueueSetParam(area, channel, group);
    }
    void QueueWriteBands(std::uint8_t area, std::uint8_t channel) { Scheduler().QueueWriteBands(area, channel); }

    int m_device = 0;
};

TEST_F(LinkSession, ConnectSequenceBringsTheUnitsSettings)
{
    Connect();
    ExpectImageMatchesUnit();
    {
        ImageLock lock(Image().mutex);
        EXPECT_EQ(Image().channels[1].gain.Get(), 61);
        EXPECT_EQ(Image().channels[1].bands[4].freqHz.Get(), 3150);
    }
    CSimulatedUnit& unit = m_sim.Unit(m_device);
    EXPECT_GE(unit.CommandsReceived(CMD_READ_SETUP), 1u);
    EXPECT_EQ(unit.CommandsReceived(CMD_RECALL_PRESET), 1u);
    EXPECT_EQ(Events(), std::vector<ConnectionEvent>{kConnectedEvent});
    for (const OutputReport& report : m_sim.Written(m_device))
        EXPECT_EQ(report[0], kReportIdNone);
}

TEST_F(LinkSession, StreamOfChangesReachesTheUnit)
{
    Connect();
    for (int step = 0; step < 24; ++step) {
        const int channel = step % 2;
        {
            ImageLock lock(Image().mutex);
            ChannelBlock& block = Image().channels[channel];
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
    EXPECT_EQ(m_sim.Unit(m_device).Current(0).gain.Get(), 10 + 22);
    EXPECT_EQ(m_sim.Unit(m_device).Current(1).compAttack, 23);
}

TEST_F(LinkSession, UnplugWhileConnectedIsToldOnceAndStopsTraffic)
{
    Connect();
    for (int i = 0; i < 6; ++i)
        Tick();
    ASSERT_NE(Image().meterBytes[0].load() | Image().meterBytes[1].load(), 0);

    m_sim.Unplug(m_device);
    ASSERT_TRUE(DispatchUntilLost());
    EXPECT_EQ(Events(), (std::vector<ConnectionEvent>{kConnectedEvent, kRemovedEvent}));
    EXPECT_FALSE(IsConnected());
    EXPECT_TRUE(Link().HandlesClosed());
    EXPECT_EQ(m_sim.OpenHandles(m_device), 0);

    const int writes = m_sim.WritesStarted(m_device);
    for (int i = 0; i < 10; ++i) {
        Scheduler().Tick();
        m_sim.Tick();
        LinkTicks(1);
    }
    DispatchDeviceChanges();
    EXPECT_EQ(m_sim.WritesStarted(m_device), writes);
    EXPECT_EQ(Events().size(), 2u) << "a removal seen by the watcher and by a failed read is told once";
    for (int i = 0; i < kMeterByteCount; ++i)
        EXPECT_EQ(Image().meterBytes[i].load(), 0) << "no level is kept of a unit that is gone";
}

TEST_F(LinkSession, ArrivalOfTheUnitWhileConnectedChangesNothing)
{
    Connect();
    m_sim.Plug(m_device);   // the system announces the same interface again
    DispatchDeviceChanges();
    LinkTicks(CHidLink::kReconnectTicks);

    EXPECT_EQ(Events(), std::vector<ConnectionEvent>{kConnectedEvent});
    EXPECT_TRUE(IsConnected());
    EXPECT_EQ(m_sim.OpenHandles(m_device), 2);
}

TEST_F(LinkSession, UnplugInTheMiddleOfAFrameAndReconnectRecovers)
{
    Connect();
    {
        ImageLock lock(Image().mutex);
        Image().channels[0].bands[11].freqHz.Set(12500);
    }
    QueueWriteBands(AREA_CHANNEL, 0);
    m_sim.UnplugAfterWrites(m_device, 1);   // the band write spans two reports
    Scheduler().Tick();
    ASSERT_TRUE(DispatchUntilLost());
    EXPECT_EQ(m_sim.Written(m_device).back()[1 + kFrameCode], CMD_WRITE_BANDS);
    EXPECT_NE(m_sim.Unit(m_device).Current(0).bands[11].freqHz.Get(), 12500);

    // The unit comes back: the link connects by itself and reads the unit's settings.
    ClearRefreshes();
    m_sim.Plug(m_device);
    DispatchDeviceChanges();
    ASSERT_TRUE(IsConnected());
    // The reader's failed read and the frame's next report race to find the unit gone.
    ASSERT_GE(Events().size(), 3u);
    EXPECT_EQ(Events().front(), kConnectedEvent);
    EXPECT_EQ(Events().back(), kReconnectedEvent);
    for (std::size_t i = 1; i + 1 < Events().size(); ++i)
        EXPECT_EQ(Events()[i].kind, ConnectionEvent::Kind::Lost) << i;
    RunConnectSequence();
    ExpectImageMatchesUnit();   // the recall brought the unit's bands back
    {
        ImageLock lock(Image().mutex);
        Image().channels[0].bands[11].freqHz.Set(12500);
    }
    QueueWriteBands(AREA_CHANNEL, 0);
    RunCommand();
    EXPECT_EQ(m_sim.Unit(m_device).Current(0).bands[11].freqHz.Get(), 12500);
}

// The write wait is bounded: a report whose write does not complete in time
// counts as not written, and the caller goes on at once.
TEST_F(LinkSession, WriteIsRefusedWhileBusyAndAStuckWriteNeverFreezesTheCaller)
{
    Connect();
    m_sim.SetWriteFault(m_device, SimulatedWriteFault::Stall);
    const int before = m_sim.WritesStarted(m_device);
    std::uint8_t data[kReportSize] = {0x5A};

    const auto first = std::chrono::steady_clock::now();
    EXPECT_FALSE(Link().WriteReport(data, kTestWriteWait));
    EXPECT_GE(std::chrono::steady_clock::now() - first, kTestWriteWait);
    EXPECT_FALSE(Link().WriteReport(data, kTestWriteWait));
    ASSERT_TRUE(WaitFor([&] { return m_sim.WritesStarted(m_device) == before + 1; }));

    // The scheduler's frame is refused at once while the stuck write holds the
    // device; the change stays pending for a later attempt.
    QueueSetParam(AREA_CHANNEL, 0, 0);
    const auto start = std::chrono::steady_clock::now();
    Scheduler().Tick();
    Scheduler().Tick();
    EXPECT_LT(std::chrono::steady_clock::now() - start, CHidLink::kLetGoLimit);
    CommandSlot pending[1];
    EXPECT_EQ(Scheduler().Pending(pending, 1), 1u);
    EXPECT_FALSE(Link().WriteReport(data, kTestWriteWait));
    EXPECT_EQ(m_sim.WritesStarted(m_device), before + 1);

    // Disconnecting leaves the stuck handle to the write thread, which closes it when the write ends.
    Link().OnConnectButton();
    EXPECT_TRUE(Link().HandlesClosed());
    EXPECT_EQ(m_sim.OpenHandles(m_device), 1);
    m_sim.SetWriteFault(m_device, SimulatedWriteFault::None);
    EXPECT_TRUE(WaitFor([this] { return m_sim.OpenHandles(m_device) == 0; }));
    EXPECT_EQ(Events(), (std::vector<ConnectionEvent>{kConnectedEvent, kDisconnectedEvent}));
}

// A write completes in the write thread; the caller waits for it, not a moment longer.
TEST_F(LinkSession, AWriteReturnsOnceItsWriteCompleted)
{
    Connect();
    std::uint8_t data[kReportSize] = {0x5A};
    const int before = m_sim.WritesStarted(m_device);
    EXPECT_TRUE(Link().WriteReport(data, std::chrono::seconds(60)));
    EXPECT_EQ(m_sim.WritesStarted(m_device), before + 1);
    EXPECT_TRUE(Link().WriteReport(data, std::chrono::seconds(60))) << "the write thread is free again";
}

TEST_F(LinkSession, WriteToAVanishedDeviceIsToldOnceAsClosed)
{
    Connect();
    m_sim.Unplug(m_device);   // the removal is posted but not yet handled
    QueueSetParam(AREA_CHANNEL, 1, 0);
    for (int i = 0; i < 3 && IsConnected(); ++i)
        Scheduler().Tick();

    EXPECT_EQ(Events(), (std::vector<ConnectionEvent>{kConnectedEvent, kClosedEvent}));
    EXPECT_FALSE(IsConnected());
    EXPECT_TRUE(Link().HandlesClosed());

    DispatchDeviceChanges();
    Scheduler().Tick();
    EXPECT_EQ(Events(), (std::vector<ConnectionEvent>{kConnectedEvent, kClosedEvent, kRemovedEvent}))
        << "the removal that follows belongs to the same loss";
}

TEST_F(LinkSession, WriteWhileNothingIsOpenIsRefusedAsClosed)
{
    std::uint8_t data[kReportSize] = {};
    EXPECT_FALSE(Link().WriteReport(data, kTestWriteWait));
    EXPECT_EQ(Events(), std::vector<ConnectionEvent>{kClosedEvent});
    EXPECT_EQ(m_sim.WritesStarted(m_device), 0);
}

TEST_F(LinkSession, FailedWritesLeaveTheLinkConnected)
{
    Connect();
    m_sim.SetWriteFault(m_device, SimulatedWriteFault::Fail);
    const std::size_t acks = m_sim.Unit(m_device).CommandsReceived(CMD_SET_PARAM);
    QueueSetParam(AREA_CHANNEL, 0, 1);
    Tick();
    Tick();
    EXPECT_EQ(m_sim.Unit(m_device).CommandsReceived(CMD_SET_PARAM), acks);
    EXPECT_TRUE(IsConnected());
    EXPECT_EQ(Events(), std::vector<ConnectionEvent>{kConnectedEvent});
    ASSERT_FALSE(Warnings().empty());
    EXPECT_EQ(Warnings().front(), "report write failed: the device refused it (Broken pipe)");

    m_sim.SetWriteFault(m_device, SimulatedWriteFault::None);
    RunCommand();
    EXPECT_EQ(m_sim.Unit(m_device).CommandsReceived(CMD_SET_PARAM), acks + 1);
}

TEST_F(LinkSession, DeviceWithoutOutputReportsIsReported)
{
    Connect();
    m_sim.SetWriteFault(m_device, SimulatedWriteFault::Unsupported);
    QueueSetParam(AREA_CHANNEL, 0, 1);
    Scheduler().Tick();
    ASSERT_TRUE(WaitFor([this] {
        DispatchDeviceChanges();
        return !Notes().empty() && Notes().back() == LinkNote::WriteUnsupported;
    }));
    EXPECT_TRUE(IsConnected());
    EXPECT_EQ(Events(), std::vector<ConnectionEvent>{kConnectedEvent});
}

}  // namespace

namespace {

using LinkReconnect = LinkSession;

TEST_F(LinkReconnect, AUnitGoneForLongerComesBackConnected)
{
    Connect();
    m_sim.Unplug(m_device);
    ASSERT_TRUE(DispatchUntilLost());
    LinkTicks(3 * CHidLink::kReconnectTicks);
    EXPECT_EQ(Events(), (std::vector<ConnectionEvent>{kConnectedEvent, kRemovedEvent}));

    ClearRefreshes();
    m_sim.Plug(m_device);
    DispatchDeviceChanges();
    EXPECT_TRUE(IsConnected());
    EXPECT_EQ(Events(), (std::vector<ConnectionEvent>{kConnectedEvent, kRemovedEvent, kReconnectedEvent}));
    RunConnectSequence();
    ExpectImageMatchesUnit();
}

TEST_F(LinkReconnect, AnArrivalAfterADeliberateDisconnectDoesNothing)
{
    Connect();
    Link().OnConnectButton();   // the user disconnects
    m_sim.Unplug(m_device);
    DispatchDeviceChanges();
    m_sim.Plug(m_device);
    DispatchDeviceChanges();
    LinkTicks(CHidLink::kReconnectTicks);
    EXPECT_FALSE(IsConnected());
    EXPECT_EQ(Events(), (std::vector<ConnectionEvent>{kConnectedEvent, kDisconnectedEvent, kRemovedEvent}));
    EXPECT_EQ(m_sim.OpenHandles(m_device), 0);
}

TEST_F(LinkReconnect, TheUnitComingBackAtAnotherPathIsConnectedToo)
{
    const int second = AddDevice(Spec("/dev/hidraw-sim7"), false);
    Connect();
    m_sim.Unplug(m_device);
    DispatchDeviceChanges();
    m_sim.Plug(second);
    DispatchDeviceChanges();
    EXPECT_TRUE(IsConnected());
    EXPECT_EQ(Link().DevicePath(), "/dev/hidraw-sim7");
    EXPECT_EQ(m_sim.OpenHandles(second), 2);
}

// Right after an arrival the node may still refuse this user until its access
// rights are set: the link tries again on the following ticks.
TEST_F(LinkReconnect, ANodeNotReadyAtArrivalIsTriedAgainOnTheTicks)
{
    Connect();
    m_sim.Unplug(m_device);
    DispatchDeviceChanges();
    m_sim.SetOpenRefusal(m_device, HidOpenError::PermissionDenied);
    m_sim.Plug(m_device);
    DispatchDeviceChanges();
    EXPECT_FALSE(IsConnected());
    LinkTicks(3);
    m_sim.SetOpenRefusal(m_device, HidOpenError::None);
    LinkTicks(1);
    EXPECT_TRUE(IsConnected());
    const ConnectionEvent refused = Event(ConnectionEvent::Kind::SearchFailed, LinkProblem::NoPermission);
    EXPECT_EQ(Events(), (std::vector<ConnectionEvent>{kConnectedEvent, kRemovedEvent, refused, refused, refused,
                                                      refused, kReconnectedEvent}));
}

// A bad cable: five removals and arrivals within two seconds.
TEST_F(LinkReconnect, ALooseCableEndsConnected)
{
    Connect();
    for (int i = 0; i < 5; ++i) {
        m_sim.Unplug(m_device);
        DispatchDeviceChanges();
        LinkTicks(2);
        m_sim.Plug(m_device);
        DispatchDeviceChanges();
        Tick();
        Tick();
    }
    LinkTicks(3 * CHidLink::kReconnectTicks);
    RunConnectSequence();
    EXPECT_TRUE(IsConnected());
    EXPECT_EQ(std::count(Events().begin(), Events().end(), kReconnectedEvent), 5);
    EXPECT_EQ(m_sim.OpenHandles(m_device), 2);
    ExpectImageMatchesUnit();
}

}  // namespace

namespace {

// Where units coming and going are noticed only by comparing the devices now
// and then, a unit may leave and come back between two looks: the watcher
// tells nothing, and only the failed read says the unit went.
struct UnseenReturn {
    int plugAfterTicks;    // after the loss
    int connectedOnTick;   // the link's look that finds it
};

class LinkLooking : public LinkSession, public testing::WithParamInterface<UnseenReturn> {};

TEST_P(LinkLooking, AUnitBackUnseenByTheWatcherIsFoundOnTheNextLook)
{
    const UnseenReturn& c = GetParam();
    m_sim.WatchByComparing(std::numeric_limits<int>::max());   // a watcher that never looks
    Connect();
    m_sim.Unplug(m_device);
    ASSERT_TRUE(DispatchUntilLost());
    LinkTicks(c.plugAfterTicks);
    m_sim.Plug(m_device);
    LinkTicks(c.connectedOnTick - c.plugAfterTicks - 1);
    EXPECT_FALSE(IsConnected());
    LinkTicks(1);
    EXPECT_TRUE(IsConnected());
    EXPECT_EQ(Events(), (std::vector<ConnectionEvent>{kConnectedEvent, kRemovedEvent, kReconnectedEvent}))
        << "looking for a unit that is away reports nothing";
    EXPECT_EQ(m_sim.OpenHandles(m_device), 2);
    RunConnectSequence();
    ExpectImageMatchesUnit();
}

// Every tick while the window's warning waits, then once a second.
INSTANTIATE_TEST_SUITE_P(Ticks, LinkLooking, testing::Values(
    UnseenReturn{0, 1}, UnseenReturn{5, 6}, UnseenReturn{9, 10}, UnseenReturn{10, 20}, UnseenReturn{25, 30},
    UnseenReturn{100, 110}));

// A hub reset or a short glitch: reads fail while the unit stays attached.
TEST_F(LinkLooking, AFailedReadWithTheUnitStillThereReconnectsOnTheNextTick)
{
    m_sim.WatchByComparing(10);
    Connect();
    for (int i = 0; i < 3; ++i) {
        m_sim.BreakOpenHandles(m_device);
        ASSERT_TRUE(DispatchUntilLost());
        LinkTicks(1);
        ASSERT_TRUE(IsConnected()) << "glitch " << i;
        RunConnectSequence();
    }
    EXPECT_EQ(std::count(Events().begin(), Events().end(), kReconnectedEvent), 3);
    EXPECT_EQ(m_sim.OpenHandles(m_device), 2) << "the broken handles were closed";
    ExpectImageMatchesUnit();
}

TEST_F(LinkLooking, AUnitThatStaysAwayIsLookedForQuietly)
{
    m_sim.WatchByComparing(10);
    Connect();
    m_sim.Unplug(m_device);
    ASSERT_TRUE(DispatchUntilLost());
    const std::size_t warnings = Warnings().size();
    for (int i = 0; i < 100; ++i) {
        m_sim.Tick();   // the watcher looks every tenth
        DispatchDeviceChanges();
        LinkTicks(1);
    }
    EXPECT_FALSE(IsConnected());
    EXPECT_EQ(Events(), (std::vector<ConnectionEvent>{kConnectedEvent, kRemovedEvent}));
    EXPECT_EQ(Warnings().size(), warnings) << "nothing logged while it is away";
}

}  // namespace
