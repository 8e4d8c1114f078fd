// The window's undo history: one step per user action, in the interface
// language in the context menu, cleared whenever the unit's state replaces the window's.
#include "ui/main/MainWindow.h"

#include "ui/common/UnitAdapter.h"

#include <QAction>
#include <QKeySequence>

void CMainWindow::CreateUndoActions()
{
    for (QUndoStack& stack : m_undoStacks) {
        stack.setUndoLimit(kUndoLimit);
        m_undoGroup.addStack(&stack);
    }
    m_undoGroup.setActiveStack(&HistoryOf(CompareSide::A));
    m_undoAction = new QAction(this);
    m_undoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    m_redoAction = new QAction(this);
    m_redoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    m_undoAction->setEnabled(false);
    m_redoAction->setEnabled(false);
    // an action still open (a burst of keys on a graph) becomes a step of its own first
    connect(m_undoAction, &QAction::triggered, this, [this] {
        EndEdit();
        m_undoGroup.undo();
    });
    connect(m_redoAction, &QAction::triggered, this, [this] {
        EndEdit();
        m_undoGroup.redo();
    });
    connect(&m_undoGroup, &QUndoGroup::canUndoChanged, this, &CMainWindow::ShowUndoAvailable);
    connect(&m_undoGroup, &QUndoGroup::canRedoChanged, m_redoAction, &QAction::setEnabled);
    addAction(m_undoAction);
    addAction(m_redoAction);
}

void CMainWindow::ApplyLanguageUndo()
{
    m_undoAction->setText(tr("Undo"));
    m_redoAction->setText(tr("Redo"));
}

// An action that begins while another is open (a drag that lost its release) ends that one first.
void CMainWindow::BeginEdit()
{
    EndEdit();
    m_editBefore = m_unit.Unit().Settings();
    ShowUndoAvailable();
}

void CMainWindow::BeginEditIfNone()
{
    if (!m_editBefore)
        m_editBefore = m_unit.Unit().Settings();
    ShowUndoAvailable();
}

void CMainWindow::EndEdit()
{
    if (!m_editBefore)
        return;
    const UnitSettings before = *m_editBefore;
    m_editBefore.reset();
    ShowUndoAvailable();
    const UnitSettings after = m_unit.Unit().Settings();
    if (SettingsDiffer(before, after))
        UndoStack().push(new CSettingsUndoStep(m_unit.Unit(), before, after));
}

void CMainWindow::ClearHistory()
{
    m_editBefore.reset();
    UndoStack().clear();
    ShowUndoAvailable();
}

// An action still open (a burst of keys) can be undone too: undo ends it first.
void CMainWindow::ShowUndoAvailable()
{
    m_undoAction->setEnabled(m_undoGroup.canUndo() || m_editBefore.has_value());
}
