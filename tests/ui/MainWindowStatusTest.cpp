// The status line at the left of the main window's top row: its texts in both
// languages, and what the window shows for each state of the link and the
// scheduler.
#include "MainWindowFixture.h"

#include "ui/main/MainWindowControls.h"
#include "ui/common/Language.h"
#include "ui/main/StatusLine.h"

#include <QLabel>

namespace {

struct StatusTextCase {
    StatusLine line;
    const char* english;
    const char* chinese;
};

// Texts asked for in each language, English again afterwards.
template <typename Case>
class InBothLanguages : public testing::TestWithParam<Case> {
protected:
    void TearDown() override { SetCurrentLanguage(kEnglish); }

    template <typename Text>
    void ExpectTexts(Text text, const char* english, const char* chinese)
    {
        SetCurrentLanguage(kEnglish);
        EXPECT_EQ(text().toStdString(), english);
        SetCurrentLanguage(kChinese);
        EXPECT_EQ(text().toStdString(), chinese);
    }
};

class StatusTexts : public InBothLanguages<StatusTextCase> {};

TEST_P(StatusTexts, SayWhatHasNotReachedTheUnitInBothLanguages)
{
    const StatusTextCase& c = GetParam();
    ExpectTexts([&] { return StatusText(c.line); }, c.english, c.chinese);
}

constexpr CommandSlot kGainA{0xA1, 4, 0, 0, 0};

INSTANTIATE_TEST_SUITE_P(Lines, StatusTexts, testing::Values(
    StatusTextCase{{StatusKind::NotConnected}, "Not connected", "未连接"},
    StatusTextCase{{StatusKind::NoPermission},
                   "The unit is attached but this user may not open it: install the udev rules (see README)",
                   "设备已连接,但当前用户无权打开:请安装 udev 规则(见 README)"},
    StatusTextCase{{StatusKind::InUse, 4242}, "The unit is in use by another program (process 4242)",
                   "设备正被另一个程序使用(进程 4242)"},
    StatusTextCase{{StatusKind::Connected}, "Connected", "已连接"},
    StatusTextCase{{StatusKind::Reconnected}, "Reconnected", "已重新连接"},
    StatusTextCase{{StatusKind::Sending, 1}, "Sending 1 change…", "正在发送 1 项更改…"},
    StatusTextCase{{StatusKind::Sending, 3}, "Sending 3 changes…", "正在发送 3 项更改…"},
    StatusTextCase{{StatusKind::NotAnswering, 2}, "The unit does not answer: 2 changes not applied",
                   "设备无应答:2 项更改未生效"},
    StatusTextCase{{StatusKind::NotAnswering, 1}, "The unit does not answer: 1 change not applied",
                   "设备无应答:1 项更改未生效"},
    StatusTextCase{{StatusKind::NotApplied, 0, kGainA}, "Gain and mute of CH A was not applied",
                   "通道 A 的增益与静音未生效"},
    StatusTextCase{{StatusKind::NotApplied, 1, kGainA}, "Gain and mute of CH A and 1 other change were not applied",
                   "通道 A 的增益与静音等 2 项更改未生效"},
    StatusTextCase{{StatusKind::NotApplied, 2, kGainA}, "Gain and mute of CH A and 2 other changes were not applied",
                   "通道 A 的增益与静音等 3 项更改未生效"},
    StatusTextCase{{StatusKind::PresetDone, 0, {0xA6, 0, 5, 0, 0}}, "Preset 5 loaded", "第 5 组已调用"},
    StatusTextCase{{StatusKind::PresetDone, 0, {0xA5, 0, 12, 0, 0}}, "Preset 12 saved", "第 12 组已保存"},
    StatusTextCase{{StatusKind::PresetFailed, 0, {0xA5, 0, 5, 0, 0}},
                   "The unit did not answer: preset 5 was not saved", "设备无应答:第 5 组未保存"},
    StatusTextCase{{StatusKind::PresetFailed, 0, {0xA6, 0, 20, 0, 0}},
                   "The unit did not answer: preset 20 was not loaded", "设备无应答:第 20 组未调用"}));

struct NameCase {
    CommandSlot command;
    const char* english;
    const char* chinese;
};

class CommandNames : public InBothLanguages<NameCase> {};

TEST_P(CommandNames, NameWhatTheCommandChanges)
{
    const NameCase& c = GetParam();
    ExpectTexts([&] { return CommandName(c.command); }, c.english, c.chinese);
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandNames, testing::Values(
    NameCase{{0xA1, 4, 0, 1, 0}, "Gain and mute of CH B", "通道 B 的增益与静音"},
    NameCase{{0xA1, 4, 0, 0, 1}, "Noise gate of CH A", "通道 A 的噪声门"},
    NameCase{{0xA1, 4, 0, 1, 2}, "Compressor of CH B", "通道 B 的压缩器"},
    NameCase{{0xA1, 4, 0, 0, 3}, "EQ band 1 of CH A", "通道 A 的均衡第 1 段"},
    NameCase{{0xA1, 4, 0, 1, 14}, "EQ band 12 of CH B", "通道 B 的均衡第 12 段"},
    NameCase{{0xA1, 4, 0, 0, 15}, "Notch settings of CH A", "通道 A 的陷波设置"},
    NameCase{{0xB0, 4, 0, 1, 0}, "EQ bands of CH B", "通道 B 的全部均衡段"},
    NameCase{{0xA1, 6, 0, 0, 5}, "Panel lock", "面板锁"},
    NameCase{{0xA1, 6, 0, 0, 7}, "Channel link", "通道联调"},
    NameCase{{0xA1, 6, 0, 0, 8}, "Language", "语言"},
    NameCase{{0xA1, 5, 9, 0, 0}, "Name of preset 9", "第 9 组的组名"},
    NameCase{{0xA5, 0, 4, 0, 0}, "Saving preset 4", "保存第 4 组"},
    NameCase{{0xA6, 0, 17, 0, 0}, "Loading preset 17", "调用第 17 组"},
    NameCase{{0xA2, 6, 0, 0, 0}, "Reading the unit's settings", "读取设备设置"}));

class MainDlgStatus : public MainWindowFixture {
protected:
    QString Shown() const { return qobject_cast<QLabel*>(m_dlg->Control(kIdStatusText))->text(); }

