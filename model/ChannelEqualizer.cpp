#include "model/ChannelEqualizer.h"

#include <algorithm>
#include <cassert>

namespace {

bool IsChannel(int channel) { return channel >= 0 && channel < kChannelCount; }

std::unique_ptr<CFilter> MakePassFilter(int type, PassParams* pass)
{
    auto filter = std::make_unique<CFilter>();
    filter->SetType(type);
    filter->AttachPass(pass);
    return filter;
}

}  // namespace

void CChannelEqualizer::Create(int count, int channel, BandTable* table)
{
    count = std::clamp(count, 0, kTableBandCount);
    m_filters.clear();
    for (int i = 0; i < count; ++i) {
        auto band = std::make_unique<CFilter>();
        band->AttachBand(&table->bands[i]);
        band->SetBandNumber(i + 1);
        m_filters.push_back(std::move(band));
    }
    m_filters.push_back(MakePassFilter(FILTER_HIGH_PASS, &table->pass));
    m_filters.push_back(MakePassFilter(FILTER_LOW_PASS, &table->pass));
    m_channel = channel;
    if (IsChannel(channel)) {
        m_rgbHandle = kChannelColours[channel].handle;
        m_argbCurveA = kChannelColours[channel].curveA;
    }
}

void CChannelEqualizer::SetPlotRect(const PlotRect& plot)
{
    // a graph smaller than its insets has an empty plot, never a negative one
    m_plotH = std::max(plot.Height(), 0);
    m_plotW = std::max(plot.Width(), 0);
    for (int i = 0; i < kGridSize; ++i) {
        const float x = static_cast<float>(FreqToPlotXf(kFreqGrid[i], m_plotW) + static_cast<double>(kPlotInsetX));
        m_curveA[i].x = x;
        m_curveB[i].x = x;
    }
    for (auto& filter : m_filters)
        filter->SetPlotRect(plot);
}

void CChannelEqualizer::ComputeCurves()
{
    const Response sumA = ParametricResponse();
    const Response sumB = NotchResponse();
    for (int i = 0; i < kGridSize; ++i) {
        m_curveA[i].y = static_cast<float>(GainToPlotY(sumA[i], m_plotH) + static_cast<double>(kPlotInsetY));
        m_curveB[i].y = static_cast<float>(GainToPlotY(sumB[i], m_plotH) + static_cast<double>(kPlotInsetY));
    }
}

Response CChannelEqualizer::ParametricResponse() const
{
    return SumOfResponses(0, std::min(kLastParametricBand, GetSize() - 1));
}

Response CChannelEqualizer::NotchResponse() const
{
    return SumOfResponses(kLastParametricBand + 1, GetSize() - 1);
}

// The stored responses of filters first..last summed, in dB.
Response CChannelEqualizer::SumOfResponses(int first, int last) const
{
    Response sum{};
    for (int f = first; f <= last; ++f) {
        const Response& response = m_filters[f]->GetResponse();
        for (int i = 0; i < kGridSize; ++i)
            sum[i] += response[i];
    }
    return sum;
}

CFilter& CChannelEqualizer::HighPass()
{
    assert(GetSize() >= 2);
    CFilter& filter = *m_filters[GetSize() - 2];
    assert(filter.GetType() == FILTER_HIGH_PASS);
    return filter;
}

CFilter& CChannelEqualizer::LowPass()
{
    assert(GetSize() >= 2);
    CFilter& filter = *m_filters[GetSize() - 1];
    assert(filter.GetType() == FILTER_LOW_PASS);
    return filter;
}

void CEqualizerModel::Build(const std::array<ChannelBlock, kChannelCount>& blocks)
{
    for (int c = 0; c < kChannelCount; ++c) {
        FillBandTable(m_tables[c], blocks[c]);
        CChannelEqualizer& eq = m_equalizers[c];
        eq.Create(kEqualizerBandCount, c, &m_tables[c]);
        eq.SetHandleColour(kChannelColours[c].handle);
        eq.SetCurveColour(kChannelColours[c].curveA);
        eq.SetCurve2Colour(kChannelColours[c].curveB);
    }
}

void CEqualizerModel::Reload(const std::array<ChannelBlock, kChannelCount>& blocks)
{
    for (int c = 0; c < kChannelCount; ++c) {
        BandTable& table = m_tables[c];
        CChannelEqualizer& eq = m_equalizers[c];
        const int bands = std::min(eq.GetSize() - 2, kTableBandCount);
        for (int k = 0; k < bands; ++k) {
            FillBandRecord(table, blocks[c], k);
            eq.GetAt(k).AttachBand(&table.bands[k]);
        }
        if (eq.GetSize() < 2)
            continue;
        SetHighPassOff(table.pass);
        eq.HighPass().AttachPass(&table.pass);
        SetLowPassOff(table.pass);
        eq.LowPass().AttachPass(&table.pass);
    }
}
