// The remote server over loopback, serving a simulated unit that runs on its
// own 100 ms clock as the demo's does:
// - a PATCH of one gain to its frame at the unit (median, p90, max);
// - one change fanned out to 20 event streams: until the last one has it;
// - 20 streams with the meters on for 10 s: the server's CPU (the clients run
//   in a child process, so that their share is not counted).
// bench_remote --clients PORT UNIT TOKEN N is that child.
#include "BenchSupport.h"

#include "remote/RemotePairing.h"
#include "remote/RemoteServer.h"
#include "remote/RemoteUnit.h"
#include "transport/HidBackendSimulated.h"
#include "ui/common/UnitActions.h"
#include "ui/common/UnitAdapter.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebSocket>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kStreams = 20;
constexpr int kMeterSeconds = 10;
constexpr int kPatchGapMs = 25;

// The unit connected and served, its clock and the program's 100 ms tick running.
struct ServedUnit {
    ServedUnit()
    {
        EnsureApplication();
        SimulatedDeviceSpec spec;
        spec.serial = "QD-BENCH";
        backend.AddDevice(spec);
        backend.StartClock();
        adapter = std::make_unique<CUnitAdapter>(backend);
        adapter->Unit().Start();
        adapter->Unit().ConnectButton();
        tick.setInterval(100);
        QObject::connect(&tick, &QTimer::timeout, [this] { adapter->Unit().Tick(); });
        tick.start();
        settings = std::make_unique<QSettings>(folder.filePath(QStringLiteral("bench.ini")), QSettings::IniFormat);
        pairing = std::make_unique<CRemotePairing>(clock, *settings);
        server = std::make_unique<CRemoteServer>(*pairing, clock);
        unit = &server->AddUnit(*adapter);
        RemoteListen listen;
        listen.port = 0;
        QString error;
        server->Listen(listen, error);
        QByteArray token;
        pairing->Pair(pairing->CurrentOffer().code, QStringLiteral("bench"), token);
        this->token = token;
        RunUntil([this] {
            CommandSlot pending[kPendingCapacity];
            return adapter->Unit().IsConnected() && adapter->Unit().Scheduler().Pending(pending, kPendingCapacity) == 0;
        });
    }

    ~ServedUnit()
    {
        server.reset();
        adapter.reset();
    }

    // The set-parameter frames of CH A's group 0 the unit took so far.
    std::size_t GainFrames() const
    {
        std::size_t n = 0;
        for (const OutputReport& r : backend.Written(0)) {
            const std::uint8_t* frame = r.data() + 1;
            n += frame[0] == kSyncByte && frame[kFrameCode] == CMD_SET_PARAM && frame[kFrameA1] == AREA_CHANNEL &&
                 frame[kFrameA3] == 0 && frame[kFrameA4] == kGroupGain;
        }
        return n;
    }

    CSimulatedHidBackend backend;
    std::unique_ptr<CUnitAdapter> adapter;
    QTimer tick;
    QTemporaryDir folder;
    std::unique_ptr<QSettings> settings;
    CSteadyClock clock;
    std::unique_ptr<CRemotePairing> pairing;
    std::unique_ptr<CRemoteServer> server;
    CRemoteUnit* unit = nullptr;
    QByteArray token;
};

QWebSocket* OpenStream(quint16 port, const QString& unit, const QByteArray& token, QObject* parent)
{
    auto* socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, parent);
    QNetworkRequest request(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/v1/units/%2/events").arg(port).arg(unit)));
    request.setRawHeader("Authorization", "Bearer " + token);
    socket->open(request);
    return socket;
}

