// The equalizer graph from the keyboard: picking bands with the number row and Tab, each edit
// key's exact codes and limits, the burst that ends as a drag does, and the focus frame.
#include "GraphTestSupport.h"

#include <QKeyEvent>

#include <ostream>

namespace graphtest {
namespace {

constexpr int kBand8 = 7;   // 1000 Hz, 0 dB, 0.37 octaves in the image defaults

std::vector<Posted> Changed(int band, std::size_t times = 1)
{
    return std::vector<Posted>(times, Posted{GraphSignal::BandChanged, band, 0});
}

const std::vector<Posted> kNothing;

// A band record's frequency, gain and width codes.
struct Codes {
    int freqHz, gainCode, bwCode;
    bool operator==(const Codes&) const = default;
};

void PrintTo(const Codes& c, std::ostream* os)
{
    *os << c.freqHz << " Hz, gain " << c.gainCode << ", width " << c.bwCode;
}

class GraphKeys : public GraphFixture {
protected:
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(m_graph.get(), Qt::Key(key), modifiers); }

    // Shown and active, so that the graph can hold the focus.
    void Focus()
    {
        m_graph->show();
        QApplication::setActiveWindow(m_graph.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_graph.get()));
        m_graph->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(m_graph->hasFocus());
    }

    Codes BandCodes(int index) { return {Record(index).freqHz.Get(), Record(index).gainCode.Get(), Record(index).bwCode.Get()}; }
};

struct KeyCase {
    const char* what;
    int hz, gainCode, bwCode, type;   // band 8 before the key
    int key;
    Qt::KeyboardModifiers modifiers;
    int freqAfter, gainAfter, bwAfter;
    bool changed;
};

void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.what; }

class GraphEditKey : public GraphKeys, public testing::WithParamInterface<KeyCase> {};

TEST_P(GraphEditKey, ChangesTheSelectedBandByItsStepWithinTheDragsLimits)
{
    const KeyCase& c = GetParam();
    SetBand(kBand8, c.hz, c.gainCode, c.bwCode, c.type);
    Key(Qt::Key_8);
    ASSERT_EQ(Graph().SelectedIndex(), kBand8);
    ASSERT_TRUE(m_parent.Take().empty()) << "a pick changes nothing";

    Key(c.key, c.modifiers);

    EXPECT_EQ(BandCodes(kBand8), (Codes{c.freqAfter, c.gainAfter, c.bwAfter})) << c.what;
    EXPECT_EQ(m_parent.Take(), c.changed ? Changed(kBand8) : kNothing) << c.what;
    EXPECT_EQ(Graph().IsKeyBurstOpen(), c.changed);
}

constexpr auto kShift = Qt::ShiftModifier;
constexpr auto kNone = Qt::NoModifier;

