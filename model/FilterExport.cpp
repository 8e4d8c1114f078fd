#include "model/FilterExport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kFewestDecimals = 2;
constexpr int kMostDecimals = 6;
constexpr int kMostDigits = 17;   // a double's value in full
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

std::string Digits(double value, int digits)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    return text;
}

// The shortest text of value (from kFewestDecimals on) that reads back into the same code; a
// value so small that decimals do not tell it (a wide band's Q near the top) in significant digits.
template <typename CodeOf>
std::string ShortestText(double value, int fewest, CodeOf codeOf)
{
    const auto wanted = codeOf(value);
    for (int decimals = fewest; decimals <= kMostDecimals; ++decimals) {
        const std::string text = Fixed(value, decimals);
        if (codeOf(ReadBack(text)) == wanted)
            return text;
    }
    for (int digits = 1; digits < kMostDigits; ++digits) {
        const std::string text = Digits(value, digits);
        if (codeOf(ReadBack(text)) == wanted)
            return text;
    }
    return Digits(value, kMostDigits);
}

int BandFreq(const BandParams& band)
{
    return std::clamp<int>(band.freqHz.Get(), kMinFreqHz, kMaxFreqHz);
}

double BandGainDb(const BandParams& band)
{
    return GainCodeToDb(std::clamp<int>(band.gainCode.Get(), kMinGainCode, kMaxGainCode));
}

// The Q whose curve in the file's design is the unit's band: the unit's octaves are half its bandwidth.
std::string PeakLine(const BandParams& band)
{
    const int hz = BandFreq(band);
    const int code = std::clamp<int>(band.bwCode.Get(), kMinBwCode, kMaxBwCode);
    const double q = FileQOfUnitOctaves(BwCodeToOctaves(code), hz);
    const auto widthCodeOf = [hz](double q) { return std::lround((UnitOctavesOfFileQ(q, hz) - kMinBwOct) * 100.0); };
    return "PK Fc " + std::to_string(hz) + " Hz Gain " + Fixed(BandGainDb(band), 1) + " dB Q " +
           ShortestText(q, kFewestDecimals, widthCodeOf);
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
