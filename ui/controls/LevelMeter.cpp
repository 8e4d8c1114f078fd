#include "ui/controls/LevelMeter.h"

#include "ui/controls/AccessibleControls.h"
#include "ui/controls/MeterLamp.h"

#include <algorithm>

CLevelMeter::CLevelMeter(QWidget* parent) : QWidget(parent)
{
    InstallControlsAccessibility();
    setFocusPolicy(Qt::NoFocus);
}

void CLevelMeter::SetLamps(std::vector<CMeterLamp*> lamps)
{
    m_lamps = std::move(lamps);
}

CMeterLamp* CLevelMeter::Lamp(int fromBottom) const
{
    return fromBottom >= 0 && fromBottom < LampCount() ? m_lamps[static_cast<std::size_t>(fromBottom)] : nullptr;
}

int CLevelMeter::LitLevels() const
{
    if (m_lamps.empty())
        return 0;
    return static_cast<int>(std::count_if(m_lamps.begin(), m_lamps.end() - 1, [](CMeterLamp* lamp) { return lamp->IsLit(); }));
}

bool CLevelMeter::IsOverloaded() const
{
    return !m_lamps.empty() && m_lamps.back()->IsLit();
}

QString CLevelMeter::SpokenLevel() const
{
    const QString level = tr("%1 of %2").arg(LitLevels()).arg(std::max(0, LampCount() - 1));
    return IsOverloaded() ? tr("%1, overload").arg(level) : level;
}
