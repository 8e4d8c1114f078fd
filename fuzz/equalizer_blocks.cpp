// Loads arbitrary channel blocks, as a recall or a notch reply may bring them,
// into both channels' equalizers and sums their curves, as the window does
// when it shows them: every band type, frequency, gain, width and notch code.
#include "model/ChannelEqualizer.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr PlotRect kGraphPlot{kPlotInsetX, kPlotInsetY, kPlotInsetX + 600, kPlotInsetY + 300};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::array<ChannelBlock, kChannelCount> blocks{DefaultChannelBlock(), DefaultChannelBlock()};
    std::memcpy(blocks.data(), data, std::min(size, sizeof blocks));
    CEqualizerModel model;
    model.Build(blocks);
    for (int c = 0; c < kChannelCount; ++c) {
        CChannelEqualizer& eq = model.Channel(c);
        eq.SetPlotRect(kGraphPlot);
        eq.ComputeCurves();
        for (const PlotPointF& point : eq.CurveA()) {
            if (std::isnan(point.y))
                std::abort();
        }
    }
    return 0;
}
