#include "model/ValueTables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

struct GridEntry {
    int index;
    double hz;
};

TEST(FreqGrid, CheckEntriesAndTheFourteenStoredExceptions)
{
    const GridEntry entries[] = {
        {0, 19.7},    {1, 20.3},    {16, 31.3},    {24, 39.4},    {40, 62.5},    {48, 78.7},
        {64, 125},    {88, 250},    {112, 500},    {136, 1000},   {160, 2000},   {184, 4000},
        {191, 4896},  {193, 5187},  {208, 8000},   {232, 16000},  {239, 19585},  {240, 20000},
        // stored where the unit departs from the rule
        {72, 158},    {76, 179},    {99, 344},     {105, 409},    {137, 1030},   {138, 1060},
        {139, 1090},  {140, 1123},  {142, 1190},   {182, 3776},   {192, 5000},   {217, 10374},
        {222, 11987},
        // neighbours of exceptions follow the rule
        {71, 153},    {73, 162},    {141, 1155},   {143, 1224},   {216, 10079},
    };
    for (const GridEntry& e : entries)
        EXPECT_DOUBLE_EQ(e.hz, kFreqGrid[e.index]) << "index " << e.index;
}

TEST(FreqGrid, StrictlyAscending)
{
    for (int i = 1; i < kGridSize; ++i)
        EXPECT_LT(kFreqGrid[i - 1], kFreqGrid[i]) << "index " << i;
}

