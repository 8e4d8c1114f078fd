// The real main window over the HID link against the simulated unit, the
// window's timer and the unit's clock driven tick by tick.
#include "WindowOverLink.h"

#include "model/ValueTables.h"
#include "model/ChannelEqualizer.h"
#include "transport/HidBackendSimulated.h"

#include <algorithm>
#include <chrono>
#include "ui/controls/GainFader.h"
#include "ui/controls/SpinButton.h"
#include "ui/controls/MeterLamp.h"
#include "ui/graph/EqualizerGraph.h"
#include "ui/main/MainWindowControls.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/controls/ControlId.h"
#include "ui/presets/PresetDialog.h"
#include "ui/presets/PresetList.h"

#include <QApplication>
#include <QGroupBox>
#include <QTimer>
#include <QMessageBox>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>
#include <QWheelEvent>

namespace {

constexpr int kThumbX = 40;   // over the fader's knob

class EndToEnd : public WindowOverLinkTest {
protected:
    void PreloadUnit(void (*change)(ChannelBlock&), int channel)
    {
        ChannelBlock block = m_unit.Current(channel);
        change(block);
        m_unit.SetCurrent(channel, block);
    }

    void SetUnitGlobal(int byte, std::uint8_t value)
    {
        UnitGlobals globals = m_unit.Globals();
        globals[static_cast<std::size_t>(byte)] = value;
        m_unit.SetGlobals(globals);
    }

