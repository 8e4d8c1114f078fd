// A/B compare and channel copy on the real window over the link to the
// simulated unit: the frames each switch and copy sends, the side the window
// shows, each side's own undo history, and a preset load replacing the side
// the unit has.
#include "WindowOverLink.h"

#include "ui/common/Language.h"
#include "ui/controls/SkinnedButton.h"
#include "ui/main/MainWindowTexts.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>
#include <QKeySequence>

#include <functional>

namespace {

using FrameHead = std::array<int, 4>;   // code, area, channel, group

class Compare : public ConnectedWindowTest {
protected:
    void TearDown() override
    {
        SetCurrentLanguage(kEnglish);
        WindowOverLinkTest::TearDown();
    }

    // The frames the unit has been sent from now on (continuation reports left out).
    void MarkSent() { m_mark = m_backend.Written(0).size(); }
    std::vector<FrameHead> SentSinceMark() const
    {
        std::vector<FrameHead> heads;
        const std::vector<OutputReport> written = m_backend.Written(0);
        for (std::size_t i = m_mark; i < written.size(); ++i) {
            const std::uint8_t* frame = written[i].data() + 1;
            if (frame[0] == kSyncByte && frame[1] == kSyncByte && frame[2] == kSyncByte && frame[kFrameCode] != CMD_POLL)
                heads.push_back({frame[kFrameCode], frame[kFrameA1], frame[kFrameA3], frame[kFrameA4]});
        }
        return heads;
    }

    void Edit(const CUnit::Action& action)
    {
        Unit().Edit(action);
        Settle();
        Tick(2);
    }

    void PressCtrlB()
    {
        QTest::keyClick(m_dlg.get(), Qt::Key_B, Qt::ControlModifier);
        Settle();
        Tick(2);
    }

    void ClickCompare()
    {
        Click(kIdCompare);
        Settle();
        Tick(2);
    }

