// A graph of the main window's size on channel A, whose signals are recorded.
#pragma once

#include "model/ChannelEqualizer.h"
#include "protocol/ParameterImage.h"
#include "ui/graph/EqualizerGraph.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

inline void PrintTo(BandHandle handle, std::ostream* os)
{
    constexpr const char* kNames[] = {"None", "Centre", "LeftWidth", "RightWidth"};
    *os << kNames[static_cast<int>(handle)];
}

namespace graphtest {

constexpr int kGraphWidth = 772;    // 454 x 168 dialog units in the main window
constexpr int kGraphHeight = 286;

// Whether a pixel of column x within rows from .. to passes the test.
template <class Test>
bool ColumnShows(const QImage& image, int x, int from, int to, Test test)
{
    for (int y = from; y <= to; ++y)
        if (test(image.pixel(x, y)))
            return true;
    return false;
}

enum class GraphSignal { BandChanged, DragFinished };

struct Posted {
    GraphSignal signal;
    int band;
    int channel;
    bool operator==(const Posted&) const = default;
};

// Stands in for the window: keeps every signal the graph emits.
class CParentRecorder {
public:
    void Listen(CEqualizerGraph& graph)
    {
        QObject::connect(&graph, &CEqualizerGraph::bandChanged, &m_context, [this](int channel, int band) {
            m_posted.push_back({GraphSignal::BandChanged, band, channel});
        });
        QObject::connect(&graph, &CEqualizerGraph::dragFinished, &m_context, [this](int channel, int band) {
            m_posted.push_back({GraphSignal::DragFinished, band, channel});
        });
    }

    std::vector<Posted> Take()
    {
        std::vector<Posted> taken;
        taken.swap(m_posted);
        return taken;
    }

private:
    QObject m_context;
    std::vector<Posted> m_posted;
};

class GraphFixture : public testing::Test {
protected:
    void SetUp() override
    {
        m_model.Build(m_image.Channels());
        m_graph = std::make_unique<CEqualizerGraph>();
        m_graph->resize(kGraphWidth, kGraphHeight);
        m_graph->Attach(m_model.Channel(0), 0);
        m_parent.Listen(*m_graph);
    }

    void TearDown() override { m_graph.reset(); }

    CEqualizerGraph& Graph() { return *m_graph; }
    // The control as it paints itself now.
    QImage Shot() const { return m_graph->grab().toImage(); }
    CFilter& Band(int index) { return m_model.Channel(0).GetAt(index); }
    BandParams& Record(int index) { return m_model.Table(0).bands[index]; }

    void SetBand(int index, int hz, int gainCode, int bwCode = 32, int type = FILTER_PEAK)
    {
        BandParams& rec = Record(index);
        rec.freqHz.Set(static_cast<std::int16_t>(hz));
        rec.gainCode.Set(static_cast<std::int16_t>(gainCode));
        rec.bwCode.Set(static_cast<std::int16_t>(bwCode));
        rec.slope = 0;
        rec.type = static_cast<std::uint8_t>(type);
        Band(index).AttachBand(&rec);
        m_graph->Redraw();
    }

    PlotPoint HandleCentre(int index) { return Band(index).HandleRect().Centre(); }

    // A move with no button held, as the window system delivers it with mouse tracking on.
    void Hover(PlotPoint p)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(p.x, p.y), m_graph->mapToGlobal(QPointF(p.x, p.y)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(m_graph.get(), &move);
    }
    void Press(PlotPoint p) { QTest::mousePress(m_graph.get(), Qt::LeftButton, {}, QPoint(p.x, p.y)); }
    void DragTo(PlotPoint p) { QTest::mouseMove(m_graph.get(), QPoint(p.x, p.y)); }
    void Release(PlotPoint p) { QTest::mouseRelease(m_graph.get(), Qt::LeftButton, {}, QPoint(p.x, p.y)); }

    // Selects the band under p, grabs the handle there and drags it to each point in turn.
    void Drag(PlotPoint from, std::initializer_list<PlotPoint> path)
    {
        Hover(from);
        Press(from);
        PlotPoint last = from;
        for (PlotPoint p : path) {
            DragTo(p);
            last = p;
        }
        Release(last);
    }

    CParameterImage m_image;
    CEqualizerModel m_model;
    CParentRecorder m_parent;
    std::unique_ptr<CEqualizerGraph> m_graph;
};

}  // namespace graphtest
