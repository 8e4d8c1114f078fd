#include "MainDlgFixture.h"

#include "ui/controls/BitmapSlider.h"
#include "ui/controls/SpinButton.h"
#include "ui/controls/WindowMessage.h"
#include "ui/controls/XPButton.h"
#include "model/DataConver.h"
#include "ui/controls/ControlId.h"
#include "ui/main/QuendaAbout.h"
#include "ui/main/QuendaDlgState.h"
#include "ui/main/QuendaDlgTemplate.h"
#include "ui/main/QuendaDlgTexts.h"

#include <cstring>

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace {

using MainDlg = MainDlgFixture;

void SetBlock(int channel, void (*change)(ChannelBlock&))
{
    ImageLock lock(g_ImageMutex);
    change(g_ChannelBlocks[channel]);
}

QString LabelText(CQuendaDlg& dlg, int id)
{
    if (auto* group = qobject_cast<QGroupBox*>(dlg.Control(id)))
        return group->title();
    return qobject_cast<QLabel*>(dlg.Control(id))->text();
}

TEST_F(MainDlg, BeforeConnectingEveryControlShowsTheDefaults)
{
    CQuendaDlg& dlg = Open();
    for (int c = 0; c < 2; ++c) {
        const int edit = 1028 + 4 * c;
        EXPECT_EQ(Text(1040 + c), "0");
        EXPECT_EQ(Text(edit), "OFF");
        EXPECT_EQ(Text(edit + 1), "5ms");
        EXPECT_EQ(Text(edit + 2), "Atkx2");
        EXPECT_EQ(Text(edit + 3), "1:1");
        EXPECT_EQ(dlg.Fader(c)->GetPos(), 10);   // inverted: code 80
        EXPECT_TRUE(ShowsImage(1046 + c, 140));
        EXPECT_TRUE(ShowsImage(1076 + 3 * c, 198));   // all bands flat: PEQ Bypass on
        EXPECT_TRUE(ShowsImage(1077 + 3 * c, 193));
        EXPECT_EQ(g_PeqBypassed[c], 1);
    }
    EXPECT_EQ(ListIndex(1082), 69);
    EXPECT_EQ(ListText(1082), "-99dB");
    EXPECT_EQ(ListText(1084), "-99dB");
    EXPECT_EQ(ListText(1086), "OFF");
    EXPECT_EQ(ListText(1102), "OFF");
    EXPECT_EQ(ListText(1044), "0");
    EXPECT_EQ(ListText(1104), "0");
    EXPECT_EQ(ListText(1049), "Fast");
    EXPECT_EQ(ListText(1108), "UnLock  ");
    EXPECT_EQ(ListText(1110), "UnLink  ");
    EXPECT_TRUE(ShowsImage(1048, 147));
    EXPECT_TRUE(ShowsImage(1055, 171));
    EXPECT_EQ(LastQueued(), (SlotBytes{0, 0, 0, 0, 0}));   // showing queues nothing
}

TEST_F(MainDlg, WindowIsTheTemplateScaledIntoTwelveHundredBySevenTwentyFive)
{
    CQuendaDlg& dlg = Open();
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "V2.0.3");
    EXPECT_EQ(dlg.size(), QSize(1200, 725));
    EXPECT_EQ(dlg.pos(), QPoint(0, 0));
    EXPECT_FALSE(dlg.windowIcon().isNull());
    EXPECT_TRUE(dlg.IsTimerRunning());
    EXPECT_EQ(g_pMainDlg.load(), &dlg);
    for (const DialogItem& item : Template102()) {
        QWidget* control = dlg.Control(item.id);
        ASSERT_NE(control, nullptr) << item.id;
        EXPECT_EQ(control->isVisible(), !(item.flags & kItemHidden)) << item.id;
        if (control->isVisible()) {
            EXPECT_TRUE(dlg.rect().contains(control->geometry())) << item.id;
        }
    }
    EXPECT_TRUE(dlg.Edit(1030)->isReadOnly());
    EXPECT_TRUE(dlg.Edit(1035)->isReadOnly());
    EXPECT_FALSE(dlg.Edit(1029)->isReadOnly());
    EXPECT_FALSE(dlg.Control(1060)->isEnabled());
    EXPECT_EQ(dlg.Control(1046)->geometry(), QRect(945, 92, 66, 34));
}

struct LanguageCase {
    const char* locale;
    const char* chLabel;
    const char* ratioLabel;
    const char* speed;
    int languageImage;
};

