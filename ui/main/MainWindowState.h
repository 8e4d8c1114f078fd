// What the main window keeps beside the image, on the UI thread: the PEQ
// bypass of each channel and the band gains it restores.
#pragma once

#include "protocol/ParameterImage.h"

#include <cstdint>

// Per channel, the 12 band gain codes saved when the PEQ bypass engages.
extern std::int16_t g_SavedBandGains[kChannelCount][kBandCount];
// 1 when all 12 band gains of the channel are 0 dB.
extern std::uint8_t g_PeqBypassed[kChannelCount];

// Both back to start-up.
void ResetWindowState();
