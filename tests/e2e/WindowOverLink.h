// The real main window as the program runs it, over the HID link to a
// simulated unit; the window's timer and the unit's clock are ticked by hand
// and the replies settled before each check. Shared by the end-to-end tests.
#pragma once

#include "ui/MainWindowFixture.h"

#include "transport/HidBackendSimulated.h"
#include "ui/main/MainWindowControls.h"
#include "ui/main/QuendaLink.h"
#include "ui/main/SchedulerPump.h"

#include <QLabel>

#include <chrono>
#include <memory>

// Whatever the reader delivered, and what the replies let go out, until the link is quiet.
inline void SettleLink(CSimulatedHidBackend& backend)
{
    for (int i = 0; i < 50; ++i) {
        const int before = backend.WritesStarted(0);
        if (g_DeviceOpen.load() == 1) {
            ASSERT_TRUE(backend.WaitUntilReaderIdle(std::chrono::seconds(2)));
        }
        QCoreApplication::sendPostedEvents();
        CSchedulerPump::Instance().Pump();
        if (backend.WritesStarted(0) == before)
            return;
    }
}

class WindowOverLinkTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        m_link = std::make_unique<CQuendaLink>(m_backend);
    }

    void TearDown() override
    {
        m_dlg.reset();
        m_link.reset();
        MainWindowFixture::TearDown();
    }

    CMainWindow& OpenWindow()
    {
        CMainWindow& dlg = Open(m_link->Handlers());
        m_link->AttachWindow(&dlg);
        dlg.show();
        return dlg;
    }

    void Settle() { SettleLink(m_backend); }

    // One timer tick of the window and of the unit, then the replies.
    void Tick(int ticks = 1)
    {
        for (int i = 0; i < ticks; ++i) {
            m_dlg->OnTimer();
            m_backend.Tick();
            Settle();
        }
    }

    static std::size_t PendingCount()
    {
        CommandSlot pending[kPendingCapacity];
        return PendingCommands(pending, kPendingCapacity);
    }

    // Connects and runs until the unit's setup and current memory are shown.
    void Connect()
    {
        Click(kIdConnect);
        Settle();
        ASSERT_EQ(PendingCount(), 0u);
        Tick(1);
    }

    QString StatusShown() const { return qobject_cast<QLabel*>(m_dlg->Control(kIdStatusText))->text(); }

    CSimulatedHidBackend m_backend;
    CSimulatedUnit& m_unit = m_backend.Unit(m_backend.AddDevice(SimulatedDeviceSpec{}));
    std::unique_ptr<CQuendaLink> m_link;
};
