// Loads arbitrary channel blocks, as a recall or a notch reply may bring them,
// into both channels' equalizers and sums their curves, as the window does
// when it shows them: every band type, frequency, gain, width and notch code.
// The first pair of blocks builds the equalizers (bytes past the input keep
// the defaults); a second pair, when the input goes on, is loaded over them as
// the window reloads its graphs on a refresh, and the curves are summed again
// on the plot the graphs were given before.
#include "model/ChannelEqualizer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

using BlockPair = std::array<ChannelBlock, kChannelCount>;

constexpr PlotRect kGraphPlot{kPlotInsetX, kPlotInsetY, kPlotInsetX + 600, kPlotInsetY + 300};

BlockPair BlocksFrom(const std::uint8_t* data, std::size_t size)
{
    BlockPair blocks{DefaultChannelBlock(), DefaultChannelBlock()};
    std::memcpy(blocks.data(), data, std::min(size, sizeof blocks));
    return blocks;
}

void SumCurves(CEqualizerModel& model)
{
    for (int c = 0; c < kChannelCount; ++c) {
        CChannelEqualizer& eq = model.Channel(c);
        eq.ComputeCurves();
        for (const auto* curve : {&eq.CurveA(), &eq.CurveB()}) {
            for (const PlotPointF& point : *curve) {
                if (std::isnan(point.y))
                    std::abort();
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CEqualizerModel model;
    model.Build(BlocksFrom(data, size));
    for (int c = 0; c < kChannelCount; ++c)
        model.Channel(c).SetPlotRect(kGraphPlot);
    SumCurves(model);
    if (size > sizeof(BlockPair)) {
        model.Reload(BlocksFrom(data + sizeof(BlockPair), size - sizeof(BlockPair)));
        SumCurves(model);
    }
    return 0;
}
