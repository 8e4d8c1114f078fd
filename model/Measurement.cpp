// Averages of a measurement over log frequency, and its resampling to plot columns.
#include "model/Measurement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNoLevel = std::numeric_limits<double>::quiet_NaN();

}  // namespace

CMeasurementCurve::CMeasurementCurve(std::span<const MeasurementPoint> points) : m_points(points.size())
{
    std::transform(points.begin(), points.end(), m_points.begin(),
                   [](const MeasurementPoint& p) { return LogPoint{std::log10(p.hz), p.db}; });
    if (!points.empty()) {
        m_firstHz = points.front().hz;
        m_lastHz = points.back().hz;
    }
}

int CMeasurementCurve::PointsBetween(double loHz, double hiHz) const
{
    const double a = std::log10(loHz);
    const double b = std::log10(hiHz);
    const auto from = std::lower_bound(m_points.begin(), m_points.end(), a,
                                       [](const LogPoint& p, double u) { return p.u < u; });
    const auto to = std::upper_bound(m_points.begin(), m_points.end(), b,
                                     [](double u, const LogPoint& p) { return u < p.u; });
    return to > from ? static_cast<int>(to - from) : 0;
}

double CMeasurementCurve::AverageDb(double loHz, double hiHz) const
{
    return ClippedAverage(std::log10(loHz), std::log10(hiHz));
}

std::vector<double> CMeasurementCurve::Columns(int plotWidth) const
{
    std::vector<double> columns(static_cast<std::size_t>(std::max(plotWidth, 0)));
    for (int x = 0; x < plotWidth; ++x) {
        const double a = std::log10(PlotXToFreqF(x - 0.5, plotWidth));
        const double b = std::log10(PlotXToFreqF(x + 0.5, plotWidth));
        columns[x] = ClippedAverage(a, b);
    }
    return columns;
}

// The average over [a, b] (log10 Hz) clipped to the points' span; NaN where they do not meet.
double CMeasurementCurve::ClippedAverage(double a, double b) const
{
    if (m_points.empty())
        return kNoLevel;
    a = std::max(a, m_points.front().u);
    b = std::min(b, m_points.back().u);
    return a <= b ? AverageOver(a, b) : kNoLevel;
}

// The average of the straight pieces over [a, b], which lies within the points' span; at a
// single frequency when b is a.
double CMeasurementCurve::AverageOver(double a, double b) const
{
    const auto levelBetween = [](const LogPoint& p, const LogPoint& q, double u) {
        return p.db + (q.db - p.db) * (u - p.u) / (q.u - p.u);
    };
    auto i = std::upper_bound(m_points.begin(), m_points.end(), a,
                              [](double u, const LogPoint& p) { return u < p.u; });
    if (i != m_points.begin())
        --i;
    if (b <= a)
        return i + 1 == m_points.end() ? i->db : levelBetween(*i, *(i + 1), a);
    double area = 0.0;
    for (; i + 1 != m_points.end() && i->u < b; ++i) {
        const double from = std::max(a, i->u);
        const double to = std::min(b, (i + 1)->u);
        if (to > from)
            area += (to - from) * (levelBetween(*i, *(i + 1), from) + levelBetween(*i, *(i + 1), to)) / 2.0;
    }
    return area / (b - a);
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
