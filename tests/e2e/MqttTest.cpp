// quenda serve --mqtt against a real Mosquitto broker with two simulated
// units: Home Assistant discovery, commands sent with mosquitto_pub, state and
// availability, a broker restarting, bad input; and the real program killed
// and refused by the broker.
#include "MqttBroker.h"
#include "RunProgram.h"

#include "transport/HidBackendSimulated.h"
#include "ui/common/UnitActions.h"
#include "ui/common/UnitAdapter.h"
#include "ui/main/CommandRunner.h"
#include "ui/main/ServeCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>

#include <gtest/gtest.h>

#include <csignal>

namespace {

QStringList g_remoteLog;

void KeepRemoteLog(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (context.category && QByteArray(context.category) == "quenda.remote")
        g_remoteLog << message;
}

class MqttServe : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_broker.Start()) << m_broker.Log().constData();
        m_subscriber = std::make_unique<MqttSubscriber>(m_broker.port, "#");
        ASSERT_TRUE(m_subscriber->WaitSubscribed());
        for (const char* serial : {"QD-0001", "QD-0002"}) {
            SimulatedDeviceSpec spec;
            spec.path = std::string("/dev/hidraw-sim") + serial[6];
            spec.serial = serial;
            m_backend.AddDevice(spec);
        }
        m_options.command = QuendaCommand::Serve;
        m_options.http = false;
        m_options.mqttUrl = m_broker.Url();
        m_options.mqttUser = QLatin1String(MqttTestBroker::kUser);
        m_options.mqttPasswordFile = m_broker.Path(QStringLiteral("password"));
        g_remoteLog.clear();
        m_previousHandler = qInstallMessageHandler(KeepRemoteLog);
        m_serve = std::make_unique<CServeCommand>(m_backend, false, m_options, m_err);
        ASSERT_EQ(m_serve->Start(), kExitDone) << m_errText.toStdString();
        ASSERT_EQ(m_serve->UnitsServed(), 2);
        for (int i = 0; i < 2; ++i) {
            QObject::connect(&Served(i), &CUnitAdapter::settingsChanged, &Served(i), [this, i](const SettingsChange& change) {
                m_settingsRead[i] = m_settingsRead[i] || change.cause == SettingsChange::Cause::Replaced;
            });
        }
        ASSERT_TRUE(QTest::qWaitFor([this] { return Settled() && m_serve->Mqtt()->IsConnected(); }, 10000));
        ASSERT_TRUE(m_subscriber->WaitFor(QStringLiteral("quenda/QD-0002/b/level/state")));
    }

    void TearDown() override
    {
        m_serve.reset();
        qInstallMessageHandler(m_previousHandler);
        m_subscriber.reset();
    }

    // Both units connected, their settings read (which starts their histories
    // afresh) and nothing waiting to go out.
    bool Settled()
    {
        for (int i = 0; i < m_serve->UnitsServed(); ++i) {
            CUnit& unit = m_serve->ServedUnit(i).Unit();
            CommandSlot pending[kPendingCapacity];
            if (!unit.IsConnected() || !m_settingsRead[i] || unit.Scheduler().Pending(pending, kPendingCapacity) > 0)
                return false;
        }
        return m_serve->UnitsServed() == 2;
    }

    // One 100 ms step of the program and of the units.
    void Tick(int ticks = 1)
    {
        for (int i = 0; i < ticks; ++i) {
            m_serve->Tick();
            m_backend.Tick();
            m_backend.WaitUntilReaderIdle(std::chrono::seconds(2), m_serve->UnitsServed());
            QCoreApplication::processEvents();
        }
    }

    CUnitAdapter& Served(int i) { return m_serve->ServedUnit(i); }
    CSimulatedUnit& Sim(int i) { return m_backend.Unit(i); }

    MqttTestBroker m_broker;
    std::unique_ptr<MqttSubscriber> m_subscriber;
    CSimulatedHidBackend m_backend;
    CommandLineOptions m_options;
    QString m_errText;
    QTextStream m_err{&m_errText};
    std::unique_ptr<CServeCommand> m_serve;
    bool m_settingsRead[2] = {false, false};
    QtMessageHandler m_previousHandler = nullptr;
};

QJsonObject Config(MqttSubscriber& subscriber, const QString& topic)
{
    const QList<QByteArray> payloads = subscriber.On(topic);
    return payloads.isEmpty() ? QJsonObject() : QJsonDocument::fromJson(payloads.last()).object();
}

