#include "model/Filter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// A 600 x 300 plot at the graph's insets: 0 dB lies on plot row 100 (client y 110).
constexpr PlotRect kPlot{35, 10, 635, 310};
constexpr int kZeroDbY = 110;

BandParams MakeBand(int hz, int gainCode, int bwCode, int slope = 0, int type = 0)
{
    BandParams rec{};
    rec.freqHz.Set(static_cast<std::int16_t>(hz));
    rec.gainCode.Set(static_cast<std::int16_t>(gainCode));
    rec.bwCode.Set(static_cast<std::int16_t>(bwCode));
    rec.slope = static_cast<std::uint8_t>(slope);
    rec.type = static_cast<std::uint8_t>(type);
    return rec;
}

class BandFixture : public ::testing::Test {
protected:
    void Bind(const BandParams& values, int bandNo = 8)
    {
        rec = values;
        band.AttachBand(&rec);
        band.SetBandNumber(bandNo);
        band.SetPlotRect(kPlot);
    }
    PlotPoint Centre() const { return band.HandleRect().Centre(); }

    BandParams rec{};
    CFilter band;
};

TEST_F(BandFixture, DefaultBandIsFlatOnTheZeroDbLine)
{
    Bind(MakeBand(1000, 120, 32));
    EXPECT_TRUE(band.IsFlat());
    for (int i = 0; i < kGridSize; ++i)
        EXPECT_EQ(0.0, band.GetResponse()[i]) << "index " << i;
    const auto& poly = band.Polygon();
    EXPECT_EQ((PlotPoint{35, kZeroDbY}), poly[0]);
    EXPECT_EQ((PlotPoint{635, kZeroDbY}), poly[242]);
    for (int i = 1; i <= kGridSize; ++i)
        EXPECT_EQ(kZeroDbY, poly[i].y) << "point " << i;
    EXPECT_EQ(34, poly[1].x);     // 19.7 Hz lies left of the plot
    EXPECT_EQ(374, poly[137].x);  // 1000 Hz
    EXPECT_EQ(635, poly[241].x);
    EXPECT_EQ("EQ8\nF:1000Hz  Q:3.889  G:0.0dB", band.Describe());
}

TEST_F(BandFixture, DescriptionTexts)
{
    const struct {
        BandParams rec;
        int bandNo;
        const char* text;
    } cases[] = {
        {MakeBand(1000, 90, 32), 3, "EQ3\nF:1000Hz  Q:3.889  G:-3.0dB"},
        {MakeBand(100, 150, 32, 1, 1), 1, "EQ1\nLo:100Hz 12dB/Oct  G:3.0dB"},
        {MakeBand(5000, 105, 32, 0, 2), 12, "EQ12\nHi 5000Hz 6dB/Oct  G:-1.5dB"},
        {MakeBand(5000, 120, 32, 9, 2), 2, "EQ2\nHi 5000Hz   G:0.0dB"},
        {MakeBand(250, 240, 0), 5, "EQ5\nF:250Hz  Q:28.85  G:12.0dB"},
        {MakeBand(63, 0, 295), 2, "EQ2\nF:63Hz  Q:0.404  G:-12.0dB"},
    };
    for (const auto& c : cases) {
        Bind(c.rec, c.bandNo);
        EXPECT_EQ(c.text, band.Describe());
    }
}

TEST_F(BandFixture, BoostedBandFollowsItsPeakingResponse)
{
    Bind(MakeBand(1000, 180, 32));
    EXPECT_FALSE(band.IsFlat());
    EXPECT_NEAR(6.0, band.GainDb(), 1e-12);
    EXPECT_NEAR(6.00, band.GetResponse()[136], 0.005);
    EXPECT_EQ(10 + 50, band.Polygon()[137].y);   // +6 dB is 50 rows above 0 dB
}

