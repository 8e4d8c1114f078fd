// The link as the user sees it: the connect button (with a menu of the units
// when several are attached), its messages, the title naming the unit, the
// warning that the unit went away, and the status line at the left of the top row:
// whether the unit is reached, what has not reached it yet, and how the last
// preset load or save ended.
#include "ui/main/MainWindow.h"

#include "ui/common/LinkTexts.h"
#include "ui/common/MessageBox.h"
#include "ui/common/UnitAdapter.h"
#include "ui/common/UnitNames.h"
#include "ui/controls/ControlId.h"
#include "ui/main/DialogLayout.h"
#include "ui/main/MainWindowControls.h"
#include "ui/main/UnitNameDialog.h"
#include "ui/settings/SettingsFiles.h"

#include <QLabel>
#include <QMenu>
#include <QMessageBox>

#include <new>
#include <utility>

namespace {

// Dialog units: the empty left part of the top row, up to the import button;
// two lines, so that the longest text fits.
constexpr int kStatusX = 8, kStatusY = 4, kStatusWidth = 155, kStatusHeight = 22;

// The user's loads and saves; the recall of the current memory belongs to connecting.
bool IsPresetCommand(const CommandSlot& command)
{
    return (command.code == CMD_STORE_PRESET || command.code == CMD_RECALL_PRESET) && command.a2 > 0;
}

}  // namespace

void CMainWindow::CreateStatusText()
{
    m_statusText = new QLabel(this);
    SetControlId(m_statusText, kIdStatusText);
    m_statusText->setGeometry(DialogUnitsRect(kStatusX, kStatusY, kStatusWidth, kStatusHeight));
    m_statusText->setWordWrap(true);
    m_controls.insert(kIdStatusText, m_statusText);
}

// Running out of memory while looking leaves the cause last found as it was.
void CMainWindow::OnConnectionChanged(const ConnectionEvent& event)
{
    using Kind = ConnectionEvent::Kind;
    const bool searched = event.kind != Kind::Disconnected && event.kind != Kind::Lost;
    if (searched && !event.outOfMemory)
        m_linkProblem = event.problem;
    switch (event.kind) {
    case Kind::Connected:
    case Kind::Disconnected:
        ForgetLoss();
        break;
    case Kind::Reconnected:
        ForgetLoss();
        m_reconnected = true;
        break;
    case Kind::ConnectFailed:
        ShowConnectFailure(event);
        break;
    case Kind::SearchFailed:
        if (event.outOfMemory)
            ShowMessageBox(this, NotEnoughMemoryText(), ApplicationName());
        break;
    case Kind::Lost:
        // told once per loss, after a second: a unit back by then raises no box
        if (!m_lossTold) {
            m_lossTold = true;
            m_lossCause = event.cause;
            m_warningInTicks = kLostWarningTicks;
        }
        break;
    }
    ShowConnectButton();
    UpdateTitle();
    UpdateStatusText();
}

