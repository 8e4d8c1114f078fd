#include "model/ChannelEqualizer.h"

#include <gtest/gtest.h>

namespace {

constexpr PlotRect kPlot{35, 10, 635, 310};   // 600 x 300
constexpr float kZeroDbCurveY = 300.0f / 3.0f + 10.0f;
constexpr float kRowsPerHundredthDb = 300.0f / 36.0f * 0.01f;

class Equalizers : public ::testing::Test {
protected:
    void SetUp() override
    {
        BuildEqualizers(false);
        for (int c = 0; c < kChannelCount; ++c)
            m_model.Channel(c).SetPlotRect(kPlot);
    }

    // Both equalizers built from the image, its defaults loaded first unless keepImage.
    void BuildEqualizers(bool keepImage)
    {
        if (!keepImage)
            m_image.LoadDefaults();
        m_model.Build(m_image.Channels());
    }
    void ReloadEqualizers() { m_model.Reload(m_image.Channels()); }

    void SetImageBand(int channel, int k, int hz, int gainCode)
    {
        m_image.channels[channel].bands[k].freqHz.Set(static_cast<std::int16_t>(hz));
        m_image.channels[channel].bands[k].gainCode.Set(static_cast<std::int16_t>(gainCode));
    }
    void SetImageNotch(int channel, int i, int hz)
    {
        m_image.channels[channel].notches[i].freqHz.Set(static_cast<std::int16_t>(hz));
    }
    static void ExpectFlat(const std::array<PlotPointF, kGridSize>& curve, const char* name)
    {
        for (int i = 0; i < kGridSize; ++i)
            EXPECT_FLOAT_EQ(kZeroDbCurveY, curve[i].y) << name << " point " << i;
    }

