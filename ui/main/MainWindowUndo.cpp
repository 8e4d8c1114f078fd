// The window's undo and redo: the unit's histories, in the interface language
// in the context menu, with the keys Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y.
#include "ui/main/MainWindow.h"

#include "ui/common/UnitAdapter.h"

#include <QAction>
#include <QKeySequence>

CUnitActions& CMainWindow::Actions() const
{
    return m_unit.Actions();
}

void CMainWindow::CreateUndoActions()
{
    m_undoAction = new QAction(this);
    m_undoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    m_redoAction = new QAction(this);
    m_redoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    m_undoAction->setEnabled(Actions().CanUndo());
    m_redoAction->setEnabled(Actions().CanRedo());
    // an action still open (a burst of keys on a graph) becomes a step of its own first
    connect(m_undoAction, &QAction::triggered, this, [this] { Actions().Undo(); });
    connect(m_redoAction, &QAction::triggered, this, [this] { Actions().Redo(); });
    connect(&Actions(), &CUnitActions::undoAvailable, m_undoAction, &QAction::setEnabled);
    connect(&Actions(), &CUnitActions::redoAvailable, m_redoAction, &QAction::setEnabled);
    connect(&Actions(), &CUnitActions::edited, this, &CMainWindow::ForgetPresetNote);
    addAction(m_undoAction);
    addAction(m_redoAction);
}

void CMainWindow::ApplyLanguageUndo()
{
    m_undoAction->setText(tr("Undo"));
    m_redoAction->setText(tr("Redo"));
}

void CMainWindow::BeginEditIfNone()
{
    Actions().BeginEditIfNone();
}

void CMainWindow::EndEdit()
{
    Actions().EndEdit();
}
