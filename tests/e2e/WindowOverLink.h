// The real main window as the program runs it, over the HID link to a
// simulated unit; the window's timer and the unit's clock are ticked by hand
// and the replies settled before each check. Shared by the end-to-end tests.
#pragma once

#include "ui/MainWindowFixture.h"

#include "ui/main/MainWindowControls.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include <chrono>
#include <thread>

class WindowOverLinkTest : public MainWindowFixture {
protected:
    CMainWindow& OpenWindow()
    {
        CMainWindow& dlg = Open();
        dlg.show();
        return dlg;
    }

    QString StatusShown() const { return qobject_cast<QLabel*>(m_dlg->Control(kIdStatusText))->text(); }

    // The set-parameter frames the unit was sent for one group of a channel.
    int SetParamFramesForGroup(int channel, int group) const
    {
        int frames = 0;
        for (const OutputReport& r : m_backend.Written(0)) {
            const std::uint8_t* frame = r.data() + 1;
            frames += frame[0] == kSyncByte && frame[kFrameCode] == CMD_SET_PARAM && frame[kFrameA1] == AREA_CHANNEL &&
                      frame[kFrameA3] == channel && frame[kFrameA4] == group;
        }
        return frames;
    }

    // The context menu at a point of the window: its entries, and the one named triggered.
    QStringList MenuAt(QPoint at, const QString& trigger = QString())
    {
        return MenuOf(m_dlg.get(), QContextMenuEvent::Mouse, at, trigger);
    }

    // The context menu the menu key opens over the window's widget with the focus.
    QStringList MenuByKey(const QString& trigger = QString())
    {
        QWidget* focused = m_dlg->focusWidget();
        return focused ? MenuOf(focused, QContextMenuEvent::Keyboard, focused->rect().center(), trigger)
                       : QStringList();
    }

    QStringList MenuOf(QWidget* target, QContextMenuEvent::Reason reason, QPoint at, const QString& trigger)
    {
        QStringList shown;
        QTimer::singleShot(0, [&shown, trigger] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            QAction* picked = nullptr;
            for (QAction* action : menu->actions()) {
                shown << action->text();
                if (!trigger.isEmpty() && action->text() == trigger)
                    picked = action;
            }
            menu->close();
            if (picked)
                picked->trigger();
        });
        QContextMenuEvent context(reason, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &context);
        return shown;
    }

    QPoint GraphCentre(int channel) const { return WindowRect(m_dlg->Control(kIdGraph + channel)).center(); }

    // A failed read on the link's reader thread tells the window of the loss,
    // with or without a watcher. Waits for that thread, at most two seconds.
    void WaitUntilLost()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (Unit().IsConnected() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
            QCoreApplication::sendPostedEvents();
            m_adapter->Deliver();
        }
        ASSERT_FALSE(Unit().IsConnected());
    }

    CSimulatedUnit& m_unit = AddUnitDevice();
};

// The window shown, active and connected before each test.
class ConnectedWindowTest : public WindowOverLinkTest {
protected:
    void SetUp() override
    {
        WindowOverLinkTest::SetUp();
        OpenWindow();
        Connect();
        ShowActive();
    }
};