TEST_F(BandFixture, MoveToThePlotEdges)
{
    const struct {
        PlotPoint target;
        int freqHz;
        int gainCode;
    } cases[] = {
        {{35, 110}, 20, 120},        // left edge, 0 dB line
        {{635, 110}, 20000, 120},    // right edge
        {{335, 10}, 632, 240},       // top edge
        {{335, 310}, 632, 0},        // bottom edge
        {{-80, -80}, 20, 240},       // beyond the top-left corner
        {{900, 900}, 20000, 0},      // beyond the bottom-right corner
    };
    for (const auto& c : cases) {
        Bind(MakeBand(1000, 120, 32));
        band.BeginMove(Centre());
        EXPECT_TRUE(band.Move(c.target));
        EXPECT_EQ(c.freqHz, rec.freqHz.Get()) << c.target.x << "," << c.target.y;
        EXPECT_EQ(c.gainCode, rec.gainCode.Get()) << c.target.x << "," << c.target.y;
        EXPECT_EQ(c.gainCode == 120, band.IsFlat());
        EXPECT_EQ(32, rec.bwCode.Get());
    }
}

TEST_F(BandFixture, MoveKeepsTheGrabPointUnderThePointer)
{
    Bind(MakeBand(1000, 120, 32));
    const PlotPoint c = Centre();
    band.BeginMove({c.x + 3, c.y - 2});
    EXPECT_EQ((PlotPoint{3, -2}), band.DragOffset());
    EXPECT_TRUE(band.Move({235 + 3, 60 - 2}));   // centre to plot (200, 50)
    EXPECT_EQ(200, rec.freqHz.Get());
    EXPECT_EQ(180, rec.gainCode.Get());
    EXPECT_NEAR(6.0, band.GainDb(), 1e-12);
    EXPECT_NEAR(6.00, band.GetResponse()[FreqToGridIndex(200)], 0.005);
    EXPECT_EQ((PlotPoint{35 + 200, 10 + 50}), Centre());
}

TEST_F(BandFixture, HandleAtTwentyHertzAndTwelveDb)
{
    Bind(MakeBand(20, 240, 32));
    EXPECT_EQ((PlotRect{27, 10, 43, 26}), band.HandleRect());
    EXPECT_EQ((PlotRect{35, 45, 235, 111}), band.TextRect());
}

TEST_F(BandFixture, HandleAndTextAtTheRightEdge)
{
    Bind(MakeBand(20000, 120, 32));
    EXPECT_EQ((PlotRect{627, 102, 643, 118}), band.HandleRect());
    EXPECT_EQ((PlotRect{435, 137, 635, 203}), band.TextRect());
}

TEST_F(BandFixture, WidthHandlesBelowABoostAndAboveACut)
{
    Bind(MakeBand(1000, 180, 95));
    EXPECT_EQ((PlotRect{366, 52, 382, 68}), band.HandleRect());
    EXPECT_EQ((PlotRect{441, 66, 449, 74}), band.WidthRectR());
    EXPECT_EQ((PlotRect{300, 66, 308, 74}), band.WidthRectL());
    EXPECT_EQ((PlotRect{266, 87, 482, 153}), band.TextRect());

    Bind(MakeBand(1000, 60, 95));
    EXPECT_EQ((PlotRect{366, 152, 382, 168}), band.HandleRect());
    EXPECT_EQ((PlotRect{441, 146, 449, 154}), band.WidthRectR());
    EXPECT_EQ((PlotRect{300, 146, 308, 154}), band.WidthRectL());
    EXPECT_EQ((PlotRect{266, 102, 482, 202}), band.TextRect());
}

TEST_F(BandFixture, MoveWidthIsLimitedToThreeOctavesAndToOneTwentieth)
{
    const struct {
        bool left;
        int pointerX;
        int bwCode;
    } cases[] = {
        {false, 700, 295},    // right handle far beyond three octaves
        {false, 374, 0},      // right handle onto the centre
        {true, 374, 0},       // left handle onto the centre
        {true, 500, 0},       // left handle right of the centre
        {true, 35, 295},      // left handle at 20 Hz
        {false, 435, 95},     // right handle at 2000 Hz: one octave
    };
    for (const auto& c : cases) {
        Bind(MakeBand(1000, 180, 32));
        EXPECT_TRUE(band.MoveWidth({c.pointerX, 0}, c.left ? WidthHandle::Left : WidthHandle::Right));
        EXPECT_EQ(c.bwCode, rec.bwCode.Get()) << "x " << c.pointerX << (c.left ? " left" : " right");
        EXPECT_EQ(1000, rec.freqHz.Get());
        EXPECT_EQ(180, rec.gainCode.Get());
    }
}

