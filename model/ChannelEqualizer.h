// The equalizer model of one channel: its 26 filters and the two curves the graph draws.
#pragma once

#include "model/Filter.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// Filters 0..kLastParametricBand form the first curve, the rest the second.
inline constexpr int kLastParametricBand = 11;

constexpr int kEqualizerBandCount = kTableBandCount;       // 24 bands, then high-pass and low-pass
constexpr int kEqualizerFilterCount = kTableBandCount + 2;

// 0x00BBGGRR, as the graph's pens take it.
constexpr std::uint32_t RgbColour(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return r | (g << 8) | (static_cast<std::uint32_t>(b) << 16);
}
// 0xAARRGGBB, as the anti-aliased curves take it.
constexpr std::uint32_t ArgbColour(std::uint8_t a, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return (static_cast<std::uint32_t>(a) << 24) | (r << 16) | (g << 8) | b;
}

constexpr std::uint32_t kOpaqueBlack = ArgbColour(255, 0, 0, 0);

struct ChannelColours {
    std::uint32_t handle;   // RGB
    std::uint32_t curveA;   // ARGB
    std::uint32_t curveB;   // ARGB
};
constexpr ChannelColours kChannelColours[kChannelCount] = {
    {RgbColour(255, 0, 0), ArgbColour(255, 255, 0, 0), ArgbColour(255, 128, 128, 192)},
    {RgbColour(0, 192, 0), ArgbColour(255, 0, 192, 0), ArgbColour(255, 255, 44, 255)},
};

class CChannelEqualizer {
public:
    CChannelEqualizer() = default;
    CChannelEqualizer(const CChannelEqualizer&) = delete;
    CChannelEqualizer& operator=(const CChannelEqualizer&) = delete;

    // Builds count bands bound to records 1..count, then the high-pass and the
    // low-pass filter bound to record 0; filters of an earlier Create are dropped.
    void Create(int count, int channel, BandTable* table);
    void SetPlotRect(const PlotRect& plot);
    // Sums the stored responses into the two curves; evaluates no filter.
    void ComputeCurves();
    // The first curve in dB: the twelve parametric bands, what the unit's equalizer does
    // to the sound (the notch bands are the feedback suppressor's, which follows the room).
    Response ParametricResponse() const;
    // The second curve in dB: the notch bands and the pass filters.
    Response NotchResponse() const;

    CFilter& HighPass();
    CFilter& LowPass();

    int GetSize() const { return static_cast<int>(m_filters.size()); }
    CFilter& GetAt(int i) { return *m_filters.at(i); }
    const CFilter& GetAt(int i) const { return *m_filters.at(i); }

    int Channel() const { return m_channel; }
    int PlotWidth() const { return m_plotW; }
    int PlotHeight() const { return m_plotH; }
    const std::array<PlotPointF, kGridSize>& CurveA() const { return m_curveA; }
    const std::array<PlotPointF, kGridSize>& CurveB() const { return m_curveB; }

    std::uint32_t GetHandleColour() const { return m_rgbHandle; }
    void SetHandleColour(std::uint32_t rgb) { m_rgbHandle = rgb; }
    std::uint32_t GetCurveColour() const { return m_argbCurveA; }
    void SetCurveColour(std::uint32_t argb) { m_argbCurveA = argb; }
    std::uint32_t GetCurve2Colour() const { return m_argbCurveB; }
    void SetCurve2Colour(std::uint32_t argb) { m_argbCurveB = argb; }

private:
    Response SumOfResponses(int first, int last) const;

    std::vector<std::unique_ptr<CFilter>> m_filters;
    std::array<PlotPointF, kGridSize> m_curveA{};
    std::array<PlotPointF, kGridSize> m_curveB{};
    int m_plotH = 0;
    int m_plotW = 0;
    int m_channel = 0;
    std::uint32_t m_rgbHandle = 0;
    std::uint32_t m_argbCurveB = kOpaqueBlack;
    std::uint32_t m_argbCurveA = kOpaqueBlack;
};

// Both channels' equalizers over their band tables, filled from a unit's
// channel blocks. The UI thread's.
class CEqualizerModel {
public:
    CEqualizerModel() = default;
    CEqualizerModel(const CEqualizerModel&) = delete;
    CEqualizerModel& operator=(const CEqualizerModel&) = delete;

    // Fills both band tables and creates both channels' equalizers with their colours.
    void Build(const std::array<ChannelBlock, kChannelCount>& blocks);
    // Refills both band tables and rebinds every filter to its record.
    void Reload(const std::array<ChannelBlock, kChannelCount>& blocks);

    CChannelEqualizer& Channel(int channel) { return m_equalizers[channel]; }
    const CChannelEqualizer& Channel(int channel) const { return m_equalizers[channel]; }
    BandTable& Table(int channel) { return m_tables[channel]; }
    const BandTable& Table(int channel) const { return m_tables[channel]; }

private:
    BandTable m_tables[kChannelCount]{};
    CChannelEqualizer m_equalizers[kChannelCount];
};
