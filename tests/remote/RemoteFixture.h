// A unit over a simulated back-end, connected, served by a remote server on
// 127.0.0.1 at a free port, with a clock the test moves; nothing waits for a timer.
#pragma once

#include "RemoteClients.h"
#include "remote/RemotePairing.h"
#include "remote/RemoteServer.h"
#include "remote/RemoteUnit.h"
#include "ui/common/UnitActions.h"
#include "ui/UnitFixture.h"

#include <QJsonArray>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>
#include <optional>

class CManualClock : public CRemoteClock {
public:
    qint64 NowMs() const override { return m_now; }
    QDateTime NowUtc() const override { return QDateTime(QDate(2026, 12, 11), QTime(9, 0), Qt::UTC).addMSecs(m_now); }
    void Advance(qint64 ms) { m_now += ms; }

private:
    qint64 m_now = 1'000'000;
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
