// The window's A/B compare and channel copy: the button, Ctrl+B and the menu's
// entries act on the unit's compare (ui/common/UnitActions.h); the button shows
// the side the unit has.
#include "ui/main/MainWindow.h"

#include "ui/common/Language.h"
#include "ui/common/UnitAdapter.h"
#include "ui/controls/SkinnedButton.h"
#include "ui/main/ChannelPanel.h"
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
    connect(&Actions(), &CUnitActions::sideAboutToChange, this, &CMainWindow::CommitTypedText);
    connect(&Actions(), &CUnitActions::activeSideChanged, this, &CMainWindow::ShowCompareButton);
}

// What is being typed ends in the side it began in.
void CMainWindow::CommitTypedText()
{
    for (CChannelPanel* panel : m_panels)
        panel->CommitTypedText();
}

void CMainWindow::SwitchCompareSide()
{
    Actions().SwitchSide();
}

void CMainWindow::CopyCompareSide(CompareSide from)
{
    Actions().CopySide(from);
}

void CMainWindow::CopyChannel(int from)
{
    Actions().CopyChannel(from);
}

void CMainWindow::ShowCompareButton()
{
    CSkinnedButton* button = SkinButton(kIdCompare);
    const CompareSide active = Actions().ActiveSide();
    const bool bActive = active == CompareSide::B;
    button->SetImages(CompareImage(bActive, false), CompareImage(bActive, true), CompareImage(bActive, false));
    const QString other = SideName(OtherSide(active));
    button->setToolTip(tr("A/B compare: the unit has %1. Click or press Ctrl+B to hear %2.").arg(SideName(active), other));
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
