// A channel's bands written as filter text and read back; the curves the
// difference is taken between, checked against an evaluation of their own.
#include "model/ChannelEqualizer.h"
#include "model/FilterExport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <string>

namespace {

ChannelBands DefaultBands()
{
    const ChannelBlock block = DefaultChannelBlock();
    ChannelBands bands{};
    std::copy(std::begin(block.bands), std::end(block.bands), bands.begin());
    return bands;
}

BandParams Band(int freqHz, int gainCode, int bwCode, int slope, int type)
{
    BandParams band{};
    band.freqHz.Set(static_cast<std::int16_t>(freqHz));
    band.gainCode.Set(static_cast<std::int16_t>(gainCode));
    band.bwCode.Set(static_cast<std::int16_t>(bwCode));
    band.slope = static_cast<std::uint8_t>(slope);
    band.type = static_cast<std::uint8_t>(type);
    return band;
}

bool SameBytes(const BandParams& a, const BandParams& b)
{
    return a.freqHz.Get() == b.freqHz.Get() && a.gainCode.Get() == b.gainCode.Get() &&
           a.bwCode.Get() == b.bwCode.Get() && a.slope == b.slope && a.type == b.type;
}

TEST(FilterExport, WritesPreampAndEveryBand)
{
    ChannelBands bands = DefaultBands();
    bands[0] = Band(1000, 180, 95, 0, FILTER_PEAK);
    bands[1] = Band(100, 150, 32, kSlope12dBPerOct, FILTER_LOW_SHELF);
    bands[2] = Band(10400, 75, 32, kSlope6dBPerOct, FILTER_HIGH_SHELF);
    bands[3] = Band(63, 0, 0, 0, FILTER_PEAK);
    EXPECT_EQ(FilterTextOf(bands, 77),
              "Preamp: -3.0 dB\n"
              "Filter 1: ON PK Fc 1000 Hz Gain 6.0 dB Q 0.664\n"
              "Filter 2: ON LSC Fc 127 Hz Gain 3.0 dB Q 0.7248\n"
              "Filter 3: ON HSC Fc 4727.3 Hz Gain -4.5 dB Q 0.4958\n"
              "Filter 4: ON PK Fc 63 Hz Gain -12.0 dB Q 14.42\n"
              "Filter 5: ON PK Fc 250 Hz Gain 0.0 dB Q 1.93\n"
              "Filter 6: ON PK Fc 400 Hz Gain 0.0 dB Q 1.93\n"
              "Filter 7: ON PK Fc 630 Hz Gain 0.0 dB Q 1.93\n"
              "Filter 8: ON PK Fc 1000 Hz Gain 0.0 dB Q 1.92\n"
              "Filter 9: ON PK Fc 1600 Hz Gain 0.0 dB Q 1.91\n"
              "Filter 10: ON PK Fc 2500 Hz Gain 0.0 dB Q 1.89\n"
              "Filter 11: ON PK Fc 4000 Hz Gain 0.0 dB Q 1.84\n"
              "Filter 12: ON PK Fc 6300 Hz Gain 0.0 dB Q 1.71\n");
}

// What other programs read from a written file sounds as the unit does: each peak's Q is the
// one whose standard curve is the unit's band, twice as wide in standard octaves as the unit counts.
TEST(FilterExport, TheWrittenFilesCurveIsTheUnits)
{
    ChannelBands bands = DefaultBands();
    bands[0] = Band(125, 60, 12, 0, FILTER_PEAK);     // 0.17 octave, -6 dB
    bands[1] = Band(250, 150, 45, 0, FILTER_PEAK);    // 0.50 octave, +3 dB
    bands[2] = Band(1000, 80, 95, 0, FILTER_PEAK);    // 1.00 octave, -4 dB
    bands[3] = Band(2000, 100, 60, 0, FILTER_PEAK);   // 0.65 octave, -2 dB
    bands[4] = Band(500, 40, 0, 0, FILTER_PEAK);      // 0.05 octave, -8 dB
    bands[5] = Band(100, 150, 32, kSlope12dBPerOct, FILTER_LOW_SHELF);
    const std::string text = FilterTextOf(bands, 80);
    EXPECT_NE(text.find("Filter 3: ON PK Fc 1000 Hz Gain -4.0 dB Q 0.664\n"), std::string::npos) << text;
    const FilterImport back = ImportFilters(ParseFilterText(text), 0, bands, 80);
    EXPECT_LE(back.largestDifferenceDb, 0.05) << "at " << back.largestDifferenceHz << " Hz";
}

// The highest band frequency whose shelf still has its design corner below
// half the file's sample rate (a file cannot describe one above it).
int HighestExportableFreq(int type, int option)
{
    return std::min(kMaxFreqHz, static_cast<int>((kMaxFileFreqHz - 1.0) / ShelfCornerFactor(type, option)));
}

// A small deterministic generator, so that a failure names a band that can be tried again.
class Codes {
public:
    int Next(int low, int high)
    {
        m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
        return low + static_cast<int>((m_state >> 33) % static_cast<std::uint64_t>(high - low + 1));
    }

private:
    std::uint64_t m_state = 12345;
};

BandParams SomeBand(Codes& codes)
{
    const int type = codes.Next(FILTER_PEAK, FILTER_HIGH_SHELF);
    const int slope = codes.Next(kSlope6dBPerOct, kSlope12dBPerOct);
    const int highest = type == FILTER_PEAK ? kMaxFreqHz : HighestExportableFreq(type, slope);
    // low frequencies as often as high ones
    const double hz = kMinFreqHz * std::pow(static_cast<double>(highest) / kMinFreqHz, codes.Next(0, 10000) / 1e4);
    return Band(static_cast<int>(hz), codes.Next(kMinGainCode, kMaxGainCode), codes.Next(kMinBwCode, kMaxBwCode),
                slope, type);
}

void ExpectRoundTrip(const ChannelBands& bands, int gainCode)
{
    const std::string text = FilterTextOf(bands, gainCode);
    const FilterImport back = ImportFilters(ParseFilterText(text), 0, bands, 0);
    EXPECT_EQ(back.taken, kBandCount) << text;
    EXPECT_TRUE(back.notes.empty()) << text;
    EXPECT_EQ(back.gainCode, gainCode) << text;
    for (int k = 0; k < kBandCount; ++k)
        EXPECT_TRUE(SameBytes(back.bands[k], bands[k])) << "band " << k + 1 << " of\n" << text;
}

TEST(FilterExport, ImportGivesBackTheSameCodesOverManyBands)
{
    Codes codes;
    for (int round = 0; round < 400; ++round) {
        ChannelBands bands{};
        for (BandParams& band : bands)
            band = SomeBand(codes);
        ExpectRoundTrip(bands, codes.Next(0, kGainCodeMax));
        if (HasFailure())
            return;
    }
}

TEST(FilterExport, ImportGivesBackEveryGainWidthAndEdgeFrequency)
{
    for (int gain = kMinGainCode; gain <= kMaxGainCode; gain += kBandCount) {
        ChannelBands bands = DefaultBands();
        for (int k = 0; k < kBandCount; ++k) {
            const int bw = std::min(kMaxBwCode, (gain + k) * kMaxBwCode / kMaxGainCode);
            bands[k] = Band(k % 2 ? kMinFreqHz : kMaxFreqHz, std::min(gain + k, kMaxGainCode), bw, 0, FILTER_PEAK);
        }
        ExpectRoundTrip(bands, gain * kGainCodeMax / kMaxGainCode);
    }
    for (int bw = kMinBwCode; bw <= kMaxBwCode; ++bw) {
        ChannelBands bands = DefaultBands();
        bands[bw % kBandCount] = Band(1000, 130, bw, 0, FILTER_PEAK);
        ExpectRoundTrip(bands, 80);
    }
}

TEST(FilterExport, AShelfCornerBeyondTheFilesRangeIsWrittenAtItsTop)
{
    ChannelBands bands = DefaultBands();
    bands[0] = Band(15000, 150, 32, kSlope6dBPerOct, FILTER_LOW_SHELF);   // designed at 30 kHz
    const std::string text = FilterTextOf(bands, 80);
    EXPECT_EQ(text.substr(0, 65), "Preamp: 0.0 dB\nFilter 1: ON LSC Fc 23999 Hz Gain 3.0 dB Q 0.4981\n");
    const FilterImport back = ImportFilters(ParseFilterText(text), 0, bands, 80);
    EXPECT_TRUE(back.notes.empty());
    EXPECT_EQ(back.bands[0].freqHz.Get(), 12000);
    EXPECT_EQ(back.bands[0].slope, kSlope6dBPerOct);
}

// The program's band section at the 241 grid points is the response the graph draws.
TEST(FilterExport, BandSectionIsTheModelsResponse)
{
    Codes codes;
    for (int round = 0; round < 50; ++round) {
        BandParams band = SomeBand(codes);
        CFilter filter;
        filter.AttachBand(&band);
        const BiquadSection section = BandSection(band);
        for (int i = 0; i < kGridSize; ++i)
            ASSERT_NEAR(SectionDbAt(section, kFreqGrid[i], kSampleRate), filter.GetResponse()[i], 1e-9)
                << "round " << round << " point " << i;
    }
}

// RBJ cookbook at 48 kHz, evaluated as a complex ratio.
double RbjDb(const TextFilter& f, double hz)
{
    const double pi = std::acos(-1.0);
    const double w0 = 2.0 * pi * f.hz / 48000.0;
    const double A = std::pow(10.0, f.gainDb / 40.0);
    const double alpha = std::sin(w0) / (2.0 * f.q);
    const double c = std::cos(w0);
    double b[3], a[3];
    if (f.kind == TextFilterKind::Peak) {
        b[0] = 1 + alpha * A, b[1] = -2 * c, b[2] = 1 - alpha * A;
        a[0] = 1 + alpha / A, a[1] = -2 * c, a[2] = 1 - alpha / A;
    } else if (f.kind == TextFilterKind::LowShelf) {
        const double r = 2 * std::sqrt(A) * alpha;
        b[0] = A * ((A + 1) - (A - 1) * c + r), b[1] = 2 * A * ((A - 1) - (A + 1) * c);
        b[2] = A * ((A + 1) - (A - 1) * c - r);
        a[0] = (A + 1) + (A - 1) * c + r, a[1] = -2 * ((A - 1) + (A + 1) * c), a[2] = (A + 1) + (A - 1) * c - r;
    } else {
        const double r = 2 * std::sqrt(A) * alpha;
        b[0] = A * ((A + 1) + (A - 1) * c + r), b[1] = -2 * A * ((A - 1) + (A + 1) * c);
        b[2] = A * ((A + 1) + (A - 1) * c - r);
        a[0] = (A + 1) - (A - 1) * c + r, a[1] = 2 * ((A - 1) - (A + 1) * c), a[2] = (A + 1) - (A - 1) * c - r;
    }
    const std::complex<double> z1 = std::polar(1.0, -2.0 * pi * hz / 48000.0);
    const std::complex<double> h = (b[0] + b[1] * z1 + b[2] * z1 * z1) / (a[0] + a[1] * z1 + a[2] * z1 * z1);
    return 20.0 * std::log10(std::abs(h));
}

TEST(FilterImportDifference, IsTheLargestOnADenserGrid)
{
    const std::string text =
        "Preamp: -3.3 dB\n"
        "Filter 1: ON LSC Fc 90 Hz Gain 5.0 dB Q 0.71\n"
        "Filter 2: ON PK Fc 250 Hz Gain -4.0 dB Q 3.0\n"
        "Filter 3: ON PK Fc 3100 Hz Gain 2.5 dB Q 1.2\n"
        "Filter 4: ON HSC Fc 9000 Hz Gain -3.0 dB Q 0.6\n"
        "Filter 5: ON PK Fc 16000 Hz Gain 14.0 dB Q 8.0\n";
    const FilterText parsed = ParseFilterText(text);
    const FilterImport import = ImportFilters(parsed, 0, DefaultBands(), 80);
    std::vector<TextFilter> filters;
    for (const FilterTextItem& item : parsed.items) {
        if (item.kind == FilterTextItem::Kind::Filter)
            filters.push_back(item.filter);
    }
    ASSERT_EQ(filters.size(), 5u);
    const auto difference = [&](double hz) {
        double file = -3.3;
        for (const TextFilter& f : filters)
            file += RbjDb(f, hz);
        double unit = ChannelGainDb(import.gainCode);
        for (const BandParams& band : import.bands)
            unit += SectionDbAt(BandSection(band), hz, kSampleRate);
        return std::abs(file - unit);
    };
    constexpr int kDensePoints = 100000;
    double largest = 0.0;
    for (int i = 0; i < kDensePoints; ++i)
        largest = std::max(largest, difference(20.0 * std::pow(1000.0, i / (kDensePoints - 1.0))));
    EXPECT_NEAR(difference(import.largestDifferenceHz), import.largestDifferenceDb, 1e-9);
    EXPECT_LE(import.largestDifferenceDb, largest + 1e-9);
    EXPECT_GE(import.largestDifferenceDb, largest - 0.01) << "the dense grid found " << largest;
    EXPECT_GT(import.largestDifferenceDb, 1.0) << "the 14 dB filter was limited to 12 dB";
}

}  // namespace
