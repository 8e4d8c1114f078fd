#include "model/EqualizerFit.h"

#include "model/FitSearch.h"

#include <algorithm>
#include <cmath>

namespace {

// Half of the grid's 1/24 octave on either side of a grid frequency.
const double kHalfCell = std::exp2(1.0 / 48.0);

bool IsWithin(double value, double low, double high) { return value >= low && value <= high; }

bool IsAudioRange(const FitRange& range)
{
    return range.lowHz >= kMinFreqHz && range.highHz <= kMaxFreqHz && range.lowHz < range.highHz;
}

// The grid indices within the range (none when first > last).
void GridSpan(const FitRange& range, int& first, int& last)
{
    first = static_cast<int>(std::lower_bound(kFreqGrid.begin(), kFreqGrid.end(), range.lowHz) - kFreqGrid.begin());
    last = static_cast<int>(std::upper_bound(kFreqGrid.begin(), kFreqGrid.end(), range.highHz) - kFreqGrid.begin()) - 1;
}

// The measurement averaged over grid entry i's 1/24 octave, within the range.
double MeasuredAt(const CMeasurementCurve& measurement, int i, const FitRange& range)
{
    return measurement.AverageDb(std::max(kFreqGrid[i] / kHalfCell, range.lowHz),
                                 std::min(kFreqGrid[i] * kHalfCell, range.highHz));
}

// The target likewise; held at its first or last level where it does not reach; 0 when flat.
double TargetAt(const CMeasurementCurve& target, int i)
{
    if (target.IsEmpty())
        return 0.0;
    const double low = kFreqGrid[i] / kHalfCell;
    const double high = kFreqGrid[i] * kHalfCell;
    if (high < target.FirstHz())
        return target.AverageDb(target.FirstHz(), target.FirstHz());
    if (low > target.LastHz())
        return target.AverageDb(target.LastHz(), target.LastHz());
    return target.AverageDb(low, high);
}

// The found bands into slots 1..n in rising frequency; each keeps what of its slot it does not set.
ChannelBands Placed(std::vector<BandParams> found, const ChannelBands& before)
{
    std::stable_sort(found.begin(), found.end(),
                     [](const BandParams& a, const BandParams& b) { return a.freqHz.Get() < b.freqHz.Get(); });
    ChannelBands bands = before;
    for (int k = 0; k < kBandCount; ++k) {
        if (k >= static_cast<int>(found.size())) {
            bands[k].gainCode.Set(kFlatGainCode);
            continue;
        }
        const BandParams& f = found[k];
        bands[k].type = f.type;
        bands[k].freqHz = f.freqHz;
        bands[k].gainCode = f.gainCode;
        if (f.type == FILTER_PEAK)
            bands[k].bwCode = f.bwCode;
        else
            bands[k].slope = f.slope;
    }
    return bands;
}

// The highest the response rises over 20 Hz .. 20 kHz, within the slack of the shelves' overshoot.
double LargestBoost(const Response& response)
{
    const double top = *std::max_element(response.begin() + kFirstBandGridIndex, response.end());
    return top > kFitBoostSlackDb ? top : 0.0;
}

}  // namespace

FitDifference DifferenceOf(const Response& bands, const FitGoal& goal)
{
    FitDifference d;
    d.rmsDb = CentredRms(bands, goal);
    double mean = 0.0;
    for (int i = goal.first; i <= goal.last; ++i)
        mean += bands[i] - goal.wanted[i];
    mean /= goal.last - goal.first + 1;
    for (int i = goal.first; i <= goal.last; ++i) {
        const double off = std::abs(bands[i] - goal.wanted[i] - mean);
        if (off > d.largestDb) {
            d.largestDb = off;
            d.largestHz = kFreqGrid[i];
        }
    }
    return d;
}

