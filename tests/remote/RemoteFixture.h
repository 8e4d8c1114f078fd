// A unit over a simulated back-end, connected, served by a remote server on
// 127.0.0.1 at a free port, with a clock the test moves. Clients are real
// sockets: raw TCP for exact bytes, QWebSocket for event streams. Waiting for
// an answer runs the event loop until it comes (the server, the client and the
// unit's posted events share this thread); nothing waits for a timer.
#pragma once

#include "remote/RemotePairing.h"
#include "remote/RemoteServer.h"
#include "remote/RemoteUnit.h"
#include "ui/common/UnitActions.h"
#include "../ui/UnitFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>

#include <memory>
#include <optional>

class CManualClock : public CRemoteClock {
public:
    qint64 NowMs() const override { return m_now; }
    void Advance(qint64 ms) { m_now += ms; }

private:
    qint64 m_now = 1'000'000;
};

constexpr int kAnswerWaitMs = 5000;

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
        QNetworkRequest request(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/v1/units/%2/events").arg(port).arg(unitId)));
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

class RemoteFixture : public UnitFixture {
protected:
    void SetUp() override
    {
        UnitFixture::SetUp();
        AddUnitDevice(DemoLikeSpec());
        Unit().Start();
        ConnectUnit();
        m_settings = std::make_unique<QSettings>(m_folder.filePath(QStringLiteral("remote.ini")), QSettings::IniFormat);
        m_pairing = std::make_unique<CRemotePairing>(m_clock, *m_settings);
        m_server = std::make_unique<CRemoteServer>(*m_pairing, m_clock);
        m_remoteUnit = &m_server->AddUnit(*m_adapter);
        QString error;
        RemoteListen listen;
        listen.port = 0;
        ASSERT_TRUE(m_server->Listen(listen, error)) << error.toStdString();
    }

    void TearDown() override
    {
        m_server.reset();
        m_pairing.reset();
        m_settings.reset();
        UnitFixture::TearDown();
    }

    static SimulatedDeviceSpec DemoLikeSpec()
    {
        SimulatedDeviceSpec spec;
        spec.serial = "QD-TEST-1";
        return spec;
    }

    quint16 Port() const { return m_server->Port(); }

    // A paired device's token.
    QByteArray Pair(const QString& name = QStringLiteral("Phone"))
    {
        const PairingOffer offer = m_pairing->CurrentOffer();
        RawClient client(Port());
        const QByteArray body = QJsonDocument(QJsonObject{{QStringLiteral("code"), offer.code}, {QStringLiteral("name"), name}})
                                    .toJson(QJsonDocument::Compact);
        const std::optional<HttpAnswer> answer =
            client.Request(RequestBytes("POST", "/api/v1/pair", {"Content-Type: application/json"}, body));
        EXPECT_TRUE(answer && answer->status == 200);
        return answer ? answer->Json().value(QStringLiteral("token")).toString().toLatin1() : QByteArray();
    }

    std::optional<HttpAnswer> Call(const QByteArray& method, const QByteArray& path, const QByteArray& token,
                                   const QByteArray& body = {}, QList<QByteArray> headers = {})
    {
        RawClient client(Port());
        headers << "Authorization: Bearer " + token;
        const bool typed = std::any_of(headers.begin(), headers.end(), [](const QByteArray& h) { return h.startsWith("Content-Type"); });
        if (!body.isEmpty() && !typed)
            headers << "Content-Type: application/json";
        return client.Request(RequestBytes(method, path, headers, body));
    }

    QByteArray UnitPath() const { return "/api/v1/units/" + m_remoteUnit->Id().toLatin1(); }

    // The unit's frames that reached the device so far.
    std::vector<OutputReport> Frames() const { return m_backend.Written(0); }

    CManualClock m_clock;
    QTemporaryDir m_folder;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<CRemotePairing> m_pairing;
    std::unique_ptr<CRemoteServer> m_server;
    CRemoteUnit* m_remoteUnit = nullptr;
};
