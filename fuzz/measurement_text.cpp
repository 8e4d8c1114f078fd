// Reads arbitrary bytes as a measurement file and resamples what it read to the
// graph's plot columns, as "Show measurement…" does: whatever comes, a text is
// either refused with no points or gives at least two points in 20 Hz .. 20 kHz,
// increasing in frequency and finite, whose average over the level band (or over
// all of them) is 0 dB; no more lines are skipped than the text has, and every
// column lies within the levels of the points or is NaN where they do not reach.
#include "model/Measurement.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

constexpr int kPlotWidth = 727;   // the main window's graph
constexpr double kLevelTolerance = 1e-6;

int LineCount(std::string_view text)
{
    return 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

bool InBand(const MeasurementPoint& p, double lo, double hi) { return p.hz >= lo && p.hz <= hi; }

void CheckPoints(const Measurement& m)
{
    const auto& points = m.points;
    if (points.size() > kMaxMeasurementPoints)
        std::abort();
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!std::isfinite(points[i].hz) || !std::isfinite(points[i].db) || points[i].hz <= 0.0)
            std::abort();
        if (i > 0 && points[i].hz <= points[i - 1].hz)
            std::abort();
    }
    const auto shown = std::count_if(points.begin(), points.end(),
                                     [](const MeasurementPoint& p) { return InBand(p, kMinFreqHz, kMaxFreqHz); });
    if (shown < kMinMeasurementPoints)
        std::abort();
    const bool inBand = std::any_of(points.begin(), points.end(),
                                    [](const MeasurementPoint& p) { return InBand(p, kLevelBandLowHz, kLevelBandHighHz); });
    if (inBand == m.levelledOverAll)
        std::abort();
    const CMeasurementCurve curve(points);
    const double average = inBand ? curve.AverageDb(kLevelBandLowHz, kLevelBandHighHz)
                                  : curve.AverageDb(points.front().hz, points.back().hz);
    if (!(std::abs(average) <= kLevelTolerance * (1.0 + std::abs(m.offsetDb))))
        std::abort();
}

void CheckColumns(const Measurement& m)
{
    const auto [low, high] = std::minmax_element(m.points.begin(), m.points.end(),
                                                 [](const MeasurementPoint& a, const MeasurementPoint& b) { return a.db < b.db; });
    const double slack = kLevelTolerance * (1.0 + std::abs(low->db) + std::abs(high->db));
    const std::vector<double> columns = CMeasurementCurve(m.points).Columns(kPlotWidth);
    if (columns.size() != static_cast<std::size_t>(kPlotWidth))
        std::abort();
    for (double level : columns) {
        if (!std::isnan(level) && (level < low->db - slack || level > high->db + slack))
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kMaxMeasurementBytes)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Measurement m = ParseMeasurementText(text);
    if (m.skippedLines < 0 || m.skippedLines > LineCount(text) || m.repeatedFrequencies < 0)
        std::abort();
    if (m.error != MeasurementError::None) {
        if (!m.points.empty())
            std::abort();
        return 0;
    }
    CheckPoints(m);
    CheckColumns(m);
    return 0;
}