FitGoal FitGoalOf(const CMeasurementCurve& measurement, const CMeasurementCurve& target, const FitOptions& options)
{
    const FitRange range = FitRangeOf(measurement, options);
    FitGoal goal;
    GridSpan(range, goal.first, goal.last);
    for (int i = goal.first; i <= goal.last; ++i)
        goal.wanted[i] = TargetAt(target, i) - MeasuredAt(measurement, i, range);
    goal.maxBoostDb = options.maxBoostDb;
    goal.bands = options.bands;
    return goal;
}

Response BandsResponse(const ChannelBands& bands)
{
    Response sum{};
    for (const BandParams& band : bands) {
        if (band.gainCode.Get() == kFlatGainCode)
            continue;
        const BiquadSection section = BandSection(band);
        for (int i = 0; i < kGridSize; ++i)
            sum[i] += SectionDb(section, i);
    }
    return sum;
}

FitRange FitRangeOf(const CMeasurementCurve& measurement, const FitOptions& options)
{
    if (options.range)
        return *options.range;
    if (measurement.IsEmpty())
        return FitRange{};
    return FitRange{std::max<double>(kMinFreqHz, measurement.FirstHz()),
                    std::min<double>(kMaxFreqHz, measurement.LastHz())};
}

FitProblem CheckFitOptions(const FitOptions& options)
{
    if (!IsWithin(options.bands, kMinFitBands, kMaxFitBands))
        return FitProblem::BandsOutOfRange;
    if (!IsWithin(options.maxBoostDb, 0.0, kMaxFitBoostDb))
        return FitProblem::BoostOutOfRange;
    if (!options.range)
        return FitProblem::None;
    if (!IsAudioRange(*options.range))
        return FitProblem::RangeOutsideAudio;
    int first = 0, last = 0;
    GridSpan(*options.range, first, last);
    return last - first + 1 < kMinFitGridPoints ? FitProblem::RangeTooNarrow : FitProblem::None;
}

FitProblem CheckFit(const CMeasurementCurve& measurement, const FitOptions& options)
{
    const FitProblem problem = CheckFitOptions(options);
    if (problem != FitProblem::None)
        return problem;
    const FitRange range = FitRangeOf(measurement, options);
    if (measurement.IsEmpty() || range.lowHz < measurement.FirstHz() || range.highHz > measurement.LastHz())
        return FitProblem::RangeOutsideMeasurement;
    int first = 0, last = 0;
    GridSpan(range, first, last);
    if (!IsAudioRange(range) || last - first + 1 < kMinFitGridPoints)
        return FitProblem::RangeTooNarrow;   // a measurement that spans next to nothing
    if (measurement.PointsBetween(range.lowHz, range.highHz) < kMinFitMeasurementPoints)
        return FitProblem::TooFewPoints;
    return FitProblem::None;
}

EqualizerFit FitBands(const CMeasurementCurve& measurement, const CMeasurementCurve& target,
                      const FitOptions& options, const ChannelBands& bands, int gainCode)
{
    EqualizerFit fit;
    fit.bands = bands;
    fit.gainCode = gainCode;
    fit.problem = CheckFit(measurement, options);
    if (fit.problem != FitProblem::None)
        return fit;
    fit.range = FitRangeOf(measurement, options);
    const FitGoal goal = FitGoalOf(measurement, target, options);

    fit.before = DifferenceOf(BandsResponse(bands), goal);
    fit.alreadyWithin = fit.before.rmsDb <= kFitAlreadyWithinDb;
    if (fit.alreadyWithin) {
        fit.after = fit.before;
        return fit;
    }
    const std::vector<BandParams> found = SearchBands(goal);
    fit.used = static_cast<int>(found.size());
    fit.bands = Placed(found, bands);
    const Response response = BandsResponse(fit.bands);
    fit.after = DifferenceOf(response, goal);
    fit.largestBoostDb = LargestBoost(response);
    if (fit.largestBoostDb > 0.0) {
        const int lowered = static_cast<int>(std::ceil(fit.largestBoostDb - kFitBoostSlackDb));
        fit.gainCode = ChannelGainCode(ChannelGainDb(gainCode) - lowered);
        fit.gainLoweredDb = gainCode - fit.gainCode;
    }
    return fit;
}
