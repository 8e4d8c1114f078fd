// The preset dialogs against the simulated unit, driven tick by tick: the write
// hook hands each report to the unit and its input reports are fed back here,
// as the reader thread would.
#include "PresetDialogFixture.h"

#include "transport/SimulatedUnit.h"
#include "ui/presets/PresetLoadDialog.h"
#include "ui/presets/PresetSaveDialog.h"
#include "ui/presets/PresetName.h"

#include <cstring>
#include <functional>

namespace {

using namespace preset_test;

class PresetRoundTrip : public PresetDlgTest {
protected:
    void SetUp() override
    {
        PresetDlgTest::SetUp();
        ResetReceiver();
        SetWriteReportHook([this](const std::uint8_t* data) { return m_unit.ReceiveOutputReport(data); });
        SetDeviceRefreshHook([this](int lParam) { m_refreshes.push_back(lParam); });
    }

    void TearDown() override
    {
        SetDeviceRefreshHook(nullptr);
        PresetDlgTest::TearDown();
    }

    void Drain()
    {
        InputReport report;
        while (m_unit.TakeInputReport(report.data()))
            FeedInputReport(report.data());
    }

    // Replies in, then what the pump lets go out, until the link is quiet.
    void Settle()
    {
        for (int i = 0; i < 100; ++i) {
            Drain();
            const std::size_t before = m_unit.CommandsReceived(CMD_SET_PARAM) + m_unit.PendingReports();
            Pump();
            if (m_unit.CommandsReceived(CMD_SET_PARAM) + m_unit.PendingReports() == before)
                return;
        }
    }

    void Step()
    {
        SchedulerTick();
        Settle();
        m_unit.Tick();
    }

    // Ticks until nothing is pending; false if it never gets there.
    bool RunUntilIdle()
    {
        for (int i = 0; i < 400; ++i) {
            Step();
            if (Pending().empty())
                return true;
        }
        return false;
    }

    // Ticks until the dialog stopped waiting for the unit.
    static bool RunUntilAnswered(CPresetDialog& dlg, const std::function<void()>& step)
    {
        for (int i = 0; i < 400 && dlg.IsWaiting(); ++i)
            step();
        return !dlg.IsWaiting();
    }

    // What the connect button does once the unit is open: setup, then recall of preset 0.
    bool Connect()
    {
        g_Connected.store(1);
        QueueReadSetup();
        return RunUntilIdle();
    }

