// The HID link as the main window uses it: the link's hooks lead into the
// window (message boxes, the connect button, device changes handed to the UI
// thread), and the window's link handlers lead into the link.
#pragma once

#include "transport/HidLink.h"
#include "ui/main/DeviceChangeQueue.h"
#include "ui/main/MainWindow.h"

#include <QMessageBox>
#include <QObject>
#include <QPointer>

#include <memory>

class CQuendaLink : public QObject {
    Q_OBJECT
public:
    // The link over a back-end the caller keeps alive for as long as this object.
    explicit CQuendaLink(CHidBackend& backend);

    // The window the link shows its messages and connect button in.
    void AttachWindow(CMainWindow* dlg);
    CMainWindow::LinkHandlers Handlers();
    CHidLink& Link() { return *m_link; }
    // The warning that the unit is gone, while it is shown.
    QMessageBox* LostWarning() const { return m_lostWarning; }

private:
    LinkHooks MakeHooks();

    QPointer<CMainWindow> m_dlg;
    QPointer<QMessageBox> m_lostWarning;
    CDeviceChangeQueue m_deviceChanges;   // outlives the link, whose threads post into it
    std::unique_ptr<CHidLink> m_link;
};
