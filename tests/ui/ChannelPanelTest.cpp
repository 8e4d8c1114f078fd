// A channel panel on its own, made for CH B: built from the one description with CH B's ids,
// it shows a channel block and tells through its signals what the user did, knowing nothing
// of a unit or of the other channel.
#include "MainWindowFixture.h"

#include "ui/controls/GainFader.h"
#include "ui/controls/LevelMeter.h"
#include "ui/controls/MeterLamp.h"
#include "ui/controls/SkinnedButton.h"
#include "ui/controls/SpinButton.h"
#include "ui/graph/EqualizerGraph.h"
#include "ui/main/ChannelPanel.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QToolButton>

namespace {

class ChannelPanelTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetCurrentLanguage(kEnglish);
        m_window = std::make_unique<QWidget>();
        m_panel = new CChannelPanel(1, m_window.get());
        m_window->resize(1200, 725);
        m_panel->setGeometry(CChannelPanel::DesignRect(1));
        m_window->show();
    }

    template <class Control>
    Control* Find(int id) const
    {
        return qobject_cast<Control*>(m_panel->Control(id));
    }

    std::unique_ptr<QWidget> m_window;
    CChannelPanel* m_panel = nullptr;
};

TEST_F(ChannelPanelTest, HasEveryControlOfItsChannelUnderItsIdAndNoneOfTheOther)
{
    for (const ChannelControlSpec& spec : ChannelPanelControls()) {
        EXPECT_NE(m_panel->Control(spec.ids[1]), nullptr) << spec.ids[1];
        EXPECT_EQ(m_panel->Control(spec.ids[0]), nullptr) << spec.ids[0];
    }
    EXPECT_EQ(Find<QGroupBox>(1091)->title(), "CH B");
    EXPECT_EQ(m_panel->Graph()->Channel(), 0) << "attached by the window";
    EXPECT_EQ(m_panel->Meter()->LampCount(), kLampsPerChannel);
    EXPECT_EQ(m_panel->Meter()->Lamp(0), m_panel->Control(kIdLampB));
    EXPECT_EQ(CChannelPanel::DesignRect(1), CChannelPanel::DesignRect(0).translated(0, 340));
}

// What each user action tells, by the signal's name and its arguments.
struct Told {
    const char* signal;
    QList<QVariant> arguments;
};

void ExpectTold(QSignalSpy& spy, const QList<QVariant>& arguments, const char* what)
{
    ASSERT_EQ(spy.count(), 1) << what;
    EXPECT_EQ(spy.takeFirst(), arguments) << what;
}

TEST_F(ChannelPanelTest, TellsWhatTheUserDoes)
{
    QSignalSpy mute(m_panel, &CChannelPanel::muteClicked);
    QSignalSpy peq(m_panel, &CChannelPanel::peqBypassClicked);
    QSignalSpy notch(m_panel, &CChannelPanel::notchBypassClicked);
    QSignalSpy clear(m_panel, &CChannelPanel::notchClearClicked);
    QSignalSpy gain(m_panel, &CChannelPanel::gainStepped);
    QSignalSpy comp(m_panel, &CChannelPanel::compressorStepped);
    QSignalSpy shift(m_panel, &CChannelPanel::frequencyShiftPicked);
    QSignalSpy gate(m_panel, &CChannelPanel::noiseGatePicked);
    QSignalSpy count(m_panel, &CChannelPanel::staticNotchCountPicked);
    QSignalSpy fader(m_panel, &CChannelPanel::faderMoved);

    QTest::mouseClick(Find<CSkinnedButton>(kIdMute + 1), Qt::LeftButton);
    ExpectTold(mute, {}, "mute");
    QTest::mouseClick(Find<CSkinnedButton>(kIdPeqBypass + 3), Qt::LeftButton);
    ExpectTold(peq, {}, "PEQ bypass");
    QTest::mouseClick(Find<CSkinnedButton>(kIdNotchBypass + 3), Qt::LeftButton);
    ExpectTold(notch, {}, "notch bypass");
    QTest::mouseClick(Find<CSkinnedButton>(kIdNotchClear + 3), Qt::LeftButton);
    ExpectTold(clear, {}, "notch clear");
    QTest::mouseClick(Find<CSpinButton>(kIdGainSpin + 1)->DownButton(), Qt::LeftButton);
    ExpectTold(gain, {-1}, "gain spin");
    QTest::mouseClick(Find<CSpinButton>(CompSpin(1, kRatio))->UpButton(), Qt::LeftButton);
    ASSERT_EQ(comp.count(), 1);
    EXPECT_EQ(comp.first().at(0).value<ChannelField>(), ChannelField::CompRatio);
    EXPECT_EQ(comp.takeFirst().at(1).toInt(), 1);
    emit Find<QComboBox>(kIdShiftB)->activated(3);
    ExpectTold(shift, {3}, "FBX");
    emit Find<QComboBox>(kIdGateB)->activated(70);
    ExpectTold(gate, {70}, "noise gate");
    emit Find<QComboBox>(kIdNotchCountB)->activated(-1);
    EXPECT_EQ(count.count(), 0) << "no entry picked";
    emit Find<QComboBox>(kIdNotchCountB)->activated(5);
    ExpectTold(count, {5}, "static notch");

    CGainFader* slider = m_panel->Fader();
    slider->SetInvertedPos(80);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Down);
    ExpectTold(fader, {79, true}, "a key on the fader");
}

