// Cost of the protocol's hot paths: writing a frame, receiving a long reply,
// one scheduler tick, and a loopback tick against the simulated unit.
#include "protocol/UnitProtocol.h"
#include "transport/SimulatedUnit.h"

#include <benchmark/benchmark.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace {

// A connected unit whose reports go to a function instead of a device.
class BenchSink : public CReportSink {
public:
    bool IsConnected() const override { return true; }
    bool WriteReport(const std::uint8_t* data64, std::chrono::milliseconds) override { return write(data64); }

    std::function<bool(const std::uint8_t*)> write = [](const std::uint8_t*) { return true; };
};

class BenchEvents : public CProtocolEvents {
public:
    void SchedulerWake() override {}
    void ChannelsRecalled() override {}
    void NotchTableReceived(int) override {}
    void MeterLampsShown(int, const MeterLamps&) override {}
    void Log(LogCategory, LogLevel, const std::string&) override {}
};

struct Connected {
    BenchSink sink;
    BenchEvents events;
    CUnitProtocol unit{sink, events};
};

void BM_SendBandWrite(benchmark::State& state)
{
    Connected connected;
    std::size_t bytes = 0;
    connected.sink.write = [&bytes](const std::uint8_t* data) {
        bytes += data[0];
        return true;
    };
    std::uint8_t payload[kBandsSize] = {};
    for (auto _ : state)
        benchmark::DoNotOptimize(
            connected.unit.Writer().SendFrame(CMD_WRITE_BANDS, AREA_CHANNEL, 0, 0, 0, kBandsSize, payload));
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_SendBandWrite);

void BM_ReceiveRecallReply(benchmark::State& state)
{
    Connected connected;
    std::vector<std::uint8_t> payload(kRecallReplySize, 0);
    std::vector<std::uint8_t> frame(FrameReportCount(payload.size()) * kReportSize);
    EncodeFrame(CMD_RECALL_PRESET, 0, 0, 0, 0, payload.data(), kRecallReplySize, frame.data());
    std::vector<std::array<std::uint8_t, kInputReportSize>> reports(frame.size() / kReportSize);
    for (std::size_t i = 0; i < reports.size(); ++i)
        std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>(i * kReportSize), kReportSize, reports[i].begin() + 1);
    for (auto _ : state)
        for (const auto& report : reports)
            connected.unit.Replies().FeedInputReport(report.data());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * frame.size()));
}
BENCHMARK(BM_ReceiveRecallReply);

// A change queued, sent at once and acknowledged: the path of every control.
void BM_ChangeSentAndAcknowledged(benchmark::State& state)
{
    Connected connected;
    CCommandScheduler& scheduler = connected.unit.Scheduler();
    std::array<std::uint8_t, kInputReportSize> ack{};
    EncodeFrame(CMD_ACK, 0, 0, 0, 0, nullptr, 0, ack.data() + 1);
    for (auto _ : state) {
        scheduler.QueueSetParam(AREA_CHANNEL, 0, 5);
        scheduler.SendNext();
        connected.unit.Replies().FeedInputReport(ack.data());
        CommandResult results[kOutcomeCapacity];
        benchmark::DoNotOptimize(scheduler.TakeOutcomes(results, kOutcomeCapacity));
    }
}
BENCHMARK(BM_ChangeSentAndAcknowledged);

void BM_SchedulerTickIdle(benchmark::State& state)
{
    Connected connected;
    for (auto _ : state)
        connected.unit.Scheduler().Tick();
}
BENCHMARK(BM_SchedulerTickIdle);

void BM_LoopbackTick(benchmark::State& state)
{
    Connected connected;
    CSimulatedUnit unit(1);
    connected.sink.write = [&unit](const std::uint8_t* data) { return unit.ReceiveOutputReport(data); };
    CCommandScheduler& scheduler = connected.unit.Scheduler();
    scheduler.QueueReadSetup();
    InputReport report;
    for (auto _ : state) {
        scheduler.Tick();
        while (unit.TakeInputReport(report.data())) {
            connected.unit.Replies().FeedInputReport(report.data());
            scheduler.SendNext();
        }
        unit.Tick();
        connected.unit.Meters().Refresh();
    }
}
BENCHMARK(BM_LoopbackTick);

}  // namespace
