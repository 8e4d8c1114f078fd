// Fits a channel's bands to arbitrary inputs as "Fit bands to the measurement…"
// and `quenda fit` do. The first four bytes are the options (bands, largest
// boost, a range or none), the rest a measurement's text and, after a NUL, a
// target's. Whatever comes: the fit refuses exactly what CheckFit refuses and
// then changes nothing; otherwise every band is one the unit holds, no band
// and no frequency rises above the boost allowed (within the slack of the
// shelves' overshoot), the gain goes down by the largest boost, the figures are
// finite, and the same inputs give the same bands.
#include "model/EqualizerFit.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

constexpr std::size_t kOptionBytes = 4;
// Larger inputs add only fitting time: the fit sees the measurement on the unit's grid.
constexpr std::size_t kMaxInputBytes = 64 * 1024;
constexpr int kStartGainCode = 60;

FitOptions OptionsOf(const std::uint8_t* data)
{
    FitOptions options;
    options.bands = static_cast<int>(data[0] % 16) - 2;               // -2 .. 13: some refused
    options.maxBoostDb = data[1] / 16.0 - 1.0;                        // -1 .. 14.9 dB
    if (data[2] & 1) {
        const double low = 10.0 * std::pow(2.0, (data[2] >> 1) / 10.0);   // 10 Hz .. 1.5 kHz
        options.range = FitRange{low, low * std::pow(2.0, data[3] / 16.0)};   // up to 16 octaves above
    }
    return options;
}

bool Finite(const FitDifference& d)
{
    return std::isfinite(d.rmsDb) && std::isfinite(d.largestDb) && std::isfinite(d.largestHz) && d.rmsDb >= 0.0;
}

void CheckBands(const EqualizerFit& fit, const FitOptions& options)
{
    const int highestGain = DbToGainCode(options.maxBoostDb);
    int placed = 0;
    for (const BandParams& band : fit.bands) {
        const int gain = band.gainCode.Get();
        if (gain == kFlatGainCode)
            continue;
        ++placed;
        if (band.type > FILTER_HIGH_SHELF || band.freqHz.Get() < kMinFreqHz || band.freqHz.Get() > kMaxFreqHz ||
            gain < kMinGainCode || gain > highestGain || band.bwCode.Get() < kMinBwCode || band.bwCode.Get() > kMaxBwCode)
            std::abort();
    }
    if (placed != fit.used || fit.used > options.bands)
        std::abort();
    const Response response = BandsResponse(fit.bands);
    for (int i = 1; i < kGridSize; ++i)
        if (!(response[i] <= options.maxBoostDb + kFitBoostSlackDb))
            std::abort();
    const int lowered = fit.largestBoostDb > 0.0 ? static_cast<int>(std::ceil(fit.largestBoostDb - kFitBoostSlackDb)) : 0;
    if (fit.gainLoweredDb != std::min(lowered, kStartGainCode) || fit.gainCode != kStartGainCode - fit.gainLoweredDb)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < kOptionBytes || size > kMaxInputBytes)
        return 0;
    const FitOptions options = OptionsOf(data);
    const std::string_view text(reinterpret_cast<const char*>(data + kOptionBytes), size - kOptionBytes);
    const std::size_t nul = text.find('\0');
    const Measurement measured = ParseMeasurementText(text.substr(0, nul));
    const Measurement target = nul == std::string_view::npos ? Measurement{} : ParseMeasurementText(text.substr(nul + 1));
    const CMeasurementCurve measurement(measured.points);
    const CMeasurementCurve targetCurve(target.points);
    const ChannelBands start = ChannelBandsOf(DefaultChannelBlock());

    const EqualizerFit fit = FitBands(measurement, targetCurve, options, start, kStartGainCode);
    if (fit.problem != CheckFit(measurement, options))
        std::abort();
    if (fit.problem != FitProblem::None || fit.alreadyWithin) {
        if (std::memcmp(fit.bands.data(), start.data(), sizeof start) != 0 || fit.gainCode != kStartGainCode)
            std::abort();
        return 0;
    }
    if (!Finite(fit.before) || !Finite(fit.after) || fit.range.lowHz > fit.range.highHz)
        std::abort();
    CheckBands(fit, options);
    const EqualizerFit again = FitBands(measurement, targetCurve, options, start, kStartGainCode);
    if (std::memcmp(again.bands.data(), fit.bands.data(), sizeof fit.bands) != 0 || again.gainCode != fit.gainCode)
        std::abort();
    return 0;
}
