// The real main window as the program runs it, over the HID link to a
// simulated unit; the window's timer and the unit's clock are ticked by hand
// and the replies settled before each check. Shared by the end-to-end tests.
#pragma once

#include "ui/MainWindowFixture.h"

#include "ui/main/MainWindowControls.h"

#include <QLabel>

class WindowOverLinkTest : public MainWindowFixture {
protected:
    CMainWindow& OpenWindow()
    {
        CMainWindow& dlg = Open();
        dlg.show();
        return dlg;
    }

    QString StatusShown() const { return qobject_cast<QLabel*>(m_dlg->Control(kIdStatusText))->text(); }

    CSimulatedUnit& m_unit = AddUnitDevice();
};