TEST_F(MqttServe, EachUnitIsOneDeviceWhoseEntitiesAreDiscovered)
{
    const QJsonObject availability{{QStringLiteral("availability"),
                                    QJsonArray{QJsonObject{{QStringLiteral("topic"), QStringLiteral("quenda/bridge/availability")}},
                                               QJsonObject{{QStringLiteral("topic"), QStringLiteral("quenda/QD-0001/availability")}}}}};
    const QJsonObject device{{QStringLiteral("identifiers"), QJsonArray{QStringLiteral("quenda_QD-0001")}},
                             {QStringLiteral("name"), QStringLiteral("Quenda QD-0001")},
                             {QStringLiteral("manufacturer"), QStringLiteral("Quenda")},
                             {QStringLiteral("model"), QStringLiteral("Two-channel audio processor")},
                             {QStringLiteral("sw_version"), QStringLiteral("2.00")}};
    QJsonArray options;
    for (int n = 1; n <= 20; ++n)
        options.append(QStringLiteral("Preset %1").arg(n));
    struct Entity {
        const char* topic;
        QJsonObject fields;
    };
    const Entity entities[] = {
        {"homeassistant/number/quenda_QD-0001/a_gain/config",
         {{QStringLiteral("name"), QStringLiteral("CH A gain")}, {QStringLiteral("icon"), QStringLiteral("mdi:volume-high")},
          {QStringLiteral("state_topic"), QStringLiteral("quenda/QD-0001/a/gain/state")},
          {QStringLiteral("command_topic"), QStringLiteral("quenda/QD-0001/a/gain/set")}, {QStringLiteral("min"), -80},
          {QStringLiteral("max"), 10}, {QStringLiteral("step"), 1}, {QStringLiteral("mode"), QStringLiteral("slider")},
          {QStringLiteral("unit_of_measurement"), QStringLiteral("dB")},
          {QStringLiteral("unique_id"), QStringLiteral("quenda_QD-0001_a_gain")}}},
        {"homeassistant/number/quenda_QD-0001/b_gain/config",
         {{QStringLiteral("name"), QStringLiteral("CH B gain")}, {QStringLiteral("icon"), QStringLiteral("mdi:volume-high")},
          {QStringLiteral("state_topic"), QStringLiteral("quenda/QD-0001/b/gain/state")},
          {QStringLiteral("command_topic"), QStringLiteral("quenda/QD-0001/b/gain/set")}, {QStringLiteral("min"), -80},
          {QStringLiteral("max"), 10}, {QStringLiteral("step"), 1}, {QStringLiteral("mode"), QStringLiteral("slider")},
          {QStringLiteral("unit_of_measurement"), QStringLiteral("dB")},
          {QStringLiteral("unique_id"), QStringLiteral("quenda_QD-0001_b_gain")}}},
        {"homeassistant/switch/quenda_QD-0001/a_mute/config",
         {{QStringLiteral("name"), QStringLiteral("CH A mute")}, {QStringLiteral("icon"), QStringLiteral("mdi:volume-off")},
          {QStringLiteral("state_topic"), QStringLiteral("quenda/QD-0001/a/mute/state")},
          {QStringLiteral("command_topic"), QStringLiteral("quenda/QD-0001/a/mute/set")},
          {QStringLiteral("payload_on"), QStringLiteral("ON")}, {QStringLiteral("payload_off"), QStringLiteral("OFF")},
          {QStringLiteral("unique_id"), QStringLiteral("quenda_QD-0001_a_mute")}}},
        {"homeassistant/select/quenda_QD-0001/preset/config",
         {{QStringLiteral("name"), QStringLiteral("Preset")}, {QStringLiteral("icon"), QStringLiteral("mdi:playlist-music")},
          {QStringLiteral("state_topic"), QStringLiteral("quenda/QD-0001/preset/state")},
          {QStringLiteral("command_topic"), QStringLiteral("quenda/QD-0001/preset/set")}, {QStringLiteral("options"), options},
          {QStringLiteral("unique_id"), QStringLiteral("quenda_QD-0001_preset")}}},
        {"homeassistant/button/quenda_QD-0001/store/config",
         {{QStringLiteral("name"), QStringLiteral("Store into the selected preset")},
          {QStringLiteral("icon"), QStringLiteral("mdi:content-save")},
          {QStringLiteral("command_topic"), QStringLiteral("quenda/QD-0001/store/set")},
          {QStringLiteral("payload_press"), QStringLiteral("PRESS")},
          {QStringLiteral("unique_id"), QStringLiteral("quenda_QD-0001_store")}}},
        {"homeassistant/sensor/quenda_QD-0001/b_level/config",
         {{QStringLiteral("name"), QStringLiteral("CH B level")}, {QStringLiteral("icon"), QStringLiteral("mdi:meter-electric")},
          {QStringLiteral("state_topic"), QStringLiteral("quenda/QD-0001/b/level/state")},
          {QStringLiteral("state_class"), QStringLiteral("measurement")},
          {QStringLiteral("unique_id"), QStringLiteral("quenda_QD-0001_b_level")}}},
    };
    for (const Entity& entity : entities) {
        QJsonObject expected = entity.fields;
        expected.insert(QStringLiteral("has_entity_name"), true);
        expected.insert(QStringLiteral("availability"), availability.value(QStringLiteral("availability")));
        expected.insert(QStringLiteral("availability_mode"), QStringLiteral("all"));
        expected.insert(QStringLiteral("device"), device);
        EXPECT_EQ(Config(*m_subscriber, QLatin1String(entity.topic)), expected) << entity.topic;
    }
    // eight entities per unit, for both units, retained
    int configs = 0;
    for (const MqttMessage& message : m_subscriber->Messages())
        configs += message.topic.endsWith(QLatin1String("/config")) && message.topic.contains(QLatin1String("quenda_QD-000"));
    EXPECT_EQ(configs, 16);

    // Home Assistant starting again hears everything again
    const qsizetype before = m_subscriber->Count();
    ASSERT_TRUE(PublishWithTool(m_broker.port, QStringLiteral("homeassistant/status"), "online"));
    ASSERT_TRUE(m_subscriber->WaitFor(QStringLiteral("homeassistant/sensor/quenda_QD-0002/b_level/config"), {}, before));
    EXPECT_EQ(m_subscriber->On(QStringLiteral("homeassistant/number/quenda_QD-0001/a_gain/config"), before).size(), 1);
    EXPECT_TRUE(m_subscriber->WaitFor(QStringLiteral("quenda/QD-0001/a/gain/state"), "0", before));
}

