#include "remote/MqttBridge.h"

#include "remote/MqttUnit.h"
#include "remote/RemoteLog.h"
#include "ui/settings/BoundedFile.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QSysInfo>
#include <QUrl>

#include <mosquitto.h>

#include <utility>

namespace {

constexpr quint16 kMqttPort = 1883;
constexpr quint16 kMqttsPort = 8883;
constexpr qint64 kMaxPasswordFileBytes = 4096;
constexpr int kQos = 1;
constexpr char kSystemCertificates[] = "/etc/ssl/certs";

// libmosquitto is set up once for the whole program, before any client.
void InitLibrary()
{
    static const int initialised = mosquitto_lib_init();
    (void)initialised;
}

QString ConnackText(int code)
{
    return QString::fromUtf8(mosquitto_connack_string(code));
}

}  // namespace

bool ReadMqttUrl(const QString& url, MqttSettings& settings, QString& error)
{
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme();
    if (!parsed.isValid() || (scheme != QLatin1String("mqtt") && scheme != QLatin1String("mqtts")) || parsed.host().isEmpty() ||
        !(parsed.path().isEmpty() || parsed.path() == QLatin1String("/")) || !parsed.userInfo().isEmpty()) {
        error = QStringLiteral("--mqtt takes mqtt://HOST[:PORT] or mqtts://HOST[:PORT], not %1").arg(url);
        return false;
    }
    settings.url = url;
    settings.host = parsed.host();
    settings.tls = scheme == QLatin1String("mqtts");
    settings.port = static_cast<quint16>(parsed.port(settings.tls ? kMqttsPort : kMqttPort));
    return true;
}

bool IsTopicPrefix(const QString& prefix, QString& error)
{
    if (prefix.isEmpty() || prefix.startsWith(QLatin1Char('/')) || prefix.endsWith(QLatin1Char('/')) ||
        prefix.contains(QLatin1Char('+')) || prefix.contains(QLatin1Char('#')) || prefix.contains(QChar(0))) {
        error = QStringLiteral("a topic prefix is words between '/', without + or #, not \"%1\"").arg(prefix);
        return false;
    }
    return true;
}

bool ReadPasswordFile(const QString& fileName, QString& password, QString& error)
{
    QByteArray bytes;
    SettingsError refusal;
    const auto tooLarge = [&](qint64) { return SettingsError{fileName, QStringLiteral("larger than 4 KiB, not a password file")}; };
    if (!ReadBoundedFile(fileName, kMaxPasswordFileBytes, tooLarge, bytes, refusal)) {
        error = refusal.Text();
        return false;
    }
    const qsizetype end = bytes.indexOf('\n');
    QByteArray line = end < 0 ? bytes : bytes.left(end);
    if (line.endsWith('\r'))
        line.chop(1);
    password = QString::fromUtf8(line);
    return true;
}

CMqttBridge::CMqttBridge(const MqttSettings& settings, const CRemoteClock& clock, QObject* parent)
    : QObject(parent), m_settings(settings), m_clock(clock)
{
}

// The will is not sent for a goodbye: the program says it is going itself.
CMqttBridge::~CMqttBridge()
{
    if (!m_client)
        return;
    if (m_connected)
        mosquitto_publish(m_client, nullptr, BridgeAvailabilityTopic().toUtf8().constData(), 7, "offline", kQos, true);
    mosquitto_disconnect(m_client);
    mosquitto_loop_stop(m_client, false);
    mosquitto_destroy(m_client);
}

void CMqttBridge::AddUnit(CUnitAdapter& unit, const HidInterfaceInfo& known)
{
    m_units.push_back(std::make_unique<CMqttUnit>(*this, unit, known));
    if (m_connected) {
        m_units.back()->PublishDiscovery();
        m_units.back()->PublishState();
    }
}

QString CMqttBridge::BridgeAvailabilityTopic() const
{
    return m_settings.base + QStringLiteral("/bridge/availability");
}

