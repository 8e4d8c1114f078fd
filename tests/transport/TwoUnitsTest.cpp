// Two units in one process, each over its own simulated device: their images,
// frames, meters and failures never mix.
#include "transport/LinkFixture.h"

namespace {

// One unit and what it reports, over a back-end of its own.
struct UnitUnderTest {
    explicit UnitUnderTest(const char* path)
    {
        SimulatedDeviceSpec spec;
        spec.path = path;
        m_sim.AddDevice(spec);
        unit = std::make_unique<CUnit>(m_sim, observer, kTestReadSliceMs);
    }

    ~UnitUnderTest() { unit.reset(); }

    CSimulatedUnit& Sim() { return m_sim.Unit(0); }
    CSimulatedHidBackend& Backend() { return m_sim; }

    // One 100 ms tick of the unit and of its device, then what the reader took.
    void Tick()
    {
        unit->Tick();
        m_sim.Tick();
        ASSERT_TRUE(m_sim.WaitUntilReaderIdle(kReaderWait));
        unit->DeliverEvents();
    }

    std::size_t Pending()
    {
        CommandSlot out[kPendingCapacity];
        return unit->Scheduler().Pending(out, kPendingCapacity);
    }

private:
    CSimulatedHidBackend m_sim;   // outlives the unit

public:
    RecordingObserver observer;
    std::unique_ptr<CUnit> unit;
};

class TwoUnits : public ::testing::Test {
protected:
    void SetUp() override
    {
        ChannelBlock block = DefaultChannelBlock();
        block.gain.Set(40);
        m_a.Sim().SetCurrent(0, block);
        block.gain.Set(70);
        m_b.Sim().SetCurrent(0, block);
        for (UnitUnderTest* u : {&m_a, &m_b}) {
            u->unit->Start();
            u->unit->ConnectButton();
        }
        for (int i = 0; i < 20 && (m_a.Pending() > 0 || m_b.Pending() > 0); ++i)
            TickBoth();
        ASSERT_EQ(m_a.Pending(), 0u);
        ASSERT_EQ(m_b.Pending(), 0u);
    }

    void TickBoth()
    {
        m_a.Tick();
        m_b.Tick();
    }

    UnitUnderTest m_a{"/dev/hidraw-a"};
    UnitUnderTest m_b{"/dev/hidraw-b"};
};

TEST_F(TwoUnits, EachImageHoldsItsOwnUnitsSettings)
{
    EXPECT_EQ(m_a.unit->Image().Channel(0).gain.Get(), 40);
    EXPECT_EQ(m_b.unit->Image().Channel(0).gain.Get(), 70);
    EXPECT_EQ(m_a.unit->Link().DevicePath(), "/dev/hidraw-a");
    EXPECT_EQ(m_b.unit->Link().DevicePath(), "/dev/hidraw-b");
}

TEST_F(TwoUnits, AChangeOfOneUnitReachesOnlyThatUnit)
{
    const std::size_t setParamsA = m_a.Sim().CommandsReceived(CMD_SET_PARAM);
    const std::size_t setParamsB = m_b.Sim().CommandsReceived(CMD_SET_PARAM);
    m_a.unit->Edit([](CSettingsEdit& edit) { edit.Set(0, ChannelField::Mute, 1); });
    m_b.unit->Edit([](CSettingsEdit& edit) { edit.Set(1, ChannelField::Gain, 12); });
    for (int i = 0; i < 5; ++i)
        TickBoth();

    EXPECT_EQ(m_a.Sim().CommandsReceived(CMD_SET_PARAM), setParamsA + 1);
    EXPECT_EQ(m_b.Sim().CommandsReceived(CMD_SET_PARAM), setParamsB + 1);
    EXPECT_EQ(m_a.Sim().Current(0).mute, 1);
    EXPECT_EQ(m_a.Sim().Current(1).gain.Get(), 80);
    EXPECT_EQ(m_b.Sim().Current(0).mute, 0);
    EXPECT_EQ(m_b.Sim().Current(1).gain.Get(), 12);
    EXPECT_EQ(m_a.unit->Image().Channel(1).gain.Get(), 80);
    EXPECT_EQ(m_b.unit->Image().Channel(0).mute, 0);
}

// A unit whose replies are all lost stalls with its change unanswered; the other
// unit's meters and commands go on as if nothing happened.
TEST_F(TwoUnits, MetersAndFailuresStayWithTheirUnit)
{
    m_b.Sim().SetFaults({.dropReply = 1.0});
    for (int c = 0; c < kMeterByteCount; ++c)
        m_b.unit->Image().meterBytes[c].store(0);
    m_a.unit->Edit([](CSettingsEdit& edit) { edit.Set(0, ChannelField::Mute, 1); });
    m_b.unit->Edit([](CSettingsEdit& edit) { edit.Set(0, ChannelField::Mute, 1); });
    for (int i = 0; i < 60; ++i)
        TickBoth();

    EXPECT_FALSE(m_a.unit->Scheduler().Status().stalled);
    EXPECT_EQ(m_a.Pending(), 0u);
    EXPECT_TRUE(m_b.unit->Scheduler().Status().stalled);
    EXPECT_EQ(m_b.Pending(), 1u);
    EXPECT_EQ(m_a.Sim().Current(0).mute, 1);
    int levelA = 0;
    int levelB = 0;
    for (int c = 0; c < kChannelCount; ++c) {
        levelA += m_a.unit->Image().meterBytes[c].load();
        levelB += m_b.unit->Image().meterBytes[c].load();
    }
    EXPECT_GT(levelA, 0) << "A's polls are answered with its levels";
    EXPECT_EQ(levelB, 0) << "none of B's status replies arrives";
    EXPECT_TRUE(m_a.unit->IsConnected());
    EXPECT_TRUE(m_b.unit->IsConnected());
}

}  // namespace
