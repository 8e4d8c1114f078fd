// One client's HTTP connection to the remote server: requests are read one at
// a time within the size bounds, each is handed on and answered before the
// next is read, and the connection ends when its client goes quiet (60 s),
// takes too long over one request (10 s) or does not read its answers.
#pragma once

#include "remote/HttpMessage.h"
#include "remote/RemoteClock.h"

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>

class CHttpConnection : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kIdleLimitMs = 60'000;
    static constexpr qint64 kRequestLimitMs = 10'000;
    // Answers not yet taken by the client; past this it is dropped.
    static constexpr qint64 kMaxUnsentBytes = 1024 * 1024;

    // Takes the socket. The clock outlives the connection.
    CHttpConnection(QTcpSocket* socket, const CRemoteClock& clock, QObject* parent = nullptr);
    ~CHttpConnection() override;

    // Answers the request in hand; the next request the client sent is read after it.
    void Respond(int status, QByteArrayView contentType, QByteArrayView body, const HttpHeaders& headers = {});
    void RespondJson(int status, const QJsonObject& body, const HttpHeaders& headers = {});
    // Answers with a reason and closes: the request cannot be read.
    void Refuse(int status, const QByteArray& reason);
    // The socket for a WebSocket, its handshake still unread in it; this connection is over.
    QTcpSocket* TakeSocket();

    // Ends the connection when a limit is past.
    void CheckLimits();
    bool IsSecure() const;
    // "192.168.1.20:50312", for the log.
    QString PeerName() const;

signals:
    // A whole request, body included.
    void requestReceived(CHttpConnection* connection, const HttpRequest& request);
    // The head of a WebSocket opening handshake; nothing of it was taken from the socket.
    void upgradeRequested(CHttpConnection* connection, const HttpRequest& request);
    // The connection is over; it deletes itself later.
    void finished(CHttpConnection* connection);

private:
    enum class State { Reading, Answering, Closing };

    void ReadRequest();
    void Close();
    void OnBytesWritten();

    QPointer<QTcpSocket> m_socket;
    const CRemoteClock& m_clock;
    State m_state = State::Reading;
    bool m_done = false;   // finished was told
    bool m_keepAlive = true;
    qint64 m_lastActivityMs = 0;
    qint64 m_requestStartedMs = -1;   // when the first byte of the request being read came
};
