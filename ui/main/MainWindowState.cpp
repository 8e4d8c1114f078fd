#include "ui/main/MainWindowState.h"

#include <algorithm>

std::int16_t g_SavedBandGains[kChannelCount][kBandCount]{};
std::uint8_t g_PeqBypassed[kChannelCount]{};

void ResetWindowState()
{
    std::fill(&g_SavedBandGains[0][0], &g_SavedBandGains[0][0] + kChannelCount * kBandCount, std::int16_t{0});
    std::fill(std::begin(g_PeqBypassed), std::end(g_PeqBypassed), std::uint8_t{0});
}
