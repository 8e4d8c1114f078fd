// Finding and opening the unit, the connect button and the device-change
// handler, over the simulated back-end.
#include "transport/LinkFixture.h"

#include <cstdio>

namespace {

using LinkSearch = LinkTest;

TEST_F(LinkSearch, FirstOfTwoMatchingDevicesIsOpened)
{
    AddDevice(Spec("/dev/hidraw3"));
    AddDevice(Spec("/dev/hidraw4"));
    Start();
    m_link->OnConnectButton();

    EXPECT_EQ(m_sim.OpenHandles(0), 2);
    EXPECT_EQ(m_sim.OpenHandles(1), 0);
    EXPECT_EQ(m_link->DevicePath(), "/dev/hidraw3");
    EXPECT_EQ(g_Connected.load(), 1);
    EXPECT_EQ(g_DeviceOpen.load(), 1);
    CommandSlot pending[2];
    ASSERT_EQ(PendingCommands(pending, 2), 1u);
    EXPECT_EQ(pending[0].code, CMD_READ_SETUP);
    EXPECT_EQ(m_images, std::vector<int>{kUsbBitmapConnected});
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Find the device"});
    EXPECT_EQ(m_problems, std::vector<LinkProblem>{LinkProblem::None});

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
    m_link->OnConnectButton();

    EXPECT_EQ(g_Connected.load(), c.accepted ? 1 : 0);
    EXPECT_EQ(g_DeviceOpen.load(), c.accepted ? 1 : 0);
    EXPECT_EQ(m_sim.OpenHandles(0), c.accepted ? 2 : 0);
    EXPECT_EQ(m_images, std::vector<int>{c.accepted ? kUsbBitmapConnected : kUsbBitmapDisconnected});
    EXPECT_EQ(m_messages, c.accepted ? std::vector<ShownMessage>{} : std::vector<ShownMessage>{kCantFindMessage});
    EXPECT_EQ(Statuses(), std::vector<std::string>{c.accepted ? "Find the device" : "Can not find device"});
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

TEST_F(LinkSearch, NoInterfacesAtAllShowsTheMessage)
{
    Start();
    m_link->OnConnectButton();
    EXPECT_EQ(m_messages, std::vector<ShownMessage>{kCantFindMessage});
    EXPECT_EQ(m_images, std::vector<int>{kUsbBitmapDisconnected});
    EXPECT_EQ(m_link->DevicePath(), "");
    EXPECT_EQ(g_Connected.load(), 0);
}

TEST_F(LinkSearch, FailedSearchRemembersTheLastInterfaceExamined)
{
    const int wrongVersion = AddDevice(Spec("/dev/hidraw0", 0x0483, 0x5750, 0x0201));
    const int keyboard = AddDevice(Spec("/dev/hidraw1", 0x046D, 0xC31C, 0x6400));
    Start();
    m_link->OnConnectButton();
    EXPECT_EQ(m_link->DevicePath(), "/dev/hidraw1");
    m_messages.clear();

    m_sim.Unplug(wrongVersion);
    DispatchDeviceChanges();
    LinkTicks(CHidLink::kLostWarningTicks);
    EXPECT_TRUE(m_messages.empty());

    m_sim.Unplug(keyboard);
    DispatchDeviceChanges();
    LinkTicks(CHidLink::kLostWarningTicks);
    EXPECT_EQ(m_messages, std::vector<ShownMessage>{kCantFindMessage});
    EXPECT_EQ(m_images.back(), kUsbBitmapDisconnected);
}

TEST_F(LinkSearch, ConnectPressedTwiceTogglesWithoutMessage)
{
    AddDevice(Spec("/dev/hidraw2"));
    Start();
    m_link->OnConnectButton();
    m_link->OnConnectButton();

    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(m_images, (std::vector<int>{kUsbBitmapConnected, kUsbBitmapDisconnected}));
    EXPECT_EQ(g_Connected.load(), 0);
    EXPECT_EQ(g_DeviceOpen.load(), 0);
    EXPECT_EQ(m_sim.OpenHandles(0), 0);
    EXPECT_TRUE(m_link->HandlesClosed());

    const int before = m_sim.WritesStarted(0);
    SchedulerTick();
    EXPECT_EQ(m_sim.WritesStarted(0), before);
}

TEST_F(LinkSearch, DeviceChangeComparesPathsWithoutRegardToCase)
{
    AddDevice(Spec("\\\\?\\hid#vid_0483&pid_5750#7&1a2b"));
    Start();
    m_link->OnConnectButton();

    EXPECT_TRUE(m_link->OnDeviceChange(DBT_DEVICEREMOVECOMPLETE, "\\\\?\\HID#VID_0483&PID_5750#7&1A2C"));
    EXPECT_TRUE(m_link->OnDeviceChange(0x8001, "\\\\?\\HID#VID_0483&PID_5750#7&1A2B"));
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(g_Connected.load(), 1);

    EXPECT_TRUE(m_link->OnDeviceChange(DBT_DEVICEREMOVECOMPLETE, "\\\\?\\HID#VID_0483&PID_5750#7&1A2B"));
    LinkTicks(CHidLink::kLostWarningTicks);
    EXPECT_EQ(m_messages, std::vector<ShownMessage>{kCantFindMessage});
    EXPECT_EQ(g_Connected.load(), 0);
    EXPECT_EQ(m_sim.OpenHandles(0), 0);
}

// The commonest trouble on Linux: the box and the window's status line say the
// cause, not just "Can't find the device".
TEST_F(LinkSearch, UnitWithoutAccessIsNotOpenedAndTheBoxSaysWhatToDo)
{
    const int unit = AddDevice(Spec("/dev/hidraw5"));
    m_sim.SetOpenRefusal(unit, HidOpenError::PermissionDenied);
    Start();
    m_link->OnConnectButton();

    EXPECT_EQ(m_sim.OpensRefused(), 1);
    EXPECT_EQ(g_DeviceOpen.load(), 0);
    EXPECT_EQ(g_Connected.load(), 0);
    EXPECT_EQ(m_messages, (std::vector<ShownMessage>{{kTextNoPermission.english, "Warning"}}));
    EXPECT_EQ(m_problems, std::vector<LinkProblem>{LinkProblem::NoPermission});
    EXPECT_EQ(m_link->Problem(), LinkProblem::NoPermission);
    EXPECT_EQ(Warnings(), std::vector<std::string>{"the unit at /dev/hidraw5 cannot be opened: permission denied "
                                                   "(/dev/hidraw5: Permission denied)"});
    EXPECT_EQ(Statuses(), (std::vector<std::string>{kTextInvalidReadHandle.english, kTextNoPermission.english,
                                                    "Can not find device"}));
    EXPECT_NE(std::string(kTextNoPermission.english).find("tools/70-quenda.rules"), std::string::npos);
}

TEST_F(LinkSearch, OutOfMemoryDuringTheSearchIsTold)
{
    AddDevice(Spec("/dev/hidraw0"));
    m_sim.SetEnumerationOutOfMemory(true);
    Start();
    m_link->OnConnectButton();
    EXPECT_EQ(m_messages, (std::vector<ShownMessage>{{"Not enough memory!", "Quenda"}, kCantFindMessage}));
    EXPECT_EQ(g_Connected.load(), 0);
}

struct LanguageCase {
    int chinese;
    const char* cantFind;
    const char* outOfMemory;
    const char* found;
    const char* notFound;
};

class LinkLanguage : public LinkTest, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(LinkLanguage, TextsFollowTheInterfaceLanguage)
{
    const LanguageCase c = GetParam();
    const int unit = AddDevice(Spec("/dev/hidraw0"));
    Start();
    g_LanguageChinese.store(c.chinese);

    m_sim.SetEnumerationOutOfMemory(true);
    m_link->OnConnectButton();
    m_sim.SetEnumerationOutOfMemory(false);
    m_sim.SetOpenRefusal(unit, HidOpenError::Other);
    m_link->OnConnectButton();
    m_sim.SetOpenRefusal(unit, HidOpenError::None);
    m_link->OnConnectButton();

    EXPECT_EQ(m_messages, (std::vector<ShownMessage>{
                              {c.outOfMemory, "Quenda"}, {c.cantFind, "Warning"}, {c.cantFind, "Warning"}}));
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"无效的读报告句柄，可能是打开设备时失败", c.notFound, c.found}));
}