class DialogStartLanguage : public MainDlgFixture, public testing::WithParamInterface<LanguageCase> {};

TEST_P(DialogStartLanguage, FollowsTheSystemLocale)
{
    const LanguageCase& c = GetParam();
    QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
    CQuendaDlg& dlg = Open();
    EXPECT_EQ(LabelText(dlg, 1090), QString::fromUtf8(c.chLabel));
    EXPECT_EQ(LabelText(dlg, 1099), QString::fromUtf8(c.ratioLabel));
    EXPECT_EQ(ListText(1049), QString::fromUtf8(c.speed));
    EXPECT_TRUE(ShowsImage(1055, c.languageImage));
}

INSTANTIATE_TEST_SUITE_P(Locales, DialogStartLanguage, testing::Values(
    LanguageCase{"zh_CN", "通道 A", "压缩比例", "快 速", 172},
    LanguageCase{"zh_TW", "通道 A", "压缩比例", "快 速", 172},
    LanguageCase{"zh_HK", "CH A", "  Raito", "Fast", 171},
    LanguageCase{"zh_SG", "CH A", "  Raito", "Fast", 171},
    LanguageCase{"en_GB", "CH A", "  Raito", "Fast", 171}));

TEST_F(MainDlg, LanguageButtonSwitchesEveryTextAndKeepsSelections)
{
    CQuendaDlg& dlg = Open();
    Pick(1049, 2);
    Pick(1108, 1);
    Click(1055);
    EXPECT_EQ(g_LanguageChinese.load(), 1);
    EXPECT_EQ(g_GlobalSettings.language, 1);
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_GLOBAL, 0, 8));
    EXPECT_EQ(ListText(1049), "慢 速");
    EXPECT_EQ(ListText(1108), "一级锁");
    EXPECT_EQ(ListText(1110), "取消联调");
    for (const auto& [id, english, chinese] : LabelTexts())
        EXPECT_EQ(LabelText(dlg, id), QString::fromUtf8(chinese)) << id;
    for (const LanguageButton& button : LanguageButtons())
        EXPECT_TRUE(ShowsImage(button.id, button.images[1].normal)) << button.id;
    EXPECT_TRUE(ShowsImage(1076, 191));
    EXPECT_TRUE(ShowsImage(1077, 186));

    ClearQueue();
    Click(1055);
    EXPECT_EQ(g_LanguageChinese.load(), 0);
    EXPECT_EQ(g_GlobalSettings.language, 0);
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_GLOBAL, 0, 8));
    for (const auto& [id, english, chinese] : LabelTexts())
        EXPECT_EQ(LabelText(dlg, id), QString::fromUtf8(english)) << id;
    EXPECT_EQ(LabelText(dlg, 1093), " Attack");
    EXPECT_EQ(ListText(1049), "Slowest");
    EXPECT_EQ(ListText(1108), "1st Lock");
    EXPECT_TRUE(ShowsImage(1076, 198));
}

TEST_F(MainDlg, TypingALetterIntoAnEditHasNoEffect)
{
    CQuendaDlg& dlg = Open();
    ShowActive();
    QLineEdit* edit = dlg.Edit(1029);
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, "a1b2.c-x ");
    EXPECT_EQ(edit->text(), "12.-");
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "12.");
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), "12.");
}

TEST_F(MainDlg, EnterAndEscapeCommitTheEditAndLeaveTheWindowOpen)
{
    CQuendaDlg& dlg = Open();
    ShowActive();
    const std::pair<Qt::Key, const char*> presses[] = {
        {Qt::Key_Return, "-5"}, {Qt::Key_Enter, "-6"}, {Qt::Key_Escape, "-7"}};
    for (auto [key, typed] : presses) {
        ClearQueue();
        QLineEdit* edit = dlg.Edit(1040);
        edit->setFocus();
        edit->clear();
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, key);
        EXPECT_FALSE(edit->hasFocus());
        EXPECT_TRUE(dlg.hasFocus());
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), 0);
        EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 0, 0)) << key;
    }
    EXPECT_EQ(Block(0).gain.Get(), 73);
    EXPECT_EQ(Text(1040), "-7");
}

