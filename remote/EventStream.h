// One client's WebSocket of a unit's events: the full state first, then every
// change, connection change and command outcome, and the meter lamps once the
// client asks for them ({"meters": true}). A client that does not take what it
// is sent falls behind: nothing more is queued for it, and once it has caught
// up it gets the full state instead of the backlog. One that stays behind is
// dropped.
#pragma once

#include "remote/RemoteClock.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QWebSocket>

#include <functional>

class CRemoteUnit;

class CEventStream : public QObject {
    Q_OBJECT
public:
    // Bytes sent but not yet taken by the client past which it has fallen behind.
    static constexpr qint64 kBehindBytes = 64 * 1024;
    // A client behind this long is dropped.
    static constexpr qint64 kBehindLimitMs = 10'000;
    // A client that does not answer a close within this is dropped.
    static constexpr qint64 kCloseLimitMs = 2'000;
    // The largest message a client may send.
    static constexpr qint64 kMaxIncomingBytes = 4 * 1024;

    // Whether a message of the client's may be taken now (its device's rate limit).
    using Admission = std::function<bool()>;

    // Takes the socket. The unit and the clock outlive the stream.
    CEventStream(QWebSocket* socket, CRemoteUnit& unit, const QByteArray& deviceId, const CRemoteClock& clock,
                 Admission admit, QObject* parent = nullptr);
    ~CEventStream() override;

    const QByteArray& DeviceId() const { return m_deviceId; }
    CRemoteUnit& Unit() const { return m_unit; }
    bool WantsMeters() const { return m_meters; }
    bool IsBehind() const { return m_behind; }
    qint64 QueuedBytes() const { return m_queued; }

    // Ends the stream with a WebSocket close code and reason.
    void Close(QWebSocketProtocol::CloseCode code, const QString& reason);
    // Drops a client that stayed behind too long or does not answer a close.
    void CheckLimits();

signals:
    void finished(CEventStream* stream);

private:
    void Send(const QByteArray& message);
    void SendMeters(const QByteArray& message);
    void OnMessage(const QString& message);
    void OnBytesWritten(qint64 bytes);
    void Finish();

    QPointer<QWebSocket> m_socket;
    CRemoteUnit& m_unit;
    const QByteArray m_deviceId;
    const CRemoteClock& m_clock;
    const Admission m_admit;
    bool m_meters = false;
    bool m_behind = false;
    qint64 m_behindSinceMs = 0;
    qint64 m_queued = 0;
    bool m_closing = false;
    qint64 m_closingSinceMs = 0;
    bool m_done = false;
};