namespace {

// "Hall (QD-0001)", "QD-0001", "/dev/hidraw4"
QString UnitMenuText(const HidInterfaceInfo& unit)
{
    const QString known = QString::fromStdString(UnitKey(unit));
    const QString name = CUnitNames().Name(UnitKey(unit));
    return name.isEmpty() ? known : QStringLiteral("%1 (%2)").arg(name, known);
}

bool SeveralUnitsAttached(CHidLink& link)
{
    try {
        return link.AttachedUnits().size() > 1;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// The connected unit as the title names it: by its name; with several units
// attached, else by its serial number, else its path; with one, not at all.
QString TitleUnitText(CHidLink& link)
{
    const std::string key = UnitKey(link.OpenUnit());
    const QString name = CUnitNames().Name(key);
    if (!name.isEmpty() || !SeveralUnitsAttached(link))
        return name;
    return QString::fromStdString(key);
}

}  // namespace

void CMainWindow::OnConnectClicked()
{
    CUnit& unit = m_unit.Unit();
    if (!unit.IsConnected() && !m_unitChosen) {
        std::vector<HidInterfaceInfo> units;
        try {
            units = unit.Link().AttachedUnits();
        } catch (const std::bad_alloc&) {
            units.clear();   // the connect below tells it
        }
        if (units.size() > 1) {
            const std::string key = PickUnitFromMenu(units);
            if (key.empty())
                return;
            unit.Link().ChooseUnit(key);
        }
    }
    unit.ConnectButton();
}

std::string CMainWindow::PickUnitFromMenu(const std::vector<HidInterfaceInfo>& units)
{
    QMenu menu(this);
    menu.addAction(tr("Connect to:"))->setEnabled(false);
    for (const HidInterfaceInfo& unit : units)
        menu.addAction(UnitMenuText(unit))->setData(QString::fromStdString(UnitKey(unit)));
    const QWidget* button = Control(kIdConnect);
    const QAction* chosen = menu.exec(button->mapToGlobal(QPoint(0, button->height())));
    return chosen != nullptr ? chosen->data().toString().toStdString() : std::string();
}

void CMainWindow::NameThisUnit()
{
    if (!m_unit.Unit().IsConnected())
        return;
    const std::string key = UnitKey(m_unit.Unit().Link().OpenUnit());
    CUnitNameDialog dialog(key, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    CUnitNames().SetName(key, dialog.Name());
    UpdateTitle();
}

// The version, and which unit is connected when that is not plain.
void CMainWindow::UpdateTitle()
{
    QString title = QStringLiteral("V" QUENDA_VERSION);
    if (m_unit.Unit().IsConnected()) {
        const QString unit = TitleUnitText(m_unit.Unit().Link());
        if (!unit.isEmpty())
            title += QStringLiteral(" — ") + unit;
    }
    if (windowTitle() != title)
        setWindowTitle(title);
}

void CMainWindow::ShowConnectFailure(const ConnectionEvent& event)
{
    if (event.outOfMemory)
        ShowMessageBox(this, NotEnoughMemoryText(), ApplicationName());
    const CHidLink& link = m_unit.Unit().Link();
    const QString node = QString::fromStdString(link.DevicePath());
    QString text = CantFindDeviceText();
    if (m_linkProblem == LinkProblem::NoPermission)
        text = NoPermissionText(node);
    else if (m_linkProblem == LinkProblem::InUse)
        text = UnitInUseText(node, link.Holder());
    ShowMessageBox(this, text, QString::fromLatin1(kWarningCaption));
}

// The warning shows without blocking the window, and closes when the unit is back.
void CMainWindow::WarnWhenStillLost()
{
    if (m_warningInTicks == 0 || --m_warningInTicks > 0)
        return;
    const QString text = m_lossCause == LossCause::Closed ? DeviceDisconnectText() : CantFindDeviceText();
    m_lostWarning = OpenMessageBox(this, text, QString::fromLatin1(kWarningCaption));
}

void CMainWindow::ForgetLoss()
{
    m_lossTold = false;
    m_warningInTicks = 0;
    if (m_lostWarning)
        m_lostWarning->close();
}

// A preset outcome stays on the line until another one, the user's next change
// or the next connect;
// the recalls and stores of a backup or restore are the settings files' to tell.
void CMainWindow::OnCommandFinished(const CommandSlot& command, CommandOutcome outcome)
{
    if (IsPresetCommand(command) && outcome != CommandOutcome::Cleared && !m_settingsFiles->Transfer().IsRunning())
        m_note = {outcome == CommandOutcome::Answered ? StatusKind::PresetDone : StatusKind::PresetFailed, 0, command};
    UpdateStatusText();
}

StatusLine CMainWindow::CurrentStatus() const
{
    if (!m_unit.Unit().IsConnected()) {
        if (m_linkProblem == LinkProblem::InUse)
            return {StatusKind::InUse, static_cast<int>(m_unit.Unit().Link().Holder().processId)};
        return {m_linkProblem == LinkProblem::NoPermission ? StatusKind::NoPermission : StatusKind::NotConnected};
    }
    const SchedulerStatus scheduler = m_unit.Unit().Scheduler().Status();
    if (scheduler.stalled)
        return {StatusKind::NotAnswering, scheduler.pending};
    if (scheduler.failed > 0)
        return {StatusKind::NotApplied, scheduler.failed - 1, scheduler.firstFailed};
    // the line says what the box says, until the user's next change
    if (m_note.kind == StatusKind::PresetFailed)
        return m_note;
    if (scheduler.waiting)
        return {StatusKind::Sending, scheduler.pending};
    return m_note;
}

void CMainWindow::UpdateStatusText()
{
    const bool connected = m_unit.Unit().IsConnected();
    if (connected && !m_wasConnected)
        m_note = {std::exchange(m_reconnected, false) ? StatusKind::Reconnected : StatusKind::Connected};
    m_wasConnected = connected;
    const QString text = StatusText(CurrentStatus()) + RemoteStatusText();
    if (m_statusText->text() != text)
        m_statusText->setText(text);
}