    QString Label(int id) const
    {
        if (auto* group = qobject_cast<QGroupBox*>(m_dlg->Control(id)))
            return group->title();
        return qobject_cast<QLabel*>(m_dlg->Control(id))->text();
    }

};

void UnitState(ChannelBlock& b)
{
    b.gain.Set(50);
    b.mute = 1;
    b.freqShift = 2;
    b.gateThreshold = 40;
    b.compThreshold = 30;
    b.compAttack = 20;
    b.compRelease = 3;
    b.compRatio = 9;
    b.detectSpeed = 2;
    b.staticNotchCount = 3;
    b.notchBypass = 1;
    b.bands[4].gainCode.Set(150);
}

TEST_F(EndToEnd, BeforeConnectingTheDefaultsShowAndNothingIsSent)
{
    OpenWindow();
    Tick(5);
    EXPECT_EQ(Text(kIdGainEdit), "0");
    EXPECT_EQ(Text(CompEdit(0, kThreshold)), "OFF");
    EXPECT_EQ(Text(CompEdit(0, kAttack)), "5ms");
    EXPECT_EQ(Text(CompEdit(0, kRelease)), "Atkx2");
    EXPECT_EQ(Text(CompEdit(0, kRatio)), "1:1");
    EXPECT_EQ(ListText(kIdGateA), "-99dB");
    EXPECT_EQ(m_unit.CommandsReceived(CMD_POLL), 0u);
    EXPECT_TRUE(ShowsImage(kIdConnect, 147));
}

// With the keyboard alone: the window opens with the focus on a graph, whose
// menu key offers what the USB, Load and Save buttons do.
TEST_F(EndToEnd, TheMenuKeyReachesConnectLoadAndSave)
{
    OpenWindow();
    ShowActive();
    ASSERT_EQ(QApplication::focusWidget(), m_dlg->Graph(0));
    const QStringList before = MenuByKey(QStringLiteral("Connect"));
    const qsizetype connect = before.indexOf(QStringLiteral("Connect"));
    ASSERT_GE(connect, 0) << before.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(before.mid(connect, 3), (QStringList{"Connect", "Load a preset…", "Save a preset…"}));
    EXPECT_EQ(before.first(), "Import filters…") << "the graph's own entries first";
    Settle();
    Tick(1);
    EXPECT_TRUE(Unit().IsConnected());
    EXPECT_TRUE(MenuByKey().contains(QStringLiteral("Disconnect")));
    Click(kIdLanguage);
    EXPECT_TRUE(MenuByKey().contains(QStringLiteral("断开连接")));
}

TEST_F(EndToEnd, ConnectShowsTheUnitStateAndItsStoredLanguage)
{
    PreloadUnit(UnitState, 1);
    SetUnitGlobal(5, 1);    // panel lock: first level
    SetUnitGlobal(11, 1);   // Chinese
    OpenWindow();
    Connect();
    EXPECT_TRUE(ShowsImage(kIdConnect, 148));
    EXPECT_EQ(CurrentLanguage(), 1);
    EXPECT_EQ(Label(1091), "通道 B");
    EXPECT_EQ(ListText(kIdPanelLock), "一级锁");
    EXPECT_EQ(Text(kIdGainEdit + 1), "-30");
    EXPECT_EQ(m_dlg->Fader(1)->GetPos(), 40);
    EXPECT_TRUE(ShowsImage(kIdMute + 1, 139));
    EXPECT_EQ(Text(CompEdit(1, kThreshold)), "-10");
    EXPECT_EQ(Text(CompEdit(1, kAttack)), "25ms");
    EXPECT_EQ(Text(CompEdit(1, kRelease)), "Atkx8");
    EXPECT_EQ(Text(CompEdit(1, kRatio)), "10:1");
    EXPECT_EQ(ListText(kIdGateB), "-60dB");
    EXPECT_EQ(ListText(kIdShiftB), "4Hz");
    EXPECT_EQ(ListText(kIdNotchCountB), "3");
    EXPECT_TRUE(ShowsImage(kIdNotchBypass + 3, 187));
    EXPECT_TRUE(ShowsImage(kIdPeqBypass + 3, 190));
    EXPECT_TRUE(ShowsImage(kIdPeqBypass, 191));
    EXPECT_EQ(Text(kIdGainEdit), "0");   // CH A stays at the unit's defaults
    EXPECT_EQ(ListText(kIdDetectSpeed), "快 速");   // the list shows CH A's detection speed
}

TEST_F(EndToEnd, ChineseWindowTurnsEnglishWhenTheUnitStoresEnglish)
{
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    OpenWindow();
    EXPECT_EQ(Label(1090), "通道 A");
    Connect();
    EXPECT_EQ(CurrentLanguage(), 0);
    EXPECT_EQ(Label(1090), "CH A");
    EXPECT_EQ(Label(1095), "  Raito");
    EXPECT_EQ(ListText(kIdDetectSpeed), "Fast");
    EXPECT_TRUE(ShowsImage(kIdLanguage, 171));
}

TEST_F(EndToEnd, AChangeRecalledFromTheUnitAppearsInEveryControl)
{
    OpenWindow();
    Connect();
    PreloadUnit(UnitState, 0);
    SetUnitGlobal(5, 2);
    Unit().Scheduler().QueueRecallPreset(0);
    Tick(3);
    EXPECT_EQ(Text(kIdGainEdit), "-30");
    EXPECT_EQ(m_dlg->Fader(0)->GetPos(), 40);
    EXPECT_TRUE(ShowsImage(kIdMute, 139));
    EXPECT_EQ(Text(CompEdit(0, kThreshold)), "-10");
    EXPECT_EQ(Text(CompEdit(0, kAttack)), "25ms");
    EXPECT_EQ(Text(CompEdit(0, kRelease)), "Atkx8");
    EXPECT_EQ(Text(CompEdit(0, kRatio)), "10:1");
    EXPECT_EQ(ListText(kIdGateA), "-60dB");
    EXPECT_EQ(ListText(kIdShiftA), "4Hz");
    EXPECT_EQ(ListText(kIdNotchCountA), "3");
    EXPECT_EQ(ListText(kIdDetectSpeed), "Slowest");
    EXPECT_TRUE(ShowsImage(kIdNotchBypass, 194));
    EXPECT_TRUE(ShowsImage(kIdPeqBypass, 197));
    EXPECT_EQ(Image().restoreGains[0][4], 150);
}

TEST_F(EndToEnd, LanguageButtonIsStoredInTheUnit)
{
    OpenWindow();
    Connect();
    Click(kIdLanguage);
    Tick(2);
    EXPECT_EQ(m_unit.Globals()[11], 1);
    EXPECT_EQ(Label(1090), "通道 A");
    Click(kIdLanguage);
    Tick(2);
    EXPECT_EQ(m_unit.Globals()[11], 0);
}

TEST_F(EndToEnd, FaderDragSetsTheGainInTheUnit)
{
    CMainWindow& dlg = OpenWindow();
    Connect();
    CGainFader* fader = dlg.Fader(0);
    const int from = fader->PosToPixel(fader->GetPos());
    QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(kThumbX, from));
    QTest::mouseMove(fader, QPoint(kThumbX, fader->PosToPixel(30)));
    QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(kThumbX, fader->PosToPixel(30)));
    Tick(2);
    const int gain = 90 - fader->PixelToPos(fader->PosToPixel(30));
    EXPECT_EQ(gain, 61);
    EXPECT_EQ(m_unit.Current(0).gain.Get(), gain);
    EXPECT_EQ(Text(kIdGainEdit), QString::number(gain - 80));
}

