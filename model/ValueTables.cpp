#include "model/ValueTables.h"

#include <algorithm>
#include <cmath>

namespace {

struct GridException {
    int index;
    double hz;
};

// Entries where the unit's grid departs from the 1/24-octave rule.
constexpr GridException kGridExceptions[] = {
    {72, 158},    {76, 179},    {99, 344},    {105, 409},   {137, 1030},
    {138, 1060},  {139, 1090},  {140, 1123},  {142, 1190},  {182, 3776},
    {192, 5000},  {217, 10374}, {222, 11987}, {240, 20000},
};

constexpr double kFineGridBelowHz = 100.0;

double GridRuleHz(int i)
{
    const double exact = 1000.0 * std::pow(2.0, (i - kGridIndex1000Hz) / 24.0);
    if (exact < kFineGridBelowHz)
        return std::floor(exact * 10.0 + 0.5) / 10.0;
    return std::floor(exact + 0.5);
}

std::array<double, kGridSize> BuildFreqGrid()
{
    std::array<double, kGridSize> grid{};
    for (int i = 0; i < kGridSize; ++i)
        grid[i] = GridRuleHz(i);
    for (const GridException& e : kGridExceptions)
        grid[e.index] = e.hz;
    return grid;
}

int DecadePixels(int w) { return w / 3; }

int WholeHz(double gridHz) { return static_cast<int>(std::lround(gridHz)); }

// The nearest grid entry above (or below) hz in whole hertz, or hz when there is none.
int NeighbourGridHz(int hz, bool up)
{
    if (up) {
        const auto above = std::find_if(kFreqGrid.begin(), kFreqGrid.end(), [hz](double f) { return WholeHz(f) > hz; });
        return above == kFreqGrid.end() ? hz : WholeHz(*above);
    }
    const auto below = std::find_if(kFreqGrid.rbegin(), kFreqGrid.rend(), [hz](double f) { return WholeHz(f) < hz; });
    return below == kFreqGrid.rend() ? hz : WholeHz(*below);
}

}  // namespace

const std::array<double, kGridSize> kFreqGrid = BuildFreqGrid();

int FreqToGridIndex(double hz)
{
    const auto first = std::lower_bound(kFreqGrid.begin(), kFreqGrid.end(), hz);
    if (first == kFreqGrid.end())
        return kGridSize - 1;
    const int i = static_cast<int>(first - kFreqGrid.begin());
    if (i == 0)
        return 0;
    // equal distances go to the higher index
    return (hz - kFreqGrid[i - 1]) < (kFreqGrid[i] - hz) ? i - 1 : i;
}

int StepGridHz(int hz, int steps)
{
    for (int i = 0; i < std::abs(steps); ++i)
        hz = NeighbourGridHz(hz, steps > 0);
    return hz;
}

double BwCodeToOctaves(int code) { return code * 0.01 + 0.05; }

// The 0.05 term (not 0.5) keeps the code at or just below the octaves given.
int OctavesToBwCode(double oct) { return static_cast<int>((oct - 0.05) / 0.01 + 0.05); }

double OctavesToQ(double oct) { return 1.0 / (2.0 * std::sinh(oct * 0.34657359)); }

double GainCodeToDb(int code) { return code * 0.1 - 12.0; }

// The unit's order of operations: scale by 100, divide by 0.1 x 100, round half up.
int DbToGainCode(double db) { return static_cast<int>((db + 12.0) * 100.0 / (0.1 * 100.0) + 0.5); }

int FreqToPlotX(double hz, int w) { return TruncPixel(std::log10(hz / 20.0) * DecadePixels(w)); }

float FreqToPlotXf(double hz, int w) { return static_cast<float>(std::log10(hz / 20.0) * DecadePixels(w)); }

double PlotXToFreqF(double x, int w)
{
    const int decade = DecadePixels(w);
    return decade > 0 ? kMinFreqHz * std::pow(10.0, x / decade) : kMinFreqHz;
}

int PlotXToFreq(int x, int w)
{
    const int decade = DecadePixels(w);
    if (decade <= 0)
        return kMinFreqHz;
    const double f = 20.0 * std::pow(10.0, static_cast<double>(x) / decade);
    return static_cast<int>(std::clamp(f, static_cast<double>(kMinFreqHz), static_cast<double>(kMaxFreqHz)));
}

float GainToPlotY(double db, int h) { return static_cast<float>((h / 36.0) * (kMaxGainDb - db)); }

double PlotYToGain(int y, int h)
{
    if (h <= 0)
        return 0.0;
    return kMaxGainDb - y * 36.0 / h;
}

int TruncPixel(double v)
{
    constexpr double kLimit = 1 << 24;
    if (std::isnan(v))
        return 0;
    return static_cast<int>(std::clamp(v, -kLimit, kLimit));
}

void FillBandRecord(BandTable& table, const ChannelBlock& block, int k)
{
    if (k < 0 || k >= kTableBandCount)
        return;
    BandParams& rec = table.bands[k];
    if (k < kBandCount) {
        rec = block.bands[k];
        return;
    }
    const int notchHz = std::max<int>(block.notches[k - kBandCount].freqHz.Get(), kMinFreqHz);
    rec.freqHz.Set(static_cast<std::int16_t>(notchHz));
    rec.gainCode.Set(notchHz <= kMinFreqHz ? kFlatGainCode : kNotchGainCode);
    rec.bwCode.Set(kMinBwCode);
    rec.slope = 0;
    rec.type = 0;
}

void SetHighPassOff(PassParams& pass)
{
    pass.hpfHz.Set(kMinFreqHz);
    pass.hpfFamily = 0;
    pass.hpfOrder = 0;
}

void SetLowPassOff(PassParams& pass)
{
    pass.lpfHz.Set(kMaxFreqHz);
    pass.lpfFamily = 0;
    pass.lpfOrder = 0;
}

void FillBandTable(BandTable& table, const ChannelBlock& block)
{
    for (int k = 0; k < kTableBandCount; ++k)
        FillBandRecord(table, block, k);
    SetHighPassOff(table.pass);
    SetLowPassOff(table.pass);
}