void PatchToFrame(benchmark::State& state)
{
    ServedUnit served;
    QTcpSocket client;
    client.connectToHost(QHostAddress(QHostAddress::LocalHost), served.server->Port());
    client.waitForConnected();
    std::vector<double> ms;
    int gain = -20;
    for (auto _ : state) {
        gain = gain == -20 ? -21 : -20;
        const QByteArray body = R"({"channels":[{"gainDb":)" + QByteArray::number(gain) + "}]}";
        const QByteArray request = "PATCH /api/v1/units/QD-BENCH/settings HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer " +
                                   served.token + "\r\nContent-Type: application/json\r\nContent-Length: " +
                                   QByteArray::number(body.size()) + "\r\n\r\n" + body;
        const std::size_t before = served.GainFrames();
        QByteArray answer;
        const auto start = std::chrono::steady_clock::now();
        client.write(request);
        client.flush();
        RunUntil([&] { return served.GainFrames() > before; });
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(elapsed);
        ms.push_back(elapsed * 1000.0);
        RunUntil([&] {   // the answer, once the unit acknowledged it
            answer += client.readAll();
            return answer.contains("\r\n\r\n{\"applied\":true");
        });
        RunFor(kPatchGapMs);   // within the 50 requests a second a device may make
    }
    ReportQuantiles(state, ms);
}
BENCHMARK(PatchToFrame)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);

void FanOutTo20Streams(benchmark::State& state)
{
    ServedUnit served;
    QObject clients;
    std::vector<int> changes(kStreams, 0);
    for (int i = 0; i < kStreams; ++i) {
        QWebSocket* socket = OpenStream(served.server->Port(), QStringLiteral("QD-BENCH"), served.token, &clients);
        QObject::connect(socket, &QWebSocket::textMessageReceived, [&changes, i](const QString& message) {
            if (message.contains(QLatin1String("\"type\":\"change\"")) && message.contains(QLatin1String("\"mute\"")))
                ++changes[i];
        });
    }
    RunUntil([&] { return served.server->OpenConnections() == kStreams; });
    std::vector<double> ms;
    int round = 0;
    for (auto _ : state) {
        ++round;
        const auto start = std::chrono::steady_clock::now();
        served.adapter->Actions().Change(
            [](CSettingsEdit& edit) { edit.Set(1, ChannelField::Mute, edit.Get(1, ChannelField::Mute) == 0 ? 1 : 0); });
        RunUntil([&] { return std::all_of(changes.begin(), changes.end(), [&](int n) { return n >= round; }); });
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(elapsed);
        ms.push_back(elapsed * 1000.0);
    }
    ReportQuantiles(state, ms);
    state.counters["tick_ms"] = 100;
}
BENCHMARK(FanOutTo20Streams)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);

void MetersTo20Streams(benchmark::State& state)
{
    ServedUnit served;
    QProcess clients;
    clients.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--clients"), QString::number(served.server->Port()), QStringLiteral("QD-BENCH"),
                   QString::fromLatin1(served.token), QString::number(kStreams)});
    RunUntil([&] { return served.server->OpenConnections() == kStreams; }, 20000);
    RunFor(1000);   // the streams have their state and asked for the meters
    for (auto _ : state) {
        state.counters["cpu_percent_of_a_core"] = CpuPercentOver(kMeterSeconds);
    }
    clients.write("\n");
    clients.closeWriteChannel();
    clients.waitForFinished(5000);
    state.counters["meter_messages_per_stream_per_s"] =
        QByteArray(clients.readAllStandardOutput()).trimmed().toDouble() / kStreams / kMeterSeconds;
}
BENCHMARK(MetersTo20Streams)->Iterations(1)->Unit(benchmark::kSecond);

// The child: n streams asking for the meters; at the end of its input it prints the meter messages it got.
int RunClients(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const auto port = static_cast<quint16>(QByteArray(argv[2]).toInt());
    const QString unit = QString::fromLatin1(argv[3]);
    const QByteArray token = argv[4];
    const int n = QByteArray(argv[5]).toInt();
    long meters = 0;
    QObject owner;
    for (int i = 0; i < n; ++i) {
        QWebSocket* socket = OpenStream(port, unit, token, &owner);
        QObject::connect(socket, &QWebSocket::connected, [socket] { socket->sendTextMessage(QStringLiteral(R"({"meters": true})")); });
        QObject::connect(socket, &QWebSocket::textMessageReceived, [&meters](const QString& message) {
            meters += message.contains(QLatin1String("\"type\":\"meters\""));
        });
    }
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    app.exec();
    std::printf("%ld\n", meters);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 6 && std::strcmp(argv[1], "--clients") == 0)
        return RunClients(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
