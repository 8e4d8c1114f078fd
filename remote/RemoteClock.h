// The remote server's sense of time: pairing offers, locks, idle connections
// and rate limits are measured on it, so that a test moves it forward instead
// of waiting.
#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QtGlobal>

class CRemoteClock {
public:
    virtual ~CRemoteClock() = default;
    // Milliseconds on a steady clock.
    virtual qint64 NowMs() const = 0;
    // The date and time, as a paired device's last use is told.
    virtual QDateTime NowUtc() const { return QDateTime::currentDateTimeUtc(); }
};

class CSteadyClock : public CRemoteClock {
public:
    CSteadyClock() { m_timer.start(); }
    qint64 NowMs() const override { return m_timer.elapsed(); }

private:
    QElapsedTimer m_timer;
};
