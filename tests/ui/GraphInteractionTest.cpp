#include "GraphTestSupport.h"

#include <cstring>

namespace graphtest {
namespace {

constexpr int kBand8 = 7;   // 1000 Hz in the image defaults

std::vector<Posted> BandChanged(int band, int channel, std::size_t times = 1)
{
    return std::vector<Posted>(times, Posted{WM_GRAPH_BAND_CHANGED, band, channel});
}

// A drag that changed the band: its steps, then the end of the drag.
std::vector<Posted> Dragged(int band, int channel, std::size_t steps = 1)
{
    std::vector<Posted> posted = BandChanged(band, channel, steps);
    posted.push_back({WM_GRAPH_DRAG_DONE, band, channel});
    return posted;
}

class GraphInteraction : public GraphFixture {
protected:
    // Selects band index by its centre handle, then hovers the given width handle.
    void HoverWidthHandle(int index, bool left)
    {
        Hover(HandleCentre(index));
        Hover((left ? Band(index).WidthRectL() : Band(index).WidthRectR()).Centre());
    }
};

TEST_F(GraphInteraction, OverlappingHandlesSelectTheLowerBand)
{
    SetBand(2, 2000, 120);
    SetBand(4, 2100, 120);
    const PlotRect a = Band(2).HandleRect();
    const PlotRect b = Band(4).HandleRect();
    const PlotPoint both{std::max(a.left, b.left), a.top + 8};
    ASSERT_TRUE(a.Contains(both) && b.Contains(both));

    Hover(both);

    EXPECT_EQ(Graph().SelectedBand(), &Band(2));
    EXPECT_EQ(Graph().SelectedIndex(), 2);
    EXPECT_TRUE(Graph().IsHovering());
    EXPECT_EQ(Band(2).m_bHoverCentre, 1);
    EXPECT_EQ(Graph().cursor().shape(), Qt::SizeAllCursor);
}

TEST_F(GraphInteraction, TheSelectedBandsOwnHandleWinsOverALowerBand)
{
    SetBand(2, 2000, 120);
    SetBand(4, 2100, 120);
    const PlotRect a = Band(2).HandleRect();
    const PlotRect b = Band(4).HandleRect();
    const PlotPoint onlyB{b.right - 1, b.top + 8};
    const PlotPoint both{std::max(a.left, b.left), a.top + 8};
    ASSERT_FALSE(a.Contains(onlyB));

    Hover(onlyB);
    ASSERT_EQ(Graph().SelectedIndex(), 4);
    Hover(both);

    EXPECT_EQ(Graph().SelectedBand(), &Band(4));
    EXPECT_EQ(Graph().SelectedIndex(), 4);
}

TEST_F(GraphInteraction, MovingAwayKeepsTheSelectionAndShowsTheArrow)
{
    Hover(HandleCentre(kBand8));
    Hover({300, 250});

    EXPECT_EQ(Graph().SelectedBand(), &Band(kBand8));
    EXPECT_FALSE(Graph().IsHovering());
    EXPECT_EQ(Graph().cursor().shape(), Qt::ArrowCursor);
}

TEST_F(GraphInteraction, PressOnEmptyPlotChangesNothing)
{
    const BandTable before = g_BandTable[0];
    const PlotPoint empty{300, 250};

    Drag(empty, {{400, 40}, {200, 200}});

    EXPECT_EQ(std::memcmp(&before, &g_BandTable[0], sizeof before), 0);
    EXPECT_EQ(Graph().SelectedBand(), nullptr);
    EXPECT_TRUE(m_parent.Take().empty());
}

struct EdgeCase {
    PlotPoint to;
    int freqHz;
    int gainCode;
};

class GraphCentreDrag : public GraphInteraction, public testing::WithParamInterface<EdgeCase> {};

// Plot (35, 10) .. (762, 266): 727 x 256 pixels, 242 pixels per decade.
TEST_P(GraphCentreDrag, PutsFrequencyAndGainIntoTheBandRecord)
{
    const EdgeCase& c = GetParam();
    Drag(HandleCentre(kBand8), {c.to});

    EXPECT_EQ(Record(kBand8).freqHz.Get(), c.freqHz);
    EXPECT_EQ(Record(kBand8).gainCode.Get(), c.gainCode);
    EXPECT_EQ(Band(kBand8).m_bDragCentre, 0);
    EXPECT_EQ(m_parent.Take(), Dragged(kBand8, 0));
}

INSTANTIATE_TEST_SUITE_P(Edges, GraphCentreDrag, testing::Values(
    EdgeCase{{35, 10}, 20, 240},
    EdgeCase{{762, 266}, 20000, 0},
    EdgeCase{{35, 266}, 20, 0},
    EdgeCase{{762, 10}, 20000, 240},
    EdgeCase{{-40, -30}, 20, 240},          // beyond the control
    EdgeCase{{900, 400}, 20000, 0},
    EdgeCase{{35 + 2 * 242, 95}, 2000, 120}  // two decades up, on the 0 dB line
));

TEST_F(GraphInteraction, CentreDragKeepsTheGrabPointUnderThePointer)
{
    const PlotPoint centre = HandleCentre(kBand8);
    const PlotPoint grab{centre.x + 3, centre.y - 2};
    Drag(grab, {{grab.x + 40, grab.y}});

    // the handle's centre lands on x = 486: 451 pixels into the plot
    EXPECT_EQ(Record(kBand8).freqHz.Get(), 1461);
    EXPECT_EQ(Record(kBand8).gainCode.Get(), 120);
}

class GraphWidthDrag : public GraphInteraction, public testing::WithParamInterface<bool> {};

TEST_P(GraphWidthDrag, PastTheCentreGivesTheNarrowestBand)
{
    const bool left = GetParam();
    HoverWidthHandle(kBand8, left);
    ASSERT_TRUE(Graph().IsHovering());
    const PlotPoint handle = (left ? Band(kBand8).WidthRectL() : Band(kBand8).WidthRectR()).Centre();
    const PlotPoint past{HandleCentre(kBand8).x + (left ? 30 : -30), handle.y};

    Press(handle);
    DragTo(past);

    EXPECT_EQ(Record(kBand8).bwCode.Get(), 0);
    EXPECT_EQ(Record(kBand8).freqHz.Get(), 1000);
    EXPECT_EQ(m_parent.Take(), BandChanged(kBand8, 0));
    Release(past);
    EXPECT_EQ(Band(kBand8).m_bDragLeft, 0);
    EXPECT_EQ(Band(kBand8).m_bDragRight, 0);
}

INSTANTIATE_TEST_SUITE_P(LeftAndRight, GraphWidthDrag, testing::Bool());

TEST_F(GraphInteraction, WidthDragPausesOverTheCentreHandle)
{
    HoverWidthHandle(kBand8, true);
    const PlotPoint handle = Band(kBand8).WidthRectL().Centre();
    Press(handle);
    DragTo({handle.x - 100, handle.y});
    const int wide = Record(kBand8).bwCode.Get();
    ASSERT_GT(wide, 32);

    DragTo(HandleCentre(kBand8));
    EXPECT_EQ(Record(kBand8).bwCode.Get(), wide);

    DragTo({HandleCentre(kBand8).x + 30, handle.y});
    EXPECT_EQ(Record(kBand8).bwCode.Get(), 0);
}

TEST_F(GraphInteraction, ShelvingBandStartsNoWidthDrag)
{
    SetBand(kBand8, 1000, 150, 32, FILTER_LOW_SHELF);
    HoverWidthHandle(kBand8, true);
    ASSERT_TRUE(Graph().IsHovering());
    ASSERT_EQ(Band(kBand8).m_bHoverLeft, 1);
    const PlotPoint handle = Band(kBand8).WidthRectL().Centre();

    Press(handle);
    DragTo({handle.x - 100, handle.y});
    Release({handle.x - 100, handle.y});

    EXPECT_EQ(Record(kBand8).bwCode.Get(), 32);
    EXPECT_EQ(Band(kBand8).m_bDragLeft, 0);
    EXPECT_TRUE(m_parent.Take().empty());
}

// Every drag step that changes the band is reported at once; the scheduler
// keeps only the latest value of a band not yet sent.
TEST_F(GraphInteraction, EveryStepThatChangesTheBandIsReportedAtOnce)
{
    const PlotPoint centre = HandleCentre(kBand8);
    Hover(centre);
    Press(centre);
    for (int step = 1; step <= 3; ++step) {
        DragTo({centre.x + 5 * step, centre.y});
        EXPECT_EQ(m_parent.Take(), BandChanged(kBand8, 0)) << "step " << step;
    }
    Release({centre.x + 15, centre.y});
    EXPECT_EQ(m_parent.Take(), (std::vector<Posted>{{WM_GRAPH_DRAG_DONE, kBand8, 0}})) << "the drag's end";
}

TEST_F(GraphInteraction, ChannelBReportsItsOwnChannel)
{
    m_graph->AttachChannel(1);
    CFilter& band = g_Equalizers[1].GetAt(3);
    Drag(band.HandleRect().Centre(), {{200, 40}});

    EXPECT_EQ(m_parent.Take(), Dragged(3, 1));
    EXPECT_EQ(g_BandTable[1].bands[3].freqHz.Get(), 96);
    EXPECT_EQ(g_BandTable[1].bands[3].gainCode.Get(), 198);   // +7.8 dB, 30 pixels below the top
}

TEST_F(GraphInteraction, PickingAnotherBandReportsNothingUntilItChanges)
{
    const PlotPoint centre = HandleCentre(kBand8);
    Drag(centre, {{centre.x + 15, centre.y - 30}});
    ASSERT_EQ(m_parent.Take(), Dragged(kBand8, 0));

    Hover(HandleCentre(2));
    EXPECT_EQ(Graph().SelectedIndex(), 2);
    EXPECT_TRUE(m_parent.Take().empty());

    const PlotPoint other = HandleCentre(2);
    Drag(other, {{other.x, other.y + 20}});
    EXPECT_EQ(m_parent.Take(), Dragged(2, 0));
}

class GraphNotchBand : public GraphInteraction, public testing::WithParamInterface<int> {};

TEST_P(GraphNotchBand, IsNeverSelected)
{
    const int index = GetParam();
    SetBand(index, 3000, kNotchGainCode, 0);
    const PlotPoint p = HandleCentre(index);
    for (int i = 0; i <= g_LastPeqBand; ++i)
        ASSERT_FALSE(Band(i).HandleRect().Contains(p)) << i;

    Hover(p);
    EXPECT_EQ(Graph().SelectedBand(), nullptr);
    EXPECT_FALSE(Graph().IsHovering());

    Hover(HandleCentre(0));
    Drag(p, {{p.x + 50, p.y + 30}});
    EXPECT_EQ(Graph().SelectedIndex(), 0);
    EXPECT_EQ(Record(index).freqHz.Get(), 3000);
    EXPECT_EQ(Record(index).gainCode.Get(), kNotchGainCode);
}

INSTANTIATE_TEST_SUITE_P(Notches, GraphNotchBand, testing::Values(12, 17, 23));

TEST_F(GraphInteraction, IgnoresTheMouseUntilAChannelIsAttached)
{
    CFStatic idle;
    idle.resize(kGraphWidth, kGraphHeight);
    idle.SetPlotLayout();
    idle.SetParentWnd(&m_parent);
    const PlotPoint centre = HandleCentre(kBand8);

    QMouseEvent move(QEvent::MouseMove, QPointF(centre.x, centre.y), idle.mapToGlobal(QPointF(centre.x, centre.y)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&idle, &move);
    QTest::mousePress(&idle, Qt::LeftButton, {}, QPoint(centre.x, centre.y));
    QTest::mouseMove(&idle, QPoint(centre.x + 50, centre.y - 50));
    QTest::mouseRelease(&idle, Qt::LeftButton, {}, QPoint(centre.x + 50, centre.y - 50));

    EXPECT_EQ(idle.SelectedBand(), nullptr);
    EXPECT_EQ(Record(kBand8).freqHz.Get(), 1000);
    EXPECT_EQ(Record(kBand8).gainCode.Get(), 120);
}

// A release that never reached the graph must not leave the band following the pointer.
TEST_F(GraphInteraction, AMoveWithoutTheButtonEndsALostDrag)
{
    const PlotPoint centre = HandleCentre(kBand8);
    Hover(centre);
    Press(centre);
    DragTo({centre.x + 40, centre.y});
    const int dragged = Record(kBand8).freqHz.Get();
    QWidget elsewhere;
    QTest::mouseRelease(&elsewhere, Qt::LeftButton, {}, QPoint(5, 5));

    Hover({centre.x + 120, centre.y + 60});

    EXPECT_EQ(Record(kBand8).freqHz.Get(), dragged);
    EXPECT_EQ(Band(kBand8).m_bDragCentre, 0);
}

TEST_F(GraphInteraction, WithoutAParentNothingIsReported)
{
    m_graph->SetParentWnd(nullptr);
    const PlotPoint centre = HandleCentre(kBand8);
    Drag(centre, {{centre.x + 20, centre.y}});

    EXPECT_NE(Record(kBand8).freqHz.Get(), 1000);
    EXPECT_TRUE(m_parent.Take().empty());
}

}  // namespace
}  // namespace graphtest