    std::size_t m_mark = 0;
};

// The settings of the groups: the notch table the unit keeps finding (whose
// first word ends group 15) left out.
testing::AssertionResult SameGroups(const ChannelBlock& x, const ChannelBlock& y)
{
    for (std::size_t i = 0; i < kNotchTableOffset; ++i) {
        if (BlockBytes(x)[i] != BlockBytes(y)[i])
            return testing::AssertionFailure() << "byte " << i << ": " << int(BlockBytes(x)[i]) << " and "
                                               << int(BlockBytes(y)[i]);
    }
    return testing::AssertionSuccess();
}

FrameHead SetParam(int channel, int group)
{
    return {CMD_SET_PARAM, AREA_CHANNEL, channel, group};
}

FrameHead BandWrite(int channel)
{
    return {CMD_WRITE_BANDS, AREA_CHANNEL, channel, 0};
}

BandParams Raised(BandParams band, int by)
{
    band.gainCode.Set(static_cast<std::int16_t>(band.gainCode.Get() + by));
    return band;
}

struct SwitchCase {
    const char* name;
    std::function<void(CSettingsEdit&)> changeOnB;
    std::vector<FrameHead> sent;   // by each switch, in either direction
};

// What the user changed on B is all a switch sends, in the unit's order.
TEST_F(Compare, ASwitchSendsExactlyTheGroupsInWhichTheSidesDiffer)
{
    const SwitchCase cases[] = {
        {"mute of CH A", [](CSettingsEdit& e) { e.Set(0, ChannelField::Mute, 1); }, {SetParam(0, kGroupGain)}},
        {"gate of CH B and compressor of CH A",
         [](CSettingsEdit& e) {
             e.Set(1, ChannelField::NoiseGate, 12);
             e.Set(0, ChannelField::CompRatio, 4);
         },
         {SetParam(0, kGroupCompressor), SetParam(1, kGroupGate)}},
        {"one band of CH B", [](CSettingsEdit& e) { e.SetBand(1, 7, Raised(e.Band(1, 7), 30)); },
         {SetParam(1, kGroupFirstBand + 7)}},
        {"three bands of CH A",
         [](CSettingsEdit& e) {
             for (int k : {0, 5, 11})
                 e.SetBand(0, k, Raised(e.Band(0, k), -20));
         },
         {BandWrite(0)}},
        {"notch settings of CH B and shift of CH B",
         [](CSettingsEdit& e) {
             e.Set(1, ChannelField::StaticNotchCount, 2);
             e.Set(1, ChannelField::FrequencyShift, 3);
         },
         {SetParam(1, kGroupGain), SetParam(1, kGroupNotch)}},
    };
    for (const SwitchCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ChannelBlock a0 = m_unit.Current(0), a1 = m_unit.Current(1);
        ASSERT_EQ(m_dlg->ActiveCompareSide(), CompareSide::A);
        MarkSent();
        PressCtrlB();
        EXPECT_EQ(m_dlg->ActiveCompareSide(), CompareSide::B);
        EXPECT_TRUE(SentSinceMark().empty()) << "B starts as a copy of A";
        Edit(c.changeOnB);
        const ChannelBlock b0 = m_unit.Current(0), b1 = m_unit.Current(1);

        MarkSent();
        ClickCompare();
        EXPECT_EQ(m_dlg->ActiveCompareSide(), CompareSide::A);
        EXPECT_EQ(SentSinceMark(), c.sent);
        EXPECT_TRUE(SameGroups(m_unit.Current(0), a0));
        EXPECT_TRUE(SameGroups(m_unit.Current(1), a1));

        MarkSent();
        PressCtrlB();
        EXPECT_EQ(SentSinceMark(), c.sent);
        EXPECT_TRUE(SameGroups(m_unit.Current(0), b0));
        EXPECT_TRUE(SameGroups(m_unit.Current(1), b1));

        m_dlg->CopyCompareSide(CompareSide::B);   // both sides the same again
        ClickCompare();
        ASSERT_EQ(m_dlg->ActiveCompareSide(), CompareSide::A);
    }
}

TEST_F(Compare, TheButtonShowsTheSideTheUnitHasInBothLanguages)
{
    CSkinnedButton* button = m_dlg->SkinButton(kIdCompare);
    EXPECT_TRUE(ShowsImage(kIdCompare, CompareImage(false, false)));
    EXPECT_EQ(button->toolTip(), "A/B compare: the unit has A. Click or press Ctrl+B to hear B.");
    EXPECT_EQ(m_dlg->CompareAction()->text(), "Switch to B");
    EXPECT_EQ(m_dlg->CompareAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+B")));
    ClickCompare();
    EXPECT_TRUE(ShowsImage(kIdCompare, CompareImage(true, false)));
    EXPECT_EQ(button->toolTip(), "A/B compare: the unit has B. Click or press Ctrl+B to hear A.");
    EXPECT_EQ(m_dlg->CompareAction()->text(), "Switch to A");
    Click(kIdLanguage);
    EXPECT_TRUE(ShowsImage(kIdCompare, CompareImage(true, false)));
    EXPECT_EQ(button->toolTip(), "A/B 比较：设备现在用 B。单击或按 Ctrl+B 听 A。");
    EXPECT_EQ(m_dlg->CompareAction()->text(), "切换到 A");
}

// The window's context menu, its entries after undo and redo, with their keys.
QStringList CompareEntries(CMainWindow& window)
{
    QStringList shown;
    QTimer::singleShot(0, [&shown] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* action : menu->actions().mid(3, 6))
            shown << action->text() + QLatin1Char('\t') + action->shortcut().toString();
        menu->close();
    });
    QContextMenuEvent context(QContextMenuEvent::Mouse, QPoint(5, 5), window.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&window, &context);
    return shown;
}

TEST_F(Compare, TheContextMenuOffersTheSwitchAndTheCopiesInBothLanguages)
{
    EXPECT_EQ(CompareEntries(*m_dlg), (QStringList{"Switch to B\tCtrl+B", "Copy A to B\t", "Copy B to A\t", "\t",
                                                   "Copy CH A to CH B\t", "Copy CH B to CH A\t"}));
    Click(kIdLanguage);
    ClickCompare();
    EXPECT_EQ(CompareEntries(*m_dlg), (QStringList{"切换到 A\tCtrl+B", "把 A 复制到 B\t", "把 B 复制到 A\t", "\t",
                                                   "把 通道 A 复制到 通道 B\t", "把 通道 B 复制到 通道 A\t"}));
}

TEST_F(Compare, EachSideKeepsItsOwnUndoHistory)
{
    Click(kIdMute);   // on A
    Settle();
    ASSERT_EQ(m_dlg->UndoStack().count(), 1);
    PressCtrlB();
    EXPECT_EQ(m_dlg->UndoStack().count(), 0);
    EXPECT_FALSE(m_dlg->UndoAction()->isEnabled());
    Click(kIdMute + 1);   // on B
    Settle();
    EXPECT_EQ(m_unit.Current(1).mute, 1);

    PressCtrlB();
    ASSERT_EQ(m_dlg->UndoStack().count(), 1);
    EXPECT_EQ(m_unit.Current(0).mute, 1);
    EXPECT_EQ(m_unit.Current(1).mute, 0);
    MarkSent();
    m_dlg->UndoAction()->trigger();   // A's mute
    Settle();
    Tick(2);
    EXPECT_EQ(SentSinceMark(), std::vector<FrameHead>{SetParam(0, kGroupGain)});
    EXPECT_EQ(m_unit.Current(0).mute, 0);

    PressCtrlB();
    m_dlg->UndoAction()->trigger();   // B's mute
    Settle();
    Tick(2);
    EXPECT_EQ(m_unit.Current(1).mute, 0);
    EXPECT_EQ(m_unit.Current(0).mute, 1) << "B was a copy of A with its mute";
}

