// The window in its layouts: at its design size every control sits where the template puts it;
// larger, the graphs take the room and a drag still sets the band under the pointer; it goes
// no smaller than its design, and opens where it last closed.
#include "MainWindowFixture.h"

#include "model/ValueTables.h"
#include "ui/controls/GainFader.h"
#include "ui/controls/LevelMeter.h"
#include "ui/controls/SpinButton.h"
#include "ui/graph/EqualizerGraph.h"
#include "ui/main/ChannelPanel.h"
#include "ui/main/DialogLayout.h"

#include <QLayout>

namespace {

constexpr QSize kDesignSize(CMainWindow::kWindowWidth, CMainWindow::kWindowHeight);

class WindowLayout : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        Open().show();
        Settle();
    }

    void ResizeTo(QSize size)
    {
        m_dlg->resize(size);
        m_dlg->layout()->activate();
        for (int c = 0; c < kChannelCount; ++c)
            m_dlg->Panel(c).layout()->activate();
        QCoreApplication::sendPostedEvents();
    }

    QRect GraphRect(int channel) const { return WindowRect(m_dlg->Graph(channel)); }
};

TEST_F(WindowLayout, AtItsDesignSizeEveryControlSitsWhereTheTemplatePutsIt)
{
    ASSERT_EQ(m_dlg->size(), kDesignSize);
    for (const ControlSpec& item : AllControlSpecs()) {
        const QWidget* control = m_dlg->Control(item.id);
        if (item.flags & kItemHidden || item.kind == ItemKind::Spin)
            continue;
        // the fader, the lamps and the spins take their own sizes; a spin's edit gives it its right end
        const QRect want = PixelRect(item);
        const QRect got = WindowRect(control);
        switch (item.kind) {
        case ItemKind::Fader:
        case ItemKind::Lamp:
            EXPECT_EQ(got.topLeft(), want.topLeft()) << item.id;
            EXPECT_EQ(got.size(), control->sizeHint()) << item.id;
            break;
        case ItemKind::Edit: {
            const bool spun = item.id == kIdGainEdit || item.id == kIdGainEdit + 1 ||
                              (item.id >= kIdCompEdit && item.id < kIdCompEdit + 8);
            EXPECT_EQ(got, want.adjusted(0, 0, spun ? -CSpinButton::kWidth : 0, 0)) << item.id;
            break;
        }
        default:
            EXPECT_EQ(got, want) << item.id;
        }
    }
    EXPECT_EQ(WindowRect(m_dlg->Control(kIdGainSpin + 1)), QRect(940 + 52, 328 + 340, CSpinButton::kWidth, 24));
}

TEST_F(WindowLayout, ItGoesNoSmallerThanItsDesignSize)
{
    EXPECT_EQ(m_dlg->minimumSize(), kDesignSize);
    ResizeTo(QSize(1000, 600));
    EXPECT_EQ(m_dlg->size(), kDesignSize);
    EXPECT_EQ(GraphRect(0), QRect(24, 70, 772, 286));
    EXPECT_EQ(GraphRect(1), QRect(24, 70 + 340, 772, 286));
}

// The two panels share the room; the graphs take it, every other control keeps its size and
// its distance to the graph's right edge.
TEST_F(WindowLayout, LargerTheGraphsGrowAndTheOtherControlsKeepTheirSizes)
{
    const QRect muteBefore = WindowRect(m_dlg->Control(kIdMute + 1));
    const QRect faderBefore = WindowRect(m_dlg->Fader(0));
    const QRect loadBefore = WindowRect(m_dlg->Control(kIdLoad));
    const QRect meterBefore = WindowRect(m_dlg->Panel(0).Meter());
    ResizeTo(QSize(1920, 1080));
    ASSERT_EQ(m_dlg->size(), QSize(1920, 1080));

    const int wider = 1920 - kDesignSize.width();
    const int taller = 1080 - kDesignSize.height();
    for (int c = 0; c < kChannelCount; ++c) {
        const QRect graph = GraphRect(c);
        EXPECT_EQ(graph.width(), 772 + wider) << c;
        EXPECT_GE(graph.height(), 286 + taller / 2) << c;
        EXPECT_LE(graph.height(), 286 + (taller + 1) / 2) << c;
        EXPECT_EQ(m_dlg->Graph(c)->PlotArea().Width(), graph.width() - kPlotMarginLeft - kPlotMarginRight) << c;
    }
    EXPECT_EQ(GraphRect(0).bottom() + 1 + 13 + 19 + 22, GraphRect(1).top()) << "the gap between the strips stays";

    const QRect muteAfter = WindowRect(m_dlg->Control(kIdMute + 1));
    EXPECT_EQ(muteAfter.size(), muteBefore.size());
    EXPECT_EQ(muteAfter.left(), muteBefore.left() + wider);
    EXPECT_EQ(WindowRect(m_dlg->Fader(0)).size(), faderBefore.size());
    EXPECT_EQ(WindowRect(m_dlg->Fader(0)).topLeft(), faderBefore.topLeft() + QPoint(wider, 0));
    EXPECT_EQ(WindowRect(m_dlg->Panel(0).Meter()).size(), meterBefore.size());
    EXPECT_EQ(WindowRect(m_dlg->Control(kIdLoad)), loadBefore.translated(wider, 0)) << "keeps to the right";
    EXPECT_EQ(WindowRect(m_dlg->Control(kIdImport)), QRect(350, 7, 63, 32)) << "keeps to the left";
}

// At the new size the plot is wider and taller: the band goes where the pointer lets it go.
TEST_F(WindowLayout, ADragAtANewSizeSetsTheBandUnderThePointer)
{
    ResizeTo(QSize(1600, 900));
    CEqualizerGraph* graph = m_dlg->Graph(1);
    const PlotRect& plot = graph->PlotArea();
    ASSERT_GT(plot.Width(), 727);
    ASSERT_GT(plot.Height(), 256);

    const PlotPoint from = Unit().Equalizers().Channel(1).GetAt(7).HandleRect().Centre();
    const QPoint to(plot.left + plot.Width() * 3 / 4, plot.top + plot.Height() / 4);
    QMouseEvent hover(QEvent::MouseMove, QPointF(from.x, from.y), graph->mapToGlobal(QPointF(from.x, from.y)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(graph, &hover);
    QTest::mousePress(graph, Qt::LeftButton, {}, QPoint(from.x, from.y));
    QTest::mouseMove(graph, to);
    QTest::mouseRelease(graph, Qt::LeftButton, {}, to);

    const BandParams band = Block(1).bands[7];
    EXPECT_EQ(band.freqHz.Get(), PlotXToFreq(to.x() - kPlotInsetX, plot.Width()));
    const double db = PlotYToGain(to.y() - kPlotInsetY, plot.Height());
    EXPECT_EQ(band.gainCode.Get(), DbToGainCode(db));
    EXPECT_GT(band.gainCode.Get(), kFlatGainCode) << "a quarter from the top is above 0 dB";
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 1, kGroupFirstBand + 7));
}

TEST_F(WindowLayout, ItOpensWhereItLastClosed)
{
    const QRect placed(QPoint(40, 30), QSize(1500, 800));
    m_dlg->setGeometry(placed);
    const QByteArray kept = m_dlg->saveGeometry();
    m_dlg->done(QDialog::Rejected);
    EXPECT_EQ(QSettings().value(QLatin1String(CMainWindow::kGeometryKey)).toByteArray(), kept);
    Open();
    EXPECT_EQ(m_dlg->geometry(), placed);
}

}  // namespace