// The limits every edit meets, the ones a drag meets at the plot's edges.
TEST_F(BandFixture, PlaceCentreLimitsFrequencyAndGainAsADragDoes)
{
    const struct {
        int hz;
        double gainDb;
        int freqHz;
        int gainCode;
        bool changed;
    } cases[] = {
        {1200, 3.0, 1200, 150, true},
        {10, 13.0, 20, 240, true},
        {30000, -20.0, 20000, 0, true},
        {1000, 6.0, 1000, 180, false},
        {1000, 0.0, 1000, 120, true},
        {1000, GainCodeToDb(181), 1000, 181, true},
        {1000, GainCodeToDb(119), 1000, 119, true},
    };
    for (const auto& c : cases) {
        Bind(MakeBand(1000, 180, 32));
        EXPECT_EQ(c.changed, band.PlaceCentre(c.hz, c.gainDb)) << c.hz << " Hz " << c.gainDb << " dB";
        EXPECT_EQ(c.freqHz, rec.freqHz.Get()) << c.hz << " Hz";
        EXPECT_EQ(c.gainCode, rec.gainCode.Get()) << c.gainDb << " dB";
        EXPECT_EQ(c.gainCode == kFlatGainCode, band.IsFlat());
        EXPECT_EQ(32, rec.bwCode.Get());
    }
}

TEST_F(BandFixture, EveryGainCodeIsOneStepFromItsNeighbours)
{
    Bind(MakeBand(1000, 0, 32));
    for (int code = 1; code <= kMaxGainCode; ++code) {
        EXPECT_TRUE(band.PlaceCentre(1000, GainCodeToDb(band.GainCode() + 1)));
        ASSERT_EQ(code, rec.gainCode.Get());
    }
    EXPECT_FALSE(band.PlaceCentre(1000, GainCodeToDb(band.GainCode() + 1)));
    EXPECT_EQ(kMaxGainCode, rec.gainCode.Get());
}

TEST_F(BandFixture, SetWidthOctavesLimitsTheWidthAsADragDoes)
{
    const struct {
        double octaves;
        int bwCode;
        bool changed;
    } cases[] = {
        {BwCodeToOctaves(33), 33, true}, {BwCodeToOctaves(31), 31, true}, {BwCodeToOctaves(32), 32, false},
        {5.0, 295, true},                {0.01, 0, true},                 {BwCodeToOctaves(296), 295, true},
        {BwCodeToOctaves(-1), 0, true},
    };
    for (const auto& c : cases) {
        Bind(MakeBand(1000, 180, 32));
        EXPECT_EQ(c.changed, band.SetWidthOctaves(c.octaves)) << c.octaves;
        EXPECT_EQ(c.bwCode, rec.bwCode.Get()) << c.octaves;
        EXPECT_EQ(1000, rec.freqHz.Get());
        EXPECT_EQ(180, rec.gainCode.Get());
    }
}

TEST_F(BandFixture, UnknownTypeIsDrawnAsAPeakingBandAndKeepsItsCode)
{
    Bind(MakeBand(1000, 180, 32, 0, 7));
    Response peak{};
    ComputePeakResponse(1000, 6.0, BwCodeToOctaves(32), peak);
    EXPECT_EQ(peak, band.GetResponse());
    EXPECT_EQ(7, band.GetType());
    EXPECT_EQ(7, rec.type);
    EXPECT_EQ("EQ8\nF:1000Hz  Q:3.889  G:6.0dB", band.Describe());

    // a pass-filter code in a band record still moves as a band
    Bind(MakeBand(1000, 180, 32, 0, FILTER_HIGH_PASS));
    band.BeginMove(Centre());
    EXPECT_TRUE(band.Move({35, 10}));
    EXPECT_EQ(20, rec.freqHz.Get());
}

