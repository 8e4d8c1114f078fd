// Fitting a channel's bands to a measured response: bands the unit can hold
// (its peaking and shelf designs, whole hertz, 0.1 dB and 0.01 octave steps,
// its ranges) that bring the measurement closest to a target, flat or a house
// curve. Closest is the RMS difference in dB over log frequency, at the best
// level offset, on the unit's frequency grid within the range. The same inputs
// always give the same bands.
#pragma once

#include "model/FilterImport.h"
#include "model/FitSearch.h"
#include "model/Measurement.h"

#include <optional>

// What a fit may be asked for.
constexpr int kMinFitMeasurementPoints = 10;   // measured points within the range
constexpr int kMinFitGridPoints = 3;           // grid frequencies within the range
constexpr double kMaxFitBoostDb = 12.0;
constexpr int kMinFitBands = 1;
constexpr int kMaxFitBands = kBandCount;
// A measurement this close to the target is left as it is.
constexpr double kFitAlreadyWithinDb = 0.5;

struct FitRange {
    double lowHz = kMinFreqHz;
    double highHz = kMaxFreqHz;
};

struct FitOptions {
    std::optional<FitRange> range;   // none: the measurement's span within 20 Hz .. 20 kHz
    double maxBoostDb = 0.0;          // 0: cuts only
    int bands = kMaxFitBands;         // bands used; the others are set flat
};

enum class FitProblem {
    None,
    BandsOutOfRange,           // not 1..12
    BoostOutOfRange,           // not 0..12 dB
    RangeOutsideAudio,         // below 20 Hz or above 20 kHz, or its low end not below its high end
    RangeOutsideMeasurement,   // beyond the measurement's first or last point
    RangeTooNarrow,            // fewer than kMinFitGridPoints grid frequencies in it
    TooFewPoints,              // fewer than kMinFitMeasurementPoints measured points in it
};

// How a response lies against the target over the range, at the best level offset.
struct FitDifference {
    double rmsDb = 0.0;
    double largestDb = 0.0;
    double largestHz = 0.0;
};

struct EqualizerFit {
    FitProblem problem = FitProblem::None;
    FitRange range;             // the range fitted over
    ChannelBands bands{};       // bands 1..used fitted, in rising frequency; the rest flat
    int gainCode = 0;           // the channel's gain, lowered by the largest boost
    int used = 0;               // bands the fit placed (a measurement needs fewer than it may use)
    double largestBoostDb = 0.0;   // the bands' sum at its highest over 20 Hz .. 20 kHz, 0 when it only cuts
    int gainLoweredDb = 0;         // how far the gain went down for it
    FitDifference before;       // the measurement with the channel's bands as they are
    FitDifference after;        // with the fitted bands
    bool alreadyWithin = false; // before within kFitAlreadyWithinDb: bands and gain stay as they are
};

// The range a fit uses: the one asked for, or the measurement's span within 20 Hz .. 20 kHz.
FitRange FitRangeOf(const CMeasurementCurve& measurement, const FitOptions& options);
// Why the fit cannot be made, or FitProblem::None: first what the options alone tell
// (CheckFitOptions), then what the measurement does.
FitProblem CheckFitOptions(const FitOptions& options);
FitProblem CheckFit(const CMeasurementCurve& measurement, const FitOptions& options);

// The channel's bands and gain fitted to the measurement (levels in dB, as the graph shows it)
// so that it comes close to the target; an empty target is flat, and one that ends before the
// range is held at its ends. The measurement is averaged over each grid frequency's 1/24 octave.
EqualizerFit FitBands(const CMeasurementCurve& measurement, const CMeasurementCurve& target,
                      const FitOptions& options, const ChannelBands& bands, int gainCode);

// The unit's response of twelve bands on the frequency grid, in dB.
Response BandsResponse(const ChannelBands& bands);

// For a fit CheckFit lets through: what its bands should add at each grid frequency of its range
// (the target less the measurement), and how a response of bands lies against that.
FitGoal FitGoalOf(const CMeasurementCurve& measurement, const CMeasurementCurve& target, const FitOptions& options);
FitDifference DifferenceOf(const Response& bands, const FitGoal& goal);
