#include "model/FilterExport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kFewestDecimals = 2;
constexpr int kMostDecimals = 6;
// A file's filters lie below half its sample rate; a shelf whose corner the unit puts higher is written here.
constexpr double kHighestCornerHz = kMaxFileFreqHz - 1.0;

std::string Fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

double ReadBack(const std::string& text)
{
    double value = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// The shortest text of value (from kFewestDecimals on) that reads back into the same code.
template <typename CodeOf>
std::string ShortestText(double value, int fewest, CodeOf codeOf)
{
    const auto wanted = codeOf(value);
    for (int decimals = fewest; decimals < kMostDecimals; ++decimals) {
        const std::string text = Fixed(value, decimals);
        if (codeOf(ReadBack(text)) == wanted)
            return text;
    }
    return Fixed(value, kMostDecimals);
}

long WidthCodeOfQ(double q)
{
    return std::lround((QToOctaves(q) - kMinBwOct) * 100.0);
}

int BandFreq(const BandParams& band)
{
    return std::clamp<int>(band.freqHz.Get(), kMinFreqHz, kMaxFreqHz);
}

double BandGainDb(const BandParams& band)
{
    return GainCodeToDb(std::clamp<int>(band.gainCode.Get(), kMinGainCode, kMaxGainCode));
}

std::string PeakLine(const BandParams& band)
{
    const int code = std::clamp<int>(band.bwCode.Get(), kMinBwCode, kMaxBwCode);
    const double q = OctavesToExactQ(BwCodeToOctaves(code));
    return "PK Fc " + std::to_string(BandFreq(band)) + " Hz Gain " + Fixed(BandGainDb(band), 1) + " dB Q " +
           ShortestText(q, kFewestDecimals, WidthCodeOfQ);
}

// The unit draws a shelf of an unknown slope option as 6 dB/Oct. A low shelf
// set so high that its corner lies beyond the file's range comes back lower.
std::string ShelfLine(const BandParams& band)
{
    const int type = band.type;
    const int option = band.slope == kSlope12dBPerOct ? kSlope12dBPerOct : kSlope6dBPerOct;
    const double factor = ShelfCornerFactor(type, option);
    const double gainDb = BandGainDb(band);
    const double corner = std::min(BandFreq(band) * factor, kHighestCornerHz);
    const auto freqCodeOf = [factor](double hz) { return std::lround(hz / factor); };
    const double q = ShelfQOfSlope(ShelfSlopeOf(option), gainDb);
    return std::string(type == FILTER_LOW_SHELF ? "LSC" : "HSC") + " Fc " + ShortestText(corner, 0, freqCodeOf) +
           " Hz Gain " + Fixed(gainDb, 1) + " dB Q " + Fixed(q, 4);
}

}  // namespace

std::string FilterTextOf(const ChannelBands& bands, int gainCode)
{
    std::string text = "Preamp: " + Fixed(ChannelGainDb(gainCode), 1) + " dB\n";
    for (int k = 0; k < kBandCount; ++k) {
        const BandParams& band = bands[k];
        const bool shelf = band.type == FILTER_LOW_SHELF || band.type == FILTER_HIGH_SHELF;
        text += "Filter " + std::to_string(k + 1) + ": ON " + (shelf ? ShelfLine(band) : PeakLine(band)) + "\n";
    }
    return text;
}
