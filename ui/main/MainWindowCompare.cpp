// The window's A/B compare and channel copy. The side the unit has is the
// unit's settings as they are; the other side is kept, with its own undo
// history, until the user switches to it. A preset load or a settings file
// replaces the side the unit has; another unit starts both sides afresh.
#include "ui/main/MainWindow.h"

#include "transport/HidBackend.h"
#include "ui/common/Language.h"
#include "ui/common/UnitAdapter.h"
#include "ui/controls/SkinnedButton.h"
#include "ui/main/MainWindowControls.h"
#include "ui/main/MainWindowTexts.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

namespace {

QString SideName(CompareSide side)
{
    return side == CompareSide::A ? QStringLiteral("A") : QStringLiteral("B");
}

}  // namespace

void CMainWindow::CreateCompareAction()
{
    m_compareAction = new QAction(this);
    m_compareAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    connect(m_compareAction, &QAction::triggered, this, &CMainWindow::SwitchCompareSide);
    addAction(m_compareAction);
    connect(SkinButton(kIdCompare), &QAbstractButton::clicked, this, &CMainWindow::SwitchCompareSide);
}

// What is being typed, dragged or keyed ends in the side it began in.
void CMainWindow::EndEditBeforeCompare()
{
    const auto commit = m_editCommits.constFind(focusWidget());
    if (commit != m_editCommits.constEnd())
        AsOneStep(*commit);
    EndEdit();
}

void CMainWindow::SwitchCompareSide()
{
    EndEditBeforeCompare();
    ForgetPresetNote();
    const UnitSettings current = m_unit.Unit().Settings();
    const UnitSettings next = m_compare.Switch(current);
    m_undoGroup.setActiveStack(&HistoryOf(m_compare.Active()));
    m_unit.Unit().StepTo(next, current);
    ShowCompareButton();
}

void CMainWindow::CopyCompareSide(CompareSide from)
{
    EndEditBeforeCompare();
    const UnitSettings current = m_unit.Unit().Settings();
    const std::optional<UnitSettings> taken = m_compare.CopyFrom(from, current);
    if (!taken) {
        HistoryOf(OtherSide(from)).clear();   // its steps were made on settings it no longer holds
        return;
    }
    ForgetPresetNote();
    AsOneStep([&] { m_unit.Unit().StepTo(*taken, current); });
}

void CMainWindow::CopyChannel(int from)
{
    AsOneStep([&] { ChangeSettings([&](CSettingsEdit& edit) { CopyChannelSound(edit, from, 1 - from); }); });
}

void CMainWindow::ShowCompareButton()
{
    CSkinnedButton* button = SkinButton(kIdCompare);
    const bool bActive = m_compare.Active() == CompareSide::B;
    button->SetImages(CompareImage(bActive, false), CompareImage(bActive, true), CompareImage(bActive, false));
    const QString active = SideName(m_compare.Active());
    const QString other = SideName(OtherSide(m_compare.Active()));
    button->setToolTip(tr("A/B compare: the unit has %1. Click or press Ctrl+B to hear %2.").arg(active, other));
    m_compareAction->setText(tr("Switch to %1").arg(other));
}

void CMainWindow::AddCompareEntries(QMenu& menu)
{
    menu.addAction(m_compareAction);
    menu.addAction(tr("Copy A to B"), this, [this] { CopyCompareSide(CompareSide::A); });
    menu.addAction(tr("Copy B to A"), this, [this] { CopyCompareSide(CompareSide::B); });
    menu.addSeparator();
    for (int c = 0; c < kChannelCount; ++c) {
        menu.addAction(tr("Copy %1 to %2").arg(ShownChannelName(c), ShownChannelName(1 - c)), this,
                       [this, c] { CopyChannel(c); });
    }
}

void CMainWindow::ForgetCompareOfAnotherUnit()
{
    const std::string unit = UnitKey(m_unit.Unit().Link().OpenUnit());
    if (unit == m_compareUnit)
        return;
    m_compareUnit = unit;
    m_compare.Reset();
    for (QUndoStack& stack : m_undoStacks)
        stack.clear();
    m_undoGroup.setActiveStack(&HistoryOf(CompareSide::A));
    ShowCompareButton();
}
