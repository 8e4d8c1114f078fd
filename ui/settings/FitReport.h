// What a fit of the bands to a measurement says, in the interface language: why
// it cannot be made, and what it did (RMS and largest difference before and
// after, the gain lowered for a boost). The window's fit dialog and the fit
// command both speak with these lines.
#pragma once

#include "model/EqualizerFit.h"

#include <QString>

// "a fit needs at least 10 measured points in 100–300 Hz; the measurement has 7".
QString FitProblemText(FitProblem problem, const CMeasurementCurve& measurement, const FitOptions& options);
// "RMS difference from the target: 3.60 dB → 0.53 dB".
QString FitRmsLine(const EqualizerFit& fit);
// "largest difference: 9.12 dB at 118 Hz → 2.32 dB at 118 Hz".
QString FitLargestLine(const EqualizerFit& fit);
// "the gain of CH A goes down 2 dB, to -2 dB, for the bands' largest boost of +1.6 dB"; empty
// when the gain stays.
QString FitGainLine(const EqualizerFit& fit, int channel);
// "the measurement with the bands of CH A is already within 0.5 dB RMS of the target: the bands
// stay as they are".
QString FitAlreadyWithinLine(int channel);
// "20–20000 Hz".
QString FitRangeText(const FitRange& range);
