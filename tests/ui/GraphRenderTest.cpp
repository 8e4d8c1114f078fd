// Pixels of the graph's off-screen image. The plot is (35, 10) .. (762, 266): 727 x 256
// pixels, 242 pixels per decade, 21.33 pixels per 3 dB; 1000 Hz is the column x = 446.
//
// To look at the graph, save PNGs of it:
//   QUENDA_WIDGET_SNAPSHOTS=/tmp/shots build/tests/test_ui --gtest_filter='GraphSnapshot*'
// Without the variable the files go to a temporary folder and are only checked.
#include "GraphTestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <climits>
#include <string>

namespace graphtest {
namespace {

constexpr int kColumn1000Hz = 446;
constexpr int kRow0dB = 95;

bool IsWhite(QRgb c) { return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) > 200; }
bool IsBlack(QRgb c) { return (c & 0xFFFFFF) == 0; }
// A channel's curve colour, alone or blended into what lies beneath.
bool IsCurveRed(QRgb c) { return qRed(c) >= 128 && qRed(c) - qGreen(c) >= 100 && qRed(c) - qBlue(c) >= 100; }
bool IsCurveGreen(QRgb c) { return qGreen(c) >= 128 && qGreen(c) - qRed(c) >= 100 && qGreen(c) - qBlue(c) >= 100; }

std::string Hex(QRgb c)
{
    return QString::number(c & 0xFFFFFF, 16).rightJustified(6, QLatin1Char('0')).toStdString();
}

struct Extent {
    int minX = INT_MAX;
    int maxX = INT_MIN;
    int count = 0;
};

// Horizontal extent of the pixels in rect that pass the test.
template <class Test>
Extent PixelExtent(const QImage& image, const QRect& rect, Test test)
{
    Extent e;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (test(image.pixel(x, y))) {
                e.minX = std::min(e.minX, x);
                e.maxX = std::max(e.maxX, x);
                ++e.count;
            }
    return e;
}

QRect ToQRect(const PlotRect& r)
{
    return QRect(r.left, r.top, r.Width(), r.Height());
}

class GraphRender : public GraphFixture {
protected:
    QRgb Pixel(int x, int y) { return Shot().pixel(x, y); }
};

TEST_F(GraphRender, ImageCoversTheControl)
{
    EXPECT_EQ(Shot().size(), QSize(kGraphWidth, kGraphHeight));
    EXPECT_EQ(Graph().PlotArea(), (PlotRect{35, 10, 762, 266}));
    EXPECT_EQ(Graph().GridX(0), 35);
    EXPECT_EQ(Graph().GridX(8), 35 + 169);    // 100 Hz
    EXPECT_EQ(Graph().GridX(9), 35 + 242);    // 200 Hz
    EXPECT_EQ(Graph().GridX(17), kColumn1000Hz);
    EXPECT_EQ(Graph().GridX(26), 35 + 653);   // 10 kHz
}

struct ColourCase {
    const char* what;
    int x;
    int y;
    QRgb colour;
};

class GraphColour : public GraphRender, public testing::WithParamInterface<ColourCase> {};

TEST_P(GraphColour, AtKnownCoordinates)
{
    const ColourCase& c = GetParam();
    EXPECT_EQ(Hex(Pixel(c.x, c.y)), Hex(c.colour)) << c.what;
}

// x = 600 (4.3 kHz) lies between two grid lines; the 3 dB lines are at y = 31, 52, 74, 95 ...
INSTANTIATE_TEST_SUITE_P(Pixels, GraphColour, testing::Values(
    ColourCase{"control background", 2, 2, qRgb(0, 0, 0)},
    ColourCase{"control background below the dB labels", 20, 283, qRgb(0, 0, 0)},
    ColourCase{"outer frame left", 0, 150, qRgb(100, 100, 100)},
    ColourCase{"outer frame right", kGraphWidth - 1, 150, qRgb(100, 100, 100)},
    ColourCase{"outer frame top", 400, 0, qRgb(100, 100, 100)},
    ColourCase{"outer frame bottom", 400, kGraphHeight - 1, qRgb(100, 100, 100)},
    ColourCase{"plot background", 600, 20, qRgb(0, 0, 0)},
    ColourCase{"plot frame left", 35, 15, qRgb(62, 62, 62)},
    ColourCase{"plot frame right", 761, 15, qRgb(62, 62, 62)},
    ColourCase{"plot frame top", 600, 10, qRgb(62, 62, 62)},
    ColourCase{"plot frame bottom", 600, 265, qRgb(62, 62, 62)},
    ColourCase{"grid at 200 Hz", 35 + 242, 20, qRgb(60, 60, 60)},
    ColourCase{"grid at 10 kHz", 35 + 653, 200, qRgb(60, 60, 60)},
    ColourCase{"grid at +6 dB", 600, 52, qRgb(60, 60, 60)},
    ColourCase{"grid at -21 dB", 600, 10 + 234, qRgb(60, 60, 60)},
    ColourCase{"outside the plot, right of it", 766, 150, qRgb(0, 0, 0)}
));

TEST_F(GraphRender, PlusSixDbBandPutsTheCurveAboveItsFrequencyOnly)
{
    SetBand(7, 1000, 180);
    const QImage& image = Shot();

    // the curve point is (446.15, 52.67): the 2-pixel pen covers rows 52 .. 54, where the
    // band's label "8" (rows 46 .. 53) leaves some of it showing
    const int expectedRow = 53;
    EXPECT_TRUE(ColumnShows(image, kColumn1000Hz, expectedRow - 1, expectedRow + 1, IsCurveRed));
    EXPECT_FALSE(ColumnShows(image, kColumn1000Hz, 10, expectedRow - 2, IsCurveRed));
    EXPECT_FALSE(ColumnShows(image, kColumn1000Hz, expectedRow + 2, 265, IsCurveRed));
    // the second curve still lies on the 0 dB line
    EXPECT_EQ(Hex(image.pixel(kColumn1000Hz, kRow0dB)), Hex(qRgb(128, 128, 192)));
}

TEST_F(GraphRender, FlatBandsPutBothCurvesOnTheZeroDbLine)
{
    const QImage& image = Shot();
    // the second curve is drawn last and covers the first
    for (int x : {181, 570, 740}) {
        EXPECT_EQ(Hex(image.pixel(x, kRow0dB)), Hex(qRgb(128, 128, 192))) << x;
        EXPECT_TRUE(IsBlack(image.pixel(x, kRow0dB - 3))) << x;
        EXPECT_TRUE(IsBlack(image.pixel(x, kRow0dB + 3))) << x;
    }
}

// The curves are drawn in pieces; a steep notch must still leave no column without its curve.
TEST_F(GraphRender, SecondCurveIsUnbrokenAcrossThePlot)
{
    for (int i = 0; i <= kLastParametricBand; ++i)
        SetBand(i, Record(i).freqHz.Get(), 240);   // first curve and labels out of the way, at the top
    SetBand(12, 6000, kNotchGainCode, 0);
    SetBand(13, 150, kNotchGainCode, 0);
    const auto isCurveB = [](QRgb c) { return qBlue(c) >= 100 && qBlue(c) - qRed(c) >= 40; };

    for (int x = 36; x < 761; ++x)
        ASSERT_TRUE(ColumnShows(Shot(), x, 30, 265, isCurveB)) << "x = " << x;
}

struct LabelCase {
    const char* text;
    int plotWidth;
    int left;   // where the label's box starts
};

class GraphFrequencyLabel : public GraphRender, public testing::WithParamInterface<LabelCase> {};

TEST_P(GraphFrequencyLabel, StartsAtItsAnchor)
{
    const LabelCase& c = GetParam();
    CEqualizerGraph graph;
    graph.resize(c.plotWidth + 45, kGraphHeight);
    graph.SetPlotLayout();
    graph.Redraw();
    const int top = graph.PlotArea().bottom;
    // the box of the label and a few columns to its left
    const QRect around(c.left - 6, top, 12, kGraphHeight - 1 - top);
    const Extent text = PixelExtent(graph.grab().toImage(), around, [](QRgb p) { return !IsBlack(p); });

    ASSERT_GT(text.count, 0) << c.text;
    EXPECT_GE(text.minX, c.left) << c.text;
    EXPECT_LE(text.minX, c.left + 2) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Anchors, GraphFrequencyLabel, testing::Values(
    LabelCase{"20", 727, 30},
    LabelCase{"20", 400, 30},
    LabelCase{"20", 1200, 30},
    LabelCase{"1K", 727, kColumn1000Hz - 8},
    LabelCase{"10K", 727, 35 + 653 - 10},
    LabelCase{"20K", 727, 35 + 726 - 15}
));

TEST_F(GraphRender, WithNothingSelectedNoBandAreaIsDrawn)
{
    SetBand(7, 1000, 180);
    const Extent area = PixelExtent(Shot(), ToQRect(Graph().PlotArea()),
                                    [](QRgb p) { return (p & 0xFFFFFF) == (qRgb(68, 86, 98) & 0xFFFFFF); });
    EXPECT_EQ(area.count, 0);
}

TEST_F(GraphRender, SelectedPeakingBandShowsAreaWidthHandlesAndText)
{
    SetBand(7, 1000, 180);
    Hover(HandleCentre(7));
    const CFilter& band = Band(7);
    const PlotRect left = band.WidthRectL();
    const PlotRect right = band.WidthRectR();

    EXPECT_EQ(Hex(Pixel(440, 70)), Hex(qRgb(68, 86, 98)));                          // inside the band's area
    EXPECT_EQ(Hex(Pixel(left.left, left.top + 3)), Hex(qRgb(255, 0, 0)));           // outline
    EXPECT_EQ(Hex(Pixel(left.right - 1, left.top + 3)), Hex(qRgb(255, 0, 0)));
    EXPECT_EQ(Hex(Pixel(left.left + 3, left.top + 3)), Hex(qRgb(68, 86, 98)));      // fill
    EXPECT_EQ(Hex(Pixel(right.left + 3, right.bottom - 1)), Hex(qRgb(255, 0, 0)));
    EXPECT_GT(PixelExtent(Shot(), ToQRect(band.TextRect()), IsWhite).count, 20);
}

TEST_F(GraphRender, SelectedShelvingBandHasNoWidthHandles)
{
    SetBand(7, 1000, 180, 32, FILTER_HIGH_SHELF);
    Hover(HandleCentre(7));
    const PlotRect left = Band(7).WidthRectL();
    const PlotRect right = Band(7).WidthRectR();

    EXPECT_NE(Hex(Pixel(left.left, left.top + 3)), Hex(qRgb(255, 0, 0)));
    EXPECT_NE(Hex(Pixel(right.left, right.top + 3)), Hex(qRgb(255, 0, 0)));
    EXPECT_GT(PixelExtent(Shot(), ToQRect(Band(7).TextRect()), IsWhite).count, 20);
}

TEST_F(GraphRender, ChannelBUsesItsOwnColours)
{
    m_model.Table(1).bands[7].gainCode.Set(180);
    m_model.Channel(1).GetAt(7).AttachBand(&m_model.Table(1).bands[7]);
    m_graph->Attach(m_model.Channel(1), 1);
    Hover(m_model.Channel(1).GetAt(7).HandleRect().Centre());
    const PlotRect left = m_model.Channel(1).GetAt(7).WidthRectL();

    EXPECT_TRUE(ColumnShows(Shot(), kColumn1000Hz, 52, 54, IsCurveGreen));
    EXPECT_FALSE(ColumnShows(Shot(), kColumn1000Hz, 10, 265, IsCurveRed));
    EXPECT_EQ(Hex(Pixel(600, kRow0dB)), Hex(qRgb(255, 44, 255)));
    EXPECT_EQ(Hex(Pixel(left.left, left.top + 3)), Hex(qRgb(0, 192, 0)));
}

TEST_F(GraphRender, NotchBandsHaveNoLabel)
{
    SetBand(12, 3000, kNotchGainCode, 0);
    const PlotRect notch = Band(12).HandleRect();
    EXPECT_EQ(PixelExtent(Shot(), ToQRect(notch), IsWhite).count, 0);
    EXPECT_GT(PixelExtent(Shot(), ToQRect(Band(9).HandleRect()), IsWhite).count, 0);   // band 10 at 2500 Hz
}

enum class Side { Left, Centre, Right };

struct AlignCase {
    int hz;
    Side side;
};

class GraphBandLabel : public GraphRender, public testing::WithParamInterface<AlignCase> {};

// Band 4 ("4") moved alone to hz at 0 dB.
TEST_P(GraphBandLabel, IsAlignedByWhereTheBandSits)
{
    const AlignCase& c = GetParam();
    SetBand(3, c.hz, 120);
    const PlotRect handle = Band(3).HandleRect();
    const Extent label = PixelExtent(Shot(), ToQRect(handle), IsWhite);
    ASSERT_GT(label.count, 0);

    switch (c.side) {
    case Side::Left:
        EXPECT_LE(label.minX - handle.left, 2);
        EXPECT_GE(handle.right - 1 - label.maxX, 5);
        break;
    case Side::Right:
        EXPECT_LE(handle.right - 1 - label.maxX, 2);
        EXPECT_GE(label.minX - handle.left, 5);
        break;
    case Side::Centre:
        EXPECT_NEAR((label.minX + label.maxX) / 2.0, (handle.left + handle.right - 1) / 2.0, 1.5);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Positions, GraphBandLabel, testing::Values(
    AlignCase{20, Side::Right},
    AlignCase{1000, Side::Centre},
    AlignCase{18714, Side::Left},   // the handle's right edge is the plot's right edge
    AlignCase{20000, Side::Left}
));

TEST_F(GraphRender, LowerBandNumberIsDrawnOnTop)
{
    SetBand(0, 1000, 120);   // "1" over "8"
    const QImage both = Shot().copy(ToQRect(Band(7).HandleRect()));
    SetBand(0, 40, 120);
    SetBand(6, 1000, 120);   // "7" over "8"
    const QImage seven = Shot().copy(ToQRect(Band(7).HandleRect()));
    SetBand(6, 630, 120);
    const QImage eight = Shot().copy(ToQRect(Band(7).HandleRect()));

    EXPECT_NE(both, eight);
    EXPECT_NE(seven, eight);
    EXPECT_NE(both, seven);
}

TEST_F(GraphRender, RedrawLeavesTheFrameAlone)
{
    const QImage before = Shot();
    SetBand(7, 1000, 240);
    Hover(HandleCentre(7));
    const QImage& after = Shot();
    const PlotRect plot = Graph().PlotArea();
    for (int y = 0; y < kGraphHeight; y += 3) {
        for (int x = 0; x < kGraphWidth; x += 3) {
            if (!plot.Contains({x, y})) {
                ASSERT_EQ(after.pixel(x, y), before.pixel(x, y)) << x << ", " << y;
            }
        }
    }
}

class GraphSnapshot : public GraphFixture {
protected:
    void SetUp() override
    {
        GraphFixture::SetUp();
        const QString wanted = qEnvironmentVariable("QUENDA_WIDGET_SNAPSHOTS");
        m_folder = wanted.isEmpty() ? m_temporary.path() : wanted;
        ASSERT_TRUE(QDir().mkpath(m_folder));
    }

    void Save(const QString& name)
    {
        const QString path = QDir(m_folder).filePath(name + QStringLiteral(".png"));
        ASSERT_TRUE(Shot().save(path)) << path.toStdString();
        EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_RGB32), Shot()) << name.toStdString();
    }

    QTemporaryDir m_temporary;
    QString m_folder;
};

TEST_F(GraphSnapshot, SavesTheGraphInItsMainStates)
{
    Save(QStringLiteral("graph_defaults"));
    SetBand(2, 100, 200, 80);
    SetBand(7, 1000, 180);
    SetBand(10, 4000, 60, 150);
    SetBand(12, 6000, kNotchGainCode, 0);
    Save(QStringLiteral("graph_bands"));
    Hover(HandleCentre(7));
    Save(QStringLiteral("graph_peak_selected"));
    SetBand(0, 60, 170, 32, FILTER_LOW_SHELF);
    Hover(HandleCentre(0));
    Save(QStringLiteral("graph_shelf_selected"));
    SetBand(11, 20000, 240);
    SetBand(1, 20, 240);
    Save(QStringLiteral("graph_edges"));
    m_graph->Attach(m_model.Channel(1), 1);
    Save(QStringLiteral("graph_channel_b"));
}

}  // namespace
}  // namespace graphtest