INSTANTIATE_TEST_SUITE_P(Keys, GraphEditKey, testing::Values(
    KeyCase{"Right: next grid frequency", 1000, 120, 32, FILTER_PEAK, Qt::Key_Right, kNone, 1030, 120, 32, true},
    KeyCase{"Left: grid frequency below", 1000, 120, 32, FILTER_PEAK, Qt::Key_Left, kNone, 972, 120, 32, true},
    KeyCase{"Shift+Right: ten grid steps", 1000, 120, 32, FILTER_PEAK, Qt::Key_Right, kShift, 1335, 120, 32, true},
    KeyCase{"Shift+Left: ten grid steps", 1000, 120, 32, FILTER_PEAK, Qt::Key_Left, kShift, 749, 120, 32, true},
    KeyCase{"Right off the grid", 1010, 120, 32, FILTER_PEAK, Qt::Key_Right, kNone, 1030, 120, 32, true},
    KeyCase{"Up: 0.1 dB", 1000, 120, 32, FILTER_PEAK, Qt::Key_Up, kNone, 1000, 121, 32, true},
    KeyCase{"Down: 0.1 dB", 1000, 120, 32, FILTER_PEAK, Qt::Key_Down, kNone, 1000, 119, 32, true},
    KeyCase{"Shift+Up: 1 dB", 1000, 120, 32, FILTER_PEAK, Qt::Key_Up, kShift, 1000, 130, 32, true},
    KeyCase{"Shift+Down: 1 dB", 1000, 120, 32, FILTER_PEAK, Qt::Key_Down, kShift, 1000, 110, 32, true},
    KeyCase{"Page Up: wider", 1000, 120, 32, FILTER_PEAK, Qt::Key_PageUp, kNone, 1000, 120, 33, true},
    KeyCase{"Page Down: narrower", 1000, 120, 32, FILTER_PEAK, Qt::Key_PageDown, kNone, 1000, 120, 31, true},
    KeyCase{"Shift+Page Up: ten width steps", 1000, 120, 32, FILTER_PEAK, Qt::Key_PageUp, kShift, 1000, 120, 42, true},
    KeyCase{"Home: 0 dB", 1000, 180, 32, FILTER_PEAK, Qt::Key_Home, kNone, 1000, 120, 32, true},
    KeyCase{"Home at 0 dB", 1000, 120, 32, FILTER_PEAK, Qt::Key_Home, kNone, 1000, 120, 32, false},
    KeyCase{"Right at 20 kHz", 20000, 120, 32, FILTER_PEAK, Qt::Key_Right, kNone, 20000, 120, 32, false},
    KeyCase{"Shift+Right near 20 kHz", 19000, 120, 32, FILTER_PEAK, Qt::Key_Right, kShift, 20000, 120, 32, true},
    KeyCase{"Left at 20 Hz", 20, 120, 32, FILTER_PEAK, Qt::Key_Left, kNone, 20, 120, 32, false},
    KeyCase{"Up at +12 dB", 1000, 240, 32, FILTER_PEAK, Qt::Key_Up, kNone, 1000, 240, 32, false},
    KeyCase{"Shift+Up near +12 dB", 1000, 235, 32, FILTER_PEAK, Qt::Key_Up, kShift, 1000, 240, 32, true},
    KeyCase{"Down at -12 dB", 1000, 0, 32, FILTER_PEAK, Qt::Key_Down, kNone, 1000, 0, 32, false},
    KeyCase{"Shift+Down near -12 dB", 1000, 5, 32, FILTER_PEAK, Qt::Key_Down, kShift, 1000, 0, 32, true},
    KeyCase{"Page Up at three octaves", 1000, 120, 295, FILTER_PEAK, Qt::Key_PageUp, kNone, 1000, 120, 295, false},
    KeyCase{"Shift+Page Down near the narrowest", 1000, 120, 3, FILTER_PEAK, Qt::Key_PageDown, kShift, 1000, 120, 0, true},
    KeyCase{"Page Up on a shelf, which has no width", 100, 150, 32, FILTER_LOW_SHELF, Qt::Key_PageUp, kNone, 100, 150, 32, false},
    KeyCase{"Up on a frequency the unit sent too high", 25000, 120, 32, FILTER_PEAK, Qt::Key_Up, kNone, 20000, 121, 32, true},
    KeyCase{"a letter", 1000, 120, 32, FILTER_PEAK, Qt::Key_A, kNone, 1000, 120, 32, false},
    KeyCase{"Ctrl+Right belongs to the window", 1000, 120, 32, FILTER_PEAK, Qt::Key_Right, Qt::ControlModifier, 1000, 120, 32, false}
));

struct PickCase {
    int key;
    Qt::KeyboardModifiers modifiers;
    int band;
};

class GraphPickKey : public GraphKeys, public testing::WithParamInterface<PickCase> {};

TEST_P(GraphPickKey, PicksItsBandAndChangesNothing)
{
    const PickCase& c = GetParam();
    const BandTable before = m_model.Table(0);

    Key(c.key, c.modifiers);

    EXPECT_EQ(Graph().SelectedIndex(), c.band);
    EXPECT_EQ(Graph().SelectedBand(), &Band(c.band));
    EXPECT_EQ(std::memcmp(&before, &m_model.Table(0), sizeof before), 0);
    EXPECT_TRUE(m_parent.Take().empty());
}

