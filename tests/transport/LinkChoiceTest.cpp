// Several units on one computer: the link opens the one chosen by its serial
// number or path, and after a loss brings back that unit only.
#include "transport/LinkFixture.h"

namespace {

SimulatedDeviceSpec UnitAt(const char* path, const char* serial)
{
    SimulatedDeviceSpec spec;
    spec.path = path;
    spec.serial = serial;
    return spec;
}

// Three units: one by serial, one without a serial, one more by serial.
class LinkChoice : public LinkTest {
protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        AddDevice(UnitAt("/dev/hidraw3", "QD-0001"));
        AddDevice(UnitAt("/dev/hidraw4", ""));
        AddDevice(UnitAt("/dev/hidraw5", "QD-0003"));
        Start();
    }

    // The device whose handles are open, or -1.
    int OpenUnit() const
    {
        for (int d = 0; d < m_devices; ++d)
            if (m_sim.OpenHandles(d) > 0)
                return d;
        return -1;
    }
};

struct ChoiceCase {
    const char* key;
    int opened;   // device index, -1: none
};

class LinkChoiceOf : public LinkChoice, public testing::WithParamInterface<ChoiceCase> {};

TEST_P(LinkChoiceOf, TheChosenUnitIsOpenedAndNoOther)
{
    Link().ChooseUnit(GetParam().key);
    Link().OnConnectButton();
    EXPECT_EQ(OpenUnit(), GetParam().opened);
    EXPECT_EQ(IsConnected(), GetParam().opened >= 0);
    if (GetParam().opened < 0) {
        EXPECT_EQ(Events(), std::vector<ConnectionEvent>{kNotFoundEvent});
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, LinkChoiceOf, testing::Values(
    ChoiceCase{"", 0}, ChoiceCase{"QD-0001", 0}, ChoiceCase{"/dev/hidraw4", 1}, ChoiceCase{"QD-0003", 2},
    ChoiceCase{"/dev/hidraw5", 2}, ChoiceCase{"/DEV/HIDRAW5", 2}, ChoiceCase{"QD-0002", -1},
    ChoiceCase{"/dev/hidraw9", -1}, ChoiceCase{"qd-0001", -1}));

// The unit without a serial number is known by its path: another unit coming
// back is never taken for it.
TEST_F(LinkChoice, AfterALossOnlyTheSameUnitIsConnectedAgain)
{
    Link().ChooseUnit("/dev/hidraw4");
    Link().OnConnectButton();
    ASSERT_EQ(OpenUnit(), 1);
    m_sim.Unplug(0);
    m_sim.Unplug(1);
    DispatchDeviceChanges();
    ASSERT_FALSE(IsConnected());
    m_sim.Plug(0);   // another unit arrives
    DispatchDeviceChanges();
    LinkTicks(3 * CHidLink::kReconnectTicks);
    EXPECT_FALSE(IsConnected());
    EXPECT_EQ(OpenUnit(), -1);
    m_sim.Plug(1);
    DispatchDeviceChanges();
    EXPECT_TRUE(IsConnected());
    EXPECT_EQ(OpenUnit(), 1);
}

// Without a choice the first unit is opened; lost, it is the one looked for.
TEST_F(LinkChoice, TheUnitFirstFoundIsTheOneBroughtBack)
{
    Link().OnConnectButton();
    ASSERT_EQ(OpenUnit(), 0);
    m_sim.Unplug(0);
    DispatchDeviceChanges();
    LinkTicks(3 * CHidLink::kReconnectTicks);
    EXPECT_FALSE(IsConnected()) << "units 1 and 2 are still there, but not the one lost";
    m_sim.Plug(0);
    DispatchDeviceChanges();
    EXPECT_EQ(OpenUnit(), 0);
}

TEST_F(LinkChoice, AUnitWithASerialNumberIsFoundAtANewPath)
{
    const int moved = AddDevice(UnitAt("/dev/hidraw9", "QD-0003"), false);
    Link().ChooseUnit("QD-0003");
    Link().OnConnectButton();
    ASSERT_EQ(OpenUnit(), 2);
    m_sim.Unplug(2);
    DispatchDeviceChanges();
    m_sim.Plug(moved);   // plugged into another port
    DispatchDeviceChanges();
    EXPECT_TRUE(IsConnected());
    EXPECT_EQ(Link().DevicePath(), "/dev/hidraw9");
    EXPECT_EQ(m_sim.OpenHandles(moved), 2);
}

// Two units in one program, each with its own link: a change reaches only its unit.
TEST(LinksSideBySide, EachUnitGetsOnlyItsOwnChanges)
{
    CSimulatedHidBackend sim;
    sim.AddDevice(UnitAt("/dev/hidraw3", "QD-0001"));
    sim.AddDevice(UnitAt("/dev/hidraw4", "QD-0002"));
    RecordingObserver firstObserver, secondObserver;
    CUnit first(sim, firstObserver, kTestReadSliceMs), second(sim, secondObserver, kTestReadSliceMs);
    first.Start();
    second.Start();
    second.Link().ChooseUnit("QD-0002");
    first.Link().ChooseUnit("/dev/hidraw3");
    first.Link().OnConnectButton();
    second.Link().OnConnectButton();
    ASSERT_TRUE(first.IsConnected() && second.IsConnected());
    // Ticks until both have the unit's settings and nothing waits.
    const auto settled = [&] {
        CommandSlot pending[1];
        return firstObserver.refreshes.size() > 0 && secondObserver.refreshes.size() > 0 &&
               first.Scheduler().Pending(pending, 1) == 0 && second.Scheduler().Pending(pending, 1) == 0;
    };
    const auto settle = [&] {
        for (int t = 0; t < 200; ++t) {
            first.Tick();
            second.Tick();
            sim.Tick();
            ASSERT_TRUE(sim.WaitUntilReaderIdle(kReaderWait, 2));
            first.DeliverEvents();
            second.DeliverEvents();
            if (t >= 3 && settled())
                return;
        }
        FAIL() << "not settled";
    };
    settle();
    first.Edit([](CSettingsEdit& edit) { edit.Set(0, ChannelField::Gain, 33); });
    second.Edit([](CSettingsEdit& edit) { edit.Set(1, ChannelField::Gain, 44); });
    settle();
    EXPECT_EQ(sim.Unit(0).Current(0).gain.Get(), 33);
    EXPECT_EQ(sim.Unit(1).Current(1).gain.Get(), 44);
    EXPECT_NE(sim.Unit(0).Current(1).gain.Get(), 44);
    EXPECT_NE(sim.Unit(1).Current(0).gain.Get(), 33);
}

}  // namespace