TEST(Conversions, FreqToGridIndexTiesGoToTheHigherIndex)
{
    const struct {
        double hz;
        int index;
    } cases[] = {
        {20, 1}, {19.7, 0}, {40, 25}, {63, 40}, {100, 56}, {1000, 136},
        {5020, 192}, {19800, 240}, {25000, 240}, {0, 0}, {-5, 0}, {20.3, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.index, FreqToGridIndex(c.hz)) << c.hz << " Hz";
}

TEST(Conversions, StepGridHzWalksTheGridInWholeHertz)
{
    const struct {
        int hz;
        int steps;
        int stepped;
    } cases[] = {
        {1000, 1, 1030},   {1000, -1, 972},    {1010, 1, 1030},   {1010, -1, 1000},   // off the grid: the next entry
        {1000, 10, 1335},  {1000, -10, 749},   {1000, 0, 1000},
        {20, 1, 21},       {21, 1, 22},        {22, 1, 23},       {23, 1, 24},        // 20.3, 22.1 and 23.4 Hz round onto neighbours
        {24, -1, 23},      {23, -1, 22},       {20, 10, 30},
        {20, -1, 20},      {20, -10, 20},      {20000, 1, 20000}, {19585, 1, 20000},  // the grid's ends
        {19000, 10, 20000}, {25000, 1, 25000}, {25000, -1, 20000}, {5, 1, 20},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.stepped, StepGridHz(c.hz, c.steps)) << c.hz << " Hz, " << c.steps << " steps";
}

TEST(Conversions, OctavesToBwCodeStaysAtOrBelowTheOctavesGiven)
{
    const struct {
        double oct;
        int code;
    } cases[] = {{0.05, 0}, {0.37, 32}, {1.0, 95}, {2.0, 195}, {3.0, 295}, {0.3649, 31}};
    for (const auto& c : cases)
        EXPECT_EQ(c.code, OctavesToBwCode(c.oct)) << c.oct << " octaves";
}

TEST(Conversions, DbToGainCodeRoundsHalfUp)
{
    const struct {
        double db;
        int code;
    } cases[] = {{0, 120}, {-12, 0}, {12, 240}, {6, 180}, {0.5, 125}, {-3.04, 90},};
    for (const auto& c : cases)
        EXPECT_EQ(c.code, DbToGainCode(c.db)) << c.db << " dB";
}

TEST(Conversions, CodesToEngineeringValues)
{
    EXPECT_DOUBLE_EQ(0.05, BwCodeToOctaves(0));
    EXPECT_NEAR(0.37, BwCodeToOctaves(32), 1e-12);
    EXPECT_NEAR(3.0, BwCodeToOctaves(295), 1e-12);
    EXPECT_NEAR(-3.0, GainCodeToDb(90), 1e-12);
    EXPECT_DOUBLE_EQ(0.0, GainCodeToDb(120));
    EXPECT_NEAR(3.889, OctavesToQ(0.37), 0.0005);
    EXPECT_NEAR(1.4142, OctavesToQ(1.0), 0.0001);
}

TEST(PlotMapping, PlotXToFreqCoversTwentyHzToTwentyKhzForEveryWidth)
{
    for (int w : {3, 100, 454, 600, 601, 1000}) {
        EXPECT_EQ(20, PlotXToFreq(0, w)) << "w " << w;
        EXPECT_EQ(20000, PlotXToFreq(w, w)) << "w " << w;
        EXPECT_EQ(20, PlotXToFreq(-40, w)) << "w " << w;
    }
    EXPECT_EQ(200, PlotXToFreq(200, 600));
    EXPECT_EQ(632, PlotXToFreq(300, 600));
    EXPECT_EQ(20, PlotXToFreq(5, 2));   // too narrow for a decade
}

TEST(PlotMapping, FreqToPlotXAndItsInverseSideBySide)
{
    EXPECT_EQ(0, FreqToPlotX(20, 600));
    EXPECT_EQ(339, FreqToPlotX(1000, 600));
    EXPECT_EQ(600, FreqToPlotX(20000, 600));
    EXPECT_EQ(-1, FreqToPlotX(19.7, 600));
    EXPECT_NEAR(-1.3, FreqToPlotXf(19.7, 600), 0.05);
    EXPECT_FLOAT_EQ(600.0f, FreqToPlotXf(20000, 600));
    EXPECT_EQ(0, FreqToPlotX(1000, 2));
    for (int x : {0, 57, 200, 339, 480}) {
        const int f = PlotXToFreq(x, 600);
        EXPECT_LE(FreqToPlotX(f, 600), x) << "x " << x;
        EXPECT_GE(FreqToPlotX(f + 1, 600), x - 1) << "x " << x;
    }
}

TEST(PlotMapping, GainToPlotYAndItsInverseSideBySide)
{
    EXPECT_FLOAT_EQ(0.0f, GainToPlotY(12, 300));
    EXPECT_FLOAT_EQ(100.0f, GainToPlotY(0, 300));
    EXPECT_FLOAT_EQ(300.0f, GainToPlotY(-24, 300));
    EXPECT_DOUBLE_EQ(12.0, PlotYToGain(0, 300));
    EXPECT_DOUBLE_EQ(0.0, PlotYToGain(100, 300));   // released on the 0 dB line reads 0.0 dB
    EXPECT_DOUBLE_EQ(-24.0, PlotYToGain(300, 300));
    EXPECT_DOUBLE_EQ(0.0, PlotYToGain(0, 0));
    EXPECT_EQ(120, DbToGainCode(PlotYToGain(46, 138)));
}

TEST(PlotMapping, TruncPixelKeepsNonFiniteValuesInRange)
{
    EXPECT_EQ(-1, TruncPixel(-1.9));
    EXPECT_EQ(339, TruncPixel(339.79));
    EXPECT_EQ(0, TruncPixel(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(1 << 24, TruncPixel(std::numeric_limits<double>::infinity()));
    EXPECT_EQ(-(1 << 24), TruncPixel(-std::numeric_limits<double>::infinity()));
}

class BandTableFill : public ::testing::Test {
protected:
    void SetUp() override
    {
        block = DefaultChannelBlock();
        std::memset(static_cast<void*>(&table), 0xCC, sizeof table);
    }
    ChannelBlock block{};
    BandTable table{};
};

TEST_F(BandTableFill, ParametricBandsAreCopiedFieldByField)
{
    block.bands[4] = BandParams{};
    block.bands[4].freqHz.Set(321);
    block.bands[4].gainCode.Set(77);
    block.bands[4].bwCode.Set(150);
    block.bands[4].slope = 1;
    block.bands[4].type = 2;
    FillBandTable(table, block);
    const BandParams& rec = table.bands[4];
    EXPECT_EQ(321, rec.freqHz.Get());
    EXPECT_EQ(77, rec.gainCode.Get());
    EXPECT_EQ(150, rec.bwCode.Get());
    EXPECT_EQ(1, rec.slope);
    EXPECT_EQ(2, rec.type);
    EXPECT_EQ(1000, table.bands[7].freqHz.Get());
    EXPECT_EQ(120, table.bands[7].gainCode.Get());
    EXPECT_EQ(32, table.bands[7].bwCode.Get());
}

TEST_F(BandTableFill, NotchesBecomeFlatOrSixDbBands)
{
    const struct {
        std::int16_t notchHz;
        int freqHz;
        int gainCode;
    } cases[] = {{15, 20, 120}, {20, 20, 120}, {21, 21, 60}, {1000, 1000, 60}, {-300, 20, 120}};
    for (const auto& c : cases) {
        block.notches[3].freqHz.Set(c.notchHz);
        block.notches[3].aux.Set(0x1234);
        FillBandTable(table, block);
        const BandParams& rec = table.bands[kBandCount + 3];
        EXPECT_EQ(c.freqHz, rec.freqHz.Get()) << "notch " << c.notchHz;
        EXPECT_EQ(c.gainCode, rec.gainCode.Get()) << "notch " << c.notchHz;
        EXPECT_EQ(0, rec.bwCode.Get());
        EXPECT_EQ(0, rec.slope);
        EXPECT_EQ(0, rec.type);
    }
}

TEST_F(BandTableFill, PassRecordHoldsTheOffCorners)
{
    FillBandTable(table, block);
    const std::uint8_t expected[8] = {20, 0, 0, 0, 0x20, 0x4E, 0, 0};
    EXPECT_EQ(0, std::memcmp(expected, &table.pass, 8));
}

TEST_F(BandTableFill, RecordOutsideTheTableIsIgnored)
{
    const BandTable before = table;
    FillBandRecord(table, block, -1);
    FillBandRecord(table, block, kTableBandCount);
    EXPECT_EQ(0, std::memcmp(&before, &table, sizeof table));
}

}  // namespace
