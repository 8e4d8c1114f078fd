#include "ui/settings/FitReport.h"

#include "ui/common/Language.h"

#include <QCoreApplication>

#include <cmath>

namespace {

// The texts of a fit are translated in their own context.
class Words {
    Q_DECLARE_TR_FUNCTIONS(FitReport)
};

QString Hz(double hz)
{
    return QString::number(hz, 'g', 6);
}

QString Db(double db)
{
    return QString::number(db, 'f', 2);
}

}  // namespace

QString FitRangeText(const FitRange& range)
{
    return Words::tr("%1–%2 Hz").arg(Hz(range.lowHz), Hz(range.highHz));
}

QString FitProblemText(FitProblem problem, const CMeasurementCurve& measurement, const FitOptions& options)
{
    const FitRange range = FitRangeOf(measurement, options);
    switch (problem) {
    case FitProblem::None: break;
    case FitProblem::BandsOutOfRange:
        return Words::tr("a fit uses %1 to %2 bands, not %3").arg(kMinFitBands).arg(kMaxFitBands).arg(options.bands);
    case FitProblem::BoostOutOfRange:
        return Words::tr("the largest boost is 0 to %1 dB, not %2").arg(kMaxFitBoostDb).arg(options.maxBoostDb);
    case FitProblem::RangeOutsideAudio:
        return Words::tr("the range %1 is not one within %2–%3 Hz")
            .arg(FitRangeText(range))
            .arg(kMinFreqHz)
            .arg(kMaxFreqHz);
    case FitProblem::RangeOutsideMeasurement:
        return Words::tr("the range %1 reaches beyond the measurement, which spans %2")
            .arg(FitRangeText(range), FitRangeText(FitRange{measurement.FirstHz(), measurement.LastHz()}));
    case FitProblem::RangeTooNarrow:
        return Words::tr("the range %1 holds fewer than %2 of the unit's frequencies (1/24 octave apart)")
            .arg(FitRangeText(range))
            .arg(kMinFitGridPoints);
    case FitProblem::TooFewPoints:
        return Words::tr("a fit needs at least %1 measured points in %2; the measurement has %3")
            .arg(kMinFitMeasurementPoints)
            .arg(FitRangeText(range))
            .arg(measurement.PointsBetween(range.lowHz, range.highHz));
    }
    return QString();
}

QString FitRmsLine(const EqualizerFit& fit)
{
    return Words::tr("RMS difference from the target: %1 dB → %2 dB").arg(Db(fit.before.rmsDb), Db(fit.after.rmsDb));
}

QString FitLargestLine(const EqualizerFit& fit)
{
    return Words::tr("largest difference: %1 dB at %2 Hz → %3 dB at %4 Hz")
        .arg(Db(fit.before.largestDb), Hz(std::round(fit.before.largestHz)), Db(fit.after.largestDb),
             Hz(std::round(fit.after.largestHz)));
}

QString FitGainLine(const EqualizerFit& fit, int channel)
{
    if (fit.gainLoweredDb == 0)
        return QString();
    return Words::tr("the gain of %1 goes down %2 dB, to %3 dB, for the bands' largest boost of +%4 dB")
        .arg(ShownChannelName(channel))
        .arg(fit.gainLoweredDb)
        .arg(static_cast<int>(ChannelGainDb(fit.gainCode)))
        .arg(fit.largestBoostDb, 0, 'f', 1);
}

QString FitAlreadyWithinLine(int channel)
{
    return Words::tr("the measurement with the bands of %1 is already within %2 dB RMS of the target: the bands stay "
                     "as they are")
        .arg(ShownChannelName(channel))
        .arg(kFitAlreadyWithinDb);
}
