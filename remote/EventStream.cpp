#include "remote/EventStream.h"

#include "remote/RemoteUnit.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

QString ErrorMessage(const QString& text)
{
    return QString::fromUtf8(
        QJsonDocument(QJsonObject{{QStringLiteral("type"), QStringLiteral("error")}, {QStringLiteral("error"), text}})
            .toJson(QJsonDocument::Compact));
}

}  // namespace

CEventStream::CEventStream(QWebSocket* socket, CRemoteUnit& unit, const QByteArray& deviceId, const CRemoteClock& clock,
                           Admission admit, QObject* parent)
    : QObject(parent), m_socket(socket), m_unit(unit), m_deviceId(deviceId), m_clock(clock), m_admit(std::move(admit))
{
    m_socket->setParent(this);
    m_socket->setMaxAllowedIncomingMessageSize(kMaxIncomingBytes);
    m_socket->setMaxAllowedIncomingFrameSize(kMaxIncomingBytes);
    connect(m_socket, &QWebSocket::textMessageReceived, this, &CEventStream::OnMessage);
    connect(m_socket, &QWebSocket::binaryMessageReceived, this,
            [this] { Close(QWebSocketProtocol::CloseCodeDatatypeNotSupported, QStringLiteral("text messages only")); });
    connect(m_socket, &QWebSocket::bytesWritten, this, &CEventStream::OnBytesWritten);
    connect(m_socket, &QWebSocket::disconnected, this, &CEventStream::Finish);
    m_unit.AddListener();
    connect(&m_unit, &CRemoteUnit::changed, this, &CEventStream::Send);
    connect(&m_unit, &CRemoteUnit::connectionTold, this, &CEventStream::Send);
    connect(&m_unit, &CRemoteUnit::outcomeTold, this, &CEventStream::Send);
    connect(&m_unit, &CRemoteUnit::metersTold, this, &CEventStream::SendMeters);
    Send(m_unit.StateMessage());
}

CEventStream::~CEventStream()
{
    m_unit.RemoveListener();
}

void CEventStream::Send(const QByteArray& message)
{
    if (m_done || m_closing || !m_socket || m_behind)
        return;
    if (m_queued + message.size() > kBehindBytes) {
        m_behind = true;
        m_behindSinceMs = m_clock.NowMs();
        return;
    }
    m_queued += message.size();
    m_socket->sendTextMessage(QString::fromUtf8(message));
}

void CEventStream::SendMeters(const QByteArray& message)
{
    if (m_meters)
        Send(message);
}

// The frames' own bytes are counted too, so the count errs towards empty.
void CEventStream::OnBytesWritten(qint64 bytes)
{
    m_queued = std::max<qint64>(0, m_queued - bytes);
    if (!m_behind || m_queued > 0)
        return;
    m_behind = false;
    Send(m_unit.StateMessage());
}

void CEventStream::OnMessage(const QString& message)
{
    if (!m_admit()) {
        Send(ErrorMessage(QStringLiteral("too many requests: at most 50 a second")).toUtf8());
        return;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(message.toUtf8(), &error);
    const QJsonValue meters = document.object().value(QStringLiteral("meters"));
    if (error.error != QJsonParseError::NoError || !document.isObject() || document.object().size() != 1 ||
        !meters.isBool()) {
        Send(ErrorMessage(QStringLiteral("a message is {\"meters\": true} or {\"meters\": false}")).toUtf8());
        return;
    }
    m_meters = meters.toBool();
}

void CEventStream::CheckLimits()
{
    const qint64 now = m_clock.NowMs();
    if (m_closing && now - m_closingSinceMs >= kCloseLimitMs)
        Finish();
    else if (m_behind && now - m_behindSinceMs >= kBehindLimitMs)
        Finish();   // a close frame would not reach it either
}

// The client is told why; a client that does not answer the close is dropped by CheckLimits.
void CEventStream::Close(QWebSocketProtocol::CloseCode code, const QString& reason)
{
    if (m_done || m_closing || !m_socket)
        return;
    m_closing = true;
    m_closingSinceMs = m_clock.NowMs();
    m_socket->close(code, reason);
}

void CEventStream::Finish()
{
    if (m_done)
        return;
    m_done = true;
    if (m_socket) {
        m_socket->disconnect(this);
        if (m_socket->state() != QAbstractSocket::UnconnectedState)
            m_socket->abort();
    }
    emit finished(this);
    deleteLater();
}
