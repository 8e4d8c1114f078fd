// What a user does to a unit, whoever does it: the window's controls or a
// remote client. Every action edits the unit's settings and is one step of the
// unit's undo history; the A/B compare keeps two complete settings, each side
// with a history of its own. The window and the remote server share one
// object per unit, so a change from a phone is undone with Ctrl+Z like one
// made with the mouse.
#pragma once

#include "model/SettingsCompare.h"
#include "unit/Unit.h"

#include <QObject>
#include <QUndoGroup>
#include <QUndoStack>

#include <array>
#include <optional>
#include <string>

class CUnitAdapter;

class CUnitActions : public QObject {
    Q_OBJECT
public:
    // The unit outlives the actions.
    explicit CUnitActions(CUnitAdapter& unit, QObject* parent = nullptr);

    CUnitAdapter& Adapter() const { return m_unit; }

    // An edit of the unit's settings inside the action that is open, if any:
    // the unit sends what it changed.
    CSettingsEdit Edit(const CUnit::Action& action);
    // One action, one step of the history. An action still open (a drag that
    // lost its release) ends first.
    template <class Action>
    void AsOneStep(Action action)
    {
        BeginEdit();
        action();
        EndEdit();
    }
    // An edit that is one step of its own.
    CSettingsEdit Change(const CUnit::Action& action);

    // An action that lasts (a drag from its first move to its release, a burst of keys).
    void BeginEdit();
    void BeginEditIfNone();
    void EndEdit();
    bool IsEditOpen() const { return m_editBefore.has_value(); }

    // Undo and redo on the active side's history; an action still open becomes a step first.
    void Undo();
    void Redo();
    bool CanUndo() const;
    bool CanRedo() const;
    QUndoGroup& Histories() { return m_undoGroup; }
    QUndoStack& ActiveHistory() { return *m_undoGroup.activeStack(); }
    void ClearHistory();

    // The A/B compare: switching sends only the groups in which the sides differ.
    CompareSide ActiveSide() const { return m_compare.Active(); }
    void SwitchSide();
    // "Copy A to B" and "Copy B to A": copying into the side the unit has is one step.
    void CopySide(CompareSide from);
    // Everything of a channel's sound into the other channel: one step, only the difference sent.
    void CopyChannel(int from);

signals:
    // A user's change went to the unit (a preset's outcome on the window's status line is over).
    void edited();
    // Before a switch or a copy of a side: whoever holds typed text not yet committed commits it,
    // so that it ends in the side it was typed in.
    void sideAboutToChange();
    void activeSideChanged(CompareSide side);
    // Undo is possible: a step on the active side, or an action still open.
    void undoAvailable(bool available);
    void redoAvailable(bool available);

private:
    void OnSettingsChanged(const SettingsChange& change);
    void ForgetCompareOfAnotherUnit();
    void ShowUndoAvailable();
    QUndoStack& HistoryOf(CompareSide side) { return m_undoStacks[side == CompareSide::A ? 0 : 1]; }
    void EndEditBeforeSideChange();

    CUnitAdapter& m_unit;
    std::array<QUndoStack, 2> m_undoStacks;   // A's and B's
    QUndoGroup m_undoGroup;
    CSettingsCompare m_compare;
    std::string m_compareUnit;   // the unit whose settings the sides hold
    std::optional<UnitSettings> m_editBefore;
};
