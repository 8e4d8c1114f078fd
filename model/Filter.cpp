#include "model/Filter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kHandleSize = 16;
constexpr int kHandleOverhang = 8;      // how far a handle may reach past the plot's edges
constexpr int kWidthHandleHalf = 4;
constexpr int kWidthHandleGap = 10;     // width handles sit this far outside the band's edges
constexpr int kTextHalfWidth = 100;
constexpr int kTextBelowTop = 35;
constexpr int kTextBelowBottom = 85;
constexpr int kTextAboveSpan = 50;

bool SameRecord(const BandParams& a, const BandParams& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

void CFilter::AttachBand(BandParams* rec)
{
    m_pBand = rec;
    m_freqHz = rec->freqHz.Get();
    SetBwCode(rec->bwCode.Get());
    SetGainCode(rec->gainCode.Get());
    m_type = rec->type;
    Recompute(true);
}

void CFilter::AttachPass(PassParams* rec)
{
    if (m_type != FILTER_HIGH_PASS && m_type != FILTER_LOW_PASS)
        return;
    m_pPass = rec;
    m_freqHz = m_type == FILTER_HIGH_PASS ? rec->hpfHz.Get() : rec->lpfHz.Get();
    Recompute(true);
}

void CFilter::SetType(int t)
{
    m_type = t;
    if (m_pBand == nullptr)
        return;
    const bool lowShelfTooHigh = t == FILTER_LOW_SHELF && m_freqHz > kMaxFreqHz;
    const bool highShelfTooLow = t == FILTER_HIGH_SHELF && m_freqHz < kMinFreqHz;
    if (lowShelfTooHigh || highShelfTooLow) {
        m_freqHz = lowShelfTooHigh ? kMaxFreqHz : kMinFreqHz;
        m_pBand->freqHz.Set(static_cast<std::int16_t>(m_freqHz));
    }
    m_pBand->type = static_cast<std::uint8_t>(t);
}

void CFilter::SetBandNumber(int n) { m_bandNo = n; }

void CFilter::SetBwCode(int code)
{
    m_bwOct = BwCodeToOctaves(std::clamp(code, kMinBwCode, kMaxBwCode));
    if (m_pBand != nullptr)
        m_pBand->bwCode.Set(static_cast<std::int16_t>(code));
}

void CFilter::SetGainCode(int code)
{
    m_bFlat = code == kFlatGainCode;
    m_gainDb = m_bFlat ? 0.0 : GainCodeToDb(std::clamp(code, kMinGainCode, kMaxGainCode));
    if (m_pBand != nullptr)
        m_pBand->gainCode.Set(static_cast<std::int16_t>(code));
}

double CFilter::GainDb() const
{
    if (m_bFlat)
        return 0.0;
    if (m_pBand == nullptr)
        return m_gainDb;
    return GainCodeToDb(std::clamp<int>(m_pBand->gainCode.Get(), kMinGainCode, kMaxGainCode));
}

double CFilter::BandwidthOct()
{
    if (m_pBand != nullptr)
        m_bwOct = BwCodeToOctaves(std::clamp<int>(m_pBand->bwCode.Get(), kMinBwCode, kMaxBwCode));
    return m_bwOct;
}

int CFilter::GainCode() const { return m_bFlat ? kFlatGainCode : DbToGainCode(m_gainDb); }

int CFilter::CurrentFreq()
{
    if (m_pBand != nullptr)
        m_freqHz = m_pBand->freqHz.Get();
    else if (m_pPass != nullptr)
        m_freqHz = m_type == FILTER_HIGH_PASS ? m_pPass->hpfHz.Get() : m_pPass->lpfHz.Get();
    return m_freqHz;
}

double CFilter::BandFreqHz() const
{
    return std::clamp<int>(m_pBand->freqHz.Get(), kMinFreqHz, kMaxFreqHz);
}

// A type code the unit may send but that has no response of its own is drawn as a peaking band.
int CFilter::BandType() const
{
    const int t = m_pBand->type;
    return t == FILTER_LOW_SHELF || t == FILTER_HIGH_SHELF ? t : FILTER_PEAK;
}

void CFilter::SetPlotRect(const PlotRect& plot)
{
    // a graph smaller than its insets has an empty plot, never a negative one
    m_plotH = std::max(plot.Height(), 0);
    m_plotW = std::max(plot.Width(), 0);
    const int zeroY = TruncPixel(GainToPlotY(0.0, m_plotH)) + kPlotInsetY;
    m_poly.front() = {kPlotInsetX, zeroY};
    m_poly.back() = {m_plotW + kPlotInsetX, zeroY};
    for (int i = 0; i < kGridSize; ++i)
        m_poly[i + 1].x = TruncPixel(FreqToPlotXf(kFreqGrid[i], m_plotW)) + kPlotInsetX;
    Recompute(true);
}

void CFilter::ComputeBandResponse()
{
    const int type = BandType();
    if (type == FILTER_PEAK)
        ComputePeakResponse(BandFreqHz(), GainDb(), BandwidthOct(), m_response);
    else
        ComputeShelfResponse(type, m_pBand->slope, BandFreqHz(), GainDb(), m_response);
}

void CFilter::Recompute(bool reloadGain)
{
    if (m_pBand != nullptr) {
        if (reloadGain)
            SetGainCode(m_pBand->gainCode.Get());
        if (m_bFlat)
            m_response.fill(0.0);
        else
            ComputeBandResponse();
        LayoutHandles();
    } else if (m_pPass != nullptr) {
        // both pass filters always hold their off corners, so they stay flat
        m_response.fill(0.0);
    }
    for (int i = 0; i < kGridSize; ++i)
        m_poly[i + 1].y = TruncPixel(GainToPlotY(m_response[i], m_plotH)) + kPlotInsetY;
}

void CFilter::LayoutHandles()
{
    if (m_pBand == nullptr)
        return;
    const int w = m_plotW;
    const int h = m_plotH;
    int x = std::max(TruncPixel(FreqToPlotXf(BandFreqHz(), w)) - kHandleOverhang, -kHandleOverhang);
    int y = std::max(TruncPixel(GainToPlotY(GainDb(), h)) - kHandleOverhang, 0);
    int right = x + kHandleSize;
    int bottom = y + kHandleSize;
    if (right > w + kHandleOverhang) {
        right = w + kHandleOverhang;
        x = right - kHandleSize;
    }
    if (bottom > h + kHandleOverhang) {
        bottom = h + kHandleOverhang;
        y = bottom - kHandleSize;
    }
    m_rcHandle = {x + kPlotInsetX, y + kPlotInsetY, right + kPlotInsetX, bottom + kPlotInsetY};

    PlotRect text{m_rcHandle.left - kTextHalfWidth, 0, m_rcHandle.right + kTextHalfWidth, 0};
    if (text.right > w + kPlotInsetX) {
        text.right = w + kPlotInsetX;
        text.left = text.right - 2 * kTextHalfWidth;
    } else if (text.left < kPlotInsetX) {
        text.left = kPlotInsetX;
        text.right = text.left + 2 * kTextHalfWidth;
    }
    if (m_pBand->gainCode.Get() >= kFlatGainCode) {
        text.top = m_rcHandle.top + kTextBelowTop;
        text.bottom = m_rcHandle.bottom + kTextBelowBottom;
    } else {
        text.top = m_rcHandle.top - kTextAboveSpan;
        text.bottom = m_rcHandle.top + kTextAboveSpan;
    }
    m_rcText = text;
    LayoutWidthHandles();
}

void CFilter::LayoutWidthHandles()
{
    if (m_pBand == nullptr)
        return;
    const PlotPoint c = m_rcHandle.Centre();
    const int cy = GainDb() >= 0.0 ? c.y + kWidthHandleGap : c.y - kWidthHandleGap;
    const double f = BandFreqHz();
    const double span = std::pow(2.0, BandwidthOct());
    const int xr = TruncPixel(FreqToPlotXf(f * span, m_plotW)) + kPlotInsetX + kWidthHandleGap;
    const int xl = TruncPixel(FreqToPlotXf(f / span, m_plotW)) + kPlotInsetX - kWidthHandleGap;
    m_rcWidthR = {xr - kWidthHandleHalf, cy - kWidthHandleHalf, xr + kWidthHandleHalf, cy + kWidthHandleHalf};
    m_rcWidthL = {xl - kWidthHandleHalf, cy - kWidthHandleHalf, xl + kWidthHandleHalf, cy + kWidthHandleHalf};
}

const char* CFilter::SlopeText() const
{
    switch (m_pBand->slope) {
    case kSlope6dBPerOct: return "6dB/Oct";
    case kSlope12dBPerOct: return "12dB/Oct";
    default: return "";
    }
}

std::string CFilter::Describe()
{
    m_text.clear();
    if (m_pBand == nullptr)
        return m_text;
    char gain[32];
    if (m_bFlat)
        std::snprintf(gain, sizeof gain, "0.0");
    else
        std::snprintf(gain, sizeof gain, "%.1f", GainDb());
    const int freq = m_pBand->freqHz.Get();
    char line[160];
    switch (BandType()) {
    case FILTER_LOW_SHELF:
        std::snprintf(line, sizeof line, "Lo:%dHz %s  G:%sdB", freq, SlopeText(), gain);
        break;
    case FILTER_HIGH_SHELF:
        std::snprintf(line, sizeof line, "Hi %dHz %s  G:%sdB", freq, SlopeText(), gain);
        break;
    default: {
        const double q = OctavesToQ(BandwidthOct());
        const char* qFormat = q > 100.0 ? "Q:%.1f  " : q > 10.0 ? "Q:%.2f  " : "Q:%.3f  ";
        char qText[48];
        std::snprintf(qText, sizeof qText, qFormat, q);
        std::snprintf(line, sizeof line, "F:%dHz  %sG:%sdB", freq, qText, gain);
        break;
    }
    }
    char head[24];
    std::snprintf(head, sizeof head, "EQ%d\n", m_bandNo);
    m_text = std::string(head) + line;
    return m_text;
}

void CFilter::BeginMove(PlotPoint pt)
{
    const PlotPoint c = m_rcHandle.Centre();
    m_dragOffset = {pt.x - c.x, pt.y - c.y};
}

bool CFilter::Move(PlotPoint pt)
{
    if (m_pBand == nullptr)
        return false;
    const int x = std::clamp(pt.x - m_dragOffset.x - kPlotInsetX, 0, m_plotW);
    const int y = std::clamp(pt.y - m_dragOffset.y - kPlotInsetY, 0, m_plotH);
    PlaceCentre(PlotXToFreq(x, m_plotW), PlotYToGain(y, m_plotH));
    return true;
}

bool CFilter::MoveWidth(PlotPoint pt, WidthHandle handle)
{
    if (m_pBand == nullptr)
        return true;
    const double fp = PlotXToFreq(pt.x - kPlotInsetX, m_plotW);
    const double f = BandFreqHz();
    const double ratio = handle == WidthHandle::Left ? f / fp : fp / f;
    SetWidthOctaves(std::log10(ratio) / std::log10(2.0));
    return true;
}

bool CFilter::PlaceCentre(int hz, double gainDb)
{
    if (m_pBand == nullptr)
        return false;
    const BandParams before = *m_pBand;
    m_pBand->freqHz.Set(static_cast<std::int16_t>(std::clamp(hz, kMinFreqHz, kMaxFreqHz)));
    m_gainDb = std::clamp(gainDb, -kMaxGainDb, kMaxGainDb);
    m_bFlat = m_gainDb == 0.0;
    m_pBand->gainCode.Set(static_cast<std::int16_t>(GainCode()));
    Recompute(true);
    return !SameRecord(before, *m_pBand);
}

bool CFilter::SetWidthOctaves(double octaves)
{
    if (m_pBand == nullptr)
        return false;
    const BandParams before = *m_pBand;
    m_bwOct = std::clamp(octaves, kMinBwOct, kMaxBwOct);
    m_pBand->bwCode.Set(static_cast<std::int16_t>(OctavesToBwCode(m_bwOct)));
    Recompute(true);
    return !SameRecord(before, *m_pBand);
}
