#include "ui/main/SchedulerPump.h"

#include <QCoreApplication>
#include <QMetaObject>

CSchedulerPump& CSchedulerPump::Instance()
{
    static CSchedulerPump* pump = new CSchedulerPump(QCoreApplication::instance());
    return *pump;
}

CSchedulerPump::CSchedulerPump(QObject* parent) : QObject(parent)
{
    SetSchedulerWakeHook([this] { Wake(); });
}

CSchedulerPump::~CSchedulerPump()
{
    SetSchedulerWakeHook(nullptr);
}

// Called on any thread; one posted call at a time is enough, it takes everything. The call
// goes by name: a functor would be built on the calling thread and read on the main thread,
// handed over by Qt's locks, which ThreadSanitizer cannot see.
void CSchedulerPump::Wake()
{
    if (m_posted.exchange(true))
        return;
    QMetaObject::invokeMethod(this, "Pump", Qt::QueuedConnection);
}

void CSchedulerPump::Pump()
{
    m_posted.store(false);
    SchedulerSendNext();
    CommandResult results[kOutcomeCapacity];
    const std::size_t n = TakeCommandOutcomes(results, kOutcomeCapacity);
    for (std::size_t i = 0; i < n; ++i)
        emit CommandFinished(results[i].command, results[i].outcome);
}