    CParameterImage m_image;
    CEqualizerModel m_model;
};

TEST_F(Equalizers, CreateLaysOutTwentySixFiltersWithThePassFiltersLast)
{
    for (int c = 0; c < kChannelCount; ++c) {
        CChannelEqualizer& eq = m_model.Channel(c);
        ASSERT_EQ(26, eq.GetSize());
        EXPECT_EQ(c, eq.Channel());
        EXPECT_EQ(&eq.GetAt(24), &eq.HighPass());
        EXPECT_EQ(&eq.GetAt(25), &eq.LowPass());
        EXPECT_EQ(FILTER_HIGH_PASS, eq.HighPass().GetType());
        EXPECT_EQ(FILTER_LOW_PASS, eq.LowPass().GetType());
        EXPECT_EQ(20, eq.HighPass().CurrentFreq());
        EXPECT_EQ(20000, eq.LowPass().CurrentFreq());
        for (int k = 0; k < kTableBandCount; ++k)
            EXPECT_EQ(&m_model.Table(c).bands[k], eq.GetAt(k).Band()) << "band " << k;
        EXPECT_EQ(0, eq.GetAt(0).Describe().rfind("EQ1\nF:40Hz", 0));
        EXPECT_EQ(0, eq.GetAt(11).Describe().rfind("EQ12\nF:6300Hz", 0));
        EXPECT_EQ(0, eq.GetAt(12).Describe().rfind("EQ13\nF:20Hz", 0));
    }
}

TEST_F(Equalizers, ChannelColours)
{
    EXPECT_EQ(0x000000FFu, m_model.Channel(0).GetHandleColour());
    EXPECT_EQ(0xFFFF0000u, m_model.Channel(0).GetCurveColour());
    EXPECT_EQ(0xFF8080C0u, m_model.Channel(0).GetCurve2Colour());
    EXPECT_EQ(0x0000C000u, m_model.Channel(1).GetHandleColour());
    EXPECT_EQ(0xFF00C000u, m_model.Channel(1).GetCurveColour());
    EXPECT_EQ(0xFFFF2CFFu, m_model.Channel(1).GetCurve2Colour());
}

TEST(Equalizer, StartsEmptyAndBlack)
{
    CChannelEqualizer eq;
    EXPECT_EQ(0, eq.GetSize());
    EXPECT_EQ(0xFF000000u, eq.GetCurveColour());
    EXPECT_EQ(0xFF000000u, eq.GetCurve2Colour());
    eq.ComputeCurves();
    EXPECT_FLOAT_EQ(0.0f, eq.CurveA()[0].x);
}

TEST(Equalizer, CreateStaysInsideTheBandTableAndKnownColours)
{
    BandTable table{};
    CChannelEqualizer eq;
    eq.Create(40, 5, &table);
    EXPECT_EQ(26, eq.GetSize());
    EXPECT_EQ(0u, eq.GetHandleColour());
    EXPECT_EQ(0xFF000000u, eq.GetCurveColour());
    eq.Create(3, 1, &table);
    EXPECT_EQ(5, eq.GetSize());
    EXPECT_EQ(&eq.GetAt(3), &eq.HighPass());
    EXPECT_EQ(0xFF00C000u, eq.GetCurveColour());
    EXPECT_EQ(0xFF000000u, eq.GetCurve2Colour());
}

TEST_F(Equalizers, BuildingTwiceKeepsTwentySixFilters)
{
    BuildEqualizers(true);
    EXPECT_EQ(26, m_model.Channel(0).GetSize());
    EXPECT_EQ(26, m_model.Channel(1).GetSize());
}

TEST_F(Equalizers, BuildKeepsOrReloadsTheImage)
{
    SetImageBand(1, 2, 300, 150);
    BuildEqualizers(true);
    EXPECT_EQ(300, m_model.Table(1).bands[2].freqHz.Get());
    EXPECT_NEAR(3.0, m_model.Channel(1).GetAt(2).GainDb(), 1e-12);
    BuildEqualizers(false);
    EXPECT_EQ(100, m_model.Table(1).bands[2].freqHz.Get());
    EXPECT_TRUE(m_model.Channel(1).GetAt(2).IsFlat());
}

TEST_F(Equalizers, FlatCurvesLieOnTheZeroDbLine)
{
    for (int c = 0; c < kChannelCount; ++c) {
        CChannelEqualizer& eq = m_model.Channel(c);
        eq.ComputeCurves();
        ExpectFlat(eq.CurveA(), "curve A");
        ExpectFlat(eq.CurveB(), "curve B");
    }
}

TEST_F(Equalizers, CurveXPositionsForSixHundredPixels)
{
    const CChannelEqualizer& eq = m_model.Channel(0);
    EXPECT_NEAR(33.7f, eq.CurveA()[0].x, 0.05f);
    EXPECT_FLOAT_EQ(635.0f, eq.CurveA()[240].x);
    EXPECT_NEAR(374.79f, eq.CurveA()[136].x, 0.01f);
    EXPECT_FLOAT_EQ(eq.CurveA()[100].x, eq.CurveB()[100].x);
    EXPECT_EQ(600, eq.PlotWidth());
    EXPECT_EQ(300, eq.PlotHeight());
    EXPECT_EQ(600, eq.GetAt(5).PlotWidth());
}

TEST_F(Equalizers, PlotSmallerThanItsInsetsIsEmpty)
{
    CChannelEqualizer& eq = m_model.Channel(1);
    eq.SetPlotRect({35, 10, 20, 5});
    EXPECT_EQ(0, eq.PlotWidth());
    EXPECT_EQ(0, eq.PlotHeight());
    EXPECT_EQ(0, eq.GetAt(3).PlotWidth());
}

TEST_F(Equalizers, TwoSixDbBandsAddToTwelve)
{
    SetImageBand(0, 6, 1000, 180);
    SetImageBand(0, 7, 1000, 180);
    ReloadEqualizers();
    CChannelEqualizer& eq = m_model.Channel(0);
    eq.ComputeCurves();
    EXPECT_NEAR(GainToPlotY(12.0, 300) + 10.0f, eq.CurveA()[136].y, kRowsPerHundredthDb);
    const double sum = eq.GetAt(6).GetResponse()[100] + eq.GetAt(7).GetResponse()[100];
    EXPECT_FLOAT_EQ(GainToPlotY(sum, 300) + 10.0f, eq.CurveA()[100].y);
    ExpectFlat(eq.CurveB(), "curve B");
    m_model.Channel(1).ComputeCurves();
    ExpectFlat(m_model.Channel(1).CurveA(), "CH B curve A");
}

TEST_F(Equalizers, NotchShapesOnlyTheSecondCurve)
{
    SetImageNotch(1, 4, 1000);
    ReloadEqualizers();
    CChannelEqualizer& eq = m_model.Channel(1);
    eq.ComputeCurves();
    EXPECT_NEAR(GainToPlotY(-6.0, 300) + 10.0f, eq.CurveB()[136].y, kRowsPerHundredthDb);
    ExpectFlat(eq.CurveA(), "curve A");
    EXPECT_EQ(60, m_model.Table(1).bands[16].gainCode.Get());
}

// The response a measurement is corrected by is the first curve in dB; a notch is not in it.
TEST_F(Equalizers, ParametricResponseIsTheFirstCurveInDb)
{
    SetImageBand(0, 2, 200, 60);
    SetImageBand(0, 9, 5000, 200);
    SetImageNotch(0, 1, 1000);
    ReloadEqualizers();
    CChannelEqualizer& eq = m_model.Channel(0);
    eq.ComputeCurves();
    const Response response = eq.ParametricResponse();
    for (int i = 0; i < kGridSize; ++i)
        ASSERT_EQ(GainToPlotY(response[i], 300) + 10.0f, eq.CurveA()[i].y) << "grid point " << i;
    EXPECT_NEAR(response[FreqToGridIndex(200)], -6.0, 0.01);
    EXPECT_NEAR(response[FreqToGridIndex(5000)], 8.0, 0.01);
    EXPECT_NEAR(response[kGridIndex1000Hz], 0.0, 0.05) << "the notch at 1000 Hz is the second curve's";
}

TEST_F(Equalizers, ReloadKeepsFiltersNumbersAndColours)
{
    CChannelEqualizer& eq = m_model.Channel(0);
    CFilter* band3 = &eq.GetAt(2);
    m_model.Table(0).pass.hpfHz.Set(500);
    m_model.Table(0).pass.lpfHz.Set(900);
    SetImageBand(0, 2, 250, 90);
    ReloadEqualizers();
    EXPECT_EQ(band3, &eq.GetAt(2));
    EXPECT_EQ(250, band3->CurrentFreq());
    EXPECT_EQ("EQ3\nF:250Hz  Q:3.889  G:-3.0dB", band3->Describe());
    EXPECT_EQ(20, m_model.Table(0).pass.hpfHz.Get());
    EXPECT_EQ(20000, m_model.Table(0).pass.lpfHz.Get());
    EXPECT_EQ(0xFFFF0000u, eq.GetCurveColour());
    EXPECT_EQ(600, band3->PlotWidth());
    EXPECT_EQ(TruncPixel(GainToPlotY(-3.0, 300)) - 8 + 10, band3->HandleRect().top);
}

TEST_F(Equalizers, ReloadOverwritesAGraphEditWithTheImage)
{
    CFilter& band = m_model.Channel(0).GetAt(7);
    band.BeginMove(band.HandleRect().Centre());
    ASSERT_TRUE(band.Move({135, 10}));
    EXPECT_EQ(240, m_model.Table(0).bands[7].gainCode.Get());
    ReloadEqualizers();
    EXPECT_EQ(120, m_model.Table(0).bands[7].gainCode.Get());
    EXPECT_TRUE(band.IsFlat());
}

}  // namespace