TEST_F(MqttServe, CommandsReachTheUnitsFramesAsOneUndoStepEach)
{
    struct Command {
        const char* topic;
        QByteArray payload;
        std::function<bool()> done;
    };
    const Command commands[] = {
        {"quenda/QD-0001/a/gain/set", "-20", [this] { return Sim(0).Current(0).gain.Get() == 60; }},
        {"quenda/QD-0002/b/gain/set", "-6.0", [this] { return Sim(1).Current(1).gain.Get() == 74; }},
        {"quenda/QD-0001/b/mute/set", "ON", [this] { return Sim(0).Current(1).mute == 1; }},
        {"quenda/QD-0002/a/mute/set", "ON", [this] { return Sim(1).Current(0).mute == 1; }},
    };
    for (const Command& c : commands) {
        ASSERT_TRUE(PublishWithTool(m_broker.port, QLatin1String(c.topic), c.payload)) << c.topic;
        EXPECT_TRUE(QTest::qWaitFor(c.done, 10000)) << c.topic;
    }
    EXPECT_EQ(Served(0).Actions().ActiveHistory().count(), 2);
    EXPECT_EQ(Served(1).Actions().ActiveHistory().count(), 2);
    EXPECT_TRUE(m_subscriber->WaitFor(QStringLiteral("quenda/QD-0001/a/gain/state"), "-20"));
    EXPECT_TRUE(m_subscriber->WaitFor(QStringLiteral("quenda/QD-0002/a/mute/state"), "ON"));

    // recall preset 4 by its name, then store into it
    UnitBlocks preset{DefaultChannelBlock(), DefaultChannelBlock()};
    preset[0].gain.Set(44);
    Sim(0).SetPreset(4, preset);
    ASSERT_TRUE(PublishWithTool(m_broker.port, QStringLiteral("quenda/QD-0001/preset/set"), "Preset 4"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return Served(0).Unit().Image().Channel(0).gain.Get() == 44; }, 10000));
    EXPECT_TRUE(m_subscriber->WaitFor(QStringLiteral("quenda/QD-0001/preset/state"), "Preset 4"));
    EXPECT_TRUE(m_subscriber->WaitFor(QStringLiteral("quenda/QD-0001/a/gain/state"), "-36"));
    Served(0).Actions().Change([](CSettingsEdit& edit) { edit.Set(1, ChannelField::Gain, 70); });
    ASSERT_TRUE(QTest::qWaitFor([this] { return Sim(0).Current(1).gain.Get() == 70; }, 10000));
    ASSERT_TRUE(PublishWithTool(m_broker.port, QStringLiteral("quenda/QD-0001/store/set"), "PRESS"));
    EXPECT_TRUE(QTest::qWaitFor([this] { return Sim(0).Preset(4)[1].gain.Get() == 70; }, 10000));
}