TEST_F(MainDlg, TabDoesNotMoveTheFocus)
{
    CQuendaDlg& dlg = Open();
    ShowActive();
    dlg.Edit(1028)->setFocus();
    QTest::keyClick(dlg.Edit(1028), Qt::Key_Tab);
    EXPECT_TRUE(dlg.Edit(1028)->hasFocus());
    QTest::keyClick(dlg.Edit(1028), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(dlg.Edit(1028)->hasFocus());
}

struct EditCase {
    const char* name;
    int id;
    int startCode;       // code stored before typing
    const char* typed;
    bool outOfRange;
    int storedCode;
    const char* shown;   // the edit's text afterwards
    bool queued;
};

class EditCommit : public MainDlgFixture, public testing::WithParamInterface<EditCase> {};

int EditChannel(int id)
{
    return id == 1041 || (id >= 1032 && id <= 1035) ? 1 : 0;
}

int FieldCode(const ChannelBlock& block, int id)
{
    switch (id) {
    case 1040: case 1041: return block.gain.Get();
    case 1028: case 1032: return block.compThreshold;
    default: return block.compAttack;
    }
}

void SetFieldCode(int id, int code)
{
    ImageLock lock(g_ImageMutex);
    ChannelBlock& block = g_ChannelBlocks[EditChannel(id)];
    if (id == 1040 || id == 1041)
        block.gain.Set(static_cast<std::int16_t>(code));
    else if (id == 1028 || id == 1032)
        block.compThreshold = static_cast<std::uint8_t>(code);
    else
        block.compAttack = static_cast<std::uint8_t>(code);
}

TEST_P(EditCommit, StoresInRangeValuesAndRefusesOthers)
{
    const EditCase& c = GetParam();
    Open().OnDeviceRefresh(0, kRefreshAll);
    SetFieldCode(c.id, c.startCode);
    m_dlg->OnDeviceRefresh(0, kRefreshAll);
    ShowActive();
    TypeAndEnter(c.id, QString::fromLatin1(c.typed));
    const int channel = EditChannel(c.id);
    EXPECT_EQ(FieldCode(Block(channel), c.id), c.storedCode);
    EXPECT_EQ(Text(c.id), QString::fromLatin1(c.shown));
    const int group = c.id >= 1040 ? 0 : 2;
    const SlotBytes expected = c.queued ? SetParamSlot(AREA_CHANNEL, channel, group) : SlotBytes{0, 0, 0, 0, 0};
    EXPECT_EQ(LastQueued(), expected);
    ASSERT_EQ(m_messages.size(), c.outOfRange ? 1u : 0u);
    if (c.outOfRange) {
        EXPECT_EQ(m_messages[0].text, "Data out of range");
        EXPECT_EQ(m_messages[0].caption, ApplicationName());
    }
}

INSTANTIATE_TEST_SUITE_P(Edits, EditCommit, testing::Values(
    EditCase{"GainAboveTen", 1040, 80, "10.9", true, 80, "0", false},
    EditCase{"GainNineNine", 1040, 80, "9.9", false, 89, "9", true},
    EditCase{"GainSameCode", 1040, 76, "-3.5", false, 76, "-3.5", false},
    EditCase{"GainLowest", 1041, 80, "-80", false, 0, "-80", true},
    EditCase{"GainBelowLowest", 1041, 80, "-80.1", true, 80, "0", false},
    EditCase{"GainNotANumber", 1040, 76, "-", false, 80, "0", true},
    EditCase{"ThresholdNineteenA", 1028, 59, "19", false, 59, "OFF", true},
    EditCase{"ThresholdOffTypedIsZero", 1028, 59, "OFF", false, 40, "0", true},
    EditCase{"ThresholdNineteen", 1032, 59, "19", false, 59, "OFF", true},
    EditCase{"ThresholdFractionA", 1028, 59, "-39.5", false, 0, "-40", true},
    EditCase{"ThresholdFractionB", 1032, 59, "-39.5", false, 1, "-39", true},
    EditCase{"ThresholdTooHigh", 1028, 10, "20", true, 10, "-30", false},
    EditCase{"ThresholdSame", 1032, 40, "0", false, 40, "0", false},
    EditCase{"AttackTwenty", 1029, 0, "20", false, 15, "20ms", true},
    EditCase{"AttackEmpty", 1033, 7, "", true, 7, "12ms", false},
    EditCase{"AttackTooLong", 1029, 7, "101", true, 7, "12ms", false},
    EditCase{"AttackSame", 1033, 7, "12", false, 7, "12", false}),
    [](const testing::TestParamInfo<EditCase>& info) { return std::string(info.param.name); });

TEST_F(MainDlg, ThresholdShowingOffIsQueuedAgainOnEveryFocusLoss)
{
    CQuendaDlg& dlg = Open();
    ShowActive();
    for (int i = 0; i < 2; ++i) {
        ClearQueue();
        dlg.Edit(1032)->setFocus();
        dlg.Edit(1040)->setFocus();
        EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 1, 2));
    }
    EXPECT_EQ(Text(1032), "OFF");
}