bool CMqttBridge::Start(QString& error)
{
    InitLibrary();
    const QByteArray clientId = QStringLiteral("quenda-%1-%2").arg(QSysInfo::machineHostName()).arg(QCoreApplication::applicationPid()).toUtf8();
    m_client = mosquitto_new(clientId.constData(), true, this);
    if (!m_client) {
        error = QStringLiteral("cannot make an MQTT client");
        return false;
    }
    mosquitto_int_option(m_client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    const QByteArray offline = "offline";
    mosquitto_will_set(m_client, BridgeAvailabilityTopic().toUtf8().constData(), static_cast<int>(offline.size()),
                       offline.constData(), kQos, true);
    if (!m_settings.user.isEmpty())
        mosquitto_username_pw_set(m_client, m_settings.user.toUtf8().constData(), m_settings.password.toUtf8().constData());
    if (m_settings.tls && mosquitto_tls_set(m_client, nullptr, kSystemCertificates, nullptr, nullptr, nullptr) != MOSQ_ERR_SUCCESS) {
        error = QStringLiteral("cannot set up TLS for %1").arg(m_settings.url);
        return false;
    }
    mosquitto_reconnect_delay_set(m_client, kFirstRetrySeconds, kLastRetrySeconds, true);
    mosquitto_connect_callback_set(m_client, &CMqttBridge::OnConnect);
    mosquitto_disconnect_callback_set(m_client, &CMqttBridge::OnDisconnect);
    mosquitto_message_callback_set(m_client, &CMqttBridge::OnMessage);
    // a broker not there yet is tried again by the loop, with the delays above
    const int connecting = mosquitto_connect_async(m_client, m_settings.host.toUtf8().constData(), m_settings.port, kKeepAliveSeconds);
    if (connecting != MOSQ_ERR_SUCCESS)
        qCWarning(lcRemote).noquote() << "MQTT: cannot reach" << m_settings.url << "yet:" << mosquitto_strerror(connecting) << "- trying again";
    if (mosquitto_loop_start(m_client) != MOSQ_ERR_SUCCESS) {
        error = QStringLiteral("cannot start the MQTT client");
        return false;
    }
    m_started = true;
    return true;
}

void CMqttBridge::OnConnect(mosquitto* client, void* bridge, int code)
{
    if (code != 0) {
        // a broker that refuses the user or password is asked no more
        mosquitto_disconnect(client);
        static_cast<CMqttBridge*>(bridge)->Post({Received::Kind::Refused, code, {}, {}});
        return;
    }
    static_cast<CMqttBridge*>(bridge)->Post({Received::Kind::Connected, code, {}, {}});
}

void CMqttBridge::OnDisconnect(mosquitto*, void* bridge, int code)
{
    static_cast<CMqttBridge*>(bridge)->Post({Received::Kind::Lost, code, {}, {}});
}

void CMqttBridge::OnMessage(mosquitto*, void* bridge, const mosquitto_message* message)
{
    static_cast<CMqttBridge*>(bridge)->Post(
        {Received::Kind::Message, 0, QString::fromUtf8(message->topic),
         QByteArray(static_cast<const char*>(message->payload), message->payloadlen)});
}

// The call goes by name, as the unit's adapter posts its own: one posted call takes everything waiting.
void CMqttBridge::Post(Received received)
{
    {
        std::lock_guard lock(m_mutex);
        m_received.push_back(std::move(received));
    }
    if (!m_posted.exchange(true))
        QMetaObject::invokeMethod(this, "DeliverPosted", Qt::QueuedConnection);
}

void CMqttBridge::DeliverPosted()
{
    m_posted.store(false);
    std::vector<Received> received;
    {
        std::lock_guard lock(m_mutex);
        received.swap(m_received);
    }
    for (const Received& r : received) {
        switch (r.kind) {
        case Received::Kind::Connected: Connected(); break;
        case Received::Kind::Lost: Lost(r.code); break;
        case Received::Kind::Message: HandleMessage(r.topic, r.payload); break;
        case Received::Kind::Refused:
            qCWarning(lcRemote).noquote() << "MQTT:" << m_settings.url << "refused the connection:" << ConnackText(r.code);
            emit refused(QStringLiteral("the MQTT broker at %1 refused the connection: %2").arg(m_settings.url, ConnackText(r.code)));
            break;
        }
    }
}

void CMqttBridge::Connected()
{
    qCInfo(lcRemote).noquote() << "MQTT: connected to" << m_settings.url;
    m_connected = true;
    const QByteArray base = m_settings.base.toUtf8();
    for (const QByteArray& filter : {base + "/+/+/set", base + "/+/+/+/set", m_settings.prefix.toUtf8() + "/status"})
        mosquitto_subscribe(m_client, nullptr, filter.constData(), kQos);
    PublishEverything();
    emit connectedChanged(true);
}

void CMqttBridge::Lost(int code)
{
    if (!m_connected)
        return;
    m_connected = false;
    qCWarning(lcRemote).noquote() << "MQTT: lost" << m_settings.url << "(" << mosquitto_strerror(code) << "): connecting again";
    emit connectedChanged(false);
}

// The broker may have lost everything retained: discovery and state go again whole.
void CMqttBridge::PublishEverything()
{
    Publish(BridgeAvailabilityTopic(), "online", true);
    for (const auto& unit : m_units) {
        unit->PublishDiscovery();
        unit->PublishState();
    }
}

void CMqttBridge::Publish(const QString& topic, const QByteArray& payload, bool retain)
{
    if (!m_client || !m_connected)
        return;
    mosquitto_publish(m_client, nullptr, topic.toUtf8().constData(), static_cast<int>(payload.size()), payload.constData(), kQos, retain);
}

void CMqttBridge::HandleMessage(const QString& topic, const QByteArray& payload)
{
    if (topic == m_settings.prefix + QStringLiteral("/status")) {
        if (payload == "online") {
            qCInfo(lcRemote) << "MQTT: Home Assistant started: discovery again";
            PublishEverything();
        }
        return;
    }
    const MqttCommandRead read = ReadMqttCommand(m_settings.base, topic, payload);
    CMqttUnit* unit = nullptr;
    for (const auto& u : m_units) {
        if (u->Node() == read.command.node)
            unit = u.get();
    }
    if (!unit) {
        qCWarning(lcRemote).noquote() << "MQTT: ignored" << topic << "- no unit" << read.command.node << "here";
        return;
    }
    if (!read.ok)
        unit->Refuse(read.error);
    else
        unit->Carry(read.command);
}
