// Value tables and conversions of the equalizer: the 241-point frequency grid,
// band codes <-> engineering values <-> plot pixels, and the per-channel band table.
#pragma once

#include "protocol/ParameterImage.h"

#include <array>
#include <cstddef>
#include <cstdint>

constexpr int kGridSize = 241;
constexpr int kGridIndex1000Hz = 136;

constexpr int kMinFreqHz = 20;
constexpr int kMaxFreqHz = 20000;
constexpr int kMinGainCode = 0;
constexpr int kMaxGainCode = 240;
constexpr int kNotchGainCode = 60;     // -6 dB
constexpr int kMinBwCode = 0;
constexpr int kMaxBwCode = 295;
constexpr double kMaxGainDb = 12.0;
constexpr double kMinBwOct = 0.05;
constexpr double kMaxBwOct = 3.0;

// The plot rectangle starts this far right of and below the graph's client origin.
constexpr int kPlotInsetX = 35;
constexpr int kPlotInsetY = 10;

// Frequencies of every response array, 19.7 Hz .. 20 kHz, 1/24 octave apart.
extern const std::array<double, kGridSize> kFreqGrid;

// Graph-client geometry (x right, y down), shared with the graph widget.
struct PlotPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const PlotPoint&, const PlotPoint&) = default;
};

struct PlotPointF {
    float x = 0.0f;
    float y = 0.0f;
};

// Left and top edges belong to the rectangle, right and bottom edges do not.
struct PlotRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr PlotPoint Centre() const { return {(left + right) / 2, (top + bottom) / 2}; }
    constexpr bool Contains(PlotPoint p) const
    {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    friend bool operator==(const PlotRect&, const PlotRect&) = default;
};

int FreqToGridIndex(double hz);
// The frequency steps grid entries above hz (below it for negative steps), in whole hertz as
// a band record holds it: entries that round to the same hertz count once. The walk stops at
// the grid's end.
int StepGridHz(int hz, int steps);
double BwCodeToOctaves(int code);
int OctavesToBwCode(double oct);
double OctavesToQ(double oct);
double GainCodeToDb(int code);
int DbToGainCode(double db);

// Plot mappings over a plot of w x h pixels, origin at the plot's top-left corner.
int FreqToPlotX(double hz, int w);
float FreqToPlotXf(double hz, int w);
// The frequency at a fractional x, beyond the plot's edges too (20 Hz for a plot without width).
double PlotXToFreqF(double x, int w);
int PlotXToFreq(int x, int w);
float GainToPlotY(double db, int h);
double PlotYToGain(int y, int h);

// Converts a computed pixel position to int the way the graph always has (toward
// zero), keeping a non-finite or huge value inside the int range.
int TruncPixel(double v);

// Corner frequencies of a channel's high-pass and low-pass filters.
struct PassParams {
    Le16 hpfHz;                 // 20 = off
    std::uint8_t hpfFamily;
    std::uint8_t hpfOrder;
    Le16 lpfHz;                 // 20000 = off
    std::uint8_t lpfFamily;
    std::uint8_t lpfOrder;
};
static_assert(sizeof(PassParams) == 8 && alignof(PassParams) == 1);
static_assert(offsetof(PassParams, hpfHz) == 0);
static_assert(offsetof(PassParams, hpfFamily) == 2);
static_assert(offsetof(PassParams, hpfOrder) == 3);
static_assert(offsetof(PassParams, lpfHz) == 4);
static_assert(offsetof(PassParams, lpfFamily) == 6);
static_assert(offsetof(PassParams, lpfOrder) == 7);

// Bands of one channel's equalizer: 12 parametric bands, then 12 drawn from the notch table.
constexpr int kTableBandCount = kBandCount + kNotchCount;

// The 25 records of one channel: record 0 is `pass`, record k + 1 is `bands`[k].
struct BandTable {
    PassParams pass;
    BandParams bands[kTableBandCount];
};
static_assert(sizeof(BandTable) == 200 && alignof(BandTable) == 1);
static_assert(offsetof(BandTable, bands) == 8);

// Record k + 1 (k = 0..23) from a channel block: a parametric band, or a notch
// (flat at 20 Hz when empty, else -6 dB over 0.05 octave). Other k change nothing.
void FillBandRecord(BandTable& table, const ChannelBlock& block, int k);
void SetHighPassOff(PassParams& pass);
void SetLowPassOff(PassParams& pass);
// All 25 records of a channel.
void FillBandTable(BandTable& table, const ChannelBlock& block);