TEST_F(MainDlg, ChineseRangeMessage)
{
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    Open();
    ShowActive();
    TypeAndEnter(1041, "11");
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, "数据超出范围");
    EXPECT_EQ(Text(1041), "0");
}

struct SpinCase {
    int spin;
    int startCode;
    bool up;
    int presses;
    int endCode;
    const char* shown;
};

class SpinStep : public MainDlgFixture, public testing::WithParamInterface<SpinCase> {};

int SpinField(int spin)
{
    const ChannelBlock block = [spin] {
        ImageLock lock(g_ImageMutex);
        return g_ChannelBlocks[spin == 2101 || (spin >= 2096 && spin <= 2099) ? 1 : 0];
    }();
    if (spin >= 2100)
        return block.gain.Get();
    switch ((spin - 2092) % 4) {
    case 0: return block.compThreshold;
    case 1: return block.compAttack;
    case 2: return block.compRelease;
    default: return block.compRatio;
    }
}

void SetSpinField(int spin, int code)
{
    ImageLock lock(g_ImageMutex);
    ChannelBlock& block = g_ChannelBlocks[spin == 2101 || (spin >= 2096 && spin <= 2099) ? 1 : 0];
    const auto byte = static_cast<std::uint8_t>(code);
    if (spin >= 2100) {
        block.gain.Set(static_cast<std::int16_t>(code));
        return;
    }
    switch ((spin - 2092) % 4) {
    case 0: block.compThreshold = byte; break;
    case 1: block.compAttack = byte; break;
    case 2: block.compRelease = byte; break;
    default: block.compRatio = byte; break;
    }
}

int SpinBuddyId(int spin)
{
    return spin >= 2100 ? 1040 + spin - 2100 : 1028 + spin - 2092;
}

TEST_P(SpinStep, StepsOneCodeWithinTheLimitsAndQueuesEveryStep)
{
    const SpinCase& c = GetParam();
    CQuendaDlg& dlg = Open();
    SetSpinField(c.spin, c.startCode);
    dlg.OnDeviceRefresh(0, kRefreshAll);
    auto* spin = qobject_cast<CSpinButton*>(dlg.Control(c.spin));
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(spin->Buddy(), dlg.Edit(SpinBuddyId(c.spin)));
    for (int i = 0; i < c.presses; ++i)
        QTest::mouseClick(c.up ? spin->UpButton() : spin->DownButton(), Qt::LeftButton);
    EXPECT_EQ(SpinField(c.spin), c.endCode);
    EXPECT_EQ(Text(SpinBuddyId(c.spin)), QString::fromLatin1(c.shown));
    const int channel = c.spin == 2101 || (c.spin >= 2096 && c.spin <= 2099) ? 1 : 0;
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, channel, c.spin >= 2100 ? 0 : 2));
}

INSTANTIATE_TEST_SUITE_P(Spins, SpinStep, testing::Values(
    SpinCase{2100, 90, true, 1, 90, "10"},
    SpinCase{2101, 0, false, 1, 0, "-80"},
    SpinCase{2101, 80, true, 3, 83, "3"},
    SpinCase{2092, 58, true, 1, 59, "OFF"},
    SpinCase{2096, 59, false, 1, 58, "18"},
    SpinCase{2095, 125, true, 1, 126, "127:1"},
    SpinCase{2099, 125, true, 3, 127, "Inf:1"},
    SpinCase{2093, 95, true, 1, 95, "100ms"},
    SpinCase{2094, 4, true, 2, 5, "Atkx32"},
    SpinCase{2098, 0, false, 1, 0, "Atkx2"}));

