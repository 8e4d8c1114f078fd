// The remote server: HTTP and WebSocket on one port, serving units to paired
// devices. It listens on the loopback address unless told otherwise, wants a
// token on every request but pairing, takes at most 32 connections and 50
// requests a second per device, and never lets a slow client hold up the unit,
// the window or another client: everything runs on the event loop, nothing
// waits for a socket, and what a client leaves unread is bounded.
#pragma once

#include "remote/HttpMessage.h"
#include "remote/RemoteApi.h"
#include "remote/RemoteClock.h"
#include "transport/HidBackend.h"

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QWebSocketServer>

#include <memory>
#include <optional>
#include <vector>

class CEventStream;
class CHttpConnection;
class CRemotePairing;
class CRemoteUnit;
class CUnitAdapter;
class QTcpServer;
class QTcpSocket;
struct PairingOffer;

constexpr quint16 kDefaultRemotePort = 8710;

struct RemoteListen {
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = kDefaultRemotePort;
    QString tlsCertificateFile;   // both or neither: HTTPS and WSS
    QString tlsKeyFile;
};

class CRemoteServer : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxConnections = 32;
    static constexpr int kRequestsPerSecond = 50;
    static constexpr qint64 kHousekeepingMs = 1000;

    // The pairing and the clock outlive the server.
    CRemoteServer(CRemotePairing& pairing, const CRemoteClock& clock, QObject* parent = nullptr);
    ~CRemoteServer() override;

    // Serves a unit; known as in CRemoteUnit. The adapter outlives the server.
    CRemoteUnit& AddUnit(CUnitAdapter& unit, const HidInterfaceInfo& known = {});

    // Starts listening; false with the reason (address in use, certificate unreadable, ...).
    bool Listen(const RemoteListen& listen, QString& error);
    // Stops listening and ends every connection.
    void Close();
    bool IsListening() const;
    quint16 Port() const;
    bool IsSecure() const { return m_secure; }
    // "http://192.168.1.20:8710": how other devices reach the server (the loopback address
    // when it listens on nothing else).
    QString BaseUrl() const;
    // The link a phone opens to pair: the page with the offer's secret after "#pair=".
    QString PairingLink(const PairingOffer& offer) const;

    // Devices with an event stream open now.
    int ConnectedDevices() const;
    int OpenConnections() const;
    // The connection limits and the waits on the unit; every second by itself, tests call it.
    void Housekeep();

signals:
    void connectedDevicesChanged(int devices);

private:
    struct RateBucket {
        double tokens = kRequestsPerSecond;
        qint64 atMs = 0;
    };
    // A WebSocket handshake handed to the WebSocket server, by the client's address and port.
    struct Upgrade {
        const QObject* socket = nullptr;
        CRemoteUnit* unit = nullptr;
        QByteArray deviceId;
    };

    void OnNewConnection();
    void Accept(QTcpSocket* socket);
    void OnRequest(CHttpConnection* connection, const HttpRequest& request);
    void OnUpgrade(CHttpConnection* connection, const HttpRequest& request);
    void OnWebSocket();
    void OnDeviceForgotten(const QByteArray& deviceId);
    // The device a request's token belongs to; nothing after answering 401 or 429.
    std::optional<QByteArray> Authorize(CHttpConnection& connection, const HttpRequest& request, bool& byCookie);
    bool TakeRequest(const QByteArray& deviceId);
    bool SameOrigin(const HttpRequest& request, bool secure) const;
    void TellConnectedDevices();

    CRemotePairing& m_pairing;
    const CRemoteClock& m_clock;
    std::vector<std::unique_ptr<CRemoteUnit>> m_units;
    CRemoteApi m_api;
    QTcpServer* m_tcp = nullptr;
    QWebSocketServer m_webSockets;
    bool m_secure = false;
    QList<CHttpConnection*> m_connections;
    QList<CEventStream*> m_streams;
    QHash<QString, Upgrade> m_upgrades;
    QHash<QByteArray, RateBucket> m_rates;
    QTimer m_housekeeping;
    int m_devicesTold = 0;
};