    CSimulatedUnit m_unit{7};
    std::vector<int> m_refreshes;
};

TEST_F(PresetRoundTrip, ChineseNameTravelsToTheUnitAndComesBackWithTheSetupReply)
{
    m_unit.SetPresetName(8, "Old name 8");
    ASSERT_TRUE(Connect());
    EXPECT_EQ(ReadPresetName(8).toStdString(), "Old name 8");

    auto save = Open<CPresetSaveDialog>();
    Rename(ListOf(save.get()), 8, "舞台一");
    save->reject();
    ASSERT_TRUE(RunUntilIdle());

    // 舞台一 in GBK, its NUL, then the rest of the record the setup reply filled
    const std::string expected("\xce\xe8\xcc\xa8\xd2\xbb\0e 8\0\0\0\0\0\0", kPresetNameWireSize);
    const UnitName stored = m_unit.PresetName(8);
    EXPECT_EQ(std::string(stored.begin(), stored.end()), expected);
    EXPECT_EQ(m_unit.CommandsReceived(CMD_SET_PARAM), 1u);

    // A fresh start: the names are the initial ones until the setup reply arrives.
    LoadInitialPresetNames();
    ASSERT_TRUE(Connect());
    auto load = Open<CPresetLoadDialog>();
    EXPECT_EQ(ListOf(load.get())->item(7, 1)->text().toStdString(), "舞台一");
    EXPECT_EQ(ListOf(load.get())->item(8, 1)->text().toStdString(), "Preset 9");
}

TEST_F(PresetRoundTrip, SaveStoresTheUnitsCurrentSettingsUnderTheSelectedPreset)
{
    ASSERT_TRUE(Connect());
    ChannelBlock changed = DefaultChannelBlock();
    changed.gain.Set(42);
    m_unit.SetCurrent(1, changed);

    auto save = Open<CPresetSaveDialog>();
    ClickRow(ListOf(save.get()), 11);
    ClickButton(save.get(), 1);
    EXPECT_TRUE(m_messages.empty());
    ASSERT_TRUE(RunUntilAnswered(*save, [this] { Step(); }));
    EXPECT_EQ(m_messages, (std::vector<PresetMessage>{{"Save successful", "Warning"}}));

    EXPECT_EQ(m_unit.CommandsReceived(CMD_STORE_PRESET), 1u);
    EXPECT_EQ(m_unit.Preset(12)[1].gain.Get(), 42);
    EXPECT_EQ(m_unit.Preset(11)[1].gain.Get(), 80);
}

TEST_F(PresetRoundTrip, LoadSaysSuccessOnlyOnceTheRecallReplyReplacedBothBlocks)
{
    ASSERT_TRUE(Connect());
    UnitBlocks preset{DefaultChannelBlock(), DefaultChannelBlock()};
    preset[0].gain.Set(11);
    preset[1].compRatio = 127;
    m_unit.SetPreset(5, preset);
    m_refreshes.clear();

    auto load = Open<CPresetLoadDialog>();
    ClickRow(ListOf(load.get()), 4);
    ClickButton(load.get(), 1);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(g_ChannelBlocks[0].gain.Get(), 80) << "nothing changes before the unit answers";

    ASSERT_TRUE(RunUntilAnswered(*load, [this] { Step(); }));
    EXPECT_EQ(m_messages, (std::vector<PresetMessage>{{"Load successful", "Warning"}}));
    EXPECT_EQ(std::memcmp(&g_ChannelBlocks[0], &preset[0], sizeof(ChannelBlock) - kNotchTableSize), 0);
    EXPECT_EQ(g_ChannelBlocks[0].gain.Get(), 11);
    EXPECT_EQ(g_ChannelBlocks[1].compRatio, 127);
    EXPECT_EQ(m_refreshes.front(), kRefreshAll);
}

// The unit takes the store but every reply is lost: after four attempts the
// dialog says the preset was not saved, and the image did not change.
TEST_F(PresetRoundTrip, WithEveryReplyDroppedTheDialogSaysThePresetWasNotSaved)
{
    ASSERT_TRUE(Connect());
    m_unit.SetFaults({.dropReply = 1.0});
    auto save = Open<CPresetSaveDialog>();
    ClickRow(ListOf(save.get()), 2);
    ClickButton(save.get(), 1);
    ASSERT_TRUE(RunUntilAnswered(*save, [this] { Step(); }));
    EXPECT_EQ(m_messages,
              (std::vector<PresetMessage>{{"The unit did not answer: preset 3 was not saved", "Warning"}}));
    EXPECT_EQ(m_unit.CommandsReceived(CMD_STORE_PRESET), 4u);
}

// A recall reply lost once: the retry 3.6 s later is answered, and only then
// does the dialog say the preset was loaded.
TEST_F(PresetRoundTrip, AReplyDroppedOnceEndsInSuccessAfterTheRetry)
{
    ASSERT_TRUE(Connect());
    UnitBlocks preset{DefaultChannelBlock(), DefaultChannelBlock()};
    preset[1].gain.Set(33);
    m_unit.SetPreset(9, preset);
    m_unit.SetFaults({.dropReply = 1.0});
    auto load = Open<CPresetLoadDialog>();
    ClickRow(ListOf(load.get()), 8);
    ClickButton(load.get(), 1);
    Settle();   // sent, its reply lost
    m_unit.SetFaults({});
    int ticks = 0;
    ASSERT_TRUE(RunUntilAnswered(*load, [&] {
        Step();
        ++ticks;
    }));
    EXPECT_EQ(m_messages, (std::vector<PresetMessage>{{"Load successful", "Warning"}}));
    EXPECT_EQ(m_unit.CommandsReceived(CMD_RECALL_PRESET), 3u) << "preset 0 at connect, then preset 9 twice";
    EXPECT_EQ(ticks, 36);
    EXPECT_EQ(g_ChannelBlocks[1].gain.Get(), 33);
}

}  // namespace
