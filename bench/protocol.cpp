// Cost of the protocol's hot paths: writing a frame, receiving a long reply,
// one scheduler tick, and a loopback tick against the simulated unit.
#include "protocol/Communication.h"
#include "transport/SimulatedUnit.h"

#include <benchmark/benchmark.h>

#include <array>
#include <vector>

namespace {

void Connected()
{
    LoadImageDefaults();
    ResetSchedulerState();
    ResetReceiver();
    g_Connected.store(1);
    g_WriteBusy.store(0);
}

void BM_SendBandWrite(benchmark::State& state)
{
    Connected();
    std::size_t bytes = 0;
    SetWriteReportHook([&bytes](const std::uint8_t* data) {
        bytes += data[0];
        return true;
    });
    std::uint8_t payload[kBandsSize] = {};
    for (auto _ : state)
        benchmark::DoNotOptimize(SendFrame(CMD_WRITE_BANDS, AREA_CHANNEL, 0, 0, 0, kBandsSize, payload));
    benchmark::DoNotOptimize(bytes);
    SetWriteReportHook(nullptr);
    g_Connected.store(0);
}
BENCHMARK(BM_SendBandWrite);

void BM_ReceiveRecallReply(benchmark::State& state)
{
    Connected();
    std::vector<std::uint8_t> payload(kRecallReplySize, 0);
    std::vector<std::uint8_t> frame(FrameReportCount(payload.size()) * kReportSize);
    EncodeFrame(CMD_RECALL_PRESET, 0, 0, 0, 0, payload.data(), kRecallReplySize, frame.data());
    std::vector<std::array<std::uint8_t, kInputReportSize>> reports(frame.size() / kReportSize);
    for (std::size_t i = 0; i < reports.size(); ++i)
        std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>(i * kReportSize), kReportSize, reports[i].begin() + 1);
    for (auto _ : state)
        for (const auto& report : reports)
            FeedInputReport(report.data());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * frame.size()));
    g_Connected.store(0);
}
BENCHMARK(BM_ReceiveRecallReply);

// A change queued, sent at once and acknowledged: the path of every control.
void BM_ChangeSentAndAcknowledged(benchmark::State& state)
{
    Connected();
    SetWriteReportHook([](const std::uint8_t*) { return true; });
    std::array<std::uint8_t, kInputReportSize> ack{};
    EncodeFrame(CMD_ACK, 0, 0, 0, 0, nullptr, 0, ack.data() + 1);
    for (auto _ : state) {
        QueueSetParam(AREA_CHANNEL, 0, 5);
        SchedulerSendNext();
        FeedInputReport(ack.data());
        CommandResult results[kOutcomeCapacity];
        benchmark::DoNotOptimize(TakeCommandOutcomes(results, kOutcomeCapacity));
    }
    SetWriteReportHook(nullptr);
    g_Connected.store(0);
}
BENCHMARK(BM_ChangeSentAndAcknowledged);

void BM_SchedulerTickIdle(benchmark::State& state)
{
    Connected();
    SetWriteReportHook([](const std::uint8_t*) { return true; });
    for (auto _ : state)
        SchedulerTick();
    SetWriteReportHook(nullptr);
    g_Connected.store(0);
}
BENCHMARK(BM_SchedulerTickIdle);

void BM_LoopbackTick(benchmark::State& state)
{
    Connected();
    CSimulatedUnit unit(1);
    SetWriteReportHook([&unit](const std::uint8_t* data) { return unit.ReceiveOutputReport(data); });
    QueueReadSetup();
    InputReport report;
    for (auto _ : state) {
        SchedulerTick();
        while (unit.TakeInputReport(report.data())) {
            FeedInputReport(report.data());
            SchedulerSendNext();
        }
        unit.Tick();
        RefreshMeters();
    }
    SetWriteReportHook(nullptr);
    g_Connected.store(0);
}
BENCHMARK(BM_LoopbackTick);

}  // namespace
