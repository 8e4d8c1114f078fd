#include "model/Filter.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr double kHundredth = 0.005;

TEST(PeakResponse, SixDbAtOneKilohertz)
{
    Response out{};
    ComputePeakResponse(1000, 6.0, BwCodeToOctaves(32), out);
    EXPECT_NEAR(6.00, out[136], kHundredth);
    EXPECT_NEAR(3.31, out[128], 0.01);
    EXPECT_NEAR(3.31, out[144], 0.01);
    EXPECT_NEAR(0.0007, out[0], 0.00005);
    ComputePeakResponse(1000, -6.0, BwCodeToOctaves(32), out);
    EXPECT_NEAR(-6.00, out[136], kHundredth);
}

TEST(PeakResponse, CentreSnapsToTheNearestGridFrequency)
{
    Response out{};
    ComputePeakResponse(40, 6.0, BwCodeToOctaves(32), out);
    const auto peak = std::max_element(out.begin(), out.end());
    EXPECT_EQ(25, peak - out.begin());
    EXPECT_NEAR(6.00, *peak, kHundredth);
}

TEST(PeakResponse, NotchBandIsANarrowSixDbDip)
{
    Response out{};
    ComputePeakResponse(1000, GainCodeToDb(kNotchGainCode), BwCodeToOctaves(0), out);
    EXPECT_NEAR(-6.00, out[136], kHundredth);
    EXPECT_NEAR(-3.6, out[135], 0.05);
    EXPECT_NEAR(-3.5, out[137], 0.05);
    EXPECT_NEAR(0.0, out[100], 0.01);
}

TEST(ShelfResponse, FourShelvesAtOneKilohertz)
{
    const struct {
        int type;
        int option;
        double at0, at136, at240;
    } cases[] = {
        {FILTER_LOW_SHELF, 0, 6.00, 4.76, 0.05},
        {FILTER_LOW_SHELF, 1, 6.00, 4.36, 0.00},
        {FILTER_HIGH_SHELF, 0, 0.01, 4.93, 6.00},
        {FILTER_HIGH_SHELF, 1, 0.00, 4.46, 6.00},
    };
    for (const auto& c : cases) {
        Response out{};
        ComputeShelfResponse(c.type, c.option, 1000, 6.0, out);
        EXPECT_NEAR(c.at0, out[0], kHundredth) << "type " << c.type << " option " << c.option;
        EXPECT_NEAR(c.at136, out[136], kHundredth) << "type " << c.type << " option " << c.option;
        EXPECT_NEAR(c.at240, out[240], kHundredth) << "type " << c.type << " option " << c.option;
    }
}

TEST(ShelfResponse, ZeroGainIsTheIdentitySection)
{
    Response out;
    out.fill(99.0);
    ComputeShelfResponse(FILTER_HIGH_SHELF, 1, 1000, 0.0, out);
    for (int i = 0; i < kGridSize; ++i)
        EXPECT_DOUBLE_EQ(0.0, out[i]) << "index " << i;
}

TEST(ShelfResponse, UnknownOptionIsDrawnAsSixDbPerOctave)
{
    Response unknown{};
    Response sixDb{};
    ComputeShelfResponse(FILTER_LOW_SHELF, 7, 500, -4.0, unknown);
    ComputeShelfResponse(FILTER_LOW_SHELF, 0, 500, -4.0, sixDb);
    EXPECT_EQ(sixDb, unknown);
    EXPECT_NEAR(-4.0, unknown[0], 0.1);
}

TEST(SectionDb, GainOnlySectionGivesItsGainEverywhere)
{
    BiquadSection half;
    half.b0 = 0.5;
    EXPECT_NEAR(-6.0206, SectionDb(half, 0), 0.0001);
    EXPECT_NEAR(-6.0206, SectionDb(half, 240), 0.0001);
    EXPECT_DOUBLE_EQ(0.0, SectionDb(BiquadSection{}, 136));
}

}  // namespace