    // Connected to a unit that then answers nothing but what the test feeds.
    void Connected()
    {
        m_dlg->show();
        Connect();
        m_sim.SetSilent(true);
        m_dlg->UpdateStatusText();
    }

    CSimulatedUnit& m_sim = AddUnitDevice();
};

TEST_F(MainDlgStatus, SitsAtTheLeftOfTheTopRowAndStartsNotConnected)
{
    Open();
    QLabel* line = qobject_cast<QLabel*>(m_dlg->Control(kIdStatusText));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(Shown(), "Not connected");
    EXPECT_EQ(line->geometry(), QRect(14, 7, 264, 37));
    EXPECT_LT(line->geometry().right(), m_dlg->Control(kIdCompare)->geometry().left());
    EXPECT_TRUE(line->wordWrap()) << "two lines hold the longest text";
    Click(kIdLanguage);
    EXPECT_EQ(Shown(), "未连接");
}

// The longest texts the line shows, in both languages, wrapped within its height.
TEST_F(MainDlgStatus, TwoLinesHoldTheLongestTexts)
{
    Open().show();
    const QLabel* line = qobject_cast<QLabel*>(m_dlg->Control(kIdStatusText));
    const CommandSlot band12{CMD_SET_PARAM, AREA_CHANNEL, 0, 1, 14};
    const CommandSlot store20{CMD_STORE_PRESET, 0, 20, 0, 0};
    const StatusLine longest[] = {
        {StatusKind::NoPermission},           {StatusKind::InUse, 4194304},
        {StatusKind::NotApplied, 99, band12}, {StatusKind::NotAnswering, 99},
        {StatusKind::PresetFailed, 0, store20},
    };
    for (int language : {kEnglish, kChinese}) {
        SetCurrentLanguage(language);
        for (const StatusLine& status : longest) {
            const QString text = StatusText(status);
            const QRect needed = line->fontMetrics().boundingRect(QRect(0, 0, line->width(), 1000),
                                                                  Qt::TextWordWrap, text);
            EXPECT_LE(needed.height(), line->height()) << text.toStdString();
            EXPECT_LE(needed.width(), line->width()) << text.toStdString();
        }
    }
}

TEST_F(MainDlgStatus, AUnitThisUserMayNotOpenIsToldUntilAConnectWorks)
{
    Open().show();
    m_backend.SetOpenRefusal(0, HidOpenError::PermissionDenied);
    Click(kIdConnect);
    EXPECT_EQ(Shown(),
              "The unit is attached but this user may not open it: install the udev rules (see README)");
    m_backend.SetOpenRefusal(0, HidOpenError::None);
    Connected();
    EXPECT_EQ(Shown(), "Connected");
}

TEST_F(MainDlgStatus, ChangesThatWaitedATickAreCountedUntilTheyAreAnswered)
{
    Open();
    Connected();
    Click(kIdMute);
    Click(kIdMute + 1);
    m_dlg->OnTimer();
    EXPECT_EQ(Shown(), "Connected") << "the first tick: nothing has waited a whole tick";
    m_dlg->OnTimer();
    EXPECT_EQ(Shown(), "Sending 2 changes…");
    FeedReply(CMD_ACK, 0, 0, {});
    FeedReply(CMD_ACK, 0, 0, {});
    m_dlg->OnTimer();
    EXPECT_EQ(Shown(), "Connected");
}

TEST_F(MainDlgStatus, AUnitThatStopsAnsweringIsToldThenTheChangeGivenUpIsNamed)
{
    Open();
    Connected();
    Click(kIdMute + 1);
    for (int t = 0; t < 9; ++t)
        m_dlg->OnTimer();
    EXPECT_EQ(Shown(), "The unit does not answer: 1 change not applied");
    for (int round = 0; round < 2; ++round) {
        FeedReply(CMD_POLL, 0, 0, {0, 0, 0, 0});   // the unit answers a poll: the next round begins
        for (int t = 0; t < 9; ++t)
            m_dlg->OnTimer();
    }
    EXPECT_EQ(Shown(), "Gain and mute of CH B was not applied");
    Click(kIdMute + 1);
    m_dlg->OnTimer();
    EXPECT_EQ(Shown(), "Connected") << "shown until the next change of it";
}

TEST_F(MainDlgStatus, APresetOutcomeStaysUntilTheNextConnect)
{
    Open();
    Connected();
    emit m_adapter->commandFinished({CMD_STORE_PRESET, 0, 7, 0, 0}, CommandOutcome::Answered);
    EXPECT_EQ(Shown(), "Preset 7 saved");
    emit m_adapter->commandFinished({CMD_RECALL_PRESET, 0, 2, 0, 0}, CommandOutcome::NotAnswered);
    EXPECT_EQ(Shown(), "The unit did not answer: preset 2 was not loaded");
    Click(kIdConnect);   // the user disconnects
    EXPECT_EQ(Shown(), "Not connected");
    m_sim.SetSilent(false);
    Connected();
    EXPECT_EQ(Shown(), "Connected");
}

// The box has told a failed save: the line says the same, even over a change
// still waiting, until the user's next change; then it counts what goes out.
TEST_F(MainDlgStatus, AFailedPresetIsToldUntilTheNextChange)
{
    Open();
    Connected();
    Click(kIdMute + 1);
    m_dlg->OnTimer();
    m_dlg->OnTimer();
    EXPECT_EQ(Shown(), "Sending 1 change…");
    emit m_adapter->commandFinished({CMD_STORE_PRESET, 0, 1, 0, 0}, CommandOutcome::Dropped);
    EXPECT_EQ(Shown(), "The unit did not answer: preset 1 was not saved");
    m_dlg->OnTimer();
    EXPECT_EQ(Shown(), "The unit did not answer: preset 1 was not saved");
    Click(kIdMute);
    m_dlg->OnTimer();
    EXPECT_EQ(Shown(), "Sending 2 changes…");
    m_sim.SetSilent(false);
    Tick(10);
    EXPECT_EQ(Shown(), "Connected");
}

}  // namespace
