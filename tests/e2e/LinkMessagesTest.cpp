// What the window says about the link, in both languages: the connect
// button's messages when no usable unit is found or the devices cannot be
// listed, and the warning a unit gone under a write raises after a second.
#include "WindowOverLink.h"

#include "ui/common/LinkTexts.h"
#include "ui/common/UnitLocks.h"
#include "ui/OwnCommandLine.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace {

using LinkMessages = WindowOverLinkTest;

struct LanguageCase {
    bool chinese;
    const char* cantFind;
    const char* outOfMemory;
    const char* disconnect;
};

class LinkMessagesInLanguage : public WindowOverLinkTest, public testing::WithParamInterface<LanguageCase> {
protected:
    void SetUp() override
    {
        WindowOverLinkTest::SetUp();
        OpenWindow();
        if (GetParam().chinese)
            Click(kIdLanguage);
    }
};

TEST_P(LinkMessagesInLanguage, ConnectFailuresSayWhy)
{
    const LanguageCase& c = GetParam();
    m_backend.SetEnumerationOutOfMemory(true);
    Click(kIdConnect);
    m_backend.SetEnumerationOutOfMemory(false);
    m_backend.SetOpenRefusal(0, HidOpenError::Other);
    Click(kIdConnect);
    ASSERT_EQ(m_messages.size(), 3u);
    EXPECT_EQ(m_messages[0].text, QString::fromUtf8(c.outOfMemory));
    EXPECT_EQ(m_messages[0].caption, ApplicationName());
    EXPECT_EQ(m_messages[1].text, QString::fromUtf8(c.cantFind));
    EXPECT_EQ(m_messages[1].caption, "Warning");
    EXPECT_EQ(m_messages[2].text, QString::fromUtf8(c.cantFind));
    EXPECT_FALSE(Unit().IsConnected());
    EXPECT_TRUE(ShowsImage(kIdConnect, 147));
}

// The removal is not handled yet when the next frame finds the device closed.
TEST_P(LinkMessagesInLanguage, AWriteToAVanishedDeviceWarnsOnceAfterASecond)
{
    const LanguageCase& c = GetParam();
    Connect();
    if (c.chinese && CurrentLanguage() == kEnglish)
        Click(kIdLanguage);   // connecting took the unit's language
    Settle();
    m_backend.Unplug(0);
    Click(kIdMute);
    for (int i = 0; i < 3 && Unit().IsConnected(); ++i)
        m_dlg->OnTimer();
    EXPECT_FALSE(Unit().IsConnected());
    EXPECT_TRUE(m_messages.empty()) << "a unit back within a second raises no box";
    QCoreApplication::sendPostedEvents();
    Tick(CMainWindow::kLostWarningTicks);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, QString::fromUtf8(c.disconnect));
    EXPECT_EQ(m_messages[0].caption, "Warning");
    Tick(3 * CMainWindow::kLostWarningTicks);
    EXPECT_EQ(m_messages.size(), 1u) << "the removal that follows belongs to the same loss";
}

INSTANTIATE_TEST_SUITE_P(Languages, LinkMessagesInLanguage,
                         testing::Values(LanguageCase{false, "Can't find the device, please check it",
                                                      "Not enough memory!", "Device disconnect"},
                                         LanguageCase{true, "没找到设备,请检查是否连接好", "内存不足!",
                                                      "设备断开联连"}),
                         [](const auto& info) { return info.param.chinese ? "Chinese" : "English"; });

// The commonest trouble on Linux: the box says what to do, not just "Can't find the device".
TEST_F(LinkMessages, AUnitThisUserMayNotOpenIsExplained)
{
    OpenWindow();
    m_backend.SetOpenRefusal(0, HidOpenError::PermissionDenied);
    Click(kIdConnect);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text,
              "The unit is attached at /dev/hidraw-sim0, but this user may not open it. Install the quenda package, "
              "which brings the udev rule that gives access, or install the rule with this command:\n\n"
              "echo 'KERNEL==\"hidraw*\", SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"0483\", ATTRS{idProduct}==\"5750\", "
              "TAG+=\"uaccess\"' | sudo tee /etc/udev/rules.d/70-quenda.rules && sudo udevadm control --reload && sudo "
              "udevadm trigger\n\nthen unplug the unit and plug it in again.");
    EXPECT_EQ(m_messages[0].caption, "Warning");
}