INSTANTIATE_TEST_SUITE_P(NumberRow, GraphPickKey, testing::Values(
    PickCase{Qt::Key_1, Qt::NoModifier, 0}, PickCase{Qt::Key_5, Qt::NoModifier, 4},
    PickCase{Qt::Key_9, Qt::NoModifier, 8}, PickCase{Qt::Key_0, Qt::NoModifier, 9},
    PickCase{Qt::Key_Minus, Qt::NoModifier, 10}, PickCase{Qt::Key_Equal, Qt::NoModifier, 11},
    PickCase{Qt::Key_3, Qt::KeypadModifier, 2},
    PickCase{Qt::Key_Right, Qt::NoModifier, 0}   // without a selection the first key only picks band 1
));

TEST_F(GraphKeys, TabWalksTheBandsBothWays)
{
    Focus();
    for (int band = 0; band < 12; ++band) {
        Key(Qt::Key_Tab);
        EXPECT_EQ(Graph().SelectedIndex(), band);
        EXPECT_TRUE(Graph().hasFocus());
    }
    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(Graph().SelectedIndex(), 10);
    Key(Qt::Key_4);
    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(Graph().SelectedIndex(), 2);
    EXPECT_TRUE(m_parent.Take().empty());
}

TEST_F(GraphKeys, KeysOfOneBandAreOneBurstThatEndsAsADragDoes)
{
    Key(Qt::Key_8);
    Key(Qt::Key_Right);
    Key(Qt::Key_Right);
    Key(Qt::Key_Right);
    EXPECT_EQ(BandCodes(kBand8).freqHz, 1090);
    EXPECT_EQ(m_parent.Take(), Changed(kBand8, 3));
    EXPECT_TRUE(Graph().IsKeyBurstOpen());

    Graph().EndKeyBurst();
    EXPECT_EQ(m_parent.Take(), (std::vector<Posted>{{GraphSignal::DragFinished, kBand8, 0}}));
    EXPECT_FALSE(Graph().IsKeyBurstOpen());
    Graph().EndKeyBurst();
    EXPECT_TRUE(m_parent.Take().empty()) << "a burst ends once";
}

// Another band, a mouse press and the focus leaving each end the burst before what they do.
TEST_F(GraphKeys, AnotherActionEndsTheBurstFirst)
{
    const std::vector<Posted> upThenEnd{{GraphSignal::BandChanged, kBand8, 0}, {GraphSignal::DragFinished, kBand8, 0}};
    Focus();

    Key(Qt::Key_8);
    Key(Qt::Key_Up);
    Key(Qt::Key_3);
    EXPECT_EQ(m_parent.Take(), upThenEnd) << "another band";

    Key(Qt::Key_8);
    Key(Qt::Key_Up);
    Press({300, 250});
    Release({300, 250});
    EXPECT_EQ(m_parent.Take(), upThenEnd) << "a press";

    Key(Qt::Key_Up);
    m_graph->clearFocus();
    EXPECT_EQ(m_parent.Take(), upThenEnd) << "the focus leaving";
    EXPECT_EQ(BandCodes(kBand8).gainCode, 123);
}

TEST_F(GraphKeys, ThePickedBandStaysPickedWithoutABurst)
{
    Key(Qt::Key_8);
    Key(Qt::Key_8);
    Graph().EndKeyBurst();
    EXPECT_EQ(Graph().SelectedIndex(), kBand8);
    EXPECT_TRUE(m_parent.Take().empty());
}

int FocusFramePixels(const QImage& shot)
{
    int pixels = 0;
    for (int y = 0; y < shot.height(); ++y)
        pixels += shot.pixel(2, y) == qRgb(220, 220, 220);
    return pixels;
}

TEST_F(GraphKeys, AFocusedGraphShowsADottedFrame)
{
    m_graph->show();
    EXPECT_EQ(FocusFramePixels(Shot()), 0);
    Focus();
    const int dots = FocusFramePixels(Shot());
    EXPECT_GT(dots, kGraphHeight / 4) << "one pixel in three of the left edge";
    EXPECT_LT(dots, kGraphHeight / 2);
    m_graph->clearFocus();
    EXPECT_EQ(FocusFramePixels(Shot()), 0);
}

}  // namespace
}  // namespace graphtest
