// Finding and opening the unit, the connect button and the device-change
// handler, over the simulated back-end.
#include "transport/LinkFixture.h"

#include <cstdio>

namespace {

using LinkSearch = LinkTest;
using Kind = ConnectionEvent::Kind;

TEST_F(LinkSearch, FirstOfTwoMatchingDevicesIsOpened)
{
    AddDevice(Spec("/dev/hidraw3"));
    AddDevice(Spec("/dev/hidraw4"));
    Start();
    Link().OnConnectButton();

    EXPECT_EQ(m_sim.OpenHandles(0), 2);
    EXPECT_EQ(m_sim.OpenHandles(1), 0);
    EXPECT_EQ(Link().DevicePath(), "/dev/hidraw3");
    EXPECT_TRUE(IsConnected());
    EXPECT_FALSE(Link().HandlesClosed());
    CommandSlot pending[2];
    ASSERT_EQ(Scheduler().Pending(pending, 2), 1u);
    EXPECT_EQ(pending[0].code, CMD_READ_SETUP);
    EXPECT_EQ(Events(), std::vector<ConnectionEvent>{kConnectedEvent});
    DispatchDeviceChanges();
    EXPECT_EQ(Notes(), std::vector<LinkNote>{LinkNote::DeviceFound});
    EXPECT_EQ(Link().Problem(), LinkProblem::None);

    Tick();
    const auto written = m_sim.Written(0);
    ASSERT_FALSE(written.empty());
    const std::vector<std::uint8_t> setup(written[0].begin(), written[0].begin() + 15);
    EXPECT_EQ(setup, (std::vector<std::uint8_t>{0x00, 0x5A, 0x5A, 0x5A, 0x00, 0x53, 0xA2, 0x06, 0x00, 0x00, 0x00,
                                                0x00, 0x00, 0xAD, 0xAA}));
    EXPECT_TRUE(m_sim.Written(1).empty());
}

struct IdentityCase {
    std::uint16_t vendor;
    std::uint16_t product;
    std::uint16_t version;
    bool accepted;
};

class LinkIdentity : public LinkTest, public ::testing::WithParamInterface<IdentityCase> {};

TEST_P(LinkIdentity, AllThreeValuesMustMatch)
{
    const IdentityCase c = GetParam();
    AddDevice(Spec("/dev/hidraw1", c.vendor, c.product, c.version));
    Start();
    Link().OnConnectButton();
    DispatchDeviceChanges();

    EXPECT_EQ(IsConnected(), c.accepted);
    EXPECT_EQ(Link().HandlesClosed(), !c.accepted);
    EXPECT_EQ(m_sim.OpenHandles(0), c.accepted ? 2 : 0);
    EXPECT_EQ(Events(), std::vector<ConnectionEvent>{c.accepted ? kConnectedEvent : kNotFoundEvent});
    EXPECT_EQ(Notes(), std::vector<LinkNote>{c.accepted ? LinkNote::DeviceFound : LinkNote::DeviceNotFound});
}

INSTANTIATE_TEST_SUITE_P(Identities, LinkIdentity,
                         ::testing::Values(IdentityCase{0x0483, 0x5750, 0x0200, true},
                                           IdentityCase{0x0483, 0x5750, 0x0201, false},
                                           IdentityCase{0x0483, 0x5750, 0x0100, false},
                                           IdentityCase{0x0483, 0x5751, 0x0200, false},
                                           IdentityCase{0x0484, 0x5750, 0x0200, false},
                                           IdentityCase{0x5750, 0x0483, 0x0200, false}),
                         [](const auto& info) {
                             char name[32];
                             std::snprintf(name, sizeof name, "V%04X_P%04X_R%04X", info.param.vendor,
                                           info.param.product, info.param.version);
                             return std::string(name);
                         });

TEST_F(LinkSearch, NoInterfacesAtAllIsToldAsNotFound)
{
    Start();
    Link().OnConnectButton();
    EXPECT_EQ(Events(), std::vector<ConnectionEvent>{kNotFoundEvent});
    EXPECT_EQ(Link().DevicePath(), "");
    EXPECT_FALSE(IsConnected());
}

TEST_F(LinkSearch, FailedSearchRemembersTheLastInterfaceExamined)
{
    const int wrongVersion = AddDevice(Spec("/dev/hidraw0", 0x0483, 0x5750, 0x0201));
    const int keyboard = AddDevice(Spec("/dev/hidraw1", 0x046D, 0xC31C, 0x6400));
    Start();
    Link().OnConnectButton();
    EXPECT_EQ(Link().DevicePath(), "/dev/hidraw1");

    m_sim.Unplug(wrongVersion);
    DispatchDeviceChanges();
    EXPECT_EQ(Events(), std::vector<ConnectionEvent>{kNotFoundEvent});

    m_sim.Unplug(keyboard);
    DispatchDeviceChanges();
    EXPECT_EQ(Events(), (std::vector<ConnectionEvent>{kNotFoundEvent, kRemovedEvent}));
}

TEST_F(LinkSearch, ConnectPressedTwiceToggles)
{
    AddDevice(Spec("/dev/hidraw2"));
    Start();
    Link().OnConnectButton();
    Link().OnConnectButton();

    EXPECT_EQ(Events(), (std::vector<ConnectionEvent>{kConnectedEvent, kDisconnectedEvent}));
    EXPECT_FALSE(IsConnected());
    EXPECT_EQ(m_sim.OpenHandles(0), 0);
    EXPECT_TRUE(Link().HandlesClosed());

    const int before = m_sim.WritesStarted(0);
    Scheduler().Tick();
    EXPECT_EQ(m_sim.WritesStarted(0), before);
}

TEST_F(LinkSearch, DeviceChangeComparesPathsWithoutRegardToCase)
{
    AddDevice(Spec("\\\\?\\hid#vid_0483&pid_5750#7&1a2b"));
    Start();
    Link().OnConnectButton();

    Link().OnDeviceChange(HidDeviceChange::Removed, "\\\\?\\HID#VID_0483&PID_5750#7&1A2C");
    Link().OnDeviceChange(HidDeviceChange::Arrived, "\\\\?\\HID#VID_0483&PID_5750#7&1A2B");
    EXPECT_EQ(Events(), std::vector<ConnectionEvent>{kConnectedEvent});
    EXPECT_TRUE(IsConnected());

    Link().OnDeviceChange(HidDeviceChange::Removed, "\\\\?\\HID#VID_0483&PID_5750#7&1A2B");
    EXPECT_EQ(Events(), (std::vector<ConnectionEvent>{kConnectedEvent, kRemovedEvent}));
    EXPECT_FALSE(IsConnected());
    EXPECT_EQ(m_sim.OpenHandles(0), 0);
}

// The commonest trouble on Linux: the window is told the cause, not just "not found".
TEST_F(LinkSearch, UnitWithoutAccessIsNotOpenedAndTheCauseIsTold)
{
    const int unit = AddDevice(Spec("/dev/hidraw5"));
    m_sim.SetOpenRefusal(unit, HidOpenError::PermissionDenied);
    Start();
    Link().OnConnectButton();
    DispatchDeviceChanges();

    EXPECT_EQ(m_sim.OpensRefused(), 1);
    EXPECT_TRUE(Link().HandlesClosed());
    EXPECT_FALSE(IsConnected());
    EXPECT_EQ(Events(), std::vector<ConnectionEvent>{Event(Kind::ConnectFailed, LinkProblem::NoPermission)});
    EXPECT_EQ(Link().Problem(), LinkProblem::NoPermission);
    EXPECT_EQ(Warnings(), std::vector<std::string>{"the unit at /dev/hidraw5 cannot be opened: permission denied "
                                                   "(/dev/hidraw5: Permission denied)"});
    EXPECT_EQ(Notes(), (std::vector<LinkNote>{LinkNote::InvalidReadHandle, LinkNote::NoPermission,
                                              LinkNote::DeviceNotFound}));
}

// Running out of memory while listing the devices leaves the last known cause as it was.
TEST_F(LinkSearch, OutOfMemoryDuringTheSearchIsTold)
{
    AddDevice(Spec("/dev/hidraw0"));
    m_sim.SetEnumerationOutOfMemory(true);
    Start();
    Link().OnConnectButton();
    EXPECT_EQ(Events(), std::vector<ConnectionEvent>{Event(Kind::ConnectFailed, LinkProblem::None,
                                                           LossCause::Removed, true)});
    EXPECT_FALSE(IsConnected());
    EXPECT_EQ(Warnings(), std::vector<std::string>{"listing the HID devices ran out of memory"});
}

TEST(LinkDemo, DemoBackEndPresentsOneUnitThatConnects)
{
    auto backend = MakeHidBackend(HidBackendKind::Simulated);
    const std::vector<HidInterfaceInfo> interfaces = backend->Enumerate();
    ASSERT_EQ(interfaces.size(), 1u);
    EXPECT_EQ(interfaces[0].vendor, 0x0483);
    EXPECT_EQ(interfaces[0].product, 0x5750);
    EXPECT_EQ(interfaces[0].version, 0x0200);

    RecordingObserver observer;
    {
        CUnit unit(*backend, observer);
        unit.Start();
        unit.ConnectButton();
        EXPECT_TRUE(unit.IsConnected());
    }
    EXPECT_EQ(observer.events, std::vector<ConnectionEvent>{kConnectedEvent});
}

}  // namespace