TEST_F(BandFixture, OutOfRangeCodesAreDrawnClampedAndStayInTheRecord)
{
    Bind(MakeBand(1000, 500, -7));
    Response clamped{};
    ComputePeakResponse(1000, 12.0, BwCodeToOctaves(0), clamped);
    EXPECT_EQ(clamped, band.GetResponse());
    EXPECT_EQ(500, rec.gainCode.Get());
    EXPECT_EQ(-7, rec.bwCode.Get());

    for (int hz : {0, -100, 32767}) {
        Bind(MakeBand(hz, 60, 32, 1, FILTER_LOW_SHELF));
        EXPECT_EQ(hz, rec.freqHz.Get());
        for (double v : band.GetResponse())
            ASSERT_TRUE(std::isfinite(v)) << hz << " Hz";
        EXPECT_GE(band.HandleRect().left, 27);
        EXPECT_LE(band.HandleRect().right, 643);
    }
}

TEST_F(BandFixture, PlotSmallerThanItsInsetsIsEmpty)
{
    Bind(MakeBand(1000, 180, 32));
    band.SetPlotRect({35, 10, 20, 5});
    EXPECT_EQ(0, band.PlotWidth());
    EXPECT_EQ(0, band.PlotHeight());
    band.BeginMove(Centre());
    EXPECT_TRUE(band.Move({100, 100}));
    EXPECT_EQ(20, rec.freqHz.Get());
    EXPECT_EQ(120, rec.gainCode.Get());
}

TEST(PassFilter, RefusesToMoveAndStaysFlat)
{
    PassParams pass{};
    SetHighPassOff(pass);
    SetLowPassOff(pass);
    for (int type : {FILTER_HIGH_PASS, FILTER_LOW_PASS}) {
        CFilter filter;
        filter.SetType(type);
        filter.AttachPass(&pass);
        filter.SetPlotRect(kPlot);
        EXPECT_TRUE(filter.IsPassFilter());
        EXPECT_EQ(type == FILTER_HIGH_PASS ? 20 : 20000, filter.CurrentFreq());
        filter.BeginMove({100, 100});
        EXPECT_FALSE(filter.Move({300, 20}));
        EXPECT_EQ(20, pass.hpfHz.Get());
        EXPECT_EQ(20000, pass.lpfHz.Get());
        for (int i = 0; i < kGridSize; ++i)
            EXPECT_EQ(0.0, filter.GetResponse()[i]);
        EXPECT_EQ(kZeroDbY, filter.Polygon()[137].y);
        EXPECT_EQ("", filter.Describe());
    }
}

TEST(PassFilter, AttachPassNeedsAPassType)
{
    PassParams pass{};
    CFilter filter;
    filter.AttachPass(&pass);
    EXPECT_FALSE(filter.IsPassFilter());
}

TEST(FilterType, ShelfTypesKeepTheFrequencyInRange)
{
    BandParams rec = MakeBand(20000, 150, 32);
    CFilter band;
    band.AttachBand(&rec);
    band.SetType(FILTER_HIGH_SHELF);
    EXPECT_EQ(FILTER_HIGH_SHELF, rec.type);
    EXPECT_EQ(20000, rec.freqHz.Get());

    rec = MakeBand(25000, 150, 32);
    band.AttachBand(&rec);
    band.SetType(FILTER_LOW_SHELF);
    EXPECT_EQ(20000, rec.freqHz.Get());
    EXPECT_EQ(FILTER_LOW_SHELF, band.GetType());

    rec = MakeBand(5, 150, 32);
    band.AttachBand(&rec);
    band.SetType(FILTER_HIGH_SHELF);
    EXPECT_EQ(20, rec.freqHz.Get());
    EXPECT_EQ(20, band.CurrentFreq());
}

}  // namespace
