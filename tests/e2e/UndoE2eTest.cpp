// Undo and redo on the real window over the link to the simulated unit: one
// step per user action, the image and the unit following every undo and redo,
// the history cleared when the unit's state replaces the window's.
#include "WindowOverLink.h"
#include "ui/common/UndoStep.h"

#include "ui/controls/SpinButton.h"

#include "model/ChannelEqualizer.h"
#include "ui/controls/GainFader.h"
#include "ui/graph/EqualizerGraph.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

namespace {

constexpr int kThumbX = 40;   // over the fader's knob

class Undo : public ConnectedWindowTest {
protected:
    void PressKeys(QKeySequence keys)
    {
        const QKeyCombination combination = keys[0];
        QTest::keyClick(m_dlg.get(), combination.key(), combination.keyboardModifiers());
        Settle();
    }

    void UndoStep()
    {
        PressKeys(QKeySequence(Qt::CTRL | Qt::Key_Z));
    }

    void RedoStep(bool withY = false)
    {
        PressKeys(withY ? QKeySequence(Qt::CTRL | Qt::Key_Y) : QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    }

    void DragGraphBand(int channel, int band, QPoint by)
    {
        CEqualizerGraph* graph = m_dlg->Graph(channel);
        const PlotPoint from = Unit().Equalizers().Channel(channel).GetAt(band).HandleRect().Centre();
        const QPoint start(from.x, from.y);
        QMouseEvent hover(QEvent::MouseMove, QPointF(start), graph->mapToGlobal(QPointF(start)), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(graph, &hover);
        QTest::mousePress(graph, Qt::LeftButton, {}, start);
        for (int step = 1; step <= 4; ++step)
            QTest::mouseMove(graph, start + by * step / 4);
        QTest::mouseRelease(graph, Qt::LeftButton, {}, start + by);
        Settle();
    }

    void DragFader(int channel, int toPosition)
    {
        CGainFader* fader = m_dlg->Fader(channel);
        const int from = fader->PosToPixel(fader->GetPos());
        const int to = fader->PosToPixel(toPosition);
        QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(kThumbX, from));
        for (int step = 1; step <= 3; ++step) {
            QTest::mouseMove(fader, QPoint(kThumbX, from + (to - from) * step / 3));
            fader->OnTimer(CGainFader::kMovingTimerId);
            Settle();
        }
        QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(kThumbX, to));
        Settle();
    }
};

TEST_F(Undo, AGraphDragIsOneStepTheUnitFollows)
{
    const BandParams before = Block(1).bands[6];
    DragGraphBand(1, 6, QPoint(30, -40));
    const BandParams dragged = Block(1).bands[6];
    ASSERT_NE(dragged.gainCode.Get(), before.gainCode.Get());
    EXPECT_EQ(m_dlg->UndoStack().count(), 1);
    EXPECT_EQ(m_unit.Current(1).bands[6].gainCode.Get(), dragged.gainCode.Get());

    const int frames = SetParamFramesForGroup(1, 9);
    UndoStep();
    EXPECT_EQ(Block(1).bands[6].gainCode.Get(), before.gainCode.Get());
    EXPECT_EQ(Block(1).bands[6].freqHz.Get(), before.freqHz.Get());
    EXPECT_EQ(Unit().Equalizers().Table(1).bands[6].gainCode.Get(), before.gainCode.Get()) << "the graph shows it";
    EXPECT_EQ(m_unit.Current(1).bands[6].gainCode.Get(), before.gainCode.Get());
    EXPECT_EQ(m_unit.Current(1).bands[6].freqHz.Get(), before.freqHz.Get());
    EXPECT_EQ(SetParamFramesForGroup(1, 9), frames + 1) << "one frame for the band's group";

    RedoStep();
    EXPECT_EQ(Block(1).bands[6].gainCode.Get(), dragged.gainCode.Get());
    EXPECT_EQ(m_unit.Current(1).bands[6].gainCode.Get(), dragged.gainCode.Get());
    EXPECT_EQ(m_unit.Current(1).bands[6].freqHz.Get(), dragged.freqHz.Get());
}

// Keys typed on the graph that holds the focus, Ctrl+Z among them.
class KeyUndo : public Undo {
protected:
    void SetUp() override
    {
        Undo::SetUp();
        m_dlg->Graph(0)->setFocus();
        Type(Qt::Key_8);
    }

    void Type(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(m_dlg->Graph(0), Qt::Key(key), modifiers);
        Settle();
    }

