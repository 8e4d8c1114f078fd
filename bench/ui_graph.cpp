// Painting the equalizer graph of the main window's size, and one band drag
// step (move, recompute, paint) as the mouse delivers it; both also with a
// measurement of 100,000 points and its predicted result shown; and an option
// of the fit dialog changed, to the graph painted with the new fit's prediction.
#include "model/ChannelEqualizer.h"
#include "model/Measurement.h"
#include "ui/graph/EqualizerGraph.h"
#include "ui/settings/FilterFile.h"
#include "ui/settings/FitDialog.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QSpinBox>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kGraphWidth = 772;    // 454 x 168 dialog units in the main window
constexpr int kGraphHeight = 286;
constexpr int kMeasurementPoints = 100'000;

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

// Channel A with one band boosted, as after a typical edit, and where it is painted.
struct GraphBench {
    GraphBench()
    {
        EnsureApplication();
        model.Build({DefaultChannelBlock(), DefaultChannelBlock()});
        BandParams& band = model.Table(0).bands[7];
        band.gainCode.Set(180);
        model.Channel(0).GetAt(7).AttachBand(&band);
        graph = std::make_unique<CEqualizerGraph>();
        graph->resize(kGraphWidth, kGraphHeight);
        graph->Attach(model.Channel(0), 0);
        target = QImage(graph->size(), QImage::Format_ARGB32_Premultiplied);
    }

    // A room's response from 20 Hz to 20 kHz: a slope, modes and ripple.
    void ShowMeasurement()
    {
        std::vector<MeasurementPoint> points(kMeasurementPoints);
        for (int i = 0; i < kMeasurementPoints; ++i) {
            const double octaves = 10.0 * i / (kMeasurementPoints - 1);
            points[i] = {20.0 * std::exp2(octaves), 6.0 - 1.2 * octaves + 4.0 * std::sin(octaves * 7.0) +
                                                        0.5 * std::sin(i * 0.7)};
        }
        graph->ShowMeasurement(points);
        Paint();   // the resampling, once per layout
    }

    // What the window system does when the graph is shown or uncovered: all of it painted.
    void Paint()
    {
        graph->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }

    // What it does on the update a drag step asks for: the plot painted.
    void PaintPlot()
    {
        const PlotRect& plot = graph->PlotArea();
        const QRect area(plot.left, plot.top, plot.Width(), plot.Height());
        graph->render(&target, area.topLeft(), QRegion(area));
        benchmark::DoNotOptimize(target.constBits());
    }

    CEqualizerModel model;
    std::unique_ptr<CEqualizerGraph> graph;
    QImage target;
};

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
    GraphBench bench;
    for (auto _ : state)
        bench.Paint();
}
BENCHMARK(BM_Redraw)->Unit(benchmark::kMicrosecond);

// The selected band adds its filled area, width handles and description.
void BM_RedrawSelected(benchmark::State& state)
{
    GraphBench bench;
    SendMove(*bench.graph, bench.model.Channel(0).GetAt(7).HandleRect().Centre(), Qt::NoButton);
    for (auto _ : state)
        bench.Paint();
}
BENCHMARK(BM_RedrawSelected)->Unit(benchmark::kMicrosecond);

void BM_RedrawWithMeasurement(benchmark::State& state)
{
    GraphBench bench;
    bench.ShowMeasurement();
    for (auto _ : state)
        bench.Paint();
}
BENCHMARK(BM_RedrawWithMeasurement)->Unit(benchmark::kMicrosecond);

// One pointer move of a centre drag: the band moves, its response is recomputed, the plot redrawn.
void DragSteps(benchmark::State& state, GraphBench& bench)
{
    const PlotPoint centre = bench.model.Channel(0).GetAt(7).HandleRect().Centre();
    SendMove(*bench.graph, centre, Qt::NoButton);
    SendPress(*bench.graph, centre);
    int step = 0;
    for (auto _ : state) {
        step = (step + 1) % 200;
        SendMove(*bench.graph, {centre.x - 100 + step, centre.y - 40 + step / 4}, Qt::LeftButton);
        bench.PaintPlot();
    }
}

void BM_DragStep(benchmark::State& state)
{
    GraphBench bench;
    DragSteps(state, bench);
}
BENCHMARK(BM_DragStep)->Unit(benchmark::kMicrosecond);

// The predicted result follows the band on every step.
void BM_DragStepWithMeasurement(benchmark::State& state)
{
    GraphBench bench;
    bench.ShowMeasurement();
    DragSteps(state, bench);
}
BENCHMARK(BM_DragStepWithMeasurement)->Unit(benchmark::kMicrosecond);

// What a resize costs once: the equalizer is laid out again, the frame, labels and grid redrawn.
void LayoutsAndRedraws(benchmark::State& state, GraphBench& bench)
{
    int extra = 0;
    for (auto _ : state) {
        extra ^= 1;
        bench.graph->resize(kGraphWidth + extra, kGraphHeight);
        bench.graph->SetPlotLayout();
        bench.Paint();
    }
}

void BM_LayoutAndRedraw(benchmark::State& state)
{
    GraphBench bench;
    LayoutsAndRedraws(state, bench);
}
BENCHMARK(BM_LayoutAndRedraw)->Unit(benchmark::kMicrosecond);

// A new layout resamples the measurement to the new columns.
void BM_LayoutAndRedrawWithMeasurement(benchmark::State& state)
{
    GraphBench bench;
    bench.ShowMeasurement();
    LayoutsAndRedraws(state, bench);
}
BENCHMARK(BM_LayoutAndRedrawWithMeasurement)->Unit(benchmark::kMicrosecond);

// The bands to use changed between 11 and 12: the fit made again over the 100,000 points, the
// prediction handed to the graph and painted, as the dialog does on the next turn of the events.
void BM_FitOptionToPrediction(benchmark::State& state)
{
    GraphBench bench;
    bench.ShowMeasurement();
    const ChannelBlock block = DefaultChannelBlock();
    CFitDialog dialog(bench.graph->Measured(), ChannelBandsOf(block), block.gain.Get(), 0);
    QObject::connect(&dialog, &CFitDialog::predictionChanged, bench.graph.get(), &CEqualizerGraph::ShowPrediction);
    auto* bands = dialog.findChild<QSpinBox*>(QStringLiteral("bands"));
    int count = kBandCount;
    for (auto _ : state) {
        count = count == kBandCount ? kBandCount - 1 : kBandCount;
        bands->setValue(count);
        dialog.FitNow();
        bench.Paint();
    }
}
BENCHMARK(BM_FitOptionToPrediction)->Unit(benchmark::kMillisecond);

}  // namespace
