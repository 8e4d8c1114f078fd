// quenda serve's MQTT bridge against a real Mosquitto broker on loopback
// (started here, as the tests start it), serving simulated units that run on
// their own 100 ms clock:
// - a command published to its frame at the unit (median, p90, max);
// - a change made in the program to its state message at a subscriber;
// - 8 units with their level sensors publishing for 10 s: the program's CPU,
//   beside the same 8 units served without a broker.
#include "BenchSupport.h"
#include "e2e/MqttBroker.h"

#include "transport/HidBackendSimulated.h"
#include "ui/common/UnitActions.h"
#include "ui/common/UnitAdapter.h"
#include "ui/main/ServeCommand.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

namespace {

constexpr int kMeterSeconds = 10;
constexpr int kUnits = 8;

// quenda serve with units units and, when broker is given, the MQTT bridge on it.
struct Served {
    Served(int units, MqttTestBroker* broker)
    {
        EnsureApplication();
        for (int i = 0; i < units; ++i) {
            SimulatedDeviceSpec spec;
            spec.path = "/dev/hidraw-sim" + std::to_string(i);
            spec.serial = "QD-B" + std::to_string(i);
            backend.AddDevice(spec);
        }
        backend.StartClock();
        options.command = QuendaCommand::Serve;
        options.http = false;
        if (broker) {
            options.mqttUrl = broker->Url();
            options.mqttUser = QLatin1String(MqttTestBroker::kUser);
            options.mqttPasswordFile = broker->Path(QStringLiteral("password"));
        }
        serve = std::make_unique<CServeCommand>(backend, false, options, err);
        serve->Start();
        RunUntil([this, broker] {
            for (int i = 0; i < serve->UnitsServed(); ++i) {
                if (!serve->ServedUnit(i).Unit().IsConnected())
                    return false;
            }
            return !broker || serve->Mqtt()->IsConnected();
        });
        RunFor(500);   // the setups and recalls
    }

    CSimulatedHidBackend backend;
    CommandLineOptions options;
    QString errText;
    QTextStream err{&errText};
    std::unique_ptr<CServeCommand> serve;
};

void CommandToFrame(benchmark::State& state)
{
    MqttTestBroker broker;
    broker.Start();
    Served served(1, &broker);
    MqttSubscriber publisher(broker.port, "quenda/nothing");
    publisher.WaitSubscribed();
    std::vector<double> ms;
    int gain = -20;
    for (auto _ : state) {
        gain = gain == -20 ? -21 : -20;
        const auto start = std::chrono::steady_clock::now();
        publisher.Publish(QStringLiteral("quenda/QD-B0/a/gain/set"), QByteArray::number(gain));
        RunUntil([&] { return served.backend.Unit(0).Current(0).gain.Get() == gain + 80; });
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(elapsed);
        ms.push_back(elapsed * 1000.0);
    }
    ReportQuantiles(state, ms);
}
BENCHMARK(CommandToFrame)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);

void ChangeToStateMessage(benchmark::State& state)
{
    MqttTestBroker broker;
    broker.Start();
    Served served(1, &broker);
    MqttSubscriber subscriber(broker.port, "quenda/QD-B0/b/mute/state");
    subscriber.WaitSubscribed();
    std::vector<double> ms;
    for (auto _ : state) {
        const qsizetype before = subscriber.Count();
        const auto start = std::chrono::steady_clock::now();
        served.serve->ServedUnit(0).Actions().Change(
            [](CSettingsEdit& edit) { edit.Set(1, ChannelField::Mute, edit.Get(1, ChannelField::Mute) == 0 ? 1 : 0); });
        RunUntil([&] { return subscriber.Count() > before; });
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(elapsed);
        ms.push_back(elapsed * 1000.0);
    }
    ReportQuantiles(state, ms);
}
BENCHMARK(ChangeToStateMessage)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);

void EightUnitsWithMeters(benchmark::State& state)
{
    for (auto _ : state) {
        double alone = 0;
        {
            Served units(kUnits, nullptr);
            alone = CpuPercentOver(kMeterSeconds);
        }
        MqttTestBroker broker;
        broker.Start();
        MqttSubscriber subscriber(broker.port, "quenda/+/+/level/state");
        subscriber.WaitSubscribed();
        Served served(kUnits, &broker);
        const qsizetype before = subscriber.Count();
        state.counters["cpu_percent_with_mqtt"] = CpuPercentOver(kMeterSeconds);
        state.counters["cpu_percent_units_alone"] = alone;
        state.counters["level_messages_per_s"] = static_cast<double>(subscriber.Count() - before) / kMeterSeconds;
    }
}
BENCHMARK(EightUnitsWithMeters)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
