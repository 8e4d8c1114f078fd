// The yardstick of the unit's own fit: the plain least-squares fit another
// program makes, knowing nothing of the unit. Standard peaking filters (the
// cookbook's, at 48 kHz, by their Q) are placed one by one where the
// difference left is largest, with the Q of a short search, then refined
// together by Levenberg-Marquardt with their gains and Q kept in bounds; the
// result is rounded to the unit's steps as a filter file of it imports.
#pragma once

#include "model/EqualizerFit.h"

// The channel's bands as the yardstick fits them to the goal (at most goal.bands filters,
// no gain above goal.maxBoostDb); gainCode is the channel's gain, which it leaves.
ChannelBands YardstickFit(const FitGoal& goal, const ChannelBands& bands, int gainCode);
