// Measurement text read into points: small files in each format (REW's export
// with its header, FRD with comments and phase, CSV with a header, ';' and
// decimal commas), awkward ones (blank lines, text in between, unsorted, NaN,
// repeated frequencies), the exact points, level offset, skipped lines and
// refusals; the levelling and the resampling to plot columns.
#include "model/Measurement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr double kExact = 1e-9;

struct TextCase {
    const char* name;
    std::string text;
    MeasurementError error;
    std::vector<MeasurementPoint> points;   // after levelling
    double offsetDb;
    bool levelledOverAll;
    int skippedLines;
    int repeatedFrequencies;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

const std::string kRewExport =
    "* Measurement data measured by REW V5.20.13\n"
    "* Source: UMIK-1 Gain: 18dB, Left\n"
    "* Format: 1/48 octave smoothing, 1/48 octave resolution\n"
    "* Dated: 14-Mar-2025 20:15:02\n"
    "* REW Settings:\n"
    "*  C-weighting compensation: Off\n"
    "*  Target level: 75.0 dB\n"
    "* Note: delay -0.0469 ms (-16 mm, -0.63 in) using estimated IR delay relative to max absolute value.\n"
    "* Measurement: Left speaker\n"
    "* Smoothing: 1/48 octave\n"
    "* Frequency Step: 1/48 octave\n"
    "* Start Frequency: 20.0 Hz\n"
    "*\n"
    "* Freq(Hz) SPL(dB) Phase(degrees)\n"
    "100.000000 80.000 -120.5\n"
    "200.000000 84.000 -90.25\n"
    "2000.000000 86.000 15.0\n"
    "20000.000000 70.000 100.0\n";

class MeasurementText : public testing::TestWithParam<TextCase> {};

TEST_P(MeasurementText, ReadsPointsOffsetAndSkippedLines)
{
    const TextCase& c = GetParam();
    const Measurement m = ParseMeasurementText(c.text);
    EXPECT_EQ(m.error, c.error);
    EXPECT_EQ(m.skippedLines, c.skippedLines);
    EXPECT_EQ(m.repeatedFrequencies, c.repeatedFrequencies);
    EXPECT_EQ(m.levelledOverAll, c.levelledOverAll);
    EXPECT_NEAR(m.offsetDb, c.offsetDb, kExact);
    ASSERT_EQ(m.points.size(), c.points.size());
    for (std::size_t i = 0; i < c.points.size(); ++i) {
        EXPECT_EQ(m.points[i].hz, c.points[i].hz) << "point " << i;
        EXPECT_NEAR(m.points[i].db, c.points[i].db, kExact) << "point " << i;
    }
}

// The band 200 Hz .. 2 kHz goes to 0 dB: where points lie on its edges, the average is
// the mean of the edges' levels (the curve is straight over log frequency between them).
INSTANTIATE_TEST_SUITE_P(Formats, MeasurementText, testing::Values(
    TextCase{"rew_export", kRewExport, MeasurementError::None,
             {{100, -5}, {200, -1}, {2000, 1}, {20000, -15}}, -85, false, 0, 0},
    TextCase{"frd_with_comments_and_phase",
             "# FRD of a measurement microphone\n; calibrated 2025-03-01\n' by hand\n"
             "20 -10 10\n200\t0.0\t-3\n  2000  2.0  -7  \n",
             MeasurementError::None, {{20, -11}, {200, -1}, {2000, 1}}, -1, false, 0, 0},
    TextCase{"csv_semicolons_and_decimal_commas",
             "Frequency;SPL;Phase\n20,5;70,25;-10,0\n200;80,5;0\n2000;82,5;5\n",
             MeasurementError::None, {{20.5, -11.25}, {200, -1}, {2000, 1}}, -81.5, false, 0, 0},
    TextCase{"csv_commas_with_header",
             "Freq(Hz),SPL(dB)\n100,3\n200, 4.0\n2000 , 6\n",
             MeasurementError::None, {{100, -2}, {200, -1}, {2000, 1}}, -5, false, 0, 0},
    TextCase{"blank_separated_decimal_commas", "200 3,5\r\n2000\t5,5\r\n",
             MeasurementError::None, {{200, -1}, {2000, 1}}, -4.5, false, 0, 0},
    TextCase{"awkward_lines",
             "Freq SPL\n\n2000 7\nthis is not data\n200 5\nnan 3\n100 inf\n0 4\n-20 4\n1000\n"
             "200 9\n50 5\n1e8 2\n300 -2000\n+-40 1\n",
             MeasurementError::None, {{50, -1}, {200, -1}, {2000, 1}}, -6, false, 9, 1},
    TextCase{"no_point_in_the_level_band", "20 10\n100 20\n",
             MeasurementError::None, {{20, -5}, {100, 5}}, -15, true, 0, 0},
    TextCase{"band_partly_covered", "500 2\n4000 8\n",
             MeasurementError::None, {{500, -2}, {4000, 4}}, -4, false, 0, 0},
    TextCase{"utf8_byte_order_mark", "\xEF\xBB\xBF" "200 1\n2000 3\n",
             MeasurementError::None, {{200, -1}, {2000, 1}}, -2, false, 0, 0},
    TextCase{"utf16_little_endian", std::string("\xFF\xFE" "2\0" "0\0" "0\0" " \0" "1\0" "\n\0"
                                                "2\0" "0\0" "0\0" "0\0" " \0" "3\0" "\n\0", 28),
             MeasurementError::None, {{200, -1}, {2000, 1}}, -2, false, 0, 0},
    TextCase{"outside_20_hz_to_20_khz", "10 5\n30000 6\n", MeasurementError::TooFewPoints, {}, 0, false, 0, 0},
    TextCase{"one_point", "* one\n1000 5\nend\n", MeasurementError::TooFewPoints, {}, 0, false, 1, 0},
    TextCase{"one_frequency_twice", "1000 5\n1000 6\n", MeasurementError::TooFewPoints, {}, 0, false, 0, 1},
    TextCase{"comments_only", "* nothing\n# measured\n", MeasurementError::TooFewPoints, {}, 0, false, 0, 0}
), [](const testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

std::string Lines(int count)
{
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += std::to_string(i) + " 80\n";
    return text;
}

TEST(MeasurementLimits, AtMostOneHundredThousandPoints)
{
    const Measurement most = ParseMeasurementText(Lines(100'000));
    EXPECT_EQ(most.error, MeasurementError::None);
    EXPECT_EQ(most.points.size(), 100'000u);
    EXPECT_EQ(most.points.back().hz, 100'000);
    EXPECT_NEAR(most.points.back().db, 0.0, kExact);
    const Measurement tooMany = ParseMeasurementText(Lines(100'001) + "this line is not read\n");
    EXPECT_EQ(tooMany.error, MeasurementError::TooManyPoints);
    EXPECT_TRUE(tooMany.points.empty());
    EXPECT_EQ(tooMany.skippedLines, 0);
}

// The levelled curve's average over 200 Hz .. 2 kHz, summed here in 20,000 steps of
// log frequency, is 0 dB for points that do not fall on the band's edges.
TEST(MeasurementLevel, AverageOverTheLevelBandIsZero)
{
    const Measurement m = ParseMeasurementText("20 70\n150 76.5\n430 81\n1000 79\n1700 88\n3100 84\n20000 60\n");
    ASSERT_EQ(m.error, MeasurementError::None);
    constexpr int kSteps = 20'000;
    const double a = std::log10(kLevelBandLowHz);
    const double b = std::log10(kLevelBandHighHz);
    double sum = 0.0;
    for (int s = 0; s < kSteps; ++s) {
        const double u = a + (b - a) * (s + 0.5) / kSteps;
        std::size_t i = 1;
        while (std::log10(m.points[i].hz) < u)
            ++i;
        const double u0 = std::log10(m.points[i - 1].hz);
        const double u1 = std::log10(m.points[i].hz);
        sum += m.points[i - 1].db + (m.points[i].db - m.points[i - 1].db) * (u - u0) / (u1 - u0);
    }
    EXPECT_NEAR(sum / kSteps, 0.0, 1e-6);
    EXPECT_NEAR(CMeasurementCurve(m.points).AverageDb(kLevelBandLowHz, kLevelBandHighHz), 0.0, kExact);
    EXPECT_LT(m.offsetDb, -80.0);
}

TEST(MeasurementLevel, AverageOutsideThePointsIsNoNumber)
{
    const std::vector<MeasurementPoint> points{{100, 1}, {1000, 3}};
    const CMeasurementCurve curve(points);
    EXPECT_TRUE(std::isnan(curve.AverageDb(20, 50)));
    EXPECT_NEAR(curve.AverageDb(20, 1000), 2.0, kExact) << "only where the points reach";
    EXPECT_NEAR(curve.AverageDb(1000, 5000), 3.0, kExact) << "the last point alone";
    EXPECT_TRUE(std::isnan(CMeasurementCurve().AverageDb(20, 50)));
    EXPECT_TRUE(CMeasurementCurve().IsEmpty());
}

constexpr int kPlotWidth = 727;   // the main window's graph: 242 pixels a decade

// A level rising 10 dB a decade from 100 Hz to 10 kHz: every column the points reach
// shows the level at its own frequency, the others none.
TEST(MeasurementColumns, OnePerPixelAtTheColumnsFrequency)
{
    std::vector<MeasurementPoint> points;
    for (double hz = 100; hz <= 10'000; hz *= 1.25)
        points.push_back({hz, 10.0 * std::log10(hz / 100.0)});
    points.push_back({10'000, 20});
    const std::vector<double> columns = CMeasurementCurve(points).Columns(kPlotWidth);
    ASSERT_EQ(columns.size(), static_cast<std::size_t>(kPlotWidth));
    const int first = FreqToPlotX(100, kPlotWidth);    // 169
    const int last = FreqToPlotX(10'000, kPlotWidth);  // 653
    EXPECT_EQ(first, 169);
    EXPECT_EQ(last, 653);
    for (int x = 0; x < kPlotWidth; ++x) {
        const double hz = PlotXToFreqF(x, kPlotWidth);
        if (x < first || x > last) {
            EXPECT_TRUE(std::isnan(columns[x])) << "column " << x;
        } else {
            // the edge columns hold only the stretch of the line the points reach
            const double tolerance = x == first || x == last ? 0.05 : 1e-9;
            EXPECT_NEAR(columns[x], 10.0 * std::log10(hz / 100.0), tolerance) << "column " << x;
        }
    }
}

// A column over many points shows their average over log frequency.
TEST(MeasurementColumns, ManyPointsInAColumnAreAveraged)
{
    std::vector<MeasurementPoint> points;
    for (int i = 0; i <= 100'000; ++i)
        points.push_back({20.0 * std::pow(1000.0, i / 100'000.0), i % 2 == 0 ? 3.0 : -1.0});
    const std::vector<double> columns = CMeasurementCurve(points).Columns(kPlotWidth);
    for (int x = 1; x < kPlotWidth - 1; ++x)
        ASSERT_NEAR(columns[x], 1.0, 0.05) << "column " << x;
}

// The identity of the x positions, resampled, gives each column its own x.
TEST(MeasurementColumns, GridResponseIsStraightBetweenGridFrequencies)
{
    std::array<double, kGridSize> xs{};
    for (int i = 0; i < kGridSize; ++i)
        xs[i] = FreqToPlotXf(kFreqGrid[i], kPlotWidth);
    const std::vector<double> columns = GridColumns(xs, kPlotWidth);
    ASSERT_EQ(columns.size(), static_cast<std::size_t>(kPlotWidth));
    for (int x = 0; x < kPlotWidth; ++x)
        ASSERT_NEAR(columns[x], x, 1e-9) << "column " << x;
    std::array<double, kGridSize> steps{};
    steps.fill(-2.0);
    steps[kGridSize - 1] = 5.0;
    const std::vector<double> held = GridColumns(steps, kPlotWidth + 1);
    EXPECT_EQ(held.back(), 5.0) << "beyond 20 kHz the last grid value holds";
    EXPECT_EQ(held.front(), -2.0);
}

}  // namespace
