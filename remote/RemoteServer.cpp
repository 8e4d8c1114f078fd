#include "remote/RemoteServer.h"

#include "remote/EventStream.h"
#include "remote/HttpConnection.h"
#include "remote/RemoteLog.h"
#include "remote/RemotePairing.h"
#include "remote/RemoteUnit.h"
#include "ui/settings/BoundedFile.h"

#include <QNetworkInterface>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>

#include <algorithm>
#include <set>

namespace {

// A certificate or key file is small; anything larger is not read.
constexpr qint64 kMaxTlsFileBytes = 1024 * 1024;
constexpr qint64 kTlsHandshakeMs = 10'000;
// A device's request count is forgotten after this long without requests.
constexpr qint64 kRateMemoryMs = 10'000;
constexpr int kSocketSendBufferBytes = 64 * 1024;
// The close code of a forgotten device's stream: the client reads the reason.
constexpr auto kForgottenCloseCode = QWebSocketProtocol::CloseCodePolicyViolated;

QString PeerKey(const QHostAddress& address, quint16 port)
{
    return address.toString() + QLatin1Char('/') + QString::number(port);
}

bool ReadSmallFile(const QString& fileName, QByteArray& data, QString& error)
{
    SettingsError refusal;
    const auto tooLarge = [&](qint64) { return SettingsError{fileName, QStringLiteral("larger than 1 MiB, not a certificate or key")}; };
    if (ReadBoundedFile(fileName, kMaxTlsFileBytes, tooLarge, data, refusal))
        return true;
    error = refusal.Text();
    return false;
}

bool TlsConfiguration(const RemoteListen& listen, QSslConfiguration& configuration, QString& error)
{
    QByteArray certificateData;
    QByteArray keyData;
    if (!ReadSmallFile(listen.tlsCertificateFile, certificateData, error) ||
        !ReadSmallFile(listen.tlsKeyFile, keyData, error))
        return false;
    const QList<QSslCertificate> chain = QSslCertificate::fromData(certificateData, QSsl::Pem);
    if (chain.isEmpty()) {
        error = QStringLiteral("%1: no PEM certificate in it").arg(listen.tlsCertificateFile);
        return false;
    }
    QSslKey key;
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec}) {
        key = QSslKey(keyData, algorithm, QSsl::Pem);
        if (!key.isNull())
            break;
    }
    if (key.isNull()) {
        error = QStringLiteral("%1: no unencrypted PEM RSA or EC key in it").arg(listen.tlsKeyFile);
        return false;
    }
    configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(chain.first());
    configuration.setLocalCertificateChain(chain);
    configuration.setPrivateKey(key);
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    return true;
}

bool IsUnsafe(const HttpRequest& request)
{
    return request.method != "GET" && request.method != "HEAD";
}

QHostAddress ReachableAddress(const QHostAddress& listening)
{
    if (listening != QHostAddress::Any && listening != QHostAddress::AnyIPv4 && listening != QHostAddress::AnyIPv6)
        return listening;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (!address.isLoopback() && address.protocol() == QAbstractSocket::IPv4Protocol)
            return address;
    }
    return QHostAddress(QHostAddress::LocalHost);
}

}  // namespace

CRemoteServer::CRemoteServer(CRemotePairing& pairing, const CRemoteClock& clock, QObject* parent)
    : QObject(parent), m_pairing(pairing), m_clock(clock), m_api(m_units, pairing),
      m_webSockets(QStringLiteral("quenda"), QWebSocketServer::NonSecureMode)
{
    m_webSockets.setHandshakeTimeout(static_cast<int>(CHttpConnection::kRequestLimitMs));
    connect(&m_webSockets, &QWebSocketServer::newConnection, this, &CRemoteServer::OnWebSocket);
    connect(&m_pairing, &CRemotePairing::deviceForgotten, this, &CRemoteServer::OnDeviceForgotten);
    m_housekeeping.setInterval(static_cast<int>(kHousekeepingMs));
    connect(&m_housekeeping, &QTimer::timeout, this, &CRemoteServer::Housekeep);
}

// The streams name the units: they go first, those that ended and wait for deletion too.
CRemoteServer::~CRemoteServer()
{
    blockSignals(true);   // whoever listens may be going too
    Close();
    m_streams.clear();
    m_connections.clear();
    qDeleteAll(findChildren<CEventStream*>(Qt::FindDirectChildrenOnly));
    qDeleteAll(findChildren<CHttpConnection*>(Qt::FindDirectChildrenOnly));
}

CRemoteUnit& CRemoteServer::AddUnit(CUnitAdapter& unit, const HidInterfaceInfo& known)
{
    m_units.push_back(std::make_unique<CRemoteUnit>(unit, known, m_clock));
    return *m_units.back();
}

