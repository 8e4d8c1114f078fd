// One step of a unit's undo history: a unit's settings before and after
// one user action. Undoing writes the earlier bytes of the groups, items and
// restore gains the action changed back into the unit's settings and sends
// those groups, so that the unit follows; redoing does the same forwards.
#pragma once

#include "model/SettingsEdit.h"

#include <QUndoCommand>

class CUnit;

constexpr int kUndoLimit = 200;   // steps each history keeps

class CSettingsUndoStep : public QUndoCommand {
public:
    // The unit outlives the step.
    CSettingsUndoStep(CUnit& unit, const UnitSettings& before, const UnitSettings& after);

    void undo() override;
    // The first redo is the action itself, already done when the step is pushed.
    void redo() override;

private:
    CUnit& m_unit;
    UnitSettings m_before;
    UnitSettings m_after;
    bool m_done = true;
};