TEST_F(Compare, CopyingTheOtherSideIntoTheActiveOneIsOneUndoStep)
{
    PressCtrlB();
    Edit([](CSettingsEdit& e) { e.Set(0, ChannelField::CompAttack, 7); });
    PressCtrlB();   // back on A
    MarkSent();
    m_dlg->CopyCompareSide(CompareSide::B);
    Settle();
    Tick(2);
    EXPECT_EQ(SentSinceMark(), std::vector<FrameHead>{SetParam(0, kGroupCompressor)});
    EXPECT_EQ(m_unit.Current(0).compAttack, 7);
    EXPECT_EQ(m_dlg->ActiveCompareSide(), CompareSide::A);
    ASSERT_EQ(m_dlg->UndoStack().count(), 1);

    m_dlg->UndoAction()->trigger();
    Settle();
    Tick(2);
    EXPECT_NE(m_unit.Current(0).compAttack, 7);
    m_dlg->CopyCompareSide(CompareSide::A);   // the active side into the other: nothing sent
    MarkSent();
    PressCtrlB();
    EXPECT_TRUE(SentSinceMark().empty());
}

TEST_F(Compare, APresetLoadReplacesTheSideTheUnitHas)
{
    UnitBlocks preset = m_unit.Preset(4);
    preset[1].gateThreshold = 25;
    m_unit.SetPreset(4, preset);
    Click(kIdMute);   // A muted
    Settle();
    PressCtrlB();
    Click(kIdMute);   // B not
    Settle();
    Unit().Scheduler().QueueRecallPreset(4);   // what the Load dialog's OK does
    Settle();
    Tick(2);
    EXPECT_EQ(m_dlg->ActiveCompareSide(), CompareSide::B);
    EXPECT_EQ(m_unit.Current(1).gateThreshold, 25);

    MarkSent();
    PressCtrlB();
    EXPECT_EQ(m_unit.Current(0).mute, 1) << "A as it was";
    EXPECT_NE(m_unit.Current(1).gateThreshold, 25);
    MarkSent();
    PressCtrlB();
    EXPECT_EQ(m_unit.Current(1).gateThreshold, 25) << "B is the preset now";
    EXPECT_EQ(m_unit.Current(0).mute, preset[0].mute);
}

TEST_F(Compare, CtrlBInAnEditTakesWhatWasTypedFirst)
{
    TypeAndEnter(kIdGainEdit, "-5");
    Settle();
    QLineEdit* edit = m_dlg->Edit(kIdGainEdit);
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, "-9");
    QTest::keyClick(edit, Qt::Key_B, Qt::ControlModifier);
    Settle();
    Tick(2);
    EXPECT_EQ(m_dlg->ActiveCompareSide(), CompareSide::B);
    EXPECT_EQ(Block(0).gain.Get(), 71) << "-9 dB, typed on A, kept on B";
    PressCtrlB();
    EXPECT_EQ(Block(0).gain.Get(), 71) << "and on A";
    EXPECT_EQ(m_unit.Current(0).gain.Get(), 71);
}

TEST_F(Compare, CopyingAChannelIsOneUndoStepThatSendsTheDifference)
{
    Edit([](CSettingsEdit& e) {
        e.Set(0, ChannelField::NoiseGate, 15);
        e.SetBand(0, 2, Raised(e.Band(0, 2), 40));
        e.Set(0, ChannelField::Gain, 60);
    });
    const ChannelBlock b = m_unit.Current(1);
    const std::size_t steps = m_dlg->UndoStack().count();
    MarkSent();
    m_dlg->CopyChannel(0);
    Settle();
    Tick(2);
    EXPECT_EQ(SentSinceMark(), (std::vector<FrameHead>{SetParam(1, kGroupGate), SetParam(1, kGroupFirstBand + 2)}));
    EXPECT_EQ(m_unit.Current(1).gateThreshold, m_unit.Current(0).gateThreshold);
    EXPECT_EQ(m_unit.Current(1).bands[2].gainCode.Get(), m_unit.Current(0).bands[2].gainCode.Get());
    EXPECT_EQ(m_unit.Current(1).gain.Get(), b.gain.Get()) << "each channel keeps its gain";
    ASSERT_EQ(m_dlg->UndoStack().count(), static_cast<int>(steps) + 1);

    m_dlg->UndoAction()->trigger();
    Settle();
    Tick(2);
    EXPECT_TRUE(SameGroups(m_unit.Current(1), b));
}

}  // namespace
