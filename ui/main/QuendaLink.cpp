#include "ui/main/QuendaLink.h"

#include "ui/controls/MessageBox.h"
#include "ui/main/Logging.h"

CQuendaLink::CQuendaLink(CHidBackend& backend)
    : m_deviceChanges([this](std::uint32_t event, const std::string& path) { m_link->OnDeviceChange(event, path); }),
      m_link(std::make_unique<CHidLink>(backend, MakeHooks()))
{
}

void CQuendaLink::AttachWindow(CMainWindow* dlg)
{
    m_dlg = dlg;
}

CMainWindow::LinkHandlers CQuendaLink::Handlers()
{
    return {[this] { m_link->StartLink(); }, [this] { m_link->OnConnectButton(); }, [this] { m_link->OnTick(); }};
}

LinkHooks CQuendaLink::MakeHooks()
{
    LinkHooks hooks;
    hooks.messageBox = [this](const std::string& text, const std::string& caption) {
        ShowMessageBox(m_dlg, QString::fromStdString(text), QString::fromStdString(caption));
    };
    hooks.connectButtonImage = [this](int bitmapId) {
        if (m_dlg)
            m_dlg->SetConnectImage(bitmapId);
    };
    // The link's own status texts go to the log; the window's status line says what the user needs.
    hooks.status = LogLinkStatus;
    hooks.problem = [this](LinkProblem problem) {
        if (m_dlg)
            m_dlg->SetLinkProblem(problem);
    };
    hooks.showLostWarning = [this](const std::string& text, const std::string& caption) {
        m_lostWarning = OpenMessageBox(m_dlg, QString::fromStdString(text), QString::fromStdString(caption));
    };
    hooks.closeLostWarning = [this] {
        if (m_lostWarning)
            m_lostWarning->close();
    };
    hooks.reconnected = [this] {
        if (m_dlg)
            m_dlg->OnReconnected();
    };
    // Called on the watcher and worker threads: the change is handled on the UI thread.
    hooks.postDeviceChange = [this](std::uint32_t event, const std::string& path) {
        m_deviceChanges.Post(event, path);
    };
    hooks.applicationName = ApplicationName().toStdString();
    return hooks;
}
