// Fitting a channel's bands to a measurement: measurements made of the unit's own bands,
// inverted, fit back; cuts only leaves no band above 0 dB; a boost lowers the gain by the
// largest rise; the band limit, the range and the refusals; a target curve; the same inputs
// give the same bands.
#include "model/EqualizerFit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ostream>
#include <vector>

namespace {

constexpr int kGainCode0Db = 80;

BandParams Band(int hz, int gainCode, int bwCode, int type = FILTER_PEAK, int slope = kSlope6dBPerOct)
{
    BandParams band{};
    band.freqHz.Set(static_cast<std::int16_t>(hz));
    band.gainCode.Set(static_cast<std::int16_t>(gainCode));
    band.bwCode.Set(static_cast<std::int16_t>(bwCode));
    band.type = static_cast<std::uint8_t>(type);
    band.slope = static_cast<std::uint8_t>(slope);
    return band;
}

// The unit's defaults: twelve flat peaking bands.
ChannelBands FlatBands()
{
    return ChannelBandsOf(DefaultChannelBlock());
}

// 1,000 points from 20 Hz to 20 kHz, evenly spaced in log frequency, of level(hz).
template <class Level>
std::vector<MeasurementPoint> Measured(Level level)
{
    std::vector<MeasurementPoint> points;
    for (int i = 0; i < 1000; ++i) {
        const double hz = 20.0 * std::pow(1000.0, i / 999.0);
        points.push_back({hz, level(hz)});
    }
    return points;
}

// What a room whose response is the inverse of these bands measures: the bands undo it.
std::vector<MeasurementPoint> InverseOf(const std::vector<BandParams>& bands)
{
    return Measured([&](double hz) {
        double db = 0.0;
        for (const BandParams& band : bands)
            db -= SectionDbAt(BandSection(band), hz, kSampleRate);
        return db;
    });
}

// A room of modes, a dip and a falling treble: something to correct, not made of bands.
double Room(double hz)
{
    const auto resonance = [hz](double f0, double db, double q) {
        const double x = q * (hz / f0 - f0 / hz);
        return db / (1.0 + x * x);
    };
    return resonance(45.0, 8.0, 4.0) + resonance(70.0, 5.0, 5.0) + resonance(125.0, -9.0, 3.0) +
           resonance(2500.0, -3.0, 2.0) + resonance(6000.0, 3.0, 3.0) - std::max(0.0, std::log2(hz / 1000.0));
}

struct KnownAnswer {
    const char* name;
    std::vector<BandParams> bands;
    double maxBoostDb;
};

void PrintTo(const KnownAnswer& c, std::ostream* os) { *os << c.name; }

const KnownAnswer kKnownAnswers[] = {
    {"one cut", {Band(1000, 60, 45)}, 0.0},
    {"three cuts", {Band(63, 50, 20), Band(250, 90, 60), Band(2000, 80, 30)}, 0.0},
    {"cuts and a low shelf", {Band(100, 70, 32, FILTER_LOW_SHELF, kSlope12dBPerOct), Band(500, 85, 40), Band(4000, 95, 80)},
     0.0},
    {"a high shelf", {Band(5000, 90, 32, FILTER_HIGH_SHELF, kSlope6dBPerOct), Band(160, 70, 25)}, 0.0},
    {"cuts and boosts", {Band(80, 60, 30), Band(400, 160, 50), Band(3150, 70, 25), Band(8000, 150, 90)}, 6.0},
};

class FitKnownAnswer : public testing::TestWithParam<KnownAnswer> {};

TEST_P(FitKnownAnswer, FitsTheUnitsOwnBandsBack)
{
    const KnownAnswer& c = GetParam();
    const CMeasurementCurve measured(InverseOf(c.bands));
    FitOptions options;
    options.maxBoostDb = c.maxBoostDb;
    const EqualizerFit fit = FitBands(measured, CMeasurementCurve(), options, FlatBands(), kGainCode0Db);
    ASSERT_EQ(fit.problem, FitProblem::None);
    EXPECT_GT(fit.before.rmsDb, 1.0);
    EXPECT_LE(fit.after.rmsDb, 0.1);
    EXPECT_FALSE(fit.alreadyWithin);
}

INSTANTIATE_TEST_SUITE_P(Bands, FitKnownAnswer, testing::ValuesIn(kKnownAnswers));

TEST(EqualizerFit, CutsOnlyLeavesNoBandAboveZeroAndTheGainAsItWas)
{
    const CMeasurementCurve room(Measured(Room));
    const EqualizerFit fit = FitBands(room, CMeasurementCurve(), FitOptions{}, FlatBands(), 70);
    ASSERT_EQ(fit.problem, FitProblem::None);
    EXPECT_EQ(fit.used, kBandCount);
    for (const BandParams& band : fit.bands)
        EXPECT_LE(band.gainCode.Get(), kFlatGainCode);
    const Response response = BandsResponse(fit.bands);
    EXPECT_LE(*std::max_element(response.begin(), response.end()), kFitBoostSlackDb);
    EXPECT_EQ(fit.largestBoostDb, 0.0);
    EXPECT_EQ(fit.gainCode, 70);
    EXPECT_EQ(fit.gainLoweredDb, 0);
    EXPECT_LT(fit.after.rmsDb, fit.before.rmsDb / 3.0);
    EXPECT_LE(fit.after.largestDb, fit.before.largestDb);
}

// A 12 dB/Oct shelf overshoots its cut by up to 0.01 dB; twelve of them stacked would rise above
// 0 dB where nothing may: the fit gives some of them the gentle slope instead.
TEST(EqualizerFit, StackedSteepShelvesDoNotRiseAboveTheBoostAllowed)
{
    const CMeasurementCurve step(Measured([](double hz) { return hz < 200.0 ? 600.0 : 0.0; }));
    const EqualizerFit fit = FitBands(step, CMeasurementCurve(), FitOptions{}, FlatBands(), 70);
    ASSERT_EQ(fit.used, kBandCount);
    int steep = 0;
    for (const BandParams& band : fit.bands) {
        EXPECT_EQ(band.type, FILTER_LOW_SHELF);
        EXPECT_EQ(band.gainCode.Get(), kMinGainCode);
        steep += band.slope == kSlope12dBPerOct;
    }
    EXPECT_GT(steep, 0);
    const Response response = BandsResponse(fit.bands);
    EXPECT_LE(*std::max_element(response.begin() + 1, response.end()), kFitBoostSlackDb);
    EXPECT_EQ(fit.gainCode, 70);
}

// A boost allowed: no band above it, their sum nowhere above it, and the channel's gain down
// by the sum's highest rise in whole dB, so that nothing is louder than before.
TEST(EqualizerFit, ABoostLowersTheGainByTheLargestRise)
{
    const CMeasurementCurve room(Measured(Room));
    FitOptions options;
    options.maxBoostDb = 4.0;
    const EqualizerFit fit = FitBands(room, CMeasurementCurve(), options, FlatBands(), 75);
    ASSERT_EQ(fit.problem, FitProblem::None);
    for (const BandParams& band : fit.bands)
        EXPECT_LE(band.gainCode.Get(), DbToGainCode(4.0));
    const Response response = BandsResponse(fit.bands);
    const double top = *std::max_element(response.begin() + 1, response.end());
    EXPECT_GT(top, 1.0) << "the room's dips want a boost";
    EXPECT_LE(top, 4.0 + kFitBoostSlackDb);
    EXPECT_DOUBLE_EQ(fit.largestBoostDb, top);
    EXPECT_EQ(fit.gainLoweredDb, static_cast<int>(std::ceil(top - kFitBoostSlackDb)));
    EXPECT_EQ(fit.gainCode, 75 - fit.gainLoweredDb);
    EXPECT_LE(top - fit.gainLoweredDb, kFitBoostSlackDb) << "nothing louder than before";

    // a gain at its bottom goes no lower
    const EqualizerFit atBottom = FitBands(room, CMeasurementCurve(), options, FlatBands(), 1);
    EXPECT_EQ(atBottom.gainCode, 0);
    EXPECT_EQ(atBottom.gainLoweredDb, 1);
}

TEST(EqualizerFit, UsesNoMoreBandsThanAskedAndSetsTheRestFlat)
{
    const CMeasurementCurve room(Measured(Room));
    ChannelBands before = FlatBands();
    before[10] = Band(3000, 150, 60);   // a band the fit has no use for is set flat
    for (int n : {1, 3, 7}) {
        FitOptions options;
        options.bands = n;
        const EqualizerFit fit = FitBands(room, CMeasurementCurve(), options, before, kGainCode0Db);
        ASSERT_EQ(fit.problem, FitProblem::None);
        EXPECT_EQ(fit.used, n);
        for (int k = 0; k < kBandCount; ++k)
            EXPECT_EQ(fit.bands[k].gainCode.Get() != kFlatGainCode, k < n) << n << " bands, band " << k + 1;
        for (int k = 1; k < n; ++k)
            EXPECT_LE(fit.bands[k - 1].freqHz.Get(), fit.bands[k].freqHz.Get()) << "rising in frequency";
        EXPECT_EQ(fit.bands[10].freqHz.Get(), 3000) << "a flat band keeps its other codes";
    }
}

// Every band is one the unit holds, and a peak lies within the range fitted.
TEST(EqualizerFit, BandsAreTheUnitsAndPeaksLieInTheRange)
{
    const CMeasurementCurve room(Measured(Room));
    FitOptions options;
    options.range = FitRange{40.0, 400.0};
    options.maxBoostDb = 3.0;
    const EqualizerFit fit = FitBands(room, CMeasurementCurve(), options, FlatBands(), kGainCode0Db);
    ASSERT_EQ(fit.problem, FitProblem::None);
    EXPECT_EQ(fit.range.lowHz, 40.0);
    EXPECT_EQ(fit.range.highHz, 400.0);
    for (int k = 0; k < fit.used; ++k) {
        const BandParams& band = fit.bands[k];
        EXPECT_LE(band.type, FILTER_HIGH_SHELF);
        EXPECT_GE(band.gainCode.Get(), kMinGainCode);
        EXPECT_LE(band.gainCode.Get(), DbToGainCode(3.0));
        EXPECT_GE(band.bwCode.Get(), kMinBwCode);
        EXPECT_LE(band.bwCode.Get(), kMaxBwCode);
        EXPECT_GE(band.freqHz.Get(), kMinFreqHz);
        EXPECT_LE(band.freqHz.Get(), kMaxFreqHz);
        if (band.type == FILTER_PEAK) {
            const double centre = kFreqGrid[FreqToGridIndex(band.freqHz.Get())];
            EXPECT_GE(centre, 39.4) << "band " << k + 1;
            EXPECT_LE(centre, 400.0) << "band " << k + 1;
        }
    }
    EXPECT_LT(fit.after.rmsDb, 0.5);
    EXPECT_GE(fit.after.largestHz, 40.0);
    EXPECT_LE(fit.after.largestHz, 400.0);
}

TEST(EqualizerFit, FitsToATargetHeldBeyondItsEnds)
{
    // the target: 3 dB more below 100 Hz, given only from 50 Hz to 5 kHz
    const std::vector<MeasurementPoint> house{{50, 3}, {100, 3}, {200, 0}, {5000, 0}};
    const std::vector<BandParams> bumps{Band(1000, 70, 40), Band(300, 90, 30)};
    const CMeasurementCurve measured(Measured([&](double hz) {
        const double target = hz <= 100.0 ? 3.0 : hz >= 200.0 ? 0.0 : 3.0 - 3.0 * std::log2(hz / 100.0);
        double db = target;
        for (const BandParams& band : bumps)
            db -= SectionDbAt(BandSection(band), hz, kSampleRate);
        return db;
    }));
    const EqualizerFit toHouse = FitBands(measured, CMeasurementCurve(house), FitOptions{}, FlatBands(), kGainCode0Db);
    EXPECT_LE(toHouse.after.rmsDb, 0.15);
    const EqualizerFit toFlat = FitBands(measured, CMeasurementCurve(), FitOptions{}, FlatBands(), kGainCode0Db);
    EXPECT_GT(toFlat.before.rmsDb, toHouse.before.rmsDb);
}

TEST(EqualizerFit, AMeasurementAlreadyCloseLeavesTheBandsAndGainAsTheyAre)
{
    const CMeasurementCurve nearlyFlat(Measured([](double hz) { return 0.3 * std::sin(std::log2(hz)); }));
    ChannelBands before = FlatBands();
    before[2] = Band(20000, 121, 10);   // 0.1 dB at the very top: still close
    const EqualizerFit fit = FitBands(nearlyFlat, CMeasurementCurve(), FitOptions{}, before, 66);
    EXPECT_TRUE(fit.alreadyWithin);
    EXPECT_LE(fit.before.rmsDb, kFitAlreadyWithinDb);
    EXPECT_EQ(std::memcmp(fit.bands.data(), before.data(), sizeof before), 0);
    EXPECT_EQ(fit.gainCode, 66);
    EXPECT_EQ(fit.used, 0);
    EXPECT_EQ(fit.after.rmsDb, fit.before.rmsDb);

    // the same measurement through bands that spoil it is not
    before[5] = Band(1000, 40, 60);
    const EqualizerFit spoilt = FitBands(nearlyFlat, CMeasurementCurve(), FitOptions{}, before, 66);
    EXPECT_FALSE(spoilt.alreadyWithin);
    EXPECT_GT(spoilt.before.rmsDb, 1.0);
    EXPECT_LE(spoilt.after.rmsDb, kFitAlreadyWithinDb);
}

TEST(EqualizerFit, TheSameInputsGiveTheSameBands)
{
    const CMeasurementCurve room(Measured(Room));
    FitOptions options;
    options.maxBoostDb = 6.0;
    const EqualizerFit first = FitBands(room, CMeasurementCurve(), options, FlatBands(), kGainCode0Db);
    for (int run = 0; run < 3; ++run) {
        const EqualizerFit again = FitBands(room, CMeasurementCurve(), options, FlatBands(), kGainCode0Db);
        EXPECT_EQ(std::memcmp(again.bands.data(), first.bands.data(), sizeof first.bands), 0);
        EXPECT_EQ(again.gainCode, first.gainCode);
        EXPECT_EQ(again.after.rmsDb, first.after.rmsDb);
    }
}

struct RefusalCase {
    const char* name;
    std::vector<MeasurementPoint> points;
    FitOptions options;
    FitProblem problem;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

std::vector<MeasurementPoint> Points(int count, double fromHz, double toHz)
{
    std::vector<MeasurementPoint> points;
    for (int i = 0; i < count; ++i)
        points.push_back({fromHz * std::pow(toHz / fromHz, i / (count - 1.0)), 0.5 * (i % 3)});
    return points;
}

FitOptions With(std::optional<FitRange> range, double boost = 0.0, int bands = kMaxFitBands)
{
    FitOptions options;
    options.range = range;
    options.maxBoostDb = boost;
    options.bands = bands;
    return options;
}

const RefusalCase kRefusals[] = {
    {"every band", Points(100, 20, 20000), With(std::nullopt, 0.0, 12), FitProblem::None},
    {"one band", Points(100, 20, 20000), With(std::nullopt, 12.0, 1), FitProblem::None},
    {"no band", Points(100, 20, 20000), With(std::nullopt, 0.0, 0), FitProblem::BandsOutOfRange},
    {"13 bands", Points(100, 20, 20000), With(std::nullopt, 0.0, 13), FitProblem::BandsOutOfRange},
    {"a negative boost", Points(100, 20, 20000), With(std::nullopt, -0.5), FitProblem::BoostOutOfRange},
    {"a boost above 12 dB", Points(100, 20, 20000), With(std::nullopt, 12.5), FitProblem::BoostOutOfRange},
    {"a boost that is no number", Points(100, 20, 20000), With(std::nullopt, std::nan("")), FitProblem::BoostOutOfRange},
    {"below 20 Hz", Points(100, 10, 20000), With(FitRange{15, 1000}), FitProblem::RangeOutsideAudio},
    {"above 20 kHz", Points(100, 20, 40000), With(FitRange{100, 22000}), FitProblem::RangeOutsideAudio},
    {"backwards", Points(100, 20, 20000), With(FitRange{1000, 100}), FitProblem::RangeOutsideAudio},
    {"below the measurement", Points(100, 100, 20000), With(FitRange{50, 1000}), FitProblem::RangeOutsideMeasurement},
    {"above the measurement", Points(100, 20, 8000), With(FitRange{100, 10000}), FitProblem::RangeOutsideMeasurement},
    {"the measurement's own span", Points(100, 100, 8000), With(std::nullopt), FitProblem::None},
    {"narrower than three grid steps", Points(100, 20, 20000), With(FitRange{1000, 1050}), FitProblem::RangeTooNarrow},
    {"nine points in the range", Points(9, 100, 1000), With(std::nullopt), FitProblem::TooFewPoints},
    {"ten points in the range", Points(10, 100, 1000), With(std::nullopt), FitProblem::None},
    {"few of many in the range", Points(50, 20, 20000), With(FitRange{100, 300}), FitProblem::TooFewPoints},
};

class FitRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(FitRefusal, IsTheProblemAndChangesNothing)
{
    const RefusalCase& c = GetParam();
    const CMeasurementCurve measured(c.points);
    EXPECT_EQ(CheckFit(measured, c.options), c.problem);
    const bool measurementsProblem = c.problem == FitProblem::RangeOutsideMeasurement || c.problem == FitProblem::TooFewPoints;
    EXPECT_EQ(CheckFitOptions(c.options), measurementsProblem ? FitProblem::None : c.problem) << "the options alone";
    const ChannelBands before = FlatBands();
    const EqualizerFit fit = FitBands(measured, CMeasurementCurve(), c.options, before, 50);
    EXPECT_EQ(fit.problem, c.problem);
    if (c.problem != FitProblem::None) {
        EXPECT_EQ(std::memcmp(fit.bands.data(), before.data(), sizeof before), 0);
        EXPECT_EQ(fit.gainCode, 50);
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, FitRefusal, testing::ValuesIn(kRefusals));

TEST(EqualizerFit, TheRangeIsTheMeasurementsSpanWithinTheAudioBand)
{
    const FitRange wide = FitRangeOf(CMeasurementCurve(Points(50, 5, 30000)), FitOptions{});
    EXPECT_EQ(wide.lowHz, 20.0);
    EXPECT_EQ(wide.highHz, 20000.0);
    const FitRange narrow = FitRangeOf(CMeasurementCurve(Points(50, 31.5, 16000)), FitOptions{});
    EXPECT_DOUBLE_EQ(narrow.lowHz, 31.5);
    EXPECT_DOUBLE_EQ(narrow.highHz, 16000.0);
    EXPECT_EQ(CMeasurementCurve(Points(50, 31.5, 16000)).PointsBetween(31.5, 16000.0), 50);
}

}  // namespace
