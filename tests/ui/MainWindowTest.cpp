#include "MainWindowFixture.h"

#include "model/ValueTables.h"
#include "ui/controls/ControlId.h"
#include "ui/controls/GainFader.h"
#include "ui/controls/MeterLamp.h"
#include "ui/controls/SpinButton.h"
#include "ui/graph/EqualizerGraph.h"
#include "ui/main/AboutDialog.h"
#include "ui/main/MainWindowControls.h"
#include "ui/main/MainWindowTexts.h"

#include <cstring>

#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace {

class MainDlg : public MainWindowFixture {
protected:
    void SetBlock(int channel, void (*change)(ChannelBlock&)) { change(Image().channels[channel]); }

    // The unit's notch tables came with a status reply.
    static SettingsChange NotchesReported()
    {
        SettingsChange change;
        change.cause = SettingsChange::Cause::Reported;
        change.notchTables = {true, true};
        return change;
    }
};

// Every label and group title of the window, and the tooltips of the buttons
// whose pictures carry no words of their function, in both languages.
struct WindowWord {
    int id;
    const char* english;
    const char* chinese;
    bool toolTip = false;
};

constexpr WindowWord kWindowWords[] = {
    {1090, "CH A", "通道 A"},
    {1091, "CH B", "通道 B"},
    {1038, "GAIN", "增益"},
    {1039, "GAIN", "增益"},
    {1036, "COMPRESS", "压缩器"},
    {1037, "COMPRESS", "压缩器"},
    {1092, "Threshold", "启动阀值"},
    {1096, "Threshold", "启动阀值"},
    {1093, " Attack", "启动时间"},
    {1097, " Attack", "启动时间"},
    {1094, " Release", "释放时间"},
    {1098, " Release", "释放时间"},
    {1095, "  Raito", "压缩比例"},
    {1099, "  Raito", "压缩比例"},
    {1083, "NoiseGate", "  噪声门"},
    {1085, "NoiseGate", "  噪声门"},
    {1100, "  Rate", "检测速度"},
    {1101, "FBX", "移频"},
    {1103, "FBX", "移频"},
    {1106, "Static Notch", "  静态滤波器"},
    {1107, "Static Notch", "  静态滤波器"},
    {1109, "Panel Lock", "    面板锁"},
    {1111, "Channel Link", "    通道联调"},
    {1052, "Import settings from a file", "从文件导入设置", true},
    {1053, "Export settings to a file", "将设置导出到文件", true},
};

QString LabelText(CMainWindow& dlg, int id)
{
    if (auto* group = qobject_cast<QGroupBox*>(dlg.Control(id)))
        return group->title();
    return qobject_cast<QLabel*>(dlg.Control(id))->text();
}

void ExpectWindowWords(CMainWindow& dlg, int language)
{
    for (const WindowWord& word : kWindowWords) {
        const QString expected = QString::fromUtf8(language == kChinese ? word.chinese : word.english);
        if (word.toolTip)
            EXPECT_EQ(dlg.Control(word.id)->toolTip(), expected) << word.id;
        else
            EXPECT_EQ(LabelText(dlg, word.id), expected) << word.id;
    }
}

TEST_F(MainDlg, BeforeConnectingEveryControlShowsTheDefaults)
{
    CMainWindow& dlg = Open();
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(Text(kIdGainEdit + c), "0");
        EXPECT_EQ(Text(CompEdit(c, kThreshold)), "OFF");
        EXPECT_EQ(Text(CompEdit(c, kAttack)), "5ms");
        EXPECT_EQ(Text(CompEdit(c, kRelease)), "Atkx2");
        EXPECT_EQ(Text(CompEdit(c, kRatio)), "1:1");
        EXPECT_EQ(dlg.Fader(c)->GetPos(), 10);   // inverted: code 80
        EXPECT_TRUE(ShowsImage(kIdMute + c, 140));
        EXPECT_TRUE(ShowsImage(kIdPeqBypass + 3 * c, 198));   // all bands flat: PEQ Bypass on
        EXPECT_TRUE(ShowsImage(kIdNotchBypass + 3 * c, 193));
    }
    EXPECT_EQ(ListIndex(kIdGateA), 69);
    EXPECT_EQ(ListText(kIdGateA), "-99dB");
    EXPECT_EQ(ListText(kIdGateB), "-99dB");
    EXPECT_EQ(ListText(kIdShiftA), "OFF");
    EXPECT_EQ(ListText(kIdShiftB), "OFF");
    EXPECT_EQ(ListText(kIdNotchCountA), "0");
    EXPECT_EQ(ListText(kIdNotchCountB), "0");
    EXPECT_EQ(ListText(kIdDetectSpeed), "Fast");
    EXPECT_EQ(ListText(kIdPanelLock), "UnLock  ");
    EXPECT_EQ(ListText(kIdChannelLink), "UnLink  ");
    EXPECT_TRUE(ShowsImage(kIdConnect, 147));
    EXPECT_TRUE(ShowsImage(kIdLanguage, 171));
    EXPECT_EQ(LastQueued(), (SlotBytes{0, 0, 0, 0, 0}));   // showing queues nothing
}