bool CRemoteServer::Listen(const RemoteListen& listen, QString& error)
{
    Close();
    m_secure = !listen.tlsCertificateFile.isEmpty() || !listen.tlsKeyFile.isEmpty();
    if (m_secure) {
        QSslConfiguration configuration;
        if (!TlsConfiguration(listen, configuration, error))
            return false;
        auto* server = new QSslServer(this);
        server->setSslConfiguration(configuration);
        server->setHandshakeTimeout(static_cast<int>(kTlsHandshakeMs));
        m_tcp = server;
    } else {
        m_tcp = new QTcpServer(this);
    }
    connect(m_tcp, &QTcpServer::pendingConnectionAvailable, this, &CRemoteServer::OnNewConnection);
    if (!m_tcp->listen(listen.address, listen.port)) {
        error = QStringLiteral("cannot listen on %1:%2: %3").arg(listen.address.toString()).arg(listen.port).arg(m_tcp->errorString());
        delete std::exchange(m_tcp, nullptr);
        return false;
    }
    m_housekeeping.start();
    qCInfo(lcRemote).noquote() << "listening at" << BaseUrl() << "on" << m_tcp->serverAddress().toString();
    return true;
}

void CRemoteServer::Close()
{
    m_housekeeping.stop();
    if (m_tcp) {
        m_tcp->close();
        m_tcp->deleteLater();
        m_tcp = nullptr;
    }
    for (CEventStream* stream : std::as_const(m_streams))
        stream->Close(QWebSocketProtocol::CloseCodeGoingAway, QStringLiteral("the server stops"));
    for (CHttpConnection* connection : QList<CHttpConnection*>(m_connections))
        connection->Refuse(503, "the server stops");
}

bool CRemoteServer::IsListening() const
{
    return m_tcp && m_tcp->isListening();
}

quint16 CRemoteServer::Port() const
{
    return m_tcp ? m_tcp->serverPort() : 0;
}

QString CRemoteServer::BaseUrl() const
{
    const QHostAddress address = ReachableAddress(m_tcp ? m_tcp->serverAddress() : QHostAddress(QHostAddress::LocalHost));
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                                                                          : address.toString();
    return QStringLiteral("%1://%2:%3").arg(m_secure ? QStringLiteral("https") : QStringLiteral("http"), host).arg(Port());
}

QString CRemoteServer::PairingLink(const PairingOffer& offer) const
{
    return BaseUrl() + QStringLiteral("/#pair=") + QString::fromLatin1(offer.secret);
}

int CRemoteServer::OpenConnections() const
{
    return static_cast<int>(m_connections.size() + m_streams.size() + m_upgrades.size());
}

int CRemoteServer::ConnectedDevices() const
{
    std::set<QByteArray> devices;
    for (const CEventStream* stream : m_streams)
        devices.insert(stream->DeviceId());
    return static_cast<int>(devices.size());
}

void CRemoteServer::TellConnectedDevices()
{
    const int devices = ConnectedDevices();
    if (devices != std::exchange(m_devicesTold, devices))
        emit connectedDevicesChanged(devices);
}

void CRemoteServer::OnNewConnection()
{
    while (m_tcp && m_tcp->hasPendingConnections())
        Accept(m_tcp->nextPendingConnection());
}

// Past the limit a client is told so at once and let go.
void CRemoteServer::Accept(QTcpSocket* socket)
{
    if (OpenConnections() >= kMaxConnections) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        socket->write(HttpResponse(503, {{"Retry-After", "10"}}, "application/json",
                                   R"({"error":"the server takes at most 32 connections"})", false));
        socket->disconnectFromHost();
        QTimer::singleShot(static_cast<int>(CHttpConnection::kRequestLimitMs), socket, &QTcpSocket::abort);
        return;
    }
    // the system holds no more than this for a client that does not read: the rest waits here, counted
    socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kSocketSendBufferBytes);
    auto* connection = new CHttpConnection(socket, m_clock, this);
    m_connections.append(connection);
    connect(connection, &CHttpConnection::finished, this, [this](CHttpConnection* c) { m_connections.removeOne(c); });
    connect(connection, &CHttpConnection::requestReceived, this, &CRemoteServer::OnRequest);
    connect(connection, &CHttpConnection::upgradeRequested, this, &CRemoteServer::OnUpgrade);
}

std::optional<QByteArray> CRemoteServer::Authorize(CHttpConnection& connection, const HttpRequest& request, bool& byCookie)
{
    const QByteArray authorization = request.Header("authorization");
    const bool bearer = authorization.size() > 7 && authorization.first(7).toLower() == "bearer ";
    const QByteArray token = bearer ? authorization.sliced(7).trimmed() : request.Cookie(kTokenCookie);
    byCookie = !bearer;
    const HttpHeaders challenge{{"WWW-Authenticate", "Bearer"}};
    if (token.isEmpty()) {
        qCInfo(lcRemote).noquote() << "refused a request without a token from" << connection.PeerName();
        connection.RespondJson(401, {{QStringLiteral("error"), QStringLiteral("a token is needed: pair this device first")}},
                               challenge);
        return std::nullopt;
    }
    const std::optional<QByteArray> device = m_pairing.Authenticate(token);
    if (!device) {
        qCInfo(lcRemote).noquote() << "refused a request with an unknown token from" << connection.PeerName();
        connection.RespondJson(
            401, {{QStringLiteral("error"), QStringLiteral("the token is not known: this device is not paired, or was forgotten")}},
            challenge);
        return std::nullopt;
    }
    if (!TakeRequest(*device)) {
        connection.RespondJson(429, {{QStringLiteral("error"), QStringLiteral("too many requests: at most 50 a second")}},
                               {{"Retry-After", "1"}});
        return std::nullopt;
    }
    return device;
}