// A change made in the program is published as it is made: no tick goes by before it arrives.
TEST_F(MqttServe, AChangeMadeInTheProgramReachesItsStateTopic)
{
    const qsizetype before = m_subscriber->Count();
    Served(1).Actions().Change([](CSettingsEdit& edit) { edit.Set(0, ChannelField::Gain, 70); });
    EXPECT_TRUE(m_subscriber->WaitFor(QStringLiteral("quenda/QD-0002/a/gain/state"), "-10", before));
    Served(1).Actions().Undo();
    EXPECT_TRUE(m_subscriber->WaitFor(QStringLiteral("quenda/QD-0002/a/gain/state"), "0", before));
    EXPECT_TRUE(m_subscriber->On(QStringLiteral("quenda/QD-0001/a/gain/state"), before).isEmpty());
}

TEST_F(MqttServe, AUnitUnpluggedIsOfflineWithinASecondAndOnlineWhenBack)
{
    const qsizetype before = m_subscriber->Count();
    m_backend.Unplug(0);
    for (int tick = 0; tick < 10 && m_subscriber->On(QStringLiteral("quenda/QD-0001/availability"), before).isEmpty(); ++tick)
        Tick();
    ASSERT_TRUE(m_subscriber->WaitFor(QStringLiteral("quenda/QD-0001/availability"), "offline", before, 1000));
    EXPECT_TRUE(m_subscriber->On(QStringLiteral("quenda/QD-0002/availability"), before).isEmpty());
    // a command for it meanwhile: the state stays, with a log line
    const std::size_t frames = m_backend.Written(0).size();
    ASSERT_TRUE(PublishWithTool(m_broker.port, QStringLiteral("quenda/QD-0001/a/mute/set"), "ON"));
    ASSERT_TRUE(m_subscriber->WaitFor(QStringLiteral("quenda/QD-0001/a/mute/state"), "OFF", before));
    EXPECT_TRUE(g_remoteLog.contains(QStringLiteral("MQTT: QD-0001 ignored a command: the unit is offline")));
    EXPECT_EQ(m_backend.Written(0).size(), frames);
    m_backend.Plug(0);
    for (int tick = 0; tick < 40 && !m_serve->ServedUnit(0).Unit().IsConnected(); ++tick)
        Tick();
    EXPECT_TRUE(m_subscriber->WaitFor(QStringLiteral("quenda/QD-0001/availability"), "online", before));
}

TEST_F(MqttServe, BadInputIsIgnoredWithALineAndTheStateSnapsBack)
{
    struct Bad {
        const char* topic;
        QByteArray payload;
        const char* log;
        const char* stateTopic;   // re-published
    };
    const Bad bad[] = {
        {"quenda/QD-0001/a/gain/set", "11", "MQTT: QD-0001 ignored a command: the gain is a whole number of dB from -80 to 10, not \"11\"",
         "quenda/QD-0001/a/gain/state"},
        {"quenda/QD-0001/a/gain/set", "loud", "MQTT: QD-0001 ignored a command: the gain is a whole number of dB from -80 to 10, not \"loud\"",
         "quenda/QD-0001/a/gain/state"},
        {"quenda/QD-0001/a/gain/set", "-3.5", "MQTT: QD-0001 ignored a command: the gain is a whole number of dB from -80 to 10, not \"-3.5\"",
         "quenda/QD-0001/a/gain/state"},
        {"quenda/QD-0001/b/mute/set", "yes", "MQTT: QD-0001 ignored a command: mute is ON or OFF, not \"yes\"",
         "quenda/QD-0001/b/mute/state"},
        {"quenda/QD-0001/preset/set", "Movie", "MQTT: QD-0001 ignored a command: no preset is named \"Movie\"",
         "quenda/QD-0001/a/gain/state"},
        {"quenda/QD-0001/a/gain/set", QByteArray(1025, '1'),
         "MQTT: QD-0001 ignored a command: a payload of 1025 bytes is larger than a command (at most 1 KiB)",
         "quenda/QD-0001/a/gain/state"},
        {"quenda/QD-0001/store/set", "PRESS", "MQTT: QD-0001 ignored a command: no preset is selected to store into",
         "quenda/QD-0001/a/gain/state"},
        {"quenda/QD-0009/a/gain/set", "-10", "MQTT: ignored quenda/QD-0009/a/gain/set - no unit QD-0009 here", nullptr},
    };
    // what reached the units but polls
    const auto commandFrames = [this] {
        std::size_t n = 0;
        for (int d = 0; d < 2; ++d) {
            for (const OutputReport& r : m_backend.Written(d))
                n += r[1] == kSyncByte && r[1 + kFrameCode] != CMD_POLL;
        }
        return n;
    };
    for (const Bad& b : bad) {
        const std::size_t frames = commandFrames();
        const qsizetype before = m_subscriber->Count();
        g_remoteLog.clear();
        ASSERT_TRUE(PublishWithTool(m_broker.port, QLatin1String(b.topic), b.payload)) << b.log;
        EXPECT_TRUE(QTest::qWaitFor([] { return !g_remoteLog.isEmpty(); }, 10000)) << b.log;
        EXPECT_EQ(g_remoteLog, QStringList{QString::fromUtf8(b.log)});
        if (b.stateTopic) {
            EXPECT_TRUE(m_subscriber->WaitFor(QLatin1String(b.stateTopic), {}, before)) << b.log;
        }
        EXPECT_EQ(commandFrames(), frames) << b.log;
    }
}