TEST_F(MainDlg, WindowIsTheTemplateScaledIntoTwelveHundredBySevenTwentyFive)
{
    CMainWindow& dlg = Open();
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "V2.0.3");
    EXPECT_EQ(dlg.size(), QSize(1200, 725));
    EXPECT_EQ(dlg.pos(), QPoint(0, 0));
    EXPECT_FALSE(dlg.windowIcon().isNull());
    EXPECT_TRUE(dlg.IsTimerRunning());
    for (const ControlSpec& item : AllControlSpecs()) {
        QWidget* control = dlg.Control(item.id);
        ASSERT_NE(control, nullptr) << item.id;
        EXPECT_EQ(control->isVisible(), !(item.flags & kItemHidden)) << item.id;
        if (control->isVisible()) {
            EXPECT_TRUE(dlg.rect().contains(WindowRect(control))) << item.id;
        }
    }
    EXPECT_TRUE(dlg.Edit(CompEdit(0, kRelease))->isReadOnly());
    EXPECT_TRUE(dlg.Edit(CompEdit(1, kRatio))->isReadOnly());
    EXPECT_FALSE(dlg.Edit(CompEdit(0, kAttack))->isReadOnly());
    EXPECT_FALSE(dlg.Control(kIdLampA + 4)->isEnabled());
    EXPECT_EQ(WindowRect(dlg.Control(kIdMute)), QRect(945, 92, 66, 34));
}

struct LanguageCase {
    const char* locale;
    const char* chLabel;
    const char* ratioLabel;
    const char* speed;
    int languageImage;
};

class DialogStartLanguage : public MainWindowFixture, public testing::WithParamInterface<LanguageCase> {};

TEST_P(DialogStartLanguage, FollowsTheSystemLocale)
{
    const LanguageCase& c = GetParam();
    QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
    CMainWindow& dlg = Open();
    EXPECT_EQ(LabelText(dlg, 1090), QString::fromUtf8(c.chLabel));
    EXPECT_EQ(LabelText(dlg, 1099), QString::fromUtf8(c.ratioLabel));
    EXPECT_EQ(ListText(kIdDetectSpeed), QString::fromUtf8(c.speed));
    EXPECT_TRUE(ShowsImage(kIdLanguage, c.languageImage));
}

INSTANTIATE_TEST_SUITE_P(Locales, DialogStartLanguage, testing::Values(
    LanguageCase{"zh_CN", "通道 A", "压缩比例", "快 速", 172},
    LanguageCase{"zh_TW", "通道 A", "压缩比例", "快 速", 172},
    LanguageCase{"zh_HK", "CH A", "  Raito", "Fast", 171},
    LanguageCase{"zh_SG", "CH A", "  Raito", "Fast", 171},
    LanguageCase{"en_GB", "CH A", "  Raito", "Fast", 171}));

TEST_F(MainDlg, LanguageButtonSwitchesEveryTextAndKeepsSelections)
{
    CMainWindow& dlg = Open();
    Pick(kIdDetectSpeed, 2);
    Pick(kIdPanelLock, 1);
    Click(kIdLanguage);
    EXPECT_EQ(CurrentLanguage(), 1);
    EXPECT_EQ(Image().globals.language, 1);
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_GLOBAL, 0, 8));
    EXPECT_EQ(ListText(kIdDetectSpeed), "慢 速");
    EXPECT_EQ(ListText(kIdPanelLock), "一级锁");
    EXPECT_EQ(ListText(kIdChannelLink), "取消联调");
    ExpectWindowWords(dlg, kChinese);
    for (const LanguageButton& button : LanguageButtons())
        EXPECT_TRUE(ShowsImage(button.id, button.images[1].normal)) << button.id;
    EXPECT_TRUE(ShowsImage(kIdPeqBypass, 191));
    EXPECT_TRUE(ShowsImage(kIdNotchBypass, 186));

    ClearQueue();
    Click(kIdLanguage);
    EXPECT_EQ(CurrentLanguage(), 0);
    EXPECT_EQ(Image().globals.language, 0);
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_GLOBAL, 0, 8));
    ExpectWindowWords(dlg, kEnglish);
    EXPECT_EQ(LabelText(dlg, 1093), " Attack");
    EXPECT_EQ(ListText(kIdDetectSpeed), "Slowest");
    EXPECT_EQ(ListText(kIdPanelLock), "1st Lock");
    EXPECT_TRUE(ShowsImage(kIdPeqBypass, 198));
}

