// The window on a system that notices units coming and going only by comparing
// the HID devices once a second: a loose cable, failed reads with no removal
// seen, and returns the watcher never sees all end connected and polling with
// no box on the screen, and a unit that stays away is warned of once.
#include "WindowOverLink.h"

#include "protocol/Framing.h"
#include "ui/controls/ControlId.h"

#include <QMessageBox>
#include <QPointer>

#include <limits>

namespace {

class ReconnectByComparing : public WindowOverLinkTest {
protected:
    void SetUp() override
    {
        WindowOverLinkTest::SetUp();
        m_backend.WatchByComparing(10);
        OpenWindow();
        Connect();
    }

    void ExpectConnectedAndPolling()
    {
        EXPECT_TRUE(Unit().IsConnected());
        EXPECT_TRUE(ShowsImage(kIdConnect, 148));
        EXPECT_EQ(PendingCount(), 0u);
        const std::size_t polls = m_unit.CommandsReceived(CMD_POLL);
        Tick(9);
        EXPECT_EQ(m_unit.CommandsReceived(CMD_POLL), polls + 3) << "a poll every third tick";
    }
};

TEST_F(ReconnectByComparing, FiveRemovalsAndReturnsInTwoSecondsEndConnectedWithNoBox)
{
    for (int i = 0; i < 5; ++i) {
        m_backend.Unplug(0);
        WaitUntilLost();
        Tick(2);
        m_backend.Plug(0);
        Settle();
        Tick(2);
    }
    Tick(3 * CMainWindow::kLostWarningTicks);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(StatusShown(), "Reconnected");
    ExpectConnectedAndPolling();
}

TEST_F(ReconnectByComparing, FailedReadsWithNoRemovalSeenReconnectOnTheNextTick)
{
    for (int i = 0; i < 3; ++i) {
        m_backend.BreakOpenHandles(0);
        WaitUntilLost();
        Tick(1);
        ASSERT_TRUE(Unit().IsConnected()) << "glitch " << i;
    }
    Tick(3 * CMainWindow::kLostWarningTicks);
    EXPECT_TRUE(m_messages.empty());
    ExpectConnectedAndPolling();
}

TEST_F(ReconnectByComparing, AReturnTheWatcherNeverSeesClosesTheWarning)
{
    m_backend.WatchByComparing(std::numeric_limits<int>::max());
    SetMessageBoxHook({});
    m_backend.Unplug(0);
    WaitUntilLost();
    Tick(CMainWindow::kLostWarningTicks + 5);
    QPointer<QMessageBox> warning = m_dlg->LostWarning();
    ASSERT_NE(warning, nullptr);
    EXPECT_TRUE(warning->isVisible());
    m_backend.Plug(0);
    Settle();
    Tick(4);
    EXPECT_FALSE(Unit().IsConnected()) << "looked for once a second after the warning";
    Tick(1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(warning.isNull() || !warning->isVisible());
    EXPECT_EQ(StatusShown(), "Reconnected");
    ExpectConnectedAndPolling();
}

TEST_F(ReconnectByComparing, AUnitThatStaysAwayIsWarnedOfOnce)
{
    m_backend.Unplug(0);
    WaitUntilLost();
    Tick(300);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, "Can't find the device, please check it");
    EXPECT_EQ(StatusShown(), "Not connected");
    EXPECT_TRUE(ShowsImage(kIdConnect, 147));
    m_backend.Plug(0);
    Settle();
    Tick(10);
    EXPECT_EQ(m_messages.size(), 1u);
    ExpectConnectedAndPolling();
}

}  // namespace
