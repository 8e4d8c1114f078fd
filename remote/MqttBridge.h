// The units on an MQTT broker, as Home Assistant's discovery finds them: per
// unit one device with a preset select, a gain number and a mute switch per
// channel, a button that stores the current settings into the selected
// preset, a level sensor per channel, and availability from the unit's
// connection and from the program's last will. State topics are retained and
// published on every change, whoever made it; commands go through the unit's
// own actions, one undo step each, as the window's do. libmosquitto runs the
// connection on a thread of its own and reconnects with backoff; what it
// receives is handed to this object's thread.
#pragma once

#include "remote/MqttCommand.h"
#include "remote/RemoteClock.h"
#include "transport/HidBackend.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class CUnitAdapter;
class CMqttUnit;
struct mosquitto;

struct MqttSettings {
    QString url;            // as given, for the log
    QString host;
    quint16 port = 1883;
    bool tls = false;       // mqtts: the system's certificate authorities are trusted
    QString user;
    QString password;
    QString prefix = QStringLiteral("homeassistant");   // Home Assistant's discovery prefix
    QString base = QStringLiteral("quenda");            // where the units' topics are
};

// mqtt://host[:port] (1883) or mqtts://host[:port] (8883); false with the reason.
bool ReadMqttUrl(const QString& url, MqttSettings& settings, QString& error);
// A topic prefix: not empty, no wildcard, no '/' at either end; false with the reason.
bool IsTopicPrefix(const QString& prefix, QString& error);
// The first line of a small regular file (at most 4 KiB), so that no password stands on a command line.
bool ReadPasswordFile(const QString& fileName, QString& password, QString& error);

class CMqttBridge : public QObject {
    Q_OBJECT
public:
    static constexpr int kKeepAliveSeconds = 30;
    static constexpr unsigned kFirstRetrySeconds = 1;
    static constexpr unsigned kLastRetrySeconds = 60;
    // A level sensor is published at most this often, and only when it changed.
    static constexpr qint64 kMeterPeriodMs = 1000;

    // The clock outlives the bridge.
    CMqttBridge(const MqttSettings& settings, const CRemoteClock& clock, QObject* parent = nullptr);
    ~CMqttBridge() override;

    // Publishes a unit; known as the unit was listed. The adapter outlives the bridge.
    void AddUnit(CUnitAdapter& unit, const HidInterfaceInfo& known);

    // Connects in the background and keeps connecting after a loss; false with
    // the reason when the connection cannot even be set up.
    bool Start(QString& error);
    bool IsConnected() const { return m_connected; }

    // Publishes a message now (from this object's thread).
    void Publish(const QString& topic, const QByteArray& payload, bool retain);
    const MqttSettings& Settings() const { return m_settings; }
    const CRemoteClock& Clock() const { return m_clock; }

signals:
    // The broker refused the user name or password: nothing is retried.
    void refused(const QString& reason);
    void connectedChanged(bool connected);

private:
    struct Received {
        enum class Kind { Connected, Refused, Lost, Message };
        Kind kind = Kind::Message;
        int code = 0;
        QString topic;
        QByteArray payload;
    };

    // On libmosquitto's thread.
    static void OnConnect(mosquitto* client, void* bridge, int code);
    static void OnDisconnect(mosquitto* client, void* bridge, int code);
    static void OnMessage(mosquitto* client, void* bridge, const struct mosquitto_message* message);
    void Post(Received received);

    Q_INVOKABLE void DeliverPosted();
    void Connected();
    void Lost(int code);
    void HandleMessage(const QString& topic, const QByteArray& payload);
    void PublishEverything();
    QString BridgeAvailabilityTopic() const;

    const MqttSettings m_settings;
    const CRemoteClock& m_clock;
    mosquitto* m_client = nullptr;
    bool m_connected = false;
    bool m_started = false;
    std::vector<std::unique_ptr<CMqttUnit>> m_units;

    std::mutex m_mutex;   // the received messages, between the two threads
    std::vector<Received> m_received;
    std::atomic<bool> m_posted{false};
};
