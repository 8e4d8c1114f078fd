#include "remote/HttpConnection.h"

#include <QJsonDocument>
#include <QSslSocket>

namespace {

// The socket holds no more than one request's head and body: a client that
// sends more waits for TCP until it has been answered.
constexpr qint64 kReadBufferBytes = kMaxRequestHeadBytes + kMaxRequestBodyBytes;

}  // namespace

CHttpConnection::CHttpConnection(QTcpSocket* socket, const CRemoteClock& clock, QObject* parent)
    : QObject(parent), m_socket(socket), m_clock(clock), m_lastActivityMs(clock.NowMs())
{
    m_socket->setParent(this);
    m_socket->setReadBufferSize(kReadBufferBytes);
    connect(m_socket, &QTcpSocket::readyRead, this, &CHttpConnection::ReadRequest);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &CHttpConnection::OnBytesWritten);
    connect(m_socket, &QTcpSocket::disconnected, this, &CHttpConnection::Close);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &CHttpConnection::Close);
    if (m_socket->bytesAvailable() > 0)
        ReadRequest();
}

CHttpConnection::~CHttpConnection() = default;

bool CHttpConnection::IsSecure() const
{
    const auto* ssl = qobject_cast<const QSslSocket*>(m_socket.data());
    return ssl != nullptr && ssl->isEncrypted();
}

QString CHttpConnection::PeerName() const
{
    return m_socket ? QStringLiteral("%1:%2").arg(m_socket->peerAddress().toString()).arg(m_socket->peerPort()) : QString();
}

void CHttpConnection::ReadRequest()
{
    if (m_state != State::Reading || !m_socket)
        return;
    const qint64 available = m_socket->bytesAvailable();
    if (available == 0)
        return;
    m_lastActivityMs = m_clock.NowMs();
    if (m_requestStartedMs < 0)
        m_requestStartedMs = m_lastActivityMs;
    const QByteArray data = m_socket->peek(available);
    RequestHead head = ParseRequestHead(data);
    if (head.status == RequestHead::Status::Refused) {
        Refuse(head.errorStatus, head.reason);
        return;
    }
    if (head.status == RequestHead::Status::Incomplete)
        return;
    if (head.request.IsWebSocketUpgrade()) {
        m_keepAlive = false;   // a refused handshake ends the connection
        m_state = State::Answering;
        emit upgradeRequested(this, head.request);
        return;
    }
    const qint64 whole = head.headLength + head.request.contentLength;
    if (available < whole)
        return;   // the body is still on its way
    m_socket->read(head.headLength);
    head.request.body = m_socket->read(head.request.contentLength);
    m_requestStartedMs = -1;
    m_keepAlive = head.request.KeepAlive();
    m_state = State::Answering;
    emit requestReceived(this, head.request);
}

void CHttpConnection::Respond(int status, QByteArrayView contentType, QByteArrayView body, const HttpHeaders& headers)
{
    if (m_state != State::Answering || !m_socket)
        return;
    m_socket->write(HttpResponse(status, headers, contentType, body, m_keepAlive));
    m_lastActivityMs = m_clock.NowMs();
    if (!m_keepAlive) {
        m_state = State::Closing;
        m_socket->disconnectFromHost();
        return;
    }
    m_state = State::Reading;
    if (m_socket->bytesToWrite() > kMaxUnsentBytes) {
        Close();
        return;
    }
    ReadRequest();
}

void CHttpConnection::RespondJson(int status, const QJsonObject& body, const HttpHeaders& headers)
{
    Respond(status, "application/json", QJsonDocument(body).toJson(QJsonDocument::Compact), headers);
}

void CHttpConnection::Refuse(int status, const QByteArray& reason)
{
    if (!m_socket || m_done || m_state == State::Closing)
        return;
    m_keepAlive = false;
    m_state = State::Answering;
    RespondJson(status, {{QStringLiteral("error"), QString::fromUtf8(reason)}});
}

QTcpSocket* CHttpConnection::TakeSocket()
{
    QTcpSocket* socket = m_socket;
    m_socket = nullptr;
    if (socket) {
        socket->disconnect(this);
        socket->setParent(nullptr);
        socket->setReadBufferSize(0);
    }
    m_state = State::Closing;
    m_done = true;
    emit finished(this);
    deleteLater();
    return socket;
}

void CHttpConnection::OnBytesWritten()
{
    m_lastActivityMs = m_clock.NowMs();
}

// A connection answering waits for the unit, which has limits of its own.
void CHttpConnection::CheckLimits()
{
    if (!m_socket || m_done)
        return;
    const qint64 now = m_clock.NowMs();
    switch (m_state) {
    case State::Reading:
        if (m_requestStartedMs >= 0 && now - m_requestStartedMs >= kRequestLimitMs)
            Refuse(408, "the request did not arrive within 10 s");
        else if (m_requestStartedMs < 0 && now - m_lastActivityMs >= kIdleLimitMs)
            Close();
        break;
    case State::Closing:   // the last answer is not taken
        if (now - m_lastActivityMs >= kRequestLimitMs)
            Close();
        break;
    case State::Answering:
        break;
    }
}

void CHttpConnection::Close()
{
    if (m_done)
        return;
    m_done = true;
    m_state = State::Closing;
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
    emit finished(this);
    deleteLater();
}