TEST_F(EndToEnd, FaderWheelStepsTheGainInTheUnit)
{
    CMainWindow& dlg = OpenWindow();
    Connect();
    CGainFader* fader = dlg.Fader(1);
    const QPointF at(kThumbX, 50);
    QWheelEvent wheel(at, fader->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(fader, &wheel);
    Tick(2);
    EXPECT_EQ(m_unit.Current(1).gain.Get(), 81);
    EXPECT_EQ(Text(kIdGainEdit + 1), "1");
}

TEST_F(EndToEnd, SpinTypingListsAndButtonsReachTheUnit)
{
    CMainWindow& dlg = OpenWindow();
    Connect();
    ShowActive();

    auto* ratioSpin = qobject_cast<CSpinButton*>(dlg.Control(CompSpin(1, kRatio)));
    QTest::mouseClick(ratioSpin->UpButton(), Qt::LeftButton);
    Tick(2);
    EXPECT_EQ(m_unit.Current(1).compRatio, 1);

    TypeAndEnter(kIdGainEdit, "9.9");
    Tick(2);
    EXPECT_EQ(m_unit.Current(0).gain.Get(), 89);
    EXPECT_EQ(Text(kIdGainEdit), "9");

    TypeAndEnter(CompEdit(1, kAttack), "40");
    Tick(2);
    EXPECT_EQ(m_unit.Current(1).compAttack, 35);

    Pick(kIdGateA, 20);
    Tick(2);
    EXPECT_EQ(m_unit.Current(0).gateThreshold, 50);

    Pick(kIdDetectSpeed, 1);
    Tick(2);
    EXPECT_EQ(m_unit.Current(0).detectSpeed, 1);
    EXPECT_EQ(m_unit.Current(1).detectSpeed, 0);   // CH B's copy travels with its next group 15
    EXPECT_EQ(Block(1).detectSpeed, 1);

    Pick(kIdPanelLock, 2);
    Tick(2);
    EXPECT_EQ(m_unit.Globals()[5], 2);

    Click(kIdMute);
    Tick(2);
    EXPECT_EQ(m_unit.Current(0).mute, 1);

    Click(kIdNotchBypass + 3);
    Tick(2);
    EXPECT_EQ(m_unit.Current(1).notchBypass, 1);
    EXPECT_EQ(m_unit.Current(0).detectSpeed, 1);
    EXPECT_EQ(m_unit.Current(1).detectSpeed, 1);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(EndToEnd, EditValuesThatChangeNothingSendNothing)
{
    CMainWindow& dlg = OpenWindow();
    Connect();
    ShowActive();
    TypeAndEnter(kIdGainEdit + 1, "-4");
    Tick(2);
    ASSERT_EQ(m_unit.Current(1).gain.Get(), 76);
    const std::size_t sets = m_unit.CommandsReceived(CMD_SET_PARAM);
    TypeAndEnter(kIdGainEdit + 1, "-3.5");
    Tick(2);
    EXPECT_EQ(m_unit.CommandsReceived(CMD_SET_PARAM), sets);
    EXPECT_EQ(Text(kIdGainEdit + 1), "-3.5");

    TypeAndEnter(kIdGainEdit, "10.9");
    Tick(2);
    EXPECT_EQ(m_unit.CommandsReceived(CMD_SET_PARAM), sets);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, "Data out of range");
    EXPECT_EQ(Text(kIdGainEdit), "0");

    dlg.Edit(CompEdit(0, kThreshold))->setFocus();   // "OFF" is sent again on every focus loss
    dlg.Edit(CompEdit(0, kAttack))->setFocus();
    Tick(2);
    EXPECT_EQ(m_unit.CommandsReceived(CMD_SET_PARAM), sets + 1);
    Pick(kIdNotchCountA, 0);   // the same static notch count does nothing
    Tick(2);
    EXPECT_EQ(m_unit.CommandsReceived(CMD_SET_PARAM), sets + 1);
}

TEST_F(EndToEnd, PeqBypassThenDragThenPressAgain)
{
    PreloadUnit([](ChannelBlock& b) { b.bands[1].gainCode.Set(80); }, 0);
    OpenWindow();
    Connect();
    Click(kIdPeqBypass);
    Tick(2);
    EXPECT_EQ(m_unit.Current(0).bands[1].gainCode.Get(), 120);
    EXPECT_EQ(m_unit.CommandsReceived(CMD_WRITE_BANDS), 1u);
    EXPECT_TRUE(ShowsImage(kIdPeqBypass, 198));

    Unit().Equalizers().Table(0).bands[6].freqHz.Set(700);
    Unit().Equalizers().Table(0).bands[6].gainCode.Set(140);
    emit m_dlg->Graph(0)->bandChanged(0, 6);
    Tick(2);
    EXPECT_EQ(m_unit.Current(0).bands[6].freqHz.Get(), 700);
    EXPECT_EQ(m_unit.Current(0).bands[6].gainCode.Get(), 140);
    EXPECT_TRUE(ShowsImage(kIdPeqBypass, 197));

    Click(kIdPeqBypass);
    Tick(2);
    EXPECT_EQ(Image().restoreGains[0][6], 140);
    EXPECT_EQ(m_unit.Current(0).bands[6].gainCode.Get(), 120);
    EXPECT_TRUE(ShowsImage(kIdPeqBypass, 198));
    Click(kIdPeqBypass);
    Tick(2);
    EXPECT_EQ(m_unit.Current(0).bands[6].gainCode.Get(), 140);
    EXPECT_EQ(m_unit.Current(0).bands[1].gainCode.Get(), 120);
}

TEST_F(EndToEnd, NotchClearEmptiesTheUnitsNotchesAndTheGraph)
{
    PreloadUnit([](ChannelBlock& b) { b.staticNotchCount = 8; }, 1);
    OpenWindow();
    Connect();
    Tick(150);   // notches appear over time
    ASSERT_GT(Unit().Equalizers().Table(1).bands[kBandCount].freqHz.Get(), 20);
    Click(kIdNotchClear + 3);
    Tick(1);
    for (const NotchEntry& notch : Block(1).notches)
        EXPECT_EQ(notch.freqHz.Get(), 20);
}

TEST_F(EndToEnd, MetersMoveWhileConnected)
{
    CMainWindow& dlg = OpenWindow();
    Connect();
    bool lit = false;
    for (int i = 0; i < 40 && !lit; ++i) {
        Tick(1);
        lit = dlg.Lamp(kIdLampA)->IsLit() || dlg.Lamp(kIdLampB)->IsLit();
    }
    EXPECT_TRUE(lit);
}

TEST_F(EndToEnd, GraphDragSendsTheBandToTheUnit)
{
    CMainWindow& dlg = OpenWindow();
    Connect();
    CEqualizerGraph* graph = dlg.Graph(1);
    const PlotPoint from = Unit().Equalizers().Channel(1).GetAt(7).HandleRect().Centre();
    const QPoint start(from.x, from.y);
    QMouseEvent hover(QEvent::MouseMove, QPointF(start), graph->mapToGlobal(QPointF(start)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(graph, &hover);
    QTest::mousePress(graph, Qt::LeftButton, {}, start);
    QTest::mouseMove(graph, start + QPoint(0, -40));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, start + QPoint(0, -40));
    Settle();
    const BandParams dragged = Unit().Equalizers().Table(1).bands[7];
    EXPECT_GT(dragged.gainCode.Get(), 120);
    EXPECT_EQ(m_unit.Current(1).bands[7].gainCode.Get(), dragged.gainCode.Get());
    EXPECT_EQ(m_unit.Current(1).bands[7].freqHz.Get(), dragged.freqHz.Get());
    EXPECT_EQ(Block(1).bands[7].gainCode.Get(), dragged.gainCode.Get());
    EXPECT_TRUE(ShowsImage(kIdPeqBypass + 3, 197));   // the drag ended the bypass look of the flat channel
}

TEST_F(EndToEnd, MuteSendsGroupZeroOfItsChannelAsOneReport)
{
    OpenWindow();
    Connect();
    const std::size_t before = m_backend.Written(0).size();
    Click(kIdMute + 1);
    Tick(1);
    const std::vector<OutputReport> written = m_backend.Written(0);
    ASSERT_GT(written.size(), before);
    const OutputReport& report = written[before];
    const std::uint8_t expected[] = {
        0x00,                                                              // report ID
        0x5A, 0x5A, 0x5A, 0x00, 0x53, 0xA1, 0x04, 0x00, 0x01, 0x00, 0x08, 0x00,   // header: A1h, area 4, CH B, group 0
        0x50, 0x00, 0x50, 0x00, 0x01, 0x00, 0x00, 0x00,                   // reserved0 80, gain 80, mute 1
        0xA4, 0xAA};                                                       // checksum, end byte
    ASSERT_TRUE(std::equal(std::begin(expected), std::end(expected), report.begin()));
    EXPECT_TRUE(std::all_of(report.begin() + sizeof expected, report.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(m_unit.Current(1).mute, 1);
}

// A sound engineer mutes both channels at once, five times in a row: every
// press reaches the unit, and the unit ends as the window shows it.
TEST_F(EndToEnd, MuteOfBothChannelsInTheSameTickBothReachTheUnit)
{
    OpenWindow();
    Connect();
    const std::size_t before = m_unit.CommandsReceived(CMD_SET_PARAM);
    for (int i = 0; i < 5; ++i) {
        Click(kIdMute);
        Click(kIdMute + 1);
        Tick(1);
        EXPECT_EQ(m_unit.Current(0).mute, Block(0).mute) << "press " << i;
        EXPECT_EQ(m_unit.Current(1).mute, Block(1).mute) << "press " << i;
        EXPECT_EQ(Block(0).mute, i % 2 == 0 ? 1 : 0);
    }
    EXPECT_EQ(m_unit.CommandsReceived(CMD_SET_PARAM) - before, 10u);
    EXPECT_TRUE(ShowsImage(kIdMute, 139));
    EXPECT_TRUE(ShowsImage(kIdMute + 1, 139));
    EXPECT_EQ(PendingCount(), 0u);
}

TEST_F(EndToEnd, ListChosenWithTheKeyboardReachesTheUnit)
{
    CMainWindow& dlg = OpenWindow();
    Connect();
    ShowActive();
    QComboBox* shifter = dlg.List(kIdShiftB);
    shifter->setFocus();
    QTest::keyClick(shifter, Qt::Key_Down);
    QTest::keyClick(shifter, Qt::Key_Down);
    Tick(2);
    EXPECT_EQ(ListText(kIdShiftB), "4Hz");
    EXPECT_EQ(m_unit.Current(1).freqShift, 2);
}

TEST_F(EndToEnd, ConnectPressedAgainDisconnects)
{
    OpenWindow();
    Connect();
    EXPECT_TRUE(ShowsImage(kIdConnect, 148));
    Click(kIdConnect);
    EXPECT_FALSE(Unit().IsConnected());
    EXPECT_TRUE(ShowsImage(kIdConnect, 147));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(EndToEnd, NoUnitShowsTheWarningInTheWindowLanguage)
{
    OpenWindow();
    m_backend.Unplug(0);
    QCoreApplication::sendPostedEvents();
    m_messages.clear();
    Click(kIdLanguage);   // Chinese
    Click(kIdConnect);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, "没找到设备,请检查是否连接好");
    EXPECT_EQ(m_messages[0].caption, "Warning");
    EXPECT_FALSE(Unit().IsConnected());
    EXPECT_TRUE(ShowsImage(kIdConnect, 147));
}

TEST_F(EndToEnd, UnpluggingTheUnitDisconnectsTheWindowAndWarnsAfterASecond)
{
    OpenWindow();
    Connect();
    m_backend.Unplug(0);
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(Unit().IsConnected());
    EXPECT_TRUE(ShowsImage(kIdConnect, 147));
    EXPECT_EQ(StatusShown(), "Not connected");
    Tick(CMainWindow::kLostWarningTicks - 1);
    EXPECT_TRUE(m_messages.empty());
    Tick(1);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages.back().text, "Can't find the device, please check it");
}

// Unplugged and plugged in again (or a laptop asleep and awake): the window
// connects by itself and shows the unit's state, which changed meanwhile.
TEST_F(EndToEnd, ReplugReconnectsAndShowsTheUnitsState)
{
    OpenWindow();
    Connect();
    m_backend.Unplug(0);
    QCoreApplication::sendPostedEvents();
    Tick(2 * CMainWindow::kLostWarningTicks);
    ASSERT_EQ(m_messages.size(), 1u);
    PreloadUnit(UnitState, 1);
    m_backend.Plug(0);
    Settle();
    Tick(1);
    EXPECT_TRUE(Unit().IsConnected());
    EXPECT_TRUE(ShowsImage(kIdConnect, 148));
    EXPECT_EQ(Text(kIdGainEdit + 1), "-30");
    EXPECT_EQ(m_messages.size(), 1u) << "nothing said on arrival";
    EXPECT_EQ(StatusShown(), "Reconnected");
}

TEST_F(EndToEnd, TheWarningStillOpenClosesWhenTheUnitIsBack)
{
    SetMessageBoxHook({});
    OpenWindow();
    Connect();
    m_backend.Unplug(0);
    QCoreApplication::sendPostedEvents();
    Tick(CMainWindow::kLostWarningTicks);
    QPointer<QMessageBox> warning = m_dlg->LostWarning();
    ASSERT_NE(warning, nullptr);
    EXPECT_TRUE(warning->isVisible());
    EXPECT_EQ(warning->text(), "Can't find the device, please check it");
    m_backend.Plug(0);
    Settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(warning.isNull() || !warning->isVisible());
    EXPECT_TRUE(Unit().IsConnected());
}

TEST_F(EndToEnd, AnArrivalAfterTheUserDisconnectedLeavesTheWindowDisconnected)
{
    OpenWindow();
    Connect();
    Click(kIdConnect);
    m_backend.Unplug(0);
    m_backend.Plug(0);
    Settle();
    Tick(CHidLink::kReconnectTicks);
    EXPECT_FALSE(Unit().IsConnected());
    EXPECT_TRUE(ShowsImage(kIdConnect, 147));
}

TEST_F(EndToEnd, ALooseCableEndsConnectedWithAtMostOneWarning)
{
    OpenWindow();
    Connect();
    for (int i = 0; i < 5; ++i) {   // within two seconds
        m_backend.Unplug(0);
        QCoreApplication::sendPostedEvents();
        Tick(2);
        m_backend.Plug(0);
        Settle();
        Tick(2);
    }
    Tick(3 * CMainWindow::kLostWarningTicks);
    EXPECT_TRUE(Unit().IsConnected());
    EXPECT_LE(m_messages.size(), 1u);
    EXPECT_EQ(PendingCount(), 0u);
    EXPECT_TRUE(ShowsImage(kIdConnect, 148));
}

// Save to a preset the unit never answers, then Mute: once the box says the
// preset was not saved the store is over, and the mute reaches the unit at once.
TEST_F(EndToEnd, AStoreTheUnitIgnoresIsOverWhenTheBoxSaysSoAndHoldsNoChange)
{
    OpenWindow();
    Connect();
    m_messages.clear();
    m_unit.SetFaults({.ignoredCode = CMD_STORE_PRESET});
    int ticks = 0;
    QObject context;
    QTimer::singleShot(0, &context, [&] {
        auto* dlg = qobject_cast<CPresetDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        auto* list = qobject_cast<CPresetList*>(FindControl(dlg, IDC_PRESET_LIST));
        list->selectRow(0);
        QTest::mouseClick(FindControl(dlg, IDOK), Qt::LeftButton);
        for (; ticks < 400 && dlg->IsWaiting(); ++ticks)
            Tick();
    });
    Click(kIdSave);
    EXPECT_EQ(ticks, 145) << "four attempts of 3.6 s, told on the tick after the last";
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, "The unit did not answer: preset 1 was not saved");
    EXPECT_EQ(StatusShown(), "The unit did not answer: preset 1 was not saved");
    EXPECT_EQ(m_unit.CommandsReceived(CMD_STORE_PRESET), 4u);

    Click(kIdMute);
    Tick();
    EXPECT_EQ(m_unit.Current(0).mute, 1) << "nothing waits behind the store";
    EXPECT_EQ(StatusShown(), "Connected");
    Tick(400);
    EXPECT_EQ(m_unit.CommandsReceived(CMD_STORE_PRESET), 4u) << "never sent after the box";
    EXPECT_EQ(StatusShown(), "Connected");
}

}  // namespace