    static constexpr int kBand = 7;   // band 8, 1000 Hz
    static constexpr int kGroup = kGroupFirstBand + kBand;
};

TEST_F(KeyUndo, ABurstOfKeysIsOneStepTheUnitFollows)
{
    const BandParams before = Block(0).bands[kBand];
    for (int i = 0; i < 3; ++i)
        Type(Qt::Key_Right);
    EXPECT_EQ(m_dlg->UndoStack().count(), 0) << "the burst is still open";
    m_dlg->Graph(0)->EndKeyBurst();
    ASSERT_EQ(m_dlg->UndoStack().count(), 1);
    EXPECT_EQ(m_unit.Current(0).bands[kBand].freqHz.Get(), 1090);

    const int frames = SetParamFramesForGroup(0, kGroup);
    UndoStep();
    EXPECT_EQ(Block(0).bands[kBand].freqHz.Get(), before.freqHz.Get());
    EXPECT_EQ(Unit().Equalizers().Table(0).bands[kBand].freqHz.Get(), before.freqHz.Get()) << "the graph shows it";
    EXPECT_EQ(m_unit.Current(0).bands[kBand].freqHz.Get(), before.freqHz.Get());
    EXPECT_EQ(SetParamFramesForGroup(0, kGroup), frames + 1) << "one frame for the band's group";

    RedoStep();
    EXPECT_EQ(m_unit.Current(0).bands[kBand].freqHz.Get(), 1090);
    EXPECT_EQ(m_dlg->UndoStack().count(), 1);
}

TEST_F(KeyUndo, AnotherBandBeginsAnotherStep)
{
    Type(Qt::Key_Up);
    Type(Qt::Key_3);
    Type(Qt::Key_Up);
    Type(Qt::Key_Up);
    m_dlg->Graph(0)->EndKeyBurst();
    ASSERT_EQ(m_dlg->UndoStack().count(), 2);
    UndoStep();
    EXPECT_EQ(m_unit.Current(0).bands[2].gainCode.Get(), kFlatGainCode);
    EXPECT_EQ(m_unit.Current(0).bands[kBand].gainCode.Get(), kFlatGainCode + 1) << "the earlier step stays";
}

// Ctrl+Z in the middle of a burst: the keys so far are one step, and that step is undone.
TEST_F(KeyUndo, AnUndoDuringABurstTakesBackTheKeysSoFar)
{
    Type(Qt::Key_Up);
    Type(Qt::Key_Up);
    ASSERT_TRUE(m_dlg->UndoAction()->isEnabled()) << "the open burst is there to undo";
    Type(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(m_dlg->UndoStack().count(), 1);
    EXPECT_EQ(m_dlg->UndoStack().index(), 0);
    EXPECT_EQ(m_unit.Current(0).bands[kBand].gainCode.Get(), kFlatGainCode);
    Type(Qt::Key_Down);
    m_dlg->Graph(0)->EndKeyBurst();
    EXPECT_EQ(m_dlg->UndoStack().count(), 1) << "the next key is a new step";
    EXPECT_EQ(m_unit.Current(0).bands[kBand].gainCode.Get(), kFlatGainCode - 1);
}

// Ctrl+B in the middle of a burst: the keys so far are a step of side A, and B starts without it.
TEST_F(KeyUndo, AnAbSwitchEndsTheBurstOnItsOwnSide)
{
    Type(Qt::Key_Up);
    Type(Qt::Key_B, Qt::ControlModifier);
    ASSERT_EQ(m_dlg->ActiveCompareSide(), CompareSide::B);
    EXPECT_EQ(m_dlg->UndoStack().count(), 0);
    Type(Qt::Key_Up);
    m_dlg->Graph(0)->EndKeyBurst();
    EXPECT_EQ(m_dlg->UndoStack().count(), 1) << "B's own key step";
    Type(Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(m_dlg->UndoStack().count(), 1) << "A's key step";
    EXPECT_EQ(m_unit.Current(0).bands[kBand].gainCode.Get(), kFlatGainCode + 1);
}

TEST_F(Undo, AFaderDragFromPressToReleaseIsOneStep)
{
    DragFader(0, 30);
    const int dragged = Block(0).gain.Get();
    ASSERT_NEAR(dragged, 60, 1);
    EXPECT_EQ(m_unit.Current(0).gain.Get(), dragged);
    EXPECT_EQ(m_dlg->UndoStack().count(), 1) << "three fader messages, one step";
    UndoStep();
    EXPECT_EQ(Block(0).gain.Get(), 80);
    EXPECT_EQ(Text(kIdGainEdit), "0");
    EXPECT_EQ(m_dlg->Fader(0)->GetInvertedPos(), 80);
    EXPECT_EQ(m_unit.Current(0).gain.Get(), 80);
    RedoStep(true);
    EXPECT_EQ(Block(0).gain.Get(), dragged);
    EXPECT_EQ(m_unit.Current(0).gain.Get(), dragged);
}

TEST_F(Undo, ATypedValueAndAListChoiceAreAStepEach)
{
    TypeAndEnter(CompEdit(0, kAttack), "40");
    Pick(kIdGateB, 5);                      // CH B noise gate -35 dB
    Settle();
    ASSERT_EQ(m_dlg->UndoStack().count(), 2);
    EXPECT_EQ(m_unit.Current(0).compAttack, 35);
    EXPECT_EQ(m_unit.Current(1).gateThreshold, 65);

    m_dlg->setFocus();
    UndoStep();
    EXPECT_EQ(Block(1).gateThreshold, 1);
    EXPECT_EQ(ListText(kIdGateB), "-99dB");
    EXPECT_EQ(m_unit.Current(1).gateThreshold, 1);
    EXPECT_EQ(m_unit.Current(0).compAttack, 35) << "the attack is the earlier step";
    UndoStep();
    EXPECT_EQ(Text(CompEdit(0, kAttack)), "5ms");
    EXPECT_EQ(m_unit.Current(0).compAttack, 0);
    RedoStep();
    RedoStep();
    EXPECT_EQ(m_unit.Current(0).compAttack, 35);
    EXPECT_EQ(m_unit.Current(1).gateThreshold, 65);
    EXPECT_EQ(ListText(kIdGateB), "-35dB");
}

// The PEQ bypass flattens and restores gains it keeps aside: undo puts both back.
TEST_F(Undo, APeqBypassIsUndoneWithTheGainsItKeepsAside)
{
    DragGraphBand(0, 2, QPoint(0, -50));
    const std::int16_t dragged = Block(0).bands[2].gainCode.Get();
    Click(kIdPeqBypass);
    Settle();
    ASSERT_EQ(m_unit.Current(0).bands[2].gainCode.Get(), kFlatGainCode);
    UndoStep();
    EXPECT_EQ(Block(0).bands[2].gainCode.Get(), dragged);
    EXPECT_EQ(m_unit.Current(0).bands[2].gainCode.Get(), dragged);
    EXPECT_TRUE(ShowsImage(kIdPeqBypass, 197)) << "bypass off again";
    Click(kIdPeqBypass);
    Click(kIdPeqBypass);   // on and off: the gains come back as they were
    Settle();
    EXPECT_EQ(m_unit.Current(0).bands[2].gainCode.Get(), dragged);
}

TEST_F(Undo, APresetLoadClearsTheHistory)
{
    Click(kIdMute);
    Settle();
    ASSERT_EQ(m_dlg->UndoStack().count(), 1);
    Unit().Scheduler().QueueRecallPreset(4);   // what the Load dialog's OK does
    Settle();
    Tick(1);
    EXPECT_EQ(m_dlg->UndoStack().count(), 0);
    EXPECT_FALSE(m_dlg->UndoAction()->isEnabled());
}

TEST_F(Undo, TheContextMenuOffersUndoAndRedoWithTheirKeysInBothLanguages)
{
    Click(kIdMute + 1);
    Settle();
    EXPECT_EQ(m_dlg->UndoAction()->text(), "Undo");
    EXPECT_EQ(m_dlg->RedoAction()->text(), "Redo");
    EXPECT_EQ(m_dlg->UndoAction()->shortcuts(), QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Z"))});
    EXPECT_EQ(m_dlg->RedoAction()->shortcuts(),
              (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Shift+Z")), QKeySequence(QStringLiteral("Ctrl+Y"))}));
    EXPECT_TRUE(m_dlg->UndoAction()->isEnabled());
    EXPECT_FALSE(m_dlg->RedoAction()->isEnabled());

    QStringList shown;
    QTimer::singleShot(0, [&shown] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* action : menu->actions())
            shown << action->text() + QLatin1Char('\t') + action->shortcut().toString();
        menu->close();
    });
    // away from the graphs, whose menu begins with their filter files
    QContextMenuEvent context(QContextMenuEvent::Mouse, QPoint(5, 5), m_dlg->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(m_dlg.get(), &context);
    ASSERT_GE(shown.size(), 2);
    EXPECT_EQ(shown[0], "Undo\tCtrl+Z");
    EXPECT_EQ(shown[1], "Redo\tCtrl+Shift+Z");

    Click(kIdLanguage);
    EXPECT_EQ(m_dlg->UndoAction()->text(), "撤销");
    EXPECT_EQ(m_dlg->RedoAction()->text(), "重做");
}

TEST_F(Undo, TheHistoryKeepsTheLastTwoHundredSteps)
{
    for (int i = 0; i < kUndoLimit + 20; ++i)
        emit qobject_cast<CSpinButton*>(m_dlg->Control(kIdGainSpin))->stepped(i % 2 == 0 ? 1 : -1);
    EXPECT_EQ(m_dlg->UndoStack().count(), kUndoLimit);
}

}  // namespace