TEST_F(MainDlg, TypingALetterIntoAnEditHasNoEffect)
{
    CMainWindow& dlg = Open();
    ShowActive();
    QLineEdit* edit = dlg.Edit(CompEdit(0, kAttack));
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
    CMainWindow& dlg = Open();
    ShowActive();
    const std::pair<Qt::Key, const char*> presses[] = {
        {Qt::Key_Return, "-5"}, {Qt::Key_Enter, "-6"}, {Qt::Key_Escape, "-7"}};
    for (auto [key, typed] : presses) {
        ClearQueue();
        QLineEdit* edit = dlg.Edit(kIdGainEdit);
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
    EXPECT_EQ(Text(kIdGainEdit), "-7");
}

TEST_F(MainDlg, TabDoesNotMoveTheFocus)
{
    CMainWindow& dlg = Open();
    ShowActive();
    dlg.Edit(CompEdit(0, kThreshold))->setFocus();
    QTest::keyClick(dlg.Edit(CompEdit(0, kThreshold)), Qt::Key_Tab);
    EXPECT_TRUE(dlg.Edit(CompEdit(0, kThreshold))->hasFocus());
    QTest::keyClick(dlg.Edit(CompEdit(0, kThreshold)), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(dlg.Edit(CompEdit(0, kThreshold))->hasFocus());
}

// The keyboard starts on the graphs, the only controls Tab reaches; no band is picked yet.
TEST_F(MainDlg, TheWindowOpensWithTheFocusOnChannelAsGraph)
{
    CMainWindow& dlg = Open();
    ShowActive();
    EXPECT_TRUE(dlg.Graph(0)->hasFocus());
    EXPECT_EQ(dlg.Graph(0)->SelectedBand(), nullptr);
}

// The field of a channel block that an edit or a spin stores into.
enum class Field { Gain, Threshold, Attack, Release, Ratio };

int FieldCode(const ChannelBlock& block, Field field)
{
    switch (field) {
    case Field::Gain: return block.gain.Get();
    case Field::Threshold: return block.compThreshold;
    case Field::Attack: return block.compAttack;
    case Field::Release: return block.compRelease;
    case Field::Ratio: return block.compRatio;
    }
    return -1;
}

void SetFieldCode(CParameterImage& image, int channel, Field field, int code)
{
    ChannelBlock& block = image.channels[channel];
    const auto byte = static_cast<std::uint8_t>(code);
    switch (field) {
    case Field::Gain: block.gain.Set(static_cast<std::int16_t>(code)); break;
    case Field::Threshold: block.compThreshold = byte; break;
    case Field::Attack: block.compAttack = byte; break;
    case Field::Release: block.compRelease = byte; break;
    case Field::Ratio: block.compRatio = byte; break;
    }
}

struct EditCase {
    const char* name;
    int id;
    int channel;         // the block the edit stores into
    Field field;
    int group;           // the group its change queues
    int startCode;       // code stored before typing
    const char* typed;
    bool outOfRange;
    int storedCode;
    const char* shown;   // the edit's text afterwards
    bool queued;
};

class EditCommit : public MainWindowFixture, public testing::WithParamInterface<EditCase> {};

TEST_P(EditCommit, StoresInRangeValuesAndRefusesOthers)
{
    const EditCase& c = GetParam();
    Open().ShowUnitSettings();
    SetFieldCode(Image(), c.channel, c.field, c.startCode);
    m_dlg->ShowUnitSettings();
    ShowActive();
    TypeAndEnter(c.id, QString::fromLatin1(c.typed));
    EXPECT_EQ(FieldCode(Block(c.channel), c.field), c.storedCode);
    EXPECT_EQ(Text(c.id), QString::fromLatin1(c.shown));
    const SlotBytes expected = c.queued ? SetParamSlot(AREA_CHANNEL, c.channel, c.group) : SlotBytes{0, 0, 0, 0, 0};
    EXPECT_EQ(LastQueued(), expected);
    ASSERT_EQ(m_messages.size(), c.outOfRange ? 1u : 0u);
    if (c.outOfRange) {
        EXPECT_EQ(m_messages[0].text, "Data out of range");
        EXPECT_EQ(m_messages[0].caption, ApplicationName());
    }
}

// Gain edits store into group 0 of their channel, the compressor's into group 2.
INSTANTIATE_TEST_SUITE_P(Edits, EditCommit, testing::Values(
    EditCase{"GainAboveTen", kIdGainEdit, 0, Field::Gain, 0, 80, "10.9", true, 80, "0", false},
    EditCase{"GainNineNine", kIdGainEdit, 0, Field::Gain, 0, 80, "9.9", false, 89, "9", true},
    EditCase{"GainSameCode", kIdGainEdit, 0, Field::Gain, 0, 76, "-3.5", false, 76, "-3.5", false},
    EditCase{"GainLowest", kIdGainEdit + 1, 1, Field::Gain, 0, 80, "-80", false, 0, "-80", true},
    EditCase{"GainBelowLowest", kIdGainEdit + 1, 1, Field::Gain, 0, 80, "-80.1", true, 80, "0", false},
    EditCase{"GainNotANumber", kIdGainEdit, 0, Field::Gain, 0, 76, "-", false, 80, "0", true},
    EditCase{"ThresholdNineteenA", CompEdit(0, kThreshold), 0, Field::Threshold, 2, 59, "19", false, 59, "OFF", true},
    EditCase{"ThresholdOffTypedIsZero", CompEdit(0, kThreshold), 0, Field::Threshold, 2, 59, "OFF", false, 40, "0",
             true},
    EditCase{"ThresholdNineteen", CompEdit(1, kThreshold), 1, Field::Threshold, 2, 59, "19", false, 59, "OFF", true},
    EditCase{"ThresholdFractionA", CompEdit(0, kThreshold), 0, Field::Threshold, 2, 59, "-39.5", false, 0, "-40",
             true},
    EditCase{"ThresholdFractionB", CompEdit(1, kThreshold), 1, Field::Threshold, 2, 59, "-39.5", false, 1, "-39",
             true},
    EditCase{"ThresholdTooHigh", CompEdit(0, kThreshold), 0, Field::Threshold, 2, 10, "20", true, 10, "-30", false},
    EditCase{"ThresholdSame", CompEdit(1, kThreshold), 1, Field::Threshold, 2, 40, "0", false, 40, "0", false},
    EditCase{"AttackTwenty", CompEdit(0, kAttack), 0, Field::Attack, 2, 0, "20", false, 15, "20ms", true},
    EditCase{"AttackEmpty", CompEdit(1, kAttack), 1, Field::Attack, 2, 7, "", true, 7, "12ms", false},
    EditCase{"AttackTooLong", CompEdit(0, kAttack), 0, Field::Attack, 2, 7, "101", true, 7, "12ms", false},
    EditCase{"AttackSame", CompEdit(1, kAttack), 1, Field::Attack, 2, 7, "12", false, 7, "12", false}),
    [](const testing::TestParamInfo<EditCase>& info) { return std::string(info.param.name); });

TEST_F(MainDlg, ThresholdShowingOffIsQueuedAgainOnEveryFocusLoss)
{
    CMainWindow& dlg = Open();
    ShowActive();
    for (int i = 0; i < 2; ++i) {
        ClearQueue();
        dlg.Edit(CompEdit(1, kThreshold))->setFocus();
        dlg.Edit(kIdGainEdit)->setFocus();
        EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 1, 2));
    }
    EXPECT_EQ(Text(CompEdit(1, kThreshold)), "OFF");
}