TEST_F(MainDlg, UpAndDownKeysInTheEditStepLikeTheArrows)
{
    CQuendaDlg& dlg = Open();
    ShowActive();
    dlg.Edit(1029)->setFocus();
    QTest::keyClick(dlg.Edit(1029), Qt::Key_Up);
    QTest::keyClick(dlg.Edit(1029), Qt::Key_Up);
    EXPECT_EQ(Text(1029), "7ms");
    QTest::keyClick(dlg.Edit(1029), Qt::Key_Down);
    EXPECT_EQ(Text(1029), "6ms");
    EXPECT_EQ(Block(0).compAttack, 1);
}

TEST_F(MainDlg, MuteTogglesAndQueuesGroupZero)
{
    Open();
    Click(1047);
    EXPECT_EQ(Block(1).mute, 1);
    EXPECT_TRUE(ShowsImage(1047, 139));
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 1, 0));
    Click(1047);
    EXPECT_EQ(Block(1).mute, 0);
    EXPECT_TRUE(ShowsImage(1047, 140));
}

struct ListCase {
    int id;
    int index;
    SlotBytes queued;
};

class ListSelection : public MainDlgFixture, public testing::WithParamInterface<ListCase> {};

TEST_P(ListSelection, QueuesTheGroupOrItemOfItsField)
{
    const ListCase& c = GetParam();
    Open();
    Pick(c.id, c.index);
    EXPECT_EQ(LastQueued(), c.queued);
    const ChannelBlock a = Block(0), b = Block(1);
    switch (c.id) {
    case 1086: EXPECT_EQ(a.freqShift, c.index); break;
    case 1102: EXPECT_EQ(b.freqShift, c.index); break;
    case 1082: EXPECT_EQ(a.gateThreshold, 70 - c.index); break;
    case 1084: EXPECT_EQ(b.gateThreshold, 70 - c.index); break;
    case 1108: EXPECT_EQ(g_GlobalSettings.panelLock, c.index); break;
    case 1110:
        EXPECT_EQ(g_GlobalSettings.channelLink, c.index ? 2 : 0);
        EXPECT_EQ(g_ChannelLinked.load(), c.index);
        break;
    case 1049:
        EXPECT_EQ(a.detectSpeed, c.index);
        EXPECT_EQ(b.detectSpeed, c.index);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Lists, ListSelection, testing::Values(
    ListCase{1086, 3, SetParamSlot(AREA_CHANNEL, 0, 0)},
    ListCase{1102, 4, SetParamSlot(AREA_CHANNEL, 1, 0)},
    ListCase{1082, 70, SetParamSlot(AREA_CHANNEL, 0, 1)},
    ListCase{1084, 0, SetParamSlot(AREA_CHANNEL, 1, 1)},
    ListCase{1049, 2, SetParamSlot(AREA_CHANNEL, 0, 15)},
    ListCase{1108, 2, SetParamSlot(AREA_GLOBAL, 0, 5)},
    ListCase{1110, 1, SetParamSlot(AREA_GLOBAL, 0, 7)},
    ListCase{1110, 0, SetParamSlot(AREA_GLOBAL, 0, 7)}));

TEST_F(MainDlg, StaticNotchCountClearsTheNotchesOnlyWhenItChanges)
{
    Open();
    SetBlock(1, [](ChannelBlock& b) {
        b.staticNotchCount = 2;
        b.notches[0].freqHz.Set(1000);
        b.notches[11].freqHz.Set(5000);
    });
    m_dlg->OnDeviceRefresh(0, kRefreshAll);
    Pick(1104, 2);
    EXPECT_EQ(LastQueued(), (SlotBytes{0, 0, 0, 0, 0}));
    EXPECT_EQ(Block(1).notches[0].freqHz.Get(), 1000);
    Pick(1104, 5);
    EXPECT_EQ(Block(1).staticNotchCount, 5);
    for (const NotchEntry& notch : Block(1).notches)
        EXPECT_EQ(notch.freqHz.Get(), 20);
    EXPECT_EQ(g_NotchClearRequest.load(), 0);
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 1, 15));
}

// The request goes with the group-15 command queued for the button's channel.
TEST_F(MainDlg, NotchClearEmptiesTheTableAndQueuesGroupFifteenWithTheRequest)
{
    Open();
    SetBlock(0, [](ChannelBlock& b) { b.notches[3].freqHz.Set(800); });
    Click(1078);
    EXPECT_EQ(Block(0).notches[3].freqHz.Get(), 20);
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 0, 15));
    std::vector<std::uint8_t> sent;
    SetWriteReportHook([&](const std::uint8_t* data) {
        sent.assign(data, data + kReportSize);
        return true;
    });
    g_Connected = 1;
    SchedulerSendNext();
    ASSERT_EQ(sent.size(), kReportSize);
    EXPECT_EQ(sent[kFrameA4], 15);
    EXPECT_EQ(sent[kFrameHeaderSize], 1) << "notchClear";
}

