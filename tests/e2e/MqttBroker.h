// A real Mosquitto broker for the MQTT tests, on 127.0.0.1 at a free port with
// users and passwords, started and stopped by the test; and a subscriber that
// keeps every message it got (libmosquitto on its own thread, reconnecting as
// the program does). Waiting runs the test thread's event loop.
#pragma once

#include "remote/RemoteClients.h"
#include "support/ChildProcess.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <mosquitto.h>

#include <atomic>
#include <mutex>
#include <unistd.h>

struct MqttMessage {
    QString topic;
    QByteArray payload;
    bool retained = false;
};

class MqttTestBroker {
public:
    static constexpr char kUser[] = "quenda";
    static constexpr char kPassword[] = "s3cret pass";

    MqttTestBroker()
    {
        port = FreeLocalPort();
        CChildProcess passwd;
        if (passwd.Start(QStringLiteral("mosquitto_passwd"), {QStringLiteral("-c"), QStringLiteral("-b"), Path(QStringLiteral("passwd")),
                                                               QLatin1String(kUser), QLatin1String(kPassword)}))
            passwd.WaitForExit(10000);
        QFile config(Path(QStringLiteral("mosquitto.conf")));
        config.open(QIODevice::WriteOnly);
        config.write("listener " + QByteArray::number(port) + " 127.0.0.1\nallow_anonymous false\npassword_file " +
                     Path(QStringLiteral("passwd")).toUtf8() + "\npersistence false\n");
        if (geteuid() == 0)
            config.write("user root\n");   // root would hand the broker to a user that cannot read the files
        config.close();
        QFile password(Path(QStringLiteral("password")));
        password.open(QIODevice::WriteOnly);
        password.write(QByteArray(kPassword) + "\n");
    }

    ~MqttTestBroker() { Stop(); }

    QString Path(const QString& name) const { return m_folder.filePath(name); }
    QString Url() const { return QStringLiteral("mqtt://127.0.0.1:%1").arg(port); }

    bool Start()
    {
        if (!m_broker.Start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), Path(QStringLiteral("mosquitto.conf"))},
                            CChildProcess::Output::Merged))
            return false;
        const bool listening = QTest::qWaitFor([this] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
            return probe.waitForConnected(100);
        }, 10000);
        // the probe's connection is in the log before anything a test does
        return listening && QTest::qWaitFor([this] { return Log().contains("closed its connection"); }, 5000);
    }

    void Stop()
    {
        m_broker.Stop();
    }

    // What the broker logged (connections refused, ...).
    QByteArray Log() { return m_broker.Out(); }

    quint16 port = 0;

private:
    QTemporaryDir m_folder;
    CChildProcess m_broker;
};

class MqttSubscriber {
public:
    MqttSubscriber(quint16 port, const char* filter)
    {
        mosquitto_lib_init();
        m_client = mosquitto_new(nullptr, true, this);
        mosquitto_username_pw_set(m_client, MqttTestBroker::kUser, MqttTestBroker::kPassword);
        mosquitto_reconnect_delay_set(m_client, 1, 1, false);
        m_filter = filter;
        mosquitto_connect_callback_set(m_client, [](mosquitto* client, void* self, int code) {
            if (code == 0)
                mosquitto_subscribe(client, nullptr, static_cast<MqttSubscriber*>(self)->m_filter.constData(), 1);
        });
        mosquitto_message_callback_set(m_client, [](mosquitto*, void* self, const mosquitto_message* m) {
            auto* subscriber = static_cast<MqttSubscriber*>(self);
            std::lock_guard lock(subscriber->m_mutex);
            subscriber->m_messages.append({QString::fromUtf8(m->topic),
                                           QByteArray(static_cast<const char*>(m->payload), m->payloadlen), m->retain});
        });
        mosquitto_subscribe_callback_set(m_client, [](mosquitto*, void* self, int, int, const int*) {
            static_cast<MqttSubscriber*>(self)->m_subscribed = true;
        });
        mosquitto_connect_async(m_client, "127.0.0.1", port, 30);
        mosquitto_loop_start(m_client);
    }

    ~MqttSubscriber()
    {
        mosquitto_disconnect(m_client);
        mosquitto_loop_stop(m_client, false);
        mosquitto_destroy(m_client);
    }

    bool WaitSubscribed() { return QTest::qWaitFor([this] { return m_subscribed.load(); }, 10000); }

    void Publish(const QString& topic, const QByteArray& payload)
    {
        mosquitto_publish(m_client, nullptr, topic.toUtf8().constData(), static_cast<int>(payload.size()), payload.constData(), 1, false);
    }

    // A list of the test thread's own: a shared copy would let the loop's appends
    // move the elements under a reader.
    QList<MqttMessage> Messages()
    {
        std::lock_guard lock(m_mutex);
        return QList<MqttMessage>(m_messages.cbegin(), m_messages.cend());
    }

    // The messages on topic since message index from, in order.
    QList<QByteArray> On(const QString& topic, qsizetype from = 0)
    {
        QList<QByteArray> payloads;
        const QList<MqttMessage> all = Messages();
        for (qsizetype i = from; i < all.size(); ++i) {
            if (all[i].topic == topic)
                payloads << all[i].payload;
        }
        return payloads;
    }

    qsizetype Count() { return Messages().size(); }

    // Waits for a message on topic after index from with that payload (any payload when empty).
    bool WaitFor(const QString& topic, const QByteArray& payload = {}, qsizetype from = 0, int ms = 10000)
    {
        return QTest::qWaitFor([&] {
            for (const QByteArray& p : On(topic, from)) {
                if (payload.isEmpty() || p == payload)
                    return true;
            }
            return false;
        }, ms);
    }

private:
    mosquitto* m_client = nullptr;
    QByteArray m_filter;
    std::mutex m_mutex;
    QList<MqttMessage> m_messages;
    std::atomic<bool> m_subscribed{false};
};

// mosquitto_pub, as a user's script sends a command.
inline bool PublishWithTool(quint16 port, const QString& topic, const QByteArray& payload)
{
    CChildProcess pub;
    if (!pub.Start(QStringLiteral("mosquitto_pub"),
                   {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(port), QStringLiteral("-u"),
                    QLatin1String(MqttTestBroker::kUser), QStringLiteral("-P"), QLatin1String(MqttTestBroker::kPassword),
                    QStringLiteral("-t"), topic, QStringLiteral("-s")}))
        return false;
    const bool written = pub.WriteInput(payload);
    pub.CloseInput();
    return written && pub.WaitForExit(10000) == 0;
}
