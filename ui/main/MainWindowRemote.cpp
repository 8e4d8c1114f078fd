// The window's remote control: the service that lets paired devices reach the
// window's unit (on as the user left it), its dialog in the context menu, and
// the devices connected now on the status line.
#include "ui/main/MainWindow.h"

#include "remote/RemoteService.h"
#include "ui/main/RemoteDialog.h"

void CMainWindow::CreateRemoteControl()
{
    m_remote = new CRemoteService(m_unit, this);
    connect(&m_remote->Server(), &CRemoteServer::connectedDevicesChanged, this, &CMainWindow::UpdateStatusText);
    m_remote->Resume();
}

CRemoteService& CMainWindow::RemoteControl()
{
    if (m_remote == nullptr)
        CreateRemoteControl();
    return *m_remote;
}

void CMainWindow::OpenRemoteDialog()
{
    CRemoteDialog dialog(RemoteControl(), this);
    dialog.exec();
}

// " — 2 remote devices connected" after the unit's status, while any is.
QString CMainWindow::RemoteStatusText() const
{
    const int devices = m_remote ? m_remote->Server().ConnectedDevices() : 0;
    return devices > 0 ? tr(" — %n remote device(s) connected", "", devices) : QString();
}