// A bucket of 50 requests per device, refilled at 50 a second.
bool CRemoteServer::TakeRequest(const QByteArray& deviceId)
{
    const qint64 now = m_clock.NowMs();
    RateBucket& bucket = m_rates[deviceId];
    if (bucket.atMs == 0)
        bucket.atMs = now;
    bucket.tokens = std::min<double>(kRequestsPerSecond, bucket.tokens + (now - bucket.atMs) * kRequestsPerSecond / 1000.0);
    bucket.atMs = now;
    if (bucket.tokens < 1.0)
        return false;
    bucket.tokens -= 1.0;
    return true;
}

// A browser names the page that sends a request; only this server's own may use its cookie.
bool CRemoteServer::SameOrigin(const HttpRequest& request, bool secure) const
{
    if (!request.HasHeader("origin"))
        return true;   // not a browser: the token is what counts
    const QByteArray own = (secure ? "https://" : "http://") + request.Header("host");
    return request.Header("origin") == own;
}

void CRemoteServer::OnRequest(CHttpConnection* connection, const HttpRequest& request)
{
    if (m_api.HandlePublic(*connection, request))
        return;
    bool byCookie = false;
    if (!Authorize(*connection, request, byCookie))
        return;
    if (byCookie && IsUnsafe(request) && !SameOrigin(request, connection->IsSecure())) {
        connection->RespondJson(403, {{QStringLiteral("error"), QStringLiteral("a request from another site")}});
        return;
    }
    m_api.Handle(*connection, request);
}

void CRemoteServer::OnUpgrade(CHttpConnection* connection, const HttpRequest& request)
{
    if (!m_api.IsEventsPath(request.path)) {
        connection->Refuse(404, "no event stream at this path");
        return;
    }
    if (!SameOrigin(request, connection->IsSecure())) {
        connection->Refuse(403, "an event stream for a page of another site");
        return;
    }
    bool byCookie = false;
    const std::optional<QByteArray> device = Authorize(*connection, request, byCookie);
    if (!device)
        return;
    CRemoteUnit* unit = m_api.FindUnit(request.path[3]);
    if (!unit) {
        connection->Refuse(404, "no such unit");
        return;
    }
    QTcpSocket* socket = connection->TakeSocket();
    const QString key = PeerKey(socket->peerAddress(), socket->peerPort());
    m_upgrades.insert(key, {socket, unit, *device});
    connect(socket, &QObject::destroyed, this, [this, key, socket] {
        const auto upgrade = m_upgrades.constFind(key);
        if (upgrade != m_upgrades.constEnd() && upgrade->socket == socket)
            m_upgrades.erase(upgrade);
    });
    m_webSockets.handleConnection(socket);
}

void CRemoteServer::OnWebSocket()
{
    while (m_webSockets.hasPendingConnections()) {
        QWebSocket* socket = m_webSockets.nextPendingConnection();
        const auto upgrade = m_upgrades.constFind(PeerKey(socket->peerAddress(), socket->peerPort()));
        if (upgrade == m_upgrades.constEnd()) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        const QByteArray device = upgrade->deviceId;
        auto* stream = new CEventStream(socket, *upgrade->unit, device, m_clock, [this, device] { return TakeRequest(device); }, this);
        m_streams.append(stream);
        qCInfo(lcRemote).noquote() << m_pairing.DeviceName(device) << "follows" << upgrade->unit->Id();
        connect(stream, &CEventStream::finished, this, [this](CEventStream* s) {
            qCInfo(lcRemote).noquote() << m_pairing.DeviceName(s->DeviceId()) << "stopped following" << s->Unit().Id();
            m_streams.removeOne(s);
            TellConnectedDevices();
        });
        m_upgrades.erase(upgrade);
        TellConnectedDevices();
    }
}

void CRemoteServer::OnDeviceForgotten(const QByteArray& deviceId)
{
    for (CEventStream* stream : std::as_const(m_streams)) {
        if (stream->DeviceId() == deviceId)
            stream->Close(kForgottenCloseCode, QStringLiteral("this device was forgotten"));
    }
}

void CRemoteServer::Housekeep()
{
    for (CHttpConnection* connection : QList<CHttpConnection*>(m_connections))
        connection->CheckLimits();
    for (CEventStream* stream : QList<CEventStream*>(m_streams))
        stream->CheckLimits();
    for (const auto& unit : m_units)
        unit->ExpireWaits();
    const qint64 now = m_clock.NowMs();
    m_rates.removeIf([now](const auto& entry) { return now - entry.value().atMs > kRateMemoryMs; });
}
