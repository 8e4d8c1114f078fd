// `quenda serve`: the attached units (or those --device names) served to
// paired devices without a window, and published on an MQTT broker with
// --mqtt, until SIGTERM or SIGINT. Each unit is
// claimed, connected and ticked as the window does; a unit unplugged comes
// back by itself, and units that arrive later are served as they come. At
// start the address, the pairing link with its QR code and the code go to the
// error stream; `quenda pair` asks for a fresh offer (or lists and forgets the
// paired devices) through a local socket.
#pragma once

#include "remote/MqttBridge.h"
#include "remote/PairingControl.h"
#include "remote/RemoteClock.h"
#include "remote/RemotePairing.h"
#include "remote/RemoteServer.h"
#include "ui/main/CommandLineOptions.h"

#include <QObject>
#include <QSettings>
#include <QTextStream>
#include <QTimer>

#include <memory>
#include <set>
#include <string>
#include <vector>

class CHidBackend;
class CUnitAdapter;

class CServeCommand : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 100;
    // Ticks between two looks for units not served yet.
    static constexpr int kLookEveryTicks = 20;

    // The back-end outlives the command; claimUnits keeps other programs off the units.
    CServeCommand(CHidBackend& backend, bool claimUnits, const CommandLineOptions& options, QTextStream& err);
    ~CServeCommand() override;

    // Starts serving; the exit code when it cannot, 0 when it runs.
    int Start();
    // One 100 ms step of every unit served, and a look for new units now and then.
    void Tick();
    // Serves until the event loop ends (SIGTERM, SIGINT); the exit code.
    int Run();

    CRemoteServer& Server() { return m_server; }
    CMqttBridge* Mqtt() { return m_mqtt.get(); }
    CRemotePairing& Pairing() { return m_pairing; }
    int UnitsServed() const { return static_cast<int>(m_units.size()); }
    CUnitAdapter& ServedUnit(int i) { return *m_units.at(i); }

private:
    // Serves the wanted units attached now; false with the exit code when one at start is another program's.
    bool LookForUnits(bool starting, int& exitCode);
    bool Wanted(const HidInterfaceInfo& info) const;
    bool NamesAreUnique(const std::vector<HidInterfaceInfo>& attached);
    bool Serve(const HidInterfaceInfo& info, bool starting, int& exitCode);
    QByteArray FreshPairingAnswer();
    QByteArray AnswerControl(const QString& request);
    void PrintPairing();
    int StartHttp();
    int StartMqtt();
    void OnBrokerRefused(const QString& reason);

    CHidBackend& m_backend;
    const bool m_claimUnits;
    const CommandLineOptions m_options;
    QTextStream& m_err;
    CSteadyClock m_clock;
    QSettings m_settings;
    CRemotePairing m_pairing;
    CRemoteServer m_server;
    CPairingControl m_control;
    std::unique_ptr<CMqttBridge> m_mqtt;
    std::vector<std::unique_ptr<CUnitAdapter>> m_units;
    std::vector<HidInterfaceInfo> m_unitInfos;   // as each was listed
    std::set<std::string> m_served;        // their keys
    std::set<std::string> m_toldInUse;     // units another program has, told once
    QTimer m_tick;
    int m_ticks = 0;
};
