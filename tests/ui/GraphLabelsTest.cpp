// The graph's words whole and legible at every size: the dB labels left of the plot, every
// band's number inside the plot and clear of the others, the selected band's readout on a
// background of its own.
#include "GraphTestSupport.h"

#include "ui/graph/EqualizerGraphPainting.h"

#include <QPainter>

namespace graphtest {
namespace {

const QColor kLabelGrey(100, 100, 100);
constexpr int kPlotLeft = 35;

bool IsWhite(QRgb c) { return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) > 200; }
bool IsGrid(QRgb c) { return (c & 0xFFFFFF) == (qRgb(60, 60, 60) & 0xFFFFFF); }

// The text as the graph's font draws it alone, on black at (x, 0).
QImage Alone(const QString& text, const QColor& colour, int x = 0)
{
    QImage image(200, 20, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setFont(GraphFont());
    painter.setPen(colour);
    painter.drawText(QRect(x, 0, 200, 20), Qt::AlignLeft | Qt::AlignTop, text);
    return image;
}

int CountPixels(const QImage& image, const QRect& rect, bool (*test)(QRgb))
{
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            n += test(image.pixel(x, y)) ? 1 : 0;
    return n;
}

class GraphLabels : public GraphFixture {
protected:
    // The graph is laid out at its new size as its first paint there lays it out.
    void ResizeGraph(QSize size)
    {
        m_graph->resize(size);
        Shot();
    }
};

struct DbLabelCase {
    const char* text;
    int twelfths;
    int offset;
};

class GraphDbLabel : public GraphLabels, public testing::WithParamInterface<DbLabelCase> {};

// Row for row the label is what the font draws of it alone: nothing of it is under the plot.
TEST_P(GraphDbLabel, IsWholeLeftOfThePlotAtEverySize)
{
    const DbLabelCase& c = GetParam();
    const QImage alone = Alone(QString::fromLatin1(c.text), kLabelGrey, 6);
    ASSERT_EQ(CountPixels(alone, QRect(kPlotLeft, 0, 200 - kPlotLeft, 20), [](QRgb p) { return (p & 0xFFFFFF) != 0; }), 0)
        << c.text << " fits left of the plot";
    for (QSize size : {QSize(kGraphWidth, kGraphHeight), QSize(1492, 641)}) {
        ResizeGraph(size);
        const int top = Graph().PlotArea().Height() / 12 * c.twelfths + c.offset;
        const QImage shot = Shot();
        for (int y = 0; y < 14; ++y)
            for (int x = 1; x < kPlotLeft; ++x)
                ASSERT_EQ(shot.pixel(x, top + y), alone.pixel(x, y)) << c.text << " at " << x << ", " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Labels, GraphDbLabel, testing::Values(
    DbLabelCase{"+6", 2, 3}, DbLabelCase{"0dB", 4, 3}, DbLabelCase{"-6dB", 6, 5}, DbLabelCase{"-12", 8, 2}));

// Band 12 at the top-right corner: both its digits inside the plot.
TEST_F(GraphLabels, BandTwelveAtTheTopRightCornerShowsItsWholeNumber)
{
    const QImage twelve = Alone(QStringLiteral("12"), Qt::white);
    const int digits = CountPixels(twelve, twelve.rect(), IsWhite);
    for (QSize size : {QSize(kGraphWidth, kGraphHeight), QSize(1492, 641)}) {
        ResizeGraph(size);
        SetBand(11, 20000, 240);
        const QRect label = Graph().BandLabelRect(11);
        const QRect plot(Graph().PlotArea().left, Graph().PlotArea().top, Graph().PlotArea().Width(),
                         Graph().PlotArea().Height());
        EXPECT_TRUE(plot.contains(label)) << size.width();
        EXPECT_EQ(label.top(), plot.top()) << "in the corner";
        EXPECT_GE(label.right(), plot.right() - 2) << "in the corner";
        EXPECT_EQ(CountPixels(Shot(), label, IsWhite), digits) << size.width();
    }
}

// Bands on one spot: the lower number keeps its place, the others move clear of it, and a
// number that moved picks its own band.
TEST_F(GraphLabels, CrowdedNumbersMoveApartAndEachPicksItsBand)
{
    SetBand(2, 1000, 150);
    SetBand(3, 1000, 150);
    SetBand(4, 1030, 150);
    const QRect three = Graph().BandLabelRect(2);
    const QRect four = Graph().BandLabelRect(3);
    const QRect five = Graph().BandLabelRect(4);
    EXPECT_TRUE(QRect(Band(2).HandleRect().left, Band(2).HandleRect().top, 16, 16).contains(three));
    for (const auto& [a, b] : {std::pair{three, four}, std::pair{three, five}, std::pair{four, five}})
        EXPECT_FALSE(a.intersects(b));
    // every number whole, though the curve under it takes some of its white
    const QImage shot = Shot();
    for (const auto& [rect, text] : {std::pair{three, "3"}, std::pair{four, "4"}, std::pair{five, "5"}}) {
        const int alone = CountPixels(Alone(QString::fromLatin1(text), Qt::white), QRect(0, 0, 200, 20), IsWhite);
        EXPECT_GE(CountPixels(shot, rect, IsWhite), alone / 2) << text;
    }

    Hover({three.center().x(), three.center().y()});
    EXPECT_EQ(Graph().SelectedIndex(), 2);
    Hover({four.center().x(), four.center().y()});
    EXPECT_EQ(Graph().SelectedIndex(), 3);
    Hover({five.center().x(), five.center().y()});
    EXPECT_EQ(Graph().SelectedIndex(), 4);
}

// The grid passes under the readout of a band at 1 kHz: the readout's background hides it.
TEST_F(GraphLabels, TheReadoutHasABackgroundOfItsOwn)
{
    EXPECT_TRUE(Graph().ReadoutRect().isEmpty()) << "nothing selected";
    SetBand(7, 1000, 180);
    Hover(HandleCentre(7));
    const QRect readout = Graph().ReadoutRect();
    ASSERT_FALSE(readout.isEmpty());
    ASSERT_TRUE(readout.contains(QPoint(Graph().GridX(17), readout.center().y()))) << "over the 1 kHz line";
    const QImage shot = Shot();
    // the padding above and below the text: the line passes there darkened
    const int line = Graph().GridX(17);
    for (int y : {readout.top() + 1, readout.top() + 2, readout.bottom() - 1}) {
        EXPECT_FALSE(IsGrid(shot.pixel(line, y))) << y;
        EXPECT_LT(qRed(shot.pixel(line, y)), 30) << y;
    }
    EXPECT_GT(CountPixels(shot, readout, IsWhite), 40);
}

// A band at 20 Hz near the bottom: its readout moves into the plot rather than lose its start.
TEST_F(GraphLabels, TheReadoutStaysWholeAtThePlotsEdges)
{
    SetBand(0, 20, 0);
    Hover(HandleCentre(0));
    const PlotRect& area = Graph().PlotArea();
    const QRect plot(area.left, area.top, area.Width(), area.Height());
    EXPECT_TRUE(plot.contains(Graph().ReadoutRect()));
}

}  // namespace
}  // namespace graphtest