TEST_F(MainDlg, NotchBypassTogglesWithItsImage)
{
    Open();
    Click(1080);
    EXPECT_EQ(Block(1).notchBypass, 1);
    EXPECT_TRUE(ShowsImage(1080, 194));
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 1, 15));
    Click(1080);
    EXPECT_EQ(Block(1).notchBypass, 0);
    EXPECT_TRUE(ShowsImage(1080, 193));
}

TEST_F(MainDlg, PeqBypassSavesFlattensAndRestoresTheGains)
{
    Open();
    SetBlock(0, [](ChannelBlock& b) {
        for (int k = 0; k < kBandCount; ++k)
            b.bands[k].gainCode.Set(static_cast<std::int16_t>(100 + k));
    });
    m_dlg->OnDeviceRefresh(0, kRefreshAll);
    EXPECT_TRUE(ShowsImage(1076, 197));
    Click(1076);
    EXPECT_EQ(LastQueued(), (SlotBytes{CMD_WRITE_BANDS, AREA_CHANNEL, 0, 0, 0}));
    EXPECT_TRUE(ShowsImage(1076, 198));
    for (int k = 0; k < kBandCount; ++k) {
        EXPECT_EQ(Block(0).bands[k].gainCode.Get(), 120);
        EXPECT_EQ(g_SavedBandGains[0][k], 100 + k);
    }
    Click(1076);
    EXPECT_TRUE(ShowsImage(1076, 197));
    for (int k = 0; k < kBandCount; ++k)
        EXPECT_EQ(Block(0).bands[k].gainCode.Get(), 100 + k);
    EXPECT_EQ(Block(0).bands[5].freqHz.Get(), 400);
}

TEST_F(MainDlg, GraphBandChangeStoresTheBandAndEndsTheBypassShown)
{
    Open();
    Click(1079);   // PEQ Bypass of CH B engages (all flat already: saves the flat gains)
    ClearQueue();
    g_BandTable[1].bands[2].freqHz.Set(123);
    g_BandTable[1].bands[2].gainCode.Set(150);
    g_BandTable[1].bands[2].bwCode.Set(77);
    g_BandTable[1].bands[2].type = 2;
    PostWindowMessage(m_dlg.get(), WM_GRAPH_BAND_CHANGED, 2, 1);
    QCoreApplication::sendPostedEvents(m_dlg.get());
    const BandParams band = Block(1).bands[2];
    EXPECT_EQ(band.freqHz.Get(), 123);
    EXPECT_EQ(band.gainCode.Get(), 150);
    EXPECT_EQ(band.bwCode.Get(), 77);
    EXPECT_EQ(band.type, 0);
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 1, 5));
    EXPECT_TRUE(ShowsImage(1079, 197));
    Click(1079);   // pressing again saves the dragged gain and flattens all twelve
    EXPECT_EQ(g_SavedBandGains[1][2], 150);
    EXPECT_EQ(Block(1).bands[2].gainCode.Get(), 120);
    EXPECT_TRUE(ShowsImage(1079, 198));
}

TEST_F(MainDlg, GraphBandChangeOutsideTheBandsIsIgnored)
{
    Open();
    const ChannelBlock before = Block(0);
    for (auto [band, channel] : {std::pair{12, 0}, std::pair{-1, 0}, std::pair{0, 2}, std::pair{0, -1}})
        m_dlg->StoreGraphBand(band, channel);
    EXPECT_EQ(std::memcmp(&before, &g_ChannelBlocks[0], sizeof before), 0);
    EXPECT_EQ(LastQueued(), (SlotBytes{0, 0, 0, 0, 0}));
}

TEST_F(MainDlg, FaderMessagesStoreTheInvertedPositionAndQueueEveryTime)
{
    CQuendaDlg& dlg = Open();
    dlg.Fader(1)->SetPos(30);
    PostWindowMessage(&dlg, WM_FADER_MOVING, 1043, 30);
    QCoreApplication::sendPostedEvents(&dlg);
    EXPECT_EQ(Block(1).gain.Get(), 60);
    EXPECT_EQ(Text(1041), "-20");
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 1, 0));
    ClearQueue();
    PostWindowMessage(&dlg, WM_FADER_MOVED, 1043, 30);
    QCoreApplication::sendPostedEvents(&dlg);
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 1, 0));
}

