// Averages of a measurement over log frequency, and its resampling to plot columns.
#include "model/Measurement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNoLevel = std::numeric_limits<double>::quiet_NaN();

// A point with its frequency as log10(Hz), the axis the averages run along.
struct LogPoint {
    double u = 0.0;
    double db = 0.0;
};

std::vector<LogPoint> OnLogAxis(std::span<const MeasurementPoint> points)
{
    std::vector<LogPoint> out(points.size());
    std::transform(points.begin(), points.end(), out.begin(),
                   [](const MeasurementPoint& p) { return LogPoint{std::log10(p.hz), p.db}; });
    return out;
}

double LevelBetween(const LogPoint& a, const LogPoint& b, double u)
{
    return a.db + (b.db - a.db) * (u - a.u) / (b.u - a.u);
}

// The average of the straight pieces between the points over [a, b], which lies within
// the points' span; at a single frequency when b is a.
double AverageOver(const std::vector<LogPoint>& points, double a, double b)
{
    auto i = std::upper_bound(points.begin(), points.end(), a, [](double u, const LogPoint& p) { return u < p.u; });
    if (i != points.begin())
        --i;
    if (b <= a)
        return i + 1 == points.end() ? i->db : LevelBetween(*i, *(i + 1), a);
    double area = 0.0;
    for (; i + 1 != points.end() && i->u < b; ++i) {
        const double from = std::max(a, i->u);
        const double to = std::min(b, (i + 1)->u);
        if (to > from)
            area += (to - from) * (LevelBetween(*i, *(i + 1), from) + LevelBetween(*i, *(i + 1), to)) / 2.0;
    }
    return area / (b - a);
}

// The average over [a, b] clipped to the points' span; NaN where they do not meet.
double ClippedAverage(const std::vector<LogPoint>& points, double a, double b)
{
    if (points.empty())
        return kNoLevel;
    a = std::max(a, points.front().u);
    b = std::min(b, points.back().u);
    return a <= b ? AverageOver(points, a, b) : kNoLevel;
}

}  // namespace

double LogAverageDb(std::span<const MeasurementPoint> points, double loHz, double hiHz)
{
    return ClippedAverage(OnLogAxis(points), std::log10(loHz), std::log10(hiHz));
}

std::vector<double> MeasurementColumns(std::span<const MeasurementPoint> points, int plotWidth)
{
    const std::vector<LogPoint> logPoints = OnLogAxis(points);
    std::vector<double> columns(static_cast<std::size_t>(std::max(plotWidth, 0)));
    for (int x = 0; x < plotWidth; ++x) {
        const double a = std::log10(PlotXToFreqF(x - 0.5, plotWidth));
        const double b = std::log10(PlotXToFreqF(x + 0.5, plotWidth));
        columns[x] = ClippedAverage(logPoints, a, b);
    }
    return columns;
}

std::vector<double> GridColumns(const std::array<double, kGridSize>& response, int plotWidth)
{
    std::array<double, kGridSize> gridX{};
    for (int i = 0; i < kGridSize; ++i)
        gridX[i] = FreqToPlotXf(kFreqGrid[i], plotWidth);
    std::vector<double> columns(static_cast<std::size_t>(std::max(plotWidth, 0)));
    int i = 0;
    for (int x = 0; x < plotWidth; ++x) {
        while (i + 1 < kGridSize && gridX[i + 1] <= x)
            ++i;
        if (x <= gridX[i] || i + 1 == kGridSize)
            columns[x] = response[i];
        else
            columns[x] = response[i] + (response[i + 1] - response[i]) * (x - gridX[i]) / (gridX[i + 1] - gridX[i]);
    }
    return columns;
}
