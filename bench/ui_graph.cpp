// Redrawing the equalizer graph of the main window's size into its off-screen image,
// and one band drag step (move, recompute, redraw) as the mouse delivers it.
#include "model/ChannelEqualizer.h"
#include "ui/graph/EqualizerGraph.h"

#include <QApplication>
#include <QMouseEvent>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kGraphWidth = 772;    // 454 x 168 dialog units in the main window
constexpr int kGraphHeight = 286;

// Made on first use and never destroyed: Qt's own statics are gone by the time a static
// QApplication would be.
void EnsureApplication()
{
    if (QApplication::instance() != nullptr)
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "bench_ui_graph";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

// Channel A with one band boosted, as after a typical edit.
std::unique_ptr<CEqualizerGraph> MakeGraph()
{
    EnsureApplication();
    BuildEqualizers(false);
    BandParams& band = g_BandTable[0].bands[7];
    band.gainCode.Set(180);
    g_Equalizers[0].GetAt(7).AttachBand(&band);
    auto graph = std::make_unique<CEqualizerGraph>();
    graph->resize(kGraphWidth, kGraphHeight);
    graph->SetPlotLayout();
    graph->AttachChannel(0);
    return graph;
}

void SendMove(CEqualizerGraph& graph, PlotPoint p, Qt::MouseButtons buttons)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(p.x, p.y), graph.mapToGlobal(QPointF(p.x, p.y)),
                     Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&graph, &move);
}

void SendPress(CEqualizerGraph& graph, PlotPoint p)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(p.x, p.y), graph.mapToGlobal(QPointF(p.x, p.y)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&graph, &press);
}

void BM_Redraw(benchmark::State& state)
{
    auto graph = MakeGraph();
    for (auto _ : state) {
        graph->Redraw();
        benchmark::DoNotOptimize(graph->Image().constBits());
    }
}
BENCHMARK(BM_Redraw)->Unit(benchmark::kMicrosecond);

// The selected band adds its filled area, width handles and description.
void BM_RedrawSelected(benchmark::State& state)
{
    auto graph = MakeGraph();
    SendMove(*graph, g_Equalizers[0].GetAt(7).HandleRect().Centre(), Qt::NoButton);
    for (auto _ : state) {
        graph->Redraw();
        benchmark::DoNotOptimize(graph->Image().constBits());
    }
}
BENCHMARK(BM_RedrawSelected)->Unit(benchmark::kMicrosecond);

// One pointer move of a centre drag: the band moves, its response is recomputed, the plot redrawn.
void BM_DragStep(benchmark::State& state)
{
    auto graph = MakeGraph();
    const PlotPoint centre = g_Equalizers[0].GetAt(7).HandleRect().Centre();
    SendMove(*graph, centre, Qt::NoButton);
    SendPress(*graph, centre);
    int step = 0;
    for (auto _ : state) {
        step = (step + 1) % 200;
        SendMove(*graph, {centre.x - 100 + step, centre.y - 40 + step / 4}, Qt::LeftButton);
        benchmark::DoNotOptimize(graph->Image().constBits());
    }
}
BENCHMARK(BM_DragStep)->Unit(benchmark::kMicrosecond);

// What a resize costs once: both equalizers are laid out again, the frame, labels and grid redrawn.
void BM_LayoutAndRedraw(benchmark::State& state)
{
    auto graph = MakeGraph();
    int extra = 0;
    for (auto _ : state) {
        extra ^= 1;
        graph->resize(kGraphWidth + extra, kGraphHeight);
        graph->SetPlotLayout();
        graph->Redraw();
        benchmark::DoNotOptimize(graph->Image().constBits());
    }
}
BENCHMARK(BM_LayoutAndRedraw)->Unit(benchmark::kMicrosecond);

}  // namespace
