#include "model/ChannelEqualizer.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

constexpr PlotRect kPlot{35, 10, 635, 310};

// Every band and notch boosted or cut, so that a reload evaluates all 48 bands.
std::array<ChannelBlock, kChannelCount> BusyBlocks()
{
    std::array<ChannelBlock, kChannelCount> blocks{DefaultChannelBlock(), DefaultChannelBlock()};
    for (ChannelBlock& block : blocks) {
        for (int k = 0; k < kBandCount; ++k) {
            block.bands[k].gainCode.Set(static_cast<std::int16_t>(60 + 10 * k));
            block.bands[k].type = static_cast<std::uint8_t>(k % 3);
        }
        for (int i = 0; i < kNotchCount; ++i)
            block.notches[i].freqHz.Set(static_cast<std::int16_t>(100 + 500 * i));
    }
    return blocks;
}

void BuildBusyEqualizers(CEqualizerModel& model)
{
    model.Build(BusyBlocks());
    for (int c = 0; c < kChannelCount; ++c)
        model.Channel(c).SetPlotRect(kPlot);
}

void BM_PeakResponse(benchmark::State& state)
{
    Response out{};
    for (auto _ : state) {
        ComputePeakResponse(1000, 6.0, 0.37, out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_PeakResponse);

void BM_ShelfResponse(benchmark::State& state)
{
    Response out{};
    for (auto _ : state) {
        ComputeShelfResponse(FILTER_HIGH_SHELF, 1, 1000, 6.0, out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_ShelfResponse);

void BM_ReloadEqualizersBothChannels(benchmark::State& state)
{
    CEqualizerModel model;
    BuildBusyEqualizers(model);
    const std::array<ChannelBlock, kChannelCount> blocks = BusyBlocks();
    for (auto _ : state) {
        model.Reload(blocks);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ReloadEqualizersBothChannels)->Unit(benchmark::kMicrosecond);

void BM_ComputeCurves(benchmark::State& state)
{
    CEqualizerModel model;
    BuildBusyEqualizers(model);
    for (auto _ : state) {
        model.Channel(0).ComputeCurves();
        benchmark::DoNotOptimize(model.Channel(0).CurveA().data());
    }
}
BENCHMARK(BM_ComputeCurves)->Unit(benchmark::kMicrosecond);

// One drag step of a boosted peaking band, alternating between two pointer positions.
void BM_MoveStep(benchmark::State& state)
{
    CEqualizerModel model;
    BuildBusyEqualizers(model);
    CFilter& band = model.Channel(0).GetAt(9);
    band.BeginMove(band.HandleRect().Centre());
    const PlotPoint points[2] = {{300, 60}, {320, 70}};
    int n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(band.Move(points[n]));
        n ^= 1;
    }
}
BENCHMARK(BM_MoveStep)->Unit(benchmark::kMicrosecond);

}  // namespace