// Leaving an edit tells its text; the read-only ones tell nothing, nor does the edit's own menu.
TEST_F(ChannelPanelTest, AnEditLeftTellsItsText)
{
    QApplication::setActiveWindow(m_window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    QSignalSpy gain(m_panel, &CChannelPanel::gainTyped);
    QSignalSpy comp(m_panel, &CChannelPanel::compressorTyped);
    QLineEdit* gainEdit = Find<QLineEdit>(kIdGainEdit + 1);
    gainEdit->setFocus();
    gainEdit->setText("7");
    QFocusEvent toMenu(QEvent::FocusOut, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(gainEdit, &toMenu);
    EXPECT_EQ(gain.count(), 0);
    Find<QLineEdit>(CompEdit(1, kAttack))->setFocus();
    ExpectTold(gain, {QString("7")}, "gain left for the attack");
    Find<QLineEdit>(CompEdit(1, kAttack))->setText("20");
    m_panel->CommitTypedText();
    ASSERT_EQ(comp.count(), 1);
    EXPECT_EQ(comp.first().at(0).value<ChannelField>(), ChannelField::CompAttack);
    EXPECT_EQ(comp.takeFirst().at(1).toString(), "20");
    Find<QLineEdit>(CompEdit(1, kRelease))->setFocus();
    comp.clear();
    Find<QLineEdit>(CompEdit(1, kThreshold))->setFocus();
    EXPECT_EQ(comp.count(), 0) << "the release is read-only";
}

TEST_F(ChannelPanelTest, ShowsItsChannelsBlock)
{
    ChannelBlock block{};
    block.gain.Set(70);
    block.mute = 1;
    block.compThreshold = 59;
    block.compRatio = 127;
    block.gateThreshold = 0;
    block.freqShift = 2;
    block.staticNotchCount = 3;
    block.notchBypass = 1;
    for (BandParams& band : block.bands)
        band.gainCode.Set(kFlatGainCode);
    SettingsChange everything;
    everything.everything = true;
    m_panel->ShowSettings(block, everything);
    EXPECT_EQ(Find<QLineEdit>(kIdGainEdit + 1)->text(), "-10");
    EXPECT_EQ(m_panel->Fader()->GetInvertedPos(), 70);
    EXPECT_TRUE(Find<CSkinnedButton>(kIdMute + 1)->isChecked());
    EXPECT_EQ(Find<QLineEdit>(CompEdit(1, kThreshold))->text(), "OFF");
    EXPECT_EQ(Find<QLineEdit>(CompEdit(1, kRatio))->text(), "Inf:1");
    EXPECT_EQ(Find<QComboBox>(kIdGateB)->currentText(), "OFF");
    EXPECT_EQ(Find<QComboBox>(kIdShiftB)->currentText(), "4Hz");
    EXPECT_EQ(Find<QComboBox>(kIdNotchCountB)->currentText(), "3");
    EXPECT_TRUE(Find<CSkinnedButton>(kIdNotchBypass + 3)->isChecked());
    EXPECT_TRUE(Find<CSkinnedButton>(kIdPeqBypass + 3)->isChecked());

    MeterLamps lamps{};
    lamps[0] = lamps[1] = lamps[2] = lamps[kOverloadLamp] = true;
    m_panel->ShowLevel(lamps);
    EXPECT_EQ(m_panel->Meter()->LitLevels(), 3);
    EXPECT_TRUE(m_panel->Meter()->IsOverloaded());
    EXPECT_EQ(m_panel->Meter()->SpokenLevel(), "3 of 9, overload");
}

}  // namespace
