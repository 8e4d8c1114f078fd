// A channel's bands and gain written as filter text that Equalizer APO and
// Room EQ Wizard both read, and that ImportFilters turns back into the same codes.
#pragma once

#include "model/FilterImport.h"

#include <string>

// "Preamp: -3.0 dB", then per band "Filter 1: ON PK Fc 1000 Hz Gain 6.0 dB Q 1.41"
// (a shelf as "LSC"/"HSC" at its design corner, at most 23999 Hz, with the Q of its slope).
// Every band is written, a flat one with gain 0.0 dB.
std::string FilterTextOf(const ChannelBands& bands, int gainCode);