TEST_F(MainDlg, ChineseRangeMessage)
{
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    Open();
    ShowActive();
    TypeAndEnter(kIdGainEdit + 1, "11");
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, "数据超出范围");
    EXPECT_EQ(Text(kIdGainEdit + 1), "0");
}

struct SpinCase {
    int spin;
    int buddy;     // the edit that shows the value
    int channel;   // the block the spin steps
    Field field;
    int group;     // the group every step queues
    int startCode;
    bool up;
    int presses;
    int endCode;
    const char* shown;
};

class SpinStep : public MainWindowFixture, public testing::WithParamInterface<SpinCase> {};

TEST_P(SpinStep, StepsOneCodeWithinTheLimitsAndQueuesEveryStep)
{
    const SpinCase& c = GetParam();
    CMainWindow& dlg = Open();
    SetFieldCode(Image(), c.channel, c.field, c.startCode);
    dlg.ShowUnitSettings();
    auto* spin = qobject_cast<CSpinButton*>(dlg.Control(c.spin));
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(spin->Buddy(), dlg.Edit(c.buddy));
    for (int i = 0; i < c.presses; ++i)
        QTest::mouseClick(c.up ? spin->UpButton() : spin->DownButton(), Qt::LeftButton);
    EXPECT_EQ(FieldCode(Block(c.channel), c.field), c.endCode);
    EXPECT_EQ(Text(c.buddy), QString::fromLatin1(c.shown));
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, c.channel, c.group));
}

INSTANTIATE_TEST_SUITE_P(Spins, SpinStep, testing::Values(
    SpinCase{kIdGainSpin, kIdGainEdit, 0, Field::Gain, 0, 90, true, 1, 90, "10"},
    SpinCase{kIdGainSpin + 1, kIdGainEdit + 1, 1, Field::Gain, 0, 0, false, 1, 0, "-80"},
    SpinCase{kIdGainSpin + 1, kIdGainEdit + 1, 1, Field::Gain, 0, 80, true, 3, 83, "3"},
    SpinCase{CompSpin(0, kThreshold), CompEdit(0, kThreshold), 0, Field::Threshold, 2, 58, true, 1, 59, "OFF"},
    SpinCase{CompSpin(1, kThreshold), CompEdit(1, kThreshold), 1, Field::Threshold, 2, 59, false, 1, 58, "18"},
    SpinCase{CompSpin(0, kRatio), CompEdit(0, kRatio), 0, Field::Ratio, 2, 125, true, 1, 126, "127:1"},
    SpinCase{CompSpin(1, kRatio), CompEdit(1, kRatio), 1, Field::Ratio, 2, 125, true, 3, 127, "Inf:1"},
    SpinCase{CompSpin(0, kAttack), CompEdit(0, kAttack), 0, Field::Attack, 2, 95, true, 1, 95, "100ms"},
    SpinCase{CompSpin(0, kRelease), CompEdit(0, kRelease), 0, Field::Release, 2, 4, true, 2, 5, "Atkx32"},
    SpinCase{CompSpin(1, kRelease), CompEdit(1, kRelease), 1, Field::Release, 2, 0, false, 1, 0, "Atkx2"}));

