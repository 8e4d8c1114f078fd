// The window's remote control: the server and its pairing, with the user's
// choices kept in the program's settings (on or off, this computer only or
// the network, the port, the HTTPS certificate and key), so that remote
// control stays as the user left it from one start to the next.
#pragma once

#include "remote/RemoteClock.h"
#include "remote/RemotePairing.h"
#include "remote/RemoteServer.h"

#include <QObject>
#include <QSettings>
#include <QString>

class CUnitAdapter;

struct RemoteChoices {
    bool enabled = false;
    bool network = false;   // "This network"; otherwise "Only this computer"
    quint16 port = kDefaultRemotePort;
    QString tlsCertificateFile;
    QString tlsKeyFile;

    friend bool operator==(const RemoteChoices&, const RemoteChoices&) = default;
};

class CRemoteService : public QObject {
    Q_OBJECT
public:
    // The program's settings keep the choices and the paired devices. The unit outlives the service.
    explicit CRemoteService(CUnitAdapter& unit, QObject* parent = nullptr);
    ~CRemoteService() override;

    RemoteChoices Choices() const;
    // Keeps the choices and listens, or stops, as they say; false with the reason when it cannot listen.
    bool Apply(const RemoteChoices& choices);
    // Listens when the kept choices say so (the window's start).
    bool Resume();
    // Why the last Apply failed; empty when it did not.
    QString Error() const { return m_error; }
    bool IsListening() const { return m_server.IsListening(); }

    CRemotePairing& Pairing() { return m_pairing; }
    CRemoteServer& Server() { return m_server; }

signals:
    void listeningChanged(bool listening);

private:
    QSettings m_settings;
    CSteadyClock m_clock;
    CRemotePairing m_pairing;
    CRemoteServer m_server;
    QString m_error;
};