TEST_F(MainDlg, TimerTickLightsTheLampsFromTheMeterBytes)
{
    CQuendaDlg& dlg = Open();
    g_MeterBytes[0] = 0x39;
    g_MeterBytes[1] = 0x80;
    dlg.OnTimer();
    for (int j = 0; j < 9; ++j) {
        EXPECT_TRUE(dlg.Lamp(1056 + j)->IsLit()) << j;
        EXPECT_FALSE(dlg.Lamp(1066 + j)->IsLit()) << j;
    }
    EXPECT_FALSE(dlg.Lamp(1065)->IsLit());
    EXPECT_TRUE(dlg.Lamp(1075)->IsLit());
}

TEST_F(MainDlg, NotchRefreshTouchesOnlyTheGraphs)
{
    CQuendaDlg& dlg = Open();
    SetBlock(0, [](ChannelBlock& b) {
        b.gain.Set(10);
        b.notches[0].freqHz.Set(1000);
    });
    dlg.OnDeviceRefresh(0, kRefreshNotches);
    EXPECT_EQ(Text(1040), "0");
    EXPECT_EQ(g_BandTable[0].bands[kBandCount].freqHz.Get(), 1000);
}

// Idle polls bring the same notch tables again and again: only a change reloads the graphs.
TEST_F(MainDlg, NotchRefreshWithUnchangedTablesLeavesTheModelAlone)
{
    CQuendaDlg& dlg = Open();
    SetBlock(1, [](ChannelBlock& b) { b.notches[3].freqHz.Set(2500); });
    dlg.OnDeviceRefresh(0, kRefreshNotches);
    ASSERT_EQ(g_BandTable[1].bands[kBandCount + 3].freqHz.Get(), 2500);

    g_BandTable[1].bands[kBandCount + 3].freqHz.Set(777);   // would be overwritten by a reload
    dlg.OnDeviceRefresh(0, kRefreshNotches);
    EXPECT_EQ(g_BandTable[1].bands[kBandCount + 3].freqHz.Get(), 777);

    SetBlock(0, [](ChannelBlock& b) { b.notches[0].aux.Set(1); });
    dlg.OnDeviceRefresh(0, kRefreshNotches);
    EXPECT_EQ(g_BandTable[1].bands[kBandCount + 3].freqHz.Get(), 2500);
}

TEST_F(MainDlg, FullRefreshShowsEveryFieldAndAdoptsTheUnitLanguage)
{
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    CQuendaDlg& dlg = Open();
    SetBlock(1, [](ChannelBlock& b) {
        b.gain.Set(90);
        b.mute = 1;
        b.compThreshold = 58;
        b.compAttack = 95;
        b.compRelease = 5;
        b.compRatio = 127;
        b.gateThreshold = 0;
        b.freqShift = 4;
        b.staticNotchCount = 8;
        b.notchBypass = 1;
        b.bands[0].gainCode.Set(90);
    });
    SetBlock(0, [](ChannelBlock& b) { b.detectSpeed = 1; });
    {
        ImageLock lock(g_ImageMutex);
        g_GlobalSettings.language = 0;
        g_GlobalSettings.panelLock = 2;
        g_GlobalSettings.channelLink = 2;
    }
    PostWindowMessage(&dlg, WM_DEVICE_REFRESH, 0, kRefreshAll);
    QCoreApplication::sendPostedEvents(&dlg);
    EXPECT_EQ(g_LanguageChinese.load(), 0);
    EXPECT_EQ(LabelText(dlg, 1090), "CH A");
    EXPECT_EQ(Text(1041), "10");
    EXPECT_EQ(dlg.Fader(1)->GetPos(), 0);
    EXPECT_TRUE(ShowsImage(1047, 139));
    EXPECT_EQ(Text(1032), "18");
    EXPECT_EQ(Text(1033), "100ms");
    EXPECT_EQ(Text(1034), "Atkx32");
    EXPECT_EQ(Text(1035), "Inf:1");
    EXPECT_EQ(ListText(1084), "OFF");
    EXPECT_EQ(ListText(1102), "8Hz");
    EXPECT_EQ(ListText(1104), "8");
    EXPECT_EQ(ListText(1049), "Default");
    EXPECT_EQ(ListText(1108), "2st Lock");
    EXPECT_EQ(ListText(1110), "A&B Link");
    EXPECT_EQ(g_ChannelLinked.load(), 1);
    EXPECT_TRUE(ShowsImage(1080, 194));
    EXPECT_TRUE(ShowsImage(1079, 197));
    EXPECT_TRUE(ShowsImage(1076, 198));
    EXPECT_EQ(g_SavedBandGains[1][0], 90);
    EXPECT_EQ(LastQueued(), (SlotBytes{0, 0, 0, 0, 0}));
}