TEST_F(MainDlg, UpAndDownKeysInTheEditStepLikeTheArrows)
{
    CMainWindow& dlg = Open();
    ShowActive();
    dlg.Edit(CompEdit(0, kAttack))->setFocus();
    QTest::keyClick(dlg.Edit(CompEdit(0, kAttack)), Qt::Key_Up);
    QTest::keyClick(dlg.Edit(CompEdit(0, kAttack)), Qt::Key_Up);
    EXPECT_EQ(Text(CompEdit(0, kAttack)), "7ms");
    QTest::keyClick(dlg.Edit(CompEdit(0, kAttack)), Qt::Key_Down);
    EXPECT_EQ(Text(CompEdit(0, kAttack)), "6ms");
    EXPECT_EQ(Block(0).compAttack, 1);
}

TEST_F(MainDlg, MuteTogglesAndQueuesGroupZero)
{
    Open();
    Click(kIdMute + 1);
    EXPECT_EQ(Block(1).mute, 1);
    EXPECT_TRUE(ShowsImage(kIdMute + 1, 139));
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 1, 0));
    Click(kIdMute + 1);
    EXPECT_EQ(Block(1).mute, 0);
    EXPECT_TRUE(ShowsImage(kIdMute + 1, 140));
}

// What a list entry sets: a field of one channel's block, the detection speed
// of both, or a global setting.
enum class ListField { FreqShift, GateThreshold, DetectSpeedOfBoth, PanelLock, ChannelLink };

constexpr int kNoChannel = -1;

struct ListCase {
    int id;
    int index;
    ListField field;
    int channel;   // the block that holds the field; kNoChannel for the others
    SlotBytes queued;
};

class ListSelection : public MainWindowFixture, public testing::WithParamInterface<ListCase> {};

TEST_P(ListSelection, QueuesTheGroupOrItemOfItsField)
{
    const ListCase& c = GetParam();
    Open();
    Pick(c.id, c.index);
    EXPECT_EQ(LastQueued(), c.queued);
    switch (c.field) {
    case ListField::FreqShift: EXPECT_EQ(Block(c.channel).freqShift, c.index); break;
    case ListField::GateThreshold: EXPECT_EQ(Block(c.channel).gateThreshold, 70 - c.index); break;
    case ListField::PanelLock: EXPECT_EQ(Image().globals.panelLock, c.index); break;
    case ListField::ChannelLink:
        EXPECT_EQ(Image().globals.channelLink, c.index ? 2 : 0);
        break;
    case ListField::DetectSpeedOfBoth:
        EXPECT_EQ(Block(0).detectSpeed, c.index);
        EXPECT_EQ(Block(1).detectSpeed, c.index);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Lists, ListSelection, testing::Values(
    ListCase{kIdShiftA, 3, ListField::FreqShift, 0, SetParamSlot(AREA_CHANNEL, 0, 0)},
    ListCase{kIdShiftB, 4, ListField::FreqShift, 1, SetParamSlot(AREA_CHANNEL, 1, 0)},
    ListCase{kIdGateA, 70, ListField::GateThreshold, 0, SetParamSlot(AREA_CHANNEL, 0, 1)},
    ListCase{kIdGateB, 0, ListField::GateThreshold, 1, SetParamSlot(AREA_CHANNEL, 1, 1)},
    ListCase{kIdDetectSpeed, 2, ListField::DetectSpeedOfBoth, kNoChannel, SetParamSlot(AREA_CHANNEL, 0, 15)},
    ListCase{kIdPanelLock, 2, ListField::PanelLock, kNoChannel, SetParamSlot(AREA_GLOBAL, 0, 5)},
    ListCase{kIdChannelLink, 1, ListField::ChannelLink, kNoChannel, SetParamSlot(AREA_GLOBAL, 0, 7)},
    ListCase{kIdChannelLink, 0, ListField::ChannelLink, kNoChannel, SetParamSlot(AREA_GLOBAL, 0, 7)}));

TEST_F(MainDlg, StaticNotchCountClearsTheNotchesOnlyWhenItChanges)
{
    Open();
    SetBlock(1, [](ChannelBlock& b) {
        b.staticNotchCount = 2;
        b.notches[0].freqHz.Set(1000);
        b.notches[11].freqHz.Set(5000);
    });
    m_dlg->ShowUnitSettings();
    Pick(kIdNotchCountB, 2);
    EXPECT_EQ(LastQueued(), (SlotBytes{0, 0, 0, 0, 0}));
    EXPECT_EQ(Block(1).notches[0].freqHz.Get(), 1000);
    Pick(kIdNotchCountB, 5);
    EXPECT_EQ(Block(1).staticNotchCount, 5);
    for (const NotchEntry& notch : Block(1).notches)
        EXPECT_EQ(notch.freqHz.Get(), 20);
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 1, 15));
}

// The request goes with the group-15 command queued for the button's channel.
TEST_F(MainDlg, NotchClearEmptiesTheTableAndQueuesGroupFifteenWithTheRequest)
{
    AddUnitDevice();
    Open().show();
    Connect();
    SetBlock(0, [](ChannelBlock& b) { b.notches[3].freqHz.Set(800); });
    Click(kIdNotchClear);
    EXPECT_EQ(Block(0).notches[3].freqHz.Get(), 20);
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 0, 15));
    Settle();
    const OutputReport sent = m_backend.Written(0).back();
    EXPECT_EQ(sent[1 + kFrameCode], CMD_SET_PARAM);
    EXPECT_EQ(sent[1 + kFrameA4], 15);
    EXPECT_EQ(sent[1 + kFrameHeaderSize], 1) << "notchClear";
}

