// Feeds arbitrary bytes to the reader thread's path as a stream of 65-byte
// input reports, with commands waiting for their replies, and applies every
// refresh the replies ask for to the model, as the main window does: a notch
// refresh or a full refresh rebuilds both channels' filters from the image and
// sums their curves.
#include "model/ChannelEqualizer.h"
#include "model/ProcessState.h"
#include "protocol/Communication.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

constexpr PlotRect kGraphPlot{kPlotInsetX, kPlotInsetY, kPlotInsetX + 600, kPlotInsetY + 300};

int g_PendingRefresh = 0;

void SetUpHooksOnce()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    SetDeviceRefreshHook([](int lParam) { g_PendingRefresh = lParam; });
    SetWriteReportHook([](const std::uint8_t*) { return true; });
    SetLampHook(nullptr);
}

// Every input starts from a fresh program, so that a finding reproduces alone.
void StartFresh()
{
    ResetProcessState();
    g_PendingRefresh = 0;
    BuildEqualizers(false);
    for (CChannelEqualizer& eq : g_Equalizers)
        eq.SetPlotRect(kGraphPlot);
}

void RefreshModel()
{
    ReloadEqualizers();
    for (CChannelEqualizer& eq : g_Equalizers) {
        eq.SetPlotRect(kGraphPlot);
        eq.ComputeCurves();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    SetUpHooksOnce();
    StartFresh();
    g_Connected.store(1);
    // One command of each reply class waits, so that replies find something to answer.
    QueueReadSetup();
    QueueSetParam(AREA_CHANNEL, 1, 15);
    QueueWriteBands(AREA_CHANNEL, 0);
    QueueStorePreset(3);
    QueueRecallPreset(4);
    std::uint8_t report[kInputReportSize];
    for (std::size_t offset = 0; offset < size; offset += kInputReportSize) {
        const std::size_t chunk = std::min(kInputReportSize, size - offset);
        std::memset(report, 0, sizeof report);
        std::memcpy(report, data + offset, chunk);
        FeedInputReport(report);
        if (g_PendingRefresh != 0) {
            g_PendingRefresh = 0;
            RefreshModel();
        }
        SchedulerTick();
        SchedulerSendNext();
        RefreshMeters();
    }
    return 0;
}