INSTANTIATE_TEST_SUITE_P(Languages, LinkLanguage,
                         ::testing::Values(LanguageCase{0, "Can't find the device, please check it",
                                                        "Not enough memory!", "Find the device",
                                                        "Can not find device"},
                                           LanguageCase{1, "没找到设备,请检查是否连接好", "内存不足!", "设备已找到",
                                                        "设备未找到"},
                                           LanguageCase{7, "没找到设备,请检查是否连接好", "内存不足!", "设备已找到",
                                                        "设备未找到"}),
                         [](const auto& info) { return "LanguageByte" + std::to_string(info.param.chinese); });

TEST(LinkDemo, DemoBackEndPresentsOneUnitThatConnects)
{
    g_Connected.store(0);
    auto backend = MakeHidBackend(HidBackendKind::Simulated);
    const std::vector<HidInterfaceInfo> interfaces = backend->Enumerate();
    ASSERT_EQ(interfaces.size(), 1u);
    EXPECT_EQ(interfaces[0].vendor, 0x0483);
    EXPECT_EQ(interfaces[0].product, 0x5750);
    EXPECT_EQ(interfaces[0].version, 0x0200);

    std::vector<int> images;
    LinkHooks hooks;
    hooks.connectButtonImage = [&](int id) { images.push_back(id); };
    {
        CHidLink link(*backend, hooks);
        link.StartLink();
        link.OnConnectButton();
        EXPECT_EQ(g_Connected.load(), 1);
    }
    EXPECT_EQ(images, std::vector<int>{kUsbBitmapConnected});
    g_Connected.store(0);
    g_DeviceOpen.store(0);
}

}  // namespace
