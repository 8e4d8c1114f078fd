// Drives the command scheduler between ticks on the program's main thread:
// when the scheduler says a command may go out (the link became free, a change
// was queued) or an outcome is ready, the pump sends the next command and
// tells who listens how each command ended.
#pragma once

#include "protocol/CommandScheduler.h"

#include <QObject>

#include <atomic>

class CSchedulerPump : public QObject {
    Q_OBJECT
public:
    // The one pump of the process, created on first use on the main thread.
    static CSchedulerPump& Instance();

    // Sends what can go out now and hands on the outcomes; main thread.
    Q_INVOKABLE void Pump();

signals:
    void CommandFinished(const CommandSlot& command, CommandOutcome outcome);

private:
    explicit CSchedulerPump(QObject* parent);
    ~CSchedulerPump() override;

    void Wake();

    std::atomic<bool> m_posted{false};
};