TEST_F(MainDlg, CodesOutsideTheirRangesShowHarmlessly)
{
    CQuendaDlg& dlg = Open();
    SetBlock(0, [](ChannelBlock& b) {
        b.compRelease = 200;
        b.compRatio = 250;
        b.gateThreshold = 99;
        b.freqShift = 9;
        b.staticNotchCount = 40;
        b.detectSpeed = 7;
    });
    {
        ImageLock lock(g_ImageMutex);
        g_GlobalSettings.panelLock = 3;
        g_GlobalSettings.language = 5;   // any non-zero byte is Chinese
    }
    dlg.OnDeviceRefresh(0, kRefreshAll);
    EXPECT_EQ(Text(1030), "200");
    EXPECT_EQ(Text(1031), "250");
    for (auto [id, raw] : {std::pair{1082, "99"}, std::pair{1086, "9"}, std::pair{1044, "40"},
                           std::pair{1049, "7"}, std::pair{1108, "3"}}) {
        EXPECT_EQ(ListIndex(id), -1) << id;
        EXPECT_EQ(dlg.List(id)->placeholderText(), raw) << id;
    }
    EXPECT_EQ(g_LanguageChinese.load(), 1);
    ClearQueue();
    SetBlock(0, [](ChannelBlock& b) { b.freqShift = 2; });
    dlg.OnDeviceRefresh(0, kRefreshAll);
    EXPECT_EQ(ListText(1086), "4Hz");
}

TEST_F(MainDlg, FirstShowStartsTheLinkOnce)
{
    int started = 0;
    CQuendaDlg& dlg = Open({[&started] { ++started; }, {}, {}});
    EXPECT_EQ(started, 0);
    dlg.show();
    dlg.hide();
    dlg.show();
    EXPECT_EQ(started, 1);
}

TEST_F(MainDlg, ConnectButtonCallsTheLink)
{
    int pressed = 0;
    Open({{}, [&pressed] { ++pressed; }, {}});
    Click(1048);
    EXPECT_EQ(pressed, 1);
}

}  // namespace

namespace {

TEST(AboutBox, ShowsTheProgramNameAndClosesWithOk)
{
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), "关于 Quenda");
    EXPECT_EQ(AboutMenuText(), "关于 Quenda(&A)...");
    QStringList texts;
    for (QLabel* label : about.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains("Quenda 1.0 版"));
    auto* ok = qobject_cast<QPushButton*>(FindControl(&about, 1));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "确定");
    EXPECT_TRUE(ok->isDefault());
    about.show();
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

}  // namespace

namespace {

TEST_F(MainDlgFixture, LoadAndSaveButtonsRunThePresetDialogsModally)
{
    Open();
    for (auto [id, english] : {std::pair{1050, "Load"}, std::pair{1051, "Save"}}) {
        QString title;
        bool modal = false;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            title = dialog->windowTitle();
            modal = dialog->isModal();
            dialog->close();
        });
        Click(id);
        EXPECT_TRUE(modal) << id;
        EXPECT_TRUE(title.contains(QString::fromLatin1(english), Qt::CaseInsensitive)) << title.toStdString();
    }
}

}  // namespace

namespace {

TEST_F(MainDlgFixture, EditCommitsWhenTheFocusLeavesButNotForItsContextMenu)
{
    Open();
    m_dlg->Edit(1041)->setText("7");
    QFocusEvent toMenu(QEvent::FocusOut, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(m_dlg->Edit(1041), &toMenu);
    EXPECT_EQ(Block(1).gain.Get(), 80);
    EXPECT_EQ(LastQueued(), (SlotBytes{0, 0, 0, 0, 0}));
    QFocusEvent toOther(QEvent::FocusOut, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(m_dlg->Edit(1041), &toOther);
    EXPECT_EQ(Block(1).gain.Get(), 87);
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 1, 0));
}

}  // namespace
