// The graphs with the keyboard alone, on the real window over the link to the simulated
// unit: Tab reaches the graphs and walks their bands, and every key edit reaches the unit at once.
#include "WindowOverLink.h"

#include "ui/graph/EqualizerGraph.h"

#include <QKeyEvent>

#include <ostream>

namespace {

struct BandCodes {
    int freqHz, gainCode, bwCode;
    bool operator==(const BandCodes&) const = default;
};

void PrintTo(const BandCodes& c, std::ostream* os)
{
    *os << c.freqHz << " Hz, gain " << c.gainCode << ", width " << c.bwCode;
}

BandCodes CodesOf(const BandParams& band)
{
    return {band.freqHz.Get(), band.gainCode.Get(), band.bwCode.Get()};
}

class GraphKeysOverLink : public ConnectedWindowTest {
protected:
    // A key as the user types it: to whatever holds the focus.
    void Type(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* focused = QApplication::focusWidget();
        QTest::keyClick(focused ? focused : m_dlg.get(), Qt::Key(key), modifiers);
        Settle();
    }

    // Which graph holds the focus, -1 for none.
    int FocusedGraph() const
    {
        for (int c = 0; c < kChannelCount; ++c) {
            if (m_dlg->Graph(c)->hasFocus())
                return c;
        }
        return -1;
    }
};

TEST_F(GraphKeysOverLink, TabGoesFromTheWindowThroughEveryBandOfBothGraphs)
{
    m_dlg->setFocus();
    Type(Qt::Key_Tab);
    ASSERT_EQ(FocusedGraph(), 0);
    EXPECT_EQ(m_dlg->Graph(0)->SelectedIndex(), 0);
    for (int band = 1; band < kBandCount; ++band) {
        Type(Qt::Key_Tab);
        EXPECT_EQ(FocusedGraph(), 0);
        EXPECT_EQ(m_dlg->Graph(0)->SelectedIndex(), band);
    }
    Type(Qt::Key_Tab);
    EXPECT_EQ(FocusedGraph(), 1) << "past band 12 the focus leaves for the other graph";
    EXPECT_EQ(m_dlg->Graph(1)->SelectedIndex(), 0);
    Type(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(FocusedGraph(), 0);
    EXPECT_EQ(m_dlg->Graph(0)->SelectedIndex(), kBandCount - 1);

    Type(Qt::Key_Escape);
    EXPECT_TRUE(m_dlg->hasFocus()) << "Escape leaves the graph for the window, as it leaves an edit";
    Type(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(FocusedGraph(), 1);
    EXPECT_EQ(m_dlg->Graph(1)->SelectedIndex(), kBandCount - 1);
    EXPECT_EQ(m_dlg->UndoStack().count(), 0) << "walking changes nothing";
}

struct Step {
    int key;
    Qt::KeyboardModifiers modifiers;
    BandCodes after;
};

// CH B band 5 (250 Hz, 0 dB, 0.37 octaves): every key that changes it sends its group once,
// and the unit holds the band's codes right after the key.
TEST_F(GraphKeysOverLink, EveryKeyEditReachesTheUnitAtOnce)
{
    const int band = 4;
    const int group = kGroupFirstBand + band;
    m_dlg->Graph(1)->setFocus();
    Type(Qt::Key_5);
    ASSERT_EQ(m_dlg->Graph(1)->SelectedIndex(), band);
    const Step steps[] = {
        {Qt::Key_Right, Qt::NoModifier, {257, 120, 32}},
        {Qt::Key_Up, Qt::NoModifier, {257, 121, 32}},
        {Qt::Key_PageUp, Qt::ShiftModifier, {257, 121, 42}},
        {Qt::Key_Left, Qt::ShiftModifier, {193, 121, 42}},
        {Qt::Key_Down, Qt::ShiftModifier, {193, 111, 42}},
        {Qt::Key_PageDown, Qt::NoModifier, {193, 111, 41}},
        {Qt::Key_Home, Qt::NoModifier, {193, 120, 41}},
    };
    int frames = SetParamFramesForGroup(1, group);
    for (const Step& s : steps) {
        Type(s.key, s.modifiers);
        EXPECT_EQ(CodesOf(m_unit.Current(1).bands[band]), s.after) << "key " << s.key;
        EXPECT_EQ(CodesOf(Block(1).bands[band]), s.after);
        EXPECT_EQ(SetParamFramesForGroup(1, group), ++frames) << "key " << s.key;
    }
    Type(Qt::Key_Home);
    EXPECT_EQ(SetParamFramesForGroup(1, group), frames) << "a key that changes nothing sends nothing";
    EXPECT_EQ(CodesOf(m_unit.Current(0).bands[band]), (BandCodes{250, 120, 32})) << "CH A is left alone";
}

}  // namespace
