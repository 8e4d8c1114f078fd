#include "ui/common/UndoStep.h"

#include "unit/Unit.h"

#include <utility>

CSettingsUndoStep::CSettingsUndoStep(CUnit& unit, const UnitSettings& before, const UnitSettings& after)
    : m_unit(unit), m_before(before), m_after(after)
{
}

void CSettingsUndoStep::undo()
{
    m_unit.StepTo(m_before, m_after);
}

void CSettingsUndoStep::redo()
{
    if (std::exchange(m_done, false))
        return;
    m_unit.StepTo(m_after, m_before);
}
