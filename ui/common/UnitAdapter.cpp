#include "ui/common/UnitAdapter.h"

#include "ui/common/Logging.h"
#include "ui/common/UnitActions.h"

#include <QMetaObject>

CUnitAdapter::CUnitAdapter(CHidBackend& backend, QObject* parent, int readSliceMs)
    : QObject(parent), m_unit(std::make_unique<CUnit>(backend, static_cast<CUnitObserver&>(*this), readSliceMs)),
      m_actions(std::make_unique<CUnitActions>(*this))
{
}

// The histories' steps name the unit: they go first. The unit's threads stop
// before the adapter they report to goes.
CUnitAdapter::~CUnitAdapter()
{
    m_actions.reset();
    m_unit.reset();
}

void CUnitAdapter::Deliver()
{
    m_posted.store(false);
    m_unit->DeliverEvents();
}

// Called on any thread; one posted call at a time is enough, it takes everything. The call
// goes by name: a functor would be built on the calling thread and read on this one, handed
// over by Qt's locks, which ThreadSanitizer cannot see.
void CUnitAdapter::EventsWaiting()
{
    if (m_posted.exchange(true))
        return;
    QMetaObject::invokeMethod(this, "DeliverPosted", Qt::QueuedConnection);
}

void CUnitAdapter::DeliverPosted()
{
    Deliver();
}

void CUnitAdapter::Log(LogCategory category, LogLevel level, const std::string& text)
{
    LogUnitEvent(category, level, text);
}

void CUnitAdapter::SettingsChanged(const SettingsChange& change)
{
    emit settingsChanged(change);
}

void CUnitAdapter::CommandFinished(const CommandResult& result)
{
    emit commandFinished(result.command, result.outcome);
}

void CUnitAdapter::ConnectionChanged(const ConnectionEvent& event)
{
    emit connectionChanged(event);
}

void CUnitAdapter::LinkNoted(LinkNote note)
{
    LogLinkNote(note);
}

void CUnitAdapter::MeterLampsShown(int channel, const MeterLamps& lamps)
{
    emit meterLampsShown(channel, lamps);
}

void CUnitAdapter::AttachedUnitsChanged()
{
    emit attachedUnitsChanged();
}
