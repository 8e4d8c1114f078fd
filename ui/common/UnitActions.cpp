#include "ui/common/UnitActions.h"

#include "transport/HidBackend.h"
#include "ui/common/UndoStep.h"
#include "ui/common/UnitAdapter.h"

CUnitActions::CUnitActions(CUnitAdapter& unit, QObject* parent) : QObject(parent), m_unit(unit)
{
    for (QUndoStack& stack : m_undoStacks) {
        stack.setUndoLimit(kUndoLimit);
        m_undoGroup.addStack(&stack);
    }
    m_undoGroup.setActiveStack(&HistoryOf(CompareSide::A));
    connect(&m_undoGroup, &QUndoGroup::canUndoChanged, this, &CUnitActions::ShowUndoAvailable);
    connect(&m_undoGroup, &QUndoGroup::canRedoChanged, this, &CUnitActions::redoAvailable);
    connect(&m_unit, &CUnitAdapter::settingsChanged, this, &CUnitActions::OnSettingsChanged);
}

CSettingsEdit CUnitActions::Edit(const CUnit::Action& action)
{
    emit edited();
    return m_unit.Unit().Edit(action);
}

CSettingsEdit CUnitActions::Change(const CUnit::Action& action)
{
    BeginEdit();
    CSettingsEdit edit = Edit(action);
    EndEdit();
    return edit;
}

void CUnitActions::BeginEdit()
{
    EndEdit();
    m_editBefore = m_unit.Unit().Settings();
    ShowUndoAvailable();
}

void CUnitActions::BeginEditIfNone()
{
    if (!m_editBefore)
        m_editBefore = m_unit.Unit().Settings();
    ShowUndoAvailable();
}

void CUnitActions::EndEdit()
{
    if (!m_editBefore)
        return;
    const UnitSettings before = *m_editBefore;
    m_editBefore.reset();
    ShowUndoAvailable();
    const UnitSettings after = m_unit.Unit().Settings();
    if (SettingsDiffer(before, after))
        ActiveHistory().push(new CSettingsUndoStep(m_unit.Unit(), before, after));
}

void CUnitActions::Undo()
{
    EndEdit();
    m_undoGroup.undo();
}

void CUnitActions::Redo()
{
    EndEdit();
    m_undoGroup.redo();
}

bool CUnitActions::CanUndo() const
{
    return m_undoGroup.canUndo() || m_editBefore.has_value();
}

bool CUnitActions::CanRedo() const
{
    return m_undoGroup.canRedo();
}

void CUnitActions::ClearHistory()
{
    m_editBefore.reset();
    ActiveHistory().clear();
    ShowUndoAvailable();
}

// An action still open (a burst of keys) can be undone too: undo ends it first.
void CUnitActions::ShowUndoAvailable()
{
    emit undoAvailable(CanUndo());
}

void CUnitActions::EndEditBeforeSideChange()
{
    emit sideAboutToChange();
    EndEdit();
}

void CUnitActions::SwitchSide()
{
    EndEditBeforeSideChange();
    emit edited();
    const UnitSettings current = m_unit.Unit().Settings();
    const UnitSettings next = m_compare.Switch(current);
    m_undoGroup.setActiveStack(&HistoryOf(m_compare.Active()));
    m_unit.Unit().StepTo(next, current);
    emit activeSideChanged(m_compare.Active());
}

void CUnitActions::CopySide(CompareSide from)
{
    EndEditBeforeSideChange();
    const UnitSettings current = m_unit.Unit().Settings();
    const std::optional<UnitSettings> taken = m_compare.CopyFrom(from, current);
    if (!taken) {
        HistoryOf(OtherSide(from)).clear();   // its steps were made on settings it no longer holds
        return;
    }
    emit edited();
    AsOneStep([&] { m_unit.Unit().StepTo(*taken, current); });
}

void CUnitActions::CopyChannel(int from)
{
    Change([&](CSettingsEdit& edit) { CopyChannelSound(edit, from, 1 - from); });
}

void CUnitActions::OnSettingsChanged(const SettingsChange& change)
{
    if (change.cause != SettingsChange::Cause::Replaced)
        return;
    ForgetCompareOfAnotherUnit();
    ClearHistory();   // the unit's settings replace what the histories were made on
}

void CUnitActions::ForgetCompareOfAnotherUnit()
{
    const std::string unit = UnitKey(m_unit.Unit().Link().OpenUnit());
    if (unit == m_compareUnit)
        return;
    m_compareUnit = unit;
    m_compare.Reset();
    for (QUndoStack& stack : m_undoStacks)
        stack.clear();
    m_undoGroup.setActiveStack(&HistoryOf(CompareSide::A));
    emit activeSideChanged(m_compare.Active());
}
