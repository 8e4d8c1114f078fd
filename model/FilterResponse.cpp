#include "model/Filter.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kLn2 = 0.69314718;

struct GridTrig {
    std::array<double, kGridSize> cosW;
    std::array<double, kGridSize> sinW;
};

// cos and sin of each grid point's angle, computed once (on first use, so the
// grid is certainly built by then).
const GridTrig& GridAngles()
{
    static const GridTrig trig = [] {
        GridTrig t{};
        for (int i = 0; i < kGridSize; ++i) {
            const double w = kFreqGrid[i] * kTwoPi / kSampleRate;
            t.cosW[i] = std::cos(w);
            t.sinW[i] = std::sin(w);
        }
        return t;
    }();
    return trig;
}

void EvaluateSection(const BiquadSection& section, Response& out)
{
    for (int i = 0; i < kGridSize; ++i)
        out[i] = SectionDb(section, i);
}

struct ShelfShape {
    double k;   // design corner = band frequency x k
    double S;   // shelf slope
};

ShelfShape ShelfShapeOf(int type, int option)
{
    const bool steep = option == kSlope12dBPerOct;
    if (type == FILTER_HIGH_SHELF)
        return steep ? ShelfShape{0.76923076923, 1.05} : ShelfShape{0.4545454546, 0.5};
    return steep ? ShelfShape{1.2727272727, 1.05} : ShelfShape{2.0, 0.5};
}

BiquadSection ShelfDesign(bool high, double w0, double gainDb, double S)
{
    const double A = std::pow(10.0, gainDb / 40.0);
    const double alpha = (std::sin(w0) / 2.0) * std::sqrt((A + 1.0 / A) * (1.0 / S - 1.0) + 2.0);
    return RbjShelfSection(high, w0, A, alpha);
}

// |H| with numerator and denominator multiplied by e^jw, which leaves the magnitude unchanged.
double MagnitudeDb(const BiquadSection& section, double c, double s)
{
    const double nr = section.b0 * c + section.b1 + section.b2 * c;
    const double ni = section.b0 * s - section.b2 * s;
    const double dr = c + section.a1 + section.a2 * c;
    const double di = s - section.a2 * s;
    return 20.0 * std::log10(std::sqrt((nr * nr + ni * ni) / (dr * dr + di * di)));
}

}  // namespace

double SectionDb(const BiquadSection& section, int i)
{
    const GridTrig& trig = GridAngles();
    return MagnitudeDb(section, trig.cosW[i], trig.sinW[i]);
}

void SectionDbSpan(const BiquadSection& section, int first, int last, double* out)
{
    constexpr double kDbPerNeperOfPower = 4.342944819032518;   // 10 / ln 10
    const GridTrig& trig = GridAngles();
    for (int i = first; i <= last; ++i) {
        const double c = trig.cosW[i];
        const double s = trig.sinW[i];
        const double nr = section.b0 * c + section.b1 + section.b2 * c;
        const double ni = section.b0 * s - section.b2 * s;
        const double dr = c + section.a1 + section.a2 * c;
        const double di = s - section.a2 * s;
        out[i] = kDbPerNeperOfPower * std::log((nr * nr + ni * ni) / (dr * dr + di * di));
    }
}

double SectionDbAt(const BiquadSection& section, double hz, double sampleRate)
{
    const double w = hz * kTwoPi / sampleRate;
    return MagnitudeDb(section, std::cos(w), std::sin(w));
}

double SectionDbAtAngle(const BiquadSection& section, double cosW, double sinW)
{
    return MagnitudeDb(section, cosW, sinW);
}

BiquadSection PeakSection(double hz, double gainDb, double octaves)
{
    return PeakSectionAt(kFreqGrid[FreqToGridIndex(hz)], gainDb, octaves);
}

BiquadSection PeakSectionAt(double f0, double gainDb, double octaves)
{
    const double w0 = f0 * kTwoPiOverRate;
    const double A = std::pow(10.0, gainDb / 40.0);
    const double sn = std::sin(w0);
    // ln 2 here, not the ln 2 / 2 of the Q shown in the description
    const double alpha = sn * std::sinh(kLn2 * octaves * w0 / sn);
    return RbjPeakSection(w0, A, alpha);
}

BiquadSection RbjPeakSection(double w0, double A, double alpha)
{
    const double a0 = 1.0 + alpha / A;
    BiquadSection s;
    s.b0 = (1.0 + alpha * A) / a0;
    s.b1 = -2.0 * std::cos(w0) / a0;
    s.b2 = (1.0 - alpha * A) / a0;
    s.a1 = -2.0 * std::cos(w0) / a0;
    s.a2 = (1.0 - alpha / A) / a0;
    return s;
}

BiquadSection RbjShelfSection(bool high, double w0, double A, double alpha)
{
    const double c0 = std::cos(w0);
    const double beta = 2.0 * std::sqrt(A) * alpha;
    const double sign = high ? -1.0 : 1.0;   // a high shelf mirrors the cos terms
    const double a0 = (A + 1.0) + sign * (A - 1.0) * c0 + beta;
    BiquadSection s;
    s.a1 = -2.0 * sign * ((A - 1.0) + sign * (A + 1.0) * c0) / a0;
    s.a2 = ((A + 1.0) + sign * (A - 1.0) * c0 - beta) / a0;
    s.b0 = A * ((A + 1.0) - sign * (A - 1.0) * c0 + beta) / a0;
    s.b1 = 2.0 * sign * A * ((A - 1.0) - sign * (A + 1.0) * c0) / a0;
    s.b2 = A * ((A + 1.0) - sign * (A - 1.0) * c0 - beta) / a0;
    return s;
}

BiquadSection ShelfSection(int type, int option, double hz, double gainDb)
{
    const ShelfShape shape = ShelfShapeOf(type, option);
    const double w0 = hz * kTwoPiOverRate * shape.k;
    if (gainDb == 0.0)
        return BiquadSection{};
    return ShelfDesign(type == FILTER_HIGH_SHELF, w0, gainDb, shape.S);
}

double ShelfCornerFactor(int type, int option)
{
    return ShelfShapeOf(type, option).k;
}

double ShelfSlopeOf(int option)
{
    return ShelfShapeOf(FILTER_LOW_SHELF, option).S;
}

BiquadSection BandSection(const BandParams& band)
{
    const int gainCode = band.gainCode.Get();
    if (gainCode == kFlatGainCode)
        return BiquadSection{};
    const double hz = std::clamp<int>(band.freqHz.Get(), kMinFreqHz, kMaxFreqHz);
    const double gainDb = GainCodeToDb(std::clamp(gainCode, kMinGainCode, kMaxGainCode));
    if (band.type == FILTER_LOW_SHELF || band.type == FILTER_HIGH_SHELF)
        return ShelfSection(band.type, band.slope, hz, gainDb);
    return PeakSection(hz, gainDb, BwCodeToOctaves(std::clamp<int>(band.bwCode.Get(), kMinBwCode, kMaxBwCode)));
}

void ComputePeakResponse(double hz, double gainDb, double octaves, Response& out)
{
    EvaluateSection(PeakSection(hz, gainDb, octaves), out);
}

void ComputeShelfResponse(int type, int option, double hz, double gainDb, Response& out)
{
    EvaluateSection(ShelfSection(type, option, hz, gainDb), out);
}