TEST_F(MainDlg, NotchBypassTogglesWithItsImage)
{
    Open();
    Click(kIdNotchBypass + 3);
    EXPECT_EQ(Block(1).notchBypass, 1);
    EXPECT_TRUE(ShowsImage(kIdNotchBypass + 3, 194));
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 1, 15));
    Click(kIdNotchBypass + 3);
    EXPECT_EQ(Block(1).notchBypass, 0);
    EXPECT_TRUE(ShowsImage(kIdNotchBypass + 3, 193));
}

TEST_F(MainDlg, PeqBypassSavesFlattensAndRestoresTheGains)
{
    Open();
    SetBlock(0, [](ChannelBlock& b) {
        for (int k = 0; k < kBandCount; ++k)
            b.bands[k].gainCode.Set(static_cast<std::int16_t>(100 + k));
    });
    m_dlg->ShowUnitSettings();
    EXPECT_TRUE(ShowsImage(kIdPeqBypass, 197));
    Click(kIdPeqBypass);
    EXPECT_EQ(LastQueued(), (SlotBytes{CMD_WRITE_BANDS, AREA_CHANNEL, 0, 0, 0}));
    EXPECT_TRUE(ShowsImage(kIdPeqBypass, 198));
    for (int k = 0; k < kBandCount; ++k) {
        EXPECT_EQ(Block(0).bands[k].gainCode.Get(), 120);
        EXPECT_EQ(Image().restoreGains[0][k], 100 + k);
    }
    Click(kIdPeqBypass);
    EXPECT_TRUE(ShowsImage(kIdPeqBypass, 197));
    for (int k = 0; k < kBandCount; ++k)
        EXPECT_EQ(Block(0).bands[k].gainCode.Get(), 100 + k);
    EXPECT_EQ(Block(0).bands[5].freqHz.Get(), 400);
}

TEST_F(MainDlg, GraphBandChangeStoresTheBandAndEndsTheBypassShown)
{
    Open();
    Click(kIdPeqBypass + 3);   // PEQ Bypass of CH B engages (all flat already: saves the flat gains)
    ClearQueue();
    Unit().Equalizers().Table(1).bands[2].freqHz.Set(123);
    Unit().Equalizers().Table(1).bands[2].gainCode.Set(150);
    Unit().Equalizers().Table(1).bands[2].bwCode.Set(77);
    Unit().Equalizers().Table(1).bands[2].type = 2;
    emit m_dlg->Graph(1)->bandChanged(1, 2);
    const BandParams band = Block(1).bands[2];
    EXPECT_EQ(band.freqHz.Get(), 123);
    EXPECT_EQ(band.gainCode.Get(), 150);
    EXPECT_EQ(band.bwCode.Get(), 77);
    EXPECT_EQ(band.type, 0);
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 1, 5));
    EXPECT_TRUE(ShowsImage(kIdPeqBypass + 3, 197));
    Click(kIdPeqBypass + 3);   // pressing again saves the dragged gain and flattens all twelve
    EXPECT_EQ(Image().restoreGains[1][2], 150);
    EXPECT_EQ(Block(1).bands[2].gainCode.Get(), 120);
    EXPECT_TRUE(ShowsImage(kIdPeqBypass + 3, 198));
}

TEST_F(MainDlg, GraphBandChangeOutsideTheBandsIsIgnored)
{
    Open();
    const ChannelBlock before = Block(0);
    for (auto [band, channel] : {std::pair{12, 0}, std::pair{-1, 0}, std::pair{0, 2}, std::pair{0, -1}})
        emit m_dlg->Graph(0)->bandChanged(channel, band);
    EXPECT_EQ(std::memcmp(&before, &Image().channels[0], sizeof before), 0);
    EXPECT_EQ(LastQueued(), (SlotBytes{0, 0, 0, 0, 0}));
}

TEST_F(MainDlg, FaderMessagesStoreTheInvertedPositionAndQueueEveryTime)
{
    CMainWindow& dlg = Open();
    dlg.Fader(1)->SetPos(30);
    emit dlg.Fader(1)->faderMoving(30);
    EXPECT_EQ(Block(1).gain.Get(), 60);
    EXPECT_EQ(Text(kIdGainEdit + 1), "-20");
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 1, 0));
    ClearQueue();
    emit dlg.Fader(1)->faderMoved(30);
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 1, 0));
}

TEST_F(MainDlg, TimerTickLightsTheLampsFromTheMeterBytes)
{
    CMainWindow& dlg = Open();
    Image().meterBytes[0] = 0x39;
    Image().meterBytes[1] = 0x80;
    dlg.OnTimer();
    for (int j = 0; j < 9; ++j) {
        EXPECT_TRUE(dlg.Lamp(kIdLampA + j)->IsLit()) << j;
        EXPECT_FALSE(dlg.Lamp(kIdLampB + j)->IsLit()) << j;
    }
    EXPECT_FALSE(dlg.Lamp(kIdLampA + kOverloadLamp)->IsLit());
    EXPECT_TRUE(dlg.Lamp(kIdLampB + kOverloadLamp)->IsLit());
}

