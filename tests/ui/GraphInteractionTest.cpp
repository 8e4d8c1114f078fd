#include "GraphTestSupport.h"

#include <cstring>

namespace graphtest {
namespace {

constexpr int kBand8 = 7;   // 1000 Hz in the image defaults

std::vector<Posted> BandChanged(int band, int channel, std::size_t times = 1)
{
    return std::vector<Posted>(times, Posted{GraphSignal::BandChanged, band, channel});
}

// A drag that changed the band: its steps, then the end of the drag.
std::vector<Posted> Dragged(int band, int channel, std::size_t steps = 1)
{
    std::vector<Posted> posted = BandChanged(band, channel, steps);
    posted.push_back({GraphSignal::DragFinished, band, channel});
    return posted;
}

class GraphInteraction : public GraphFixture {
protected:
    PlotPoint WidthHandleCentre(int index, bool left)
    {
        return (left ? Band(index).WidthRectL() : Band(index).WidthRectR()).Centre();
    }

    // Selects band index by its centre handle, then hovers the given width handle.
    void HoverWidthHandle(int index, bool left)
    {
        Hover(HandleCentre(index));
        Hover(WidthHandleCentre(index, left));
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
    EXPECT_EQ(Graph().HoveredHandle(), BandHandle::Centre);
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

TEST_F(GraphInteraction, WithoutASelectionNoHandleIsHit)
{
    const PlotPoint centre = HandleCentre(kBand8);
    EXPECT_EQ(Graph().HandleAt(centre), BandHandle::None);
    Hover(centre);
    EXPECT_EQ(Graph().HandleAt(centre), BandHandle::Centre);
}

struct HitCase {
    const char* where;
    int bwCode;
    PlotPoint (*at)(const CFilter& band);
    int handlesThere;   // how many of the band's three handles contain the point
    BandHandle hit;
};

void PrintTo(const HitCase& c, std::ostream* os) { *os << c.where; }

PlotPoint TopLeftOfBoth(const PlotRect& a, const PlotRect& b)
{
    return {std::max(a.left, b.left), std::max(a.top, b.top)};
}

// On a graph 200 pixels wide, where a band of the narrowest width has its width handles over
// the edges of its centre handle.
class GraphHitTest : public GraphInteraction, public testing::WithParamInterface<HitCase> {};

TEST_P(GraphHitTest, TriesTheCentreFirstThenLeftThenRight)
{
    const HitCase& c = GetParam();
    m_graph->resize(200, kGraphHeight);
    m_graph->SetPlotLayout();
    SetBand(0, 40, 150, c.bwCode);
    Hover(HandleCentre(0));
    ASSERT_EQ(Graph().SelectedIndex(), 0);
    const CFilter& band = Band(0);
    const PlotPoint p = c.at(band);
    const int there = int{band.HandleRect().Contains(p)} + int{band.WidthRectL().Contains(p)}
        + int{band.WidthRectR().Contains(p)};
    ASSERT_EQ(there, c.handlesThere) << c.where;

    EXPECT_EQ(Graph().HandleAt(p), c.hit) << c.where;
}

INSTANTIATE_TEST_SUITE_P(Points, GraphHitTest, testing::Values(
    HitCase{"centre handle", 32, [](const CFilter& b) { return b.HandleRect().Centre(); }, 1, BandHandle::Centre},
    HitCase{"left width handle", 32, [](const CFilter& b) { return b.WidthRectL().Centre(); }, 1,
            BandHandle::LeftWidth},
    HitCase{"right width handle", 32, [](const CFilter& b) { return b.WidthRectR().Centre(); }, 1,
            BandHandle::RightWidth},
    HitCase{"centre handle's top left pixel", 32,
            [](const CFilter& b) { return PlotPoint{b.HandleRect().left, b.HandleRect().top}; }, 1,
            BandHandle::Centre},
    HitCase{"just right of the centre handle", 32,
            [](const CFilter& b) { return PlotPoint{b.HandleRect().right, b.HandleRect().top}; }, 0,
            BandHandle::None},
    HitCase{"just below the right width handle", 32,
            [](const CFilter& b) { return PlotPoint{b.WidthRectR().left, b.WidthRectR().bottom}; }, 0,
            BandHandle::None},
    HitCase{"empty plot", 32, [](const CFilter&) { return PlotPoint{150, 250}; }, 0, BandHandle::None},
    HitCase{"centre over left width handle", 0,
            [](const CFilter& b) { return TopLeftOfBoth(b.HandleRect(), b.WidthRectL()); }, 2,
            BandHandle::Centre},
    HitCase{"centre over right width handle", 0,
            [](const CFilter& b) { return TopLeftOfBoth(b.HandleRect(), b.WidthRectR()); }, 2,
            BandHandle::Centre}
));

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
    const BandTable before = m_model.Table(0);
    const PlotPoint empty{300, 250};

    Drag(empty, {{400, 40}, {200, 200}});

    EXPECT_EQ(std::memcmp(&before, &m_model.Table(0), sizeof before), 0);
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
    EXPECT_EQ(Graph().DraggedHandle(), BandHandle::None);
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
    EXPECT_EQ(Graph().DraggedHandle(), BandHandle::None);
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

enum class Crossed { Centre, OtherWidthHandle };

struct WidthCrossing {
    bool left;           // which width handle is dragged
    Crossed over;        // the handle the pointer then passes over
    bool followsOver;    // the step onto that handle changes the width
    bool goesOn;         // a later step off every handle still changes the width
};

void PrintTo(const WidthCrossing& c, std::ostream* os)
{
    *os << (c.left ? "left" : "right") << " width drag over the "
        << (c.over == Crossed::Centre ? "centre" : "other width handle");
}

class GraphWidthCrossing : public GraphInteraction, public testing::WithParamInterface<WidthCrossing> {};

TEST_P(GraphWidthCrossing, DragAcrossAnotherHandle)
{
    const WidthCrossing& c = GetParam();
    const int outward = c.left ? -1 : 1;
    HoverWidthHandle(kBand8, c.left);
    const PlotPoint handle = WidthHandleCentre(kBand8, c.left);
    Press(handle);
    DragTo({handle.x + 100 * outward, handle.y});
    const int wide = Record(kBand8).bwCode.Get();
    ASSERT_GT(wide, 32);

    DragTo(c.over == Crossed::Centre ? HandleCentre(kBand8) : WidthHandleCentre(kBand8, !c.left));
    const int over = Record(kBand8).bwCode.Get();
    EXPECT_EQ(over != wide, c.followsOver);

    const PlotPoint off{handle.x + 50 * outward, handle.y};
    DragTo(off);
    EXPECT_EQ(Record(kBand8).bwCode.Get() != over, c.goesOn);
    m_parent.Take();
    Release(off);
    const std::vector<Posted> end{{GraphSignal::DragFinished, kBand8, 0}};
    EXPECT_EQ(m_parent.Take(), c.goesOn ? end : std::vector<Posted>{}) << "only a drag still going ends";
}

// Passing the centre pauses a width drag; of the two width handles, the left one ends a drag of
// the right one, while a left drag over the right handle keeps following the pointer.
INSTANTIATE_TEST_SUITE_P(Handles, GraphWidthCrossing, testing::Values(
    WidthCrossing{true, Crossed::Centre, false, true},
    WidthCrossing{false, Crossed::Centre, false, true},
    WidthCrossing{true, Crossed::OtherWidthHandle, true, true},
    WidthCrossing{false, Crossed::OtherWidthHandle, false, false}
));

TEST_F(GraphInteraction, ShelvingBandStartsNoWidthDrag)
{
    SetBand(kBand8, 1000, 150, 32, FILTER_LOW_SHELF);
    HoverWidthHandle(kBand8, true);
    ASSERT_TRUE(Graph().IsHovering());
    ASSERT_EQ(Graph().HoveredHandle(), BandHandle::LeftWidth);
    const PlotPoint handle = Band(kBand8).WidthRectL().Centre();

    Press(handle);
    EXPECT_EQ(Graph().DraggedHandle(), BandHandle::None);
    DragTo({handle.x - 100, handle.y});
    Release({handle.x - 100, handle.y});

    EXPECT_EQ(Record(kBand8).bwCode.Get(), 32);
    EXPECT_EQ(Graph().DraggedHandle(), BandHandle::None);
    EXPECT_TRUE(m_parent.Take().empty());
}

class GraphReleaseOnAHandle : public GraphInteraction, public testing::WithParamInterface<BandHandle> {};

// After a release the pointer counts as over no handle: a press before it moves grabs nothing.
TEST_P(GraphReleaseOnAHandle, LeavesNoHandleToGrabUntilThePointerMoves)
{
    const BandHandle handle = GetParam();
    Hover(HandleCentre(kBand8));
    const PlotPoint p = handle == BandHandle::Centre ? HandleCentre(kBand8)
                                                      : WidthHandleCentre(kBand8, handle == BandHandle::LeftWidth);
    Hover(p);
    ASSERT_TRUE(Graph().IsHovering());
    ASSERT_EQ(Graph().HoveredHandle(), handle);
    Press(p);
    ASSERT_EQ(Graph().DraggedHandle(), handle);
    Release(p);
    EXPECT_FALSE(Graph().IsHovering());
    EXPECT_EQ(Graph().HoveredHandle(), BandHandle::None);
    EXPECT_EQ(Graph().DraggedHandle(), BandHandle::None);
    EXPECT_EQ(Graph().cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(m_parent.Take(), (std::vector<Posted>{{GraphSignal::DragFinished, kBand8, 0}}));

    const BandTable before = m_model.Table(0);
    Press(p);
    EXPECT_EQ(Graph().DraggedHandle(), BandHandle::None);
    DragTo({p.x + 60, p.y + 30});
    Release({p.x + 60, p.y + 30});

    EXPECT_EQ(std::memcmp(&before, &m_model.Table(0), sizeof before), 0);
    EXPECT_TRUE(m_parent.Take().empty());
}

INSTANTIATE_TEST_SUITE_P(Handles, GraphReleaseOnAHandle,
                         testing::Values(BandHandle::Centre, BandHandle::LeftWidth, BandHandle::RightWidth));

// The unit's state may replace the bands between two drag steps; the drag goes on from the pointer.
TEST_F(GraphInteraction, AReloadBetweenDragStepsKeepsTheDrag)
{
    const PlotPoint centre = HandleCentre(kBand8);
    Hover(centre);
    Press(centre);
    DragTo({centre.x + 20, centre.y});
    m_image.channels[0].bands[kBand8].freqHz.Set(250);
    m_model.Reload(m_image.Channels());
    ASSERT_EQ(Record(kBand8).freqHz.Get(), 250);

    DragTo({centre.x + 40, centre.y});
    Release({centre.x + 40, centre.y});

    EXPECT_EQ(Record(kBand8).freqHz.Get(), 1461);
    EXPECT_EQ(Record(kBand8).gainCode.Get(), 120);
    EXPECT_EQ(m_parent.Take(), Dragged(kBand8, 0, 2));
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
    EXPECT_EQ(m_parent.Take(), (std::vector<Posted>{{GraphSignal::DragFinished, kBand8, 0}})) << "the drag's end";
}

TEST_F(GraphInteraction, ChannelBReportsItsOwnChannel)
{
    m_graph->Attach(m_model.Channel(1), 1);
    CFilter& band = m_model.Channel(1).GetAt(3);
    Drag(band.HandleRect().Centre(), {{200, 40}});

    EXPECT_EQ(m_parent.Take(), Dragged(3, 1));
    EXPECT_EQ(m_model.Table(1).bands[3].freqHz.Get(), 96);
    EXPECT_EQ(m_model.Table(1).bands[3].gainCode.Get(), 198);   // +7.8 dB, 30 pixels below the top
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
    for (int i = 0; i <= kLastParametricBand; ++i)
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
    CEqualizerGraph idle;
    idle.resize(kGraphWidth, kGraphHeight);
    idle.SetPlotLayout();
    m_parent.Listen(idle);
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
    EXPECT_EQ(Graph().DraggedHandle(), BandHandle::None);
}

// A band picked after the channel is attached again starts with no drag of its own.
TEST_F(GraphInteraction, AttachingTheChannelAgainDropsTheDrag)
{
    const PlotPoint centre = HandleCentre(kBand8);
    Hover(centre);
    Press(centre);
    DragTo({centre.x + 20, centre.y});
    m_graph->Attach(m_model.Channel(0), 0);
    EXPECT_EQ(Graph().DraggedHandle(), BandHandle::None);
    m_parent.Take();
    const BandParams before = Record(2);

    const PlotPoint other = HandleCentre(2);
    Hover(other);
    ASSERT_EQ(Graph().SelectedIndex(), 2);
    DragTo({other.x, other.y + 40});
    Release({other.x, other.y + 40});

    EXPECT_EQ(std::memcmp(&before, &Record(2), sizeof before), 0);
    EXPECT_TRUE(m_parent.Take().empty());
}

}  // namespace
}  // namespace graphtest
