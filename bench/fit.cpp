// The fit of the bands to a measurement against its yardstick, the plain least-squares fit
// (FitYardstick.h), on the sample measurements of bench/data: each case reports the time of one
// fit and, as counters, the RMS difference left (rms_db, at the best level offset over the
// unit's grid within the range) and the one before (before_db).
#include "FitYardstick.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

Measurement ReadSample(const char* name)
{
    std::ifstream file(std::string(QUENDA_BENCH_DATA) + "/" + name);
    std::stringstream text;
    text << file.rdbuf();
    return ParseMeasurementText(text.str());
}

struct FitCase {
    const char* name;
    const char* measurement;
    const char* target;   // nullptr: flat
    double maxBoostDb;
    int bands;
};

constexpr FitCase kCases[] = {
    {"seat/flat/cuts", "listening-seat.txt", nullptr, 0.0, 12},
    {"seat/flat/boost6", "listening-seat.txt", nullptr, 6.0, 12},
    {"seat/house/cuts", "listening-seat.txt", "house-curve.txt", 0.0, 12},
    {"seat/flat/cuts/4bands", "listening-seat.txt", nullptr, 0.0, 4},
    {"headphone/target/boost6", "headphone.txt", "headphone-target.txt", 6.0, 12},
    {"headphone/target/cuts", "headphone.txt", "headphone-target.txt", 0.0, 12},
    {"headphone/target/boost6/6bands", "headphone.txt", "headphone-target.txt", 6.0, 6},
};

// The unit's defaults: twelve flat peaking bands.
ChannelBands FlatBands()
{
    return ChannelBandsOf(DefaultChannelBlock());
}

struct Inputs {
    CMeasurementCurve measurement;
    CMeasurementCurve target;
    FitOptions options;
};

Inputs InputsOf(const FitCase& c)
{
    Inputs in;
    in.measurement = CMeasurementCurve(ReadSample(c.measurement).points);
    if (c.target != nullptr)
        in.target = CMeasurementCurve(ReadSample(c.target).points);
    in.options.maxBoostDb = c.maxBoostDb;
    in.options.bands = c.bands;
    return in;
}

void BM_Fit(benchmark::State& state, const FitCase& c)
{
    const Inputs in = InputsOf(c);
    const ChannelBands flat = FlatBands();
    EqualizerFit fit;
    for (auto _ : state) {
        fit = FitBands(in.measurement, in.target, in.options, flat, 80);
        benchmark::DoNotOptimize(fit.bands.data());
    }
    if (fit.problem != FitProblem::None)
        state.SkipWithError("the sample cannot be fitted");
    state.counters["rms_db"] = fit.after.rmsDb;
    state.counters["before_db"] = fit.before.rmsDb;
    state.counters["bands"] = fit.used;
}

void BM_Yardstick(benchmark::State& state, const FitCase& c)
{
    const Inputs in = InputsOf(c);
    const ChannelBands flat = FlatBands();
    const FitGoal goal = FitGoalOf(in.measurement, in.target, in.options);
    ChannelBands bands{};
    for (auto _ : state) {
        bands = YardstickFit(goal, flat, 80);
        benchmark::DoNotOptimize(bands.data());
    }
    state.counters["rms_db"] = DifferenceOf(BandsResponse(bands), goal).rmsDb;
    state.counters["before_db"] = DifferenceOf(Response{}, goal).rmsDb;
}

const bool kRegistered = [] {
    for (const FitCase& c : kCases) {
        benchmark::RegisterBenchmark((std::string("BM_Fit/") + c.name).c_str(), BM_Fit, c)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("BM_Yardstick/") + c.name).c_str(), BM_Yardstick, c)
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