TEST_F(MainDlg, NotchRefreshTouchesOnlyTheGraphs)
{
    CMainWindow& dlg = Open();
    SetBlock(0, [](ChannelBlock& b) {
        b.gain.Set(10);
        b.notches[0].freqHz.Set(1000);
    });
    dlg.OnSettingsChanged(NotchesReported());
    EXPECT_EQ(Text(kIdGainEdit), "0");
    EXPECT_EQ(Unit().Equalizers().Table(0).bands[kBandCount].freqHz.Get(), 1000);
}

// Idle polls bring the same notch tables again and again: only a change reloads the graphs.
TEST_F(MainDlg, NotchRefreshWithUnchangedTablesLeavesTheModelAlone)
{
    CMainWindow& dlg = Open();
    SetBlock(1, [](ChannelBlock& b) { b.notches[3].freqHz.Set(2500); });
    dlg.OnSettingsChanged(NotchesReported());
    ASSERT_EQ(Unit().Equalizers().Table(1).bands[kBandCount + 3].freqHz.Get(), 2500);

    Unit().Equalizers().Table(1).bands[kBandCount + 3].freqHz.Set(777);   // would be overwritten by a reload
    dlg.OnSettingsChanged(NotchesReported());
    EXPECT_EQ(Unit().Equalizers().Table(1).bands[kBandCount + 3].freqHz.Get(), 777);

    SetBlock(0, [](ChannelBlock& b) { b.notches[0].aux.Set(1); });
    dlg.OnSettingsChanged(NotchesReported());
    EXPECT_EQ(Unit().Equalizers().Table(1).bands[kBandCount + 3].freqHz.Get(), 2500);
}

TEST_F(MainDlg, FullRefreshShowsEveryFieldAndAdoptsTheUnitLanguage)
{
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    CMainWindow& dlg = Open();
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
        ImageLock lock(Image().mutex);
        Image().globals.language = 0;
        Image().globals.panelLock = 2;
        Image().globals.channelLink = 2;
    }
    FeedRecallOfImage();
    EXPECT_EQ(CurrentLanguage(), 0);
    EXPECT_EQ(LabelText(dlg, 1090), "CH A");
    EXPECT_EQ(Text(kIdGainEdit + 1), "10");
    EXPECT_EQ(dlg.Fader(1)->GetPos(), 0);
    EXPECT_TRUE(ShowsImage(kIdMute + 1, 139));
    EXPECT_EQ(Text(CompEdit(1, kThreshold)), "18");
    EXPECT_EQ(Text(CompEdit(1, kAttack)), "100ms");
    EXPECT_EQ(Text(CompEdit(1, kRelease)), "Atkx32");
    EXPECT_EQ(Text(CompEdit(1, kRatio)), "Inf:1");
    EXPECT_EQ(ListText(kIdGateB), "OFF");
    EXPECT_EQ(ListText(kIdShiftB), "8Hz");
    EXPECT_EQ(ListText(kIdNotchCountB), "8");
    EXPECT_EQ(ListText(kIdDetectSpeed), "Default");
    EXPECT_EQ(ListText(kIdPanelLock), "2st Lock");
    EXPECT_EQ(ListText(kIdChannelLink), "A&B Link");
    EXPECT_TRUE(ShowsImage(kIdNotchBypass + 3, 194));
    EXPECT_TRUE(ShowsImage(kIdPeqBypass + 3, 197));
    EXPECT_TRUE(ShowsImage(kIdPeqBypass, 198));
    EXPECT_EQ(Image().restoreGains[1][0], 90);
    EXPECT_EQ(LastQueued(), (SlotBytes{0, 0, 0, 0, 0}));
}

TEST_F(MainDlg, CodesOutsideTheirRangesShowHarmlessly)
{
    CMainWindow& dlg = Open();
    SetBlock(0, [](ChannelBlock& b) {
        b.compRelease = 200;
        b.compRatio = 250;
        b.gateThreshold = 99;
        b.freqShift = 9;
        b.staticNotchCount = 40;
        b.detectSpeed = 7;
    });
    {
        ImageLock lock(Image().mutex);
        Image().globals.panelLock = 3;
        Image().globals.language = 5;   // any non-zero byte is Chinese
    }
    dlg.ShowUnitSettings();
    EXPECT_EQ(Text(CompEdit(0, kRelease)), "200");
    EXPECT_EQ(Text(CompEdit(0, kRatio)), "250");
    for (auto [id, raw] : {std::pair{kIdGateA, "99"}, std::pair{kIdShiftA, "9"}, std::pair{kIdNotchCountA, "40"},
                           std::pair{kIdDetectSpeed, "7"}, std::pair{kIdPanelLock, "3"}}) {
        EXPECT_EQ(ListIndex(id), -1) << id;
        EXPECT_EQ(dlg.List(id)->placeholderText(), raw) << id;
    }
    EXPECT_EQ(CurrentLanguage(), 1);
    ClearQueue();
    SetBlock(0, [](ChannelBlock& b) { b.freqShift = 2; });
    dlg.ShowUnitSettings();
    EXPECT_EQ(ListText(kIdShiftA), "4Hz");
}