TEST_F(MqttServe, ABrokerRestartedGetsEverythingAgain)
{
    m_broker.Stop();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_serve->Mqtt()->IsConnected(); }, 10000));
    const qsizetype before = m_subscriber->Count();
    Served(0).Actions().Change([](CSettingsEdit& edit) { edit.Set(1, ChannelField::Mute, 1); });   // the unit keeps working
    EXPECT_TRUE(QTest::qWaitFor([this] { return Sim(0).Current(1).mute == 1; }, 10000));
    ASSERT_TRUE(m_broker.Start());
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_serve->Mqtt()->IsConnected(); }, 30000));
    EXPECT_TRUE(m_subscriber->WaitFor(QStringLiteral("homeassistant/select/quenda_QD-0002/preset/config"), {}, before, 30000));
    EXPECT_TRUE(m_subscriber->WaitFor(QStringLiteral("quenda/QD-0001/b/mute/state"), "ON", before, 30000));
    EXPECT_TRUE(m_subscriber->WaitFor(QStringLiteral("quenda/bridge/availability"), "online", before, 30000));
}

class MqttProgram : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_broker.Start());
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_folder.path());
    }

    QStringList Arguments(const QString& password) const
    {
        return {QStringLiteral("--demo"), QStringLiteral("serve"), QStringLiteral("--listen"), QStringLiteral("none"),
                QStringLiteral("--mqtt"), m_broker.Url(), QStringLiteral("--mqtt-user"), QLatin1String(MqttTestBroker::kUser),
                QStringLiteral("--mqtt-password-file"), password};
    }

    MqttTestBroker m_broker;
    QTemporaryDir m_folder;
    QProcessEnvironment m_environment;
};

TEST_F(MqttProgram, KilledItIsOfflineThroughItsLastWill)
{
    MqttSubscriber subscriber(m_broker.port, "quenda/bridge/availability");
    ASSERT_TRUE(subscriber.WaitSubscribed());
    CChildProcess serve;
    ASSERT_TRUE(serve.Start(QStringLiteral(QUENDA_EXECUTABLE), Arguments(m_broker.Path(QStringLiteral("password"))),
                            CChildProcess::Output::Separate, m_environment));
    ASSERT_TRUE(subscriber.WaitFor(QStringLiteral("quenda/bridge/availability"), "online"));
    const qsizetype before = subscriber.Count();
    serve.Stop(SIGKILL);
    // the broker notices the socket closed and tells the will
    EXPECT_TRUE(subscriber.WaitFor(QStringLiteral("quenda/bridge/availability"), "offline", before, 20000));
}

TEST_F(MqttProgram, AWrongPasswordEndsItWithOneLineAndExit8)
{
    const qsizetype started = m_broker.Log().size();   // the broker's start and its probe

    QFile wrong(m_folder.filePath(QStringLiteral("wrong")));
    ASSERT_TRUE(wrong.open(QIODevice::WriteOnly));
    wrong.write("not the password\n");
    wrong.close();
    const Ran run = RunProgram(Arguments(wrong.fileName()), m_environment);
    EXPECT_EQ(run.exit, 8);
    EXPECT_NE(run.err.find("quenda: the MQTT broker at " + m_broker.Url().toStdString() +
                           " refused the connection: Connection Refused: not authorised.\n"),
              std::string::npos)
        << run.err;
    // asked once, not again and again
    EXPECT_TRUE(QTest::qWaitFor([this] { return m_broker.Log().contains("not authorised"); }, 5000));
    QTest::qWait(1500);   // a retry would come after the first second
    const QByteArray log = m_broker.Log().mid(started);
    EXPECT_EQ(log.count("New connection from"), 1) << log.constData();
    EXPECT_EQ(log.count("not authorised"), 1) << log.constData();
}

}  // namespace
