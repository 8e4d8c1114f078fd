// The status line at the left of the top row: whether the unit is reached,
// what has not reached it yet, and how the last preset load or save ended.
#include "ui/main/MainWindow.h"

#include "ui/controls/ControlId.h"
#include "ui/main/MainWindowControls.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/settings/SettingsFiles.h"

#include <QLabel>

#include <cmath>
#include <utility>

namespace {

// Dialog units: the empty left part of the top row, up to the import button;
// two lines, so that the longest text fits.
constexpr int kStatusX = 8, kStatusY = 4, kStatusWidth = 194, kStatusHeight = 22;

int Pixels(int dialogUnits)
{
    return static_cast<int>(std::lround(dialogUnits * CMainWindow::kPixelsPerDialogUnit));
}

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
    m_statusText->setGeometry(Pixels(kStatusX), Pixels(kStatusY), Pixels(kStatusWidth), Pixels(kStatusHeight));
    m_statusText->setWordWrap(true);
    m_controls.insert(kIdStatusText, m_statusText);
}

void CMainWindow::OnReconnected()
{
    m_reconnected = true;
    UpdateStatusText();
}

void CMainWindow::SetLinkProblem(LinkProblem problem)
{
    m_linkProblem = problem;
    UpdateStatusText();
}

// A preset outcome stays on the line until another one or the next connect;
// the recalls and stores of a backup or restore are the settings files' to tell.
void CMainWindow::OnCommandFinished(const CommandSlot& command, CommandOutcome outcome)
{
    if (IsPresetCommand(command) && outcome != CommandOutcome::Cleared && !m_settingsFiles->Transfer().IsRunning())
        m_note = {outcome == CommandOutcome::Answered ? StatusKind::PresetDone : StatusKind::PresetFailed, 0, command};
    UpdateStatusText();
}

StatusLine CMainWindow::CurrentStatus() const
{
    if (g_Connected.load() == 0)
        return {m_linkProblem == LinkProblem::NoPermission ? StatusKind::NoPermission : StatusKind::NotConnected};
    const SchedulerStatus scheduler = GetSchedulerStatus();
    if (scheduler.stalled)
        return {StatusKind::NotAnswering, scheduler.pending};
    if (scheduler.failed > 0)
        return {StatusKind::NotApplied, scheduler.failed - 1, scheduler.firstFailed};
    if (scheduler.waiting)
        return {StatusKind::Sending, scheduler.pending};
    return m_note;
}

void CMainWindow::UpdateStatusText()
{
    const bool connected = g_Connected.load() != 0;
    if (connected && !m_wasConnected)
        m_note = {std::exchange(m_reconnected, false) ? StatusKind::Reconnected : StatusKind::Connected};
    m_wasConnected = connected;
    const QString text = StatusText(CurrentStatus(), CurrentLanguage());
    if (m_statusText->text() != text)
        m_statusText->setText(text);
}