TEST_F(MainDlg, FirstShowStartsTheLinkOnce)
{
    CMainWindow& dlg = Open();
    EXPECT_EQ(m_backend.Watchers(), 0);
    dlg.show();
    dlg.hide();
    dlg.show();
    EXPECT_EQ(m_backend.Watchers(), 1);
}

TEST_F(MainDlg, ConnectButtonConnectsTheUnit)
{
    AddUnitDevice();
    Open().show();
    Click(kIdConnect);
    EXPECT_TRUE(Unit().IsConnected());
    EXPECT_TRUE(ShowsImage(kIdConnect, 148));
}

}  // namespace

namespace {

struct AboutTexts {
    int language;
    const char* entry;
    const char* title;
    const char* name;
    const char* summary;
    const char* ok;
};

// The Chinese texts are the box's first ones; the version is the program's one.
TEST(AboutBox, SpeaksTheWindowsLanguageWithTheProgramsVersionAndClosesWithOk)
{
    const AboutTexts cases[] = {
        {kEnglish, "&About Quenda...", "About Quenda", "Quenda version 2.0.3",
         "Control program for a two-channel USB audio processor", "OK"},
        {kChinese, "关于 Quenda(&A)...", "关于 Quenda", "Quenda 2.0.3 版", "双通道 USB 音频处理器控制程序", "确定"},
    };
    for (const AboutTexts& c : cases) {
        SetCurrentLanguage(c.language);
        CAboutDialog about;
        EXPECT_EQ(AboutMenuText(), QString::fromUtf8(c.entry));
        EXPECT_EQ(about.windowTitle(), QString::fromUtf8(c.title));
        QStringList texts;
        for (QLabel* label : about.findChildren<QLabel*>()) {
            if (!label->text().isEmpty())
                texts << label->text();
        }
        EXPECT_EQ(texts, (QStringList{QString::fromUtf8(c.name), QString::fromUtf8(c.summary)}));
        auto* ok = qobject_cast<QPushButton*>(FindControl(&about, 1));
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text(), QString::fromUtf8(c.ok));
        EXPECT_TRUE(ok->isDefault());
        about.show();
        QTest::mouseClick(ok, Qt::LeftButton);
        EXPECT_FALSE(about.isVisible());
        EXPECT_EQ(about.result(), QDialog::Accepted);
    }
    SetCurrentLanguage(kEnglish);
}

TEST(AboutBox, FollowsALanguageSwitchWhileOpen)
{
    SetCurrentLanguage(kEnglish);
    CAboutDialog about;
    SetCurrentLanguage(kChinese);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    EXPECT_EQ(about.windowTitle(), "关于 Quenda");
    SetCurrentLanguage(kEnglish);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    EXPECT_EQ(about.windowTitle(), "About Quenda");
}

struct QtTexts {
    int language;
    const char* ok;
    const char* cancel;
    const char* lookIn;   // the file dialog's folder field
};

// Qt's own words: the standard buttons of every box and the file dialogs.
TEST(QtOwnTexts, FollowTheWindowsLanguage)
{
    const QtTexts cases[] = {
        {kEnglish, "OK", "Cancel", "Look in:"},
        {kChinese, "确定", "取消", "查找范围："},
    };
    for (const QtTexts& c : cases) {
        SetCurrentLanguage(c.language);
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Import filters"), QStringLiteral("x"),
                        QMessageBox::Ok | QMessageBox::Cancel);
        EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QString::fromUtf8(c.ok));
        EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QString::fromUtf8(c.cancel));
        QFileDialog files;
        files.setOption(QFileDialog::DontUseNativeDialog);
        auto* lookIn = files.findChild<QLabel*>(QStringLiteral("lookInLabel"));
        ASSERT_NE(lookIn, nullptr);
        EXPECT_EQ(lookIn->text(), QString::fromUtf8(c.lookIn));
    }
    SetCurrentLanguage(kEnglish);
}

}  // namespace

namespace {

TEST_F(MainWindowFixture, LoadAndSaveButtonsRunThePresetDialogsModally)
{
    Open();
    for (auto [id, english] : {std::pair{kIdLoad, "Load"}, std::pair{kIdSave, "Save"}}) {
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

TEST_F(MainWindowFixture, EditCommitsWhenTheFocusLeavesButNotForItsContextMenu)
{
    Open();
    m_dlg->Edit(kIdGainEdit + 1)->setText("7");
    QFocusEvent toMenu(QEvent::FocusOut, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(m_dlg->Edit(kIdGainEdit + 1), &toMenu);
    EXPECT_EQ(Block(1).gain.Get(), 80);
    EXPECT_EQ(LastQueued(), (SlotBytes{0, 0, 0, 0, 0}));
    QFocusEvent toOther(QEvent::FocusOut, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(m_dlg->Edit(kIdGainEdit + 1), &toOther);
    EXPECT_EQ(Block(1).gain.Get(), 87);
    EXPECT_EQ(LastQueued(), SetParamSlot(AREA_CHANNEL, 1, 0));
}

}  // namespace
