// The search behind FitBands: up to n bands of the unit's kinds, steps and
// ranges whose summed response on the frequency grid comes closest to a wanted
// curve, up to a level offset. A greedy start places one band after another
// where the difference left is largest, each placement followed by a short
// joint refinement; a longer joint refinement (Levenberg-Marquardt over every
// band's frequency, gain and width) follows; the result is rounded to the
// unit's codes and polished step by step on them with the unit's own model.
#pragma once

#include "model/Filter.h"

#include <vector>

// How far above the boost allowed the bands' sum may rise: the unit's 12 dB/Oct shelf
// overshoots its gain by under 0.01 dB, far below its 0.1 dB step.
constexpr double kFitBoostSlackDb = 0.05;

// Grid index of the lowest frequency a band can be centred on (entry 0, 19.7 Hz, lies below 20 Hz).
constexpr int kFirstBandGridIndex = 1;

struct FitGoal {
    Response wanted{};        // what the bands should add, at each grid frequency
    int first = 0;            // the grid indices weighed, first..last
    int last = 0;
    double maxBoostDb = 0.0;  // no band's gain above it, nor their sum anywhere (within the slack)
    int bands = 0;            // at most this many
};

// The bands found, in no particular order; none when no band brings the curve closer.
std::vector<BandParams> SearchBands(const FitGoal& goal);

// The RMS of (response - wanted) over first..last once its mean is taken off.
double CentredRms(const Response& response, const FitGoal& goal);