// Another program has the unit: the window says which, in both languages, and
// connects once that program let go.
TEST_F(LinkMessages, AUnitAnotherProgramHasIsRefusedNamingThatProgram)
{
    QTemporaryDir folder;
    CUnitLocks otherProgram(folder.path());
    OpenWindow();
    m_adapter->Unit().Link().ClaimUnitsThrough(std::make_unique<CUnitLocks>(folder.path()));
    UnitHolder none;
    ASSERT_TRUE(otherProgram.Claim("/dev/hidraw-sim0", none));
    const qint64 pid = QCoreApplication::applicationPid();
    const QString command = OwnCommandLine();

    Click(kIdConnect);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, QStringLiteral("The unit at /dev/hidraw-sim0 is in use by another program: process "
                                                 "%1 (%2). Close that program, then press the USB button again.")
                                      .arg(pid)
                                      .arg(command));
    EXPECT_EQ(m_messages[0].caption, "Warning");
    EXPECT_EQ(StatusShown(), QStringLiteral("The unit is in use by another program (process %1)").arg(pid));
    EXPECT_EQ(m_backend.OpenHandles(0), 0);

    Click(kIdLanguage);
    Click(kIdConnect);
    ASSERT_EQ(m_messages.size(), 2u);
    EXPECT_EQ(m_messages[1].text, QStringLiteral("设备 /dev/hidraw-sim0 正被另一个程序使用:进程 %1 (%2)。请关闭该程序,"
                                                 "然后再按 USB 按钮。")
                                      .arg(pid)
                                      .arg(command));
    EXPECT_EQ(StatusShown(), QStringLiteral("设备正被另一个程序使用(进程 %1)").arg(pid));
    Click(kIdLanguage);

    otherProgram.Release();
    Click(kIdConnect);
    Settle();
    EXPECT_TRUE(Unit().IsConnected());
    EXPECT_EQ(m_messages.size(), 2u);
}

// The window has the unit: a second program on it is refused and never opens
// it, and every change of the window is still answered.
TEST_F(LinkMessages, TheProgramThatHasTheUnitKeepsWorkingBesideASecondOne)
{
    QTemporaryDir folder;
    OpenWindow();
    m_adapter->Unit().Link().ClaimUnitsThrough(std::make_unique<CUnitLocks>(folder.path()));
    Connect();
    {
        CUnitAdapter second(m_backend);
        second.Unit().Link().ClaimUnitsThrough(std::make_unique<CUnitLocks>(folder.path()));
        second.Unit().Link().OnConnectButton();
        EXPECT_FALSE(second.Unit().IsConnected());
        EXPECT_EQ(second.Unit().Link().Problem(), LinkProblem::InUse);
        EXPECT_EQ(second.Unit().Link().Holder().processId, QCoreApplication::applicationPid());
        EXPECT_EQ(m_backend.OpenHandles(0), 2) << "the window's two handles only";
        Click(kIdMute);
        Click(kIdMute + 1);
        Tick(3);
        EXPECT_EQ(m_unit.Current(0).mute, 1);
        EXPECT_EQ(m_unit.Current(1).mute, 1);
        EXPECT_EQ(PendingCount(), 0u);
        EXPECT_EQ(StatusShown(), "Connected");
    }
}

// The command in the box installs the very rule the package installs.
TEST(UdevRule, TheCommandInstallsTheRuleThePackageShips)
{
    QFile rules(QStringLiteral(QUENDA_SOURCE_DIR "/tools/70-quenda.rules"));
    ASSERT_TRUE(rules.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList ruleLines;
    for (const QString& line : QString::fromUtf8(rules.readAll()).split(QLatin1Char('\n')))
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
            ruleLines << line;
    EXPECT_EQ(ruleLines, QStringList{UdevRuleLine()});
    EXPECT_TRUE(UdevRuleInstallCommand().startsWith(QStringLiteral("echo '") + UdevRuleLine() + QStringLiteral("' | ")));
}

}  // namespace
