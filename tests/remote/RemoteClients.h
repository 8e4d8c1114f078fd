// Clients of the remote server for tests: raw TCP for exact bytes, QWebSocket
// for event streams. Waiting for an answer runs the event loop until it comes
// (the server, the clients and the unit's posted events share the test's thread).
#pragma once

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUrl>
#include <QWebSocket>

#include <algorithm>
#include <optional>

constexpr int kAnswerWaitMs = 5000;

// A port of 127.0.0.1 that nothing listens on now.
inline quint16 FreeLocalPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress(QHostAddress::LocalHost), 0);
    return probe.serverPort();
}

struct HttpAnswer {
    int status = 0;
    QByteArray head;
    QByteArray body;

    QJsonObject Json() const { return QJsonDocument::fromJson(body).object(); }
    QByteArray Header(const QByteArray& name) const
    {
        for (const QByteArray& line : head.split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.first(colon).trimmed().toLower() == name.toLower())
                return line.sliced(colon + 1).trimmed();
        }
        return {};
    }
};

// A client that speaks HTTP by hand.
class RawClient {
public:
    explicit RawClient(quint16 port)
    {
        m_socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
        m_connected = m_socket.waitForConnected(kAnswerWaitMs);
    }

    bool IsConnected() const { return m_connected; }
    QTcpSocket& Socket() { return m_socket; }

    void Send(const QByteArray& bytes)
    {
        m_socket.write(bytes);
        m_socket.flush();
    }

    // The next whole answer; nothing when none came or the server closed first.
    std::optional<HttpAnswer> Read()
    {
        std::optional<HttpAnswer> answer;
        (void)QTest::qWaitFor([&] {
            m_buffer += m_socket.readAll();
            answer = TakeAnswer();
            return answer.has_value() || m_socket.state() == QAbstractSocket::UnconnectedState;
        }, kAnswerWaitMs);
        if (!answer) {
            m_buffer += m_socket.readAll();
            answer = TakeAnswer();
        }
        return answer;
    }

    std::optional<HttpAnswer> Request(const QByteArray& bytes)
    {
        Send(bytes);
        return Read();
    }

    // The server closed the connection (after answering what it answered).
    bool WaitClosed()
    {
        return QTest::qWaitFor([&] {
            m_buffer += m_socket.readAll();
            return m_socket.state() == QAbstractSocket::UnconnectedState;
        }, kAnswerWaitMs);
    }

private:
    std::optional<HttpAnswer> TakeAnswer()
    {
        const qsizetype end = m_buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return std::nullopt;
        HttpAnswer answer;
        answer.head = m_buffer.first(end);
        answer.status = answer.head.mid(9, 3).toInt();
        const qsizetype length = answer.Header("Content-Length").toLongLong();
        if (m_buffer.size() < end + 4 + length)
            return std::nullopt;
        answer.body = m_buffer.mid(end + 4, length);
        m_buffer.remove(0, end + 4 + length);
        return answer;
    }

    QTcpSocket m_socket;
    QByteArray m_buffer;
    bool m_connected = false;
};

// A request's bytes: method, path, headers (each "Name: value"), body.
inline QByteArray RequestBytes(const QByteArray& method, const QByteArray& path, const QList<QByteArray>& headers = {},
                               const QByteArray& body = {})
{
    QByteArray bytes = method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    for (const QByteArray& header : headers)
        bytes += header + "\r\n";
    if (!body.isEmpty() || method == "POST" || method == "PATCH" || method == "PUT")
        bytes += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    bytes += "\r\n" + body;
    return bytes;
}

// An event stream's client: every message it got, in order.
class EventClient {
public:
    EventClient(quint16 port, const QString& unitId, const QByteArray& token, const QString& origin = {})
        : m_socket(origin)
    {
        QObject::connect(&m_socket, &QWebSocket::textMessageReceived,
                         [this](const QString& message) { messages.append(QJsonDocument::fromJson(message.toUtf8()).object()); });
        const QString id = QString::fromLatin1(QUrl::toPercentEncoding(unitId));
        QNetworkRequest request(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/v1/units/%2/events").arg(port).arg(id)));
        request.setRawHeader("Authorization", "Bearer " + token);
        m_socket.open(request);
    }

    QWebSocket& Socket() { return m_socket; }

    // Waits for a message of the type; returns it.
    std::optional<QJsonObject> WaitFor(const QString& type)
    {
        std::optional<QJsonObject> found;
        (void)QTest::qWaitFor([&] {
            for (qsizetype i = m_seen; i < messages.size(); ++i) {
                if (messages[i].value(QStringLiteral("type")).toString() == type) {
                    found = messages[i];
                    m_seen = i + 1;
                    return true;
                }
            }
            return false;
        }, kAnswerWaitMs);
        return found;
    }

    QList<QJsonObject> messages;

private:
    QWebSocket m_socket;
    qsizetype m_seen = 0;
};
