// The preset dialogs against the simulated unit, driven tick by tick: the write
// hook hands each report to the unit and its input reports are fed back here,
// as the reader thread would.
#include "PresetDlgFixture.h"

#include "transport/SimulatedUnit.h"
#include "ui/presets/MemoryLoad.h"
#include "ui/presets/MemorySave.h"
#include "ui/presets/PresetName.h"

#include <cstring>

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

    void Step()
    {
        SchedulerTick();
        Drain();
        m_unit.Tick();
    }

    // Ticks until the scheduler is back to polling; false if it never gets there.
    bool RunUntilPolling()
    {
        for (int i = 0; i < 200; ++i) {
            Step();
            if (g_CommandSlot.code.load() == CMD_POLL && g_AwaitingReply.load() == 0)
                return true;
        }
        return false;
    }

    // What the connect button does once the unit is open: setup, then recall of preset 0.
    bool Connect()
    {
        g_Connected.store(1);
        QueueReadSetup();
        return RunUntilPolling();
    }

    CSimulatedUnit m_unit{7};
    std::vector<int> m_refreshes;
};

TEST_F(PresetRoundTrip, ChineseNameTravelsToTheUnitAndComesBackWithTheSetupReply)
{
    m_unit.SetPresetName(8, "Old name 8");
    ASSERT_TRUE(Connect());
    EXPECT_EQ(ReadPresetName(8).toStdString(), "Old name 8");

    auto save = Open<CMemorySave>();
    Rename(ListOf(save.get()), 8, "舞台一");
    Drain();
    save->reject();

    // 舞台一 in GBK, its NUL, then the rest of the record the setup reply filled
    const std::string expected("\xce\xe8\xcc\xa8\xd2\xbb\0e 8\0\0\0\0\0\0", kPresetNameWireSize);
    const UnitName stored = m_unit.PresetName(8);
    EXPECT_EQ(std::string(stored.begin(), stored.end()), expected);
    EXPECT_EQ(m_unit.CommandsReceived(CMD_SET_PARAM), 1u);

    // A fresh start: the names are the initial ones until the setup reply arrives.
    LoadInitialPresetNames();
    ASSERT_TRUE(Connect());
    auto load = Open<CMemoryLoad>();
    EXPECT_EQ(ListOf(load.get())->item(7, 1)->text().toStdString(), "舞台一");
    EXPECT_EQ(ListOf(load.get())->item(8, 1)->text().toStdString(), "Preset 9");
}

TEST_F(PresetRoundTrip, SaveStoresTheUnitsCurrentSettingsUnderTheSelectedPreset)
{
    ASSERT_TRUE(Connect());
    ChannelBlock changed = DefaultChannelBlock();
    changed.gain.Set(42);
    m_unit.SetCurrent(1, changed);

    auto save = Open<CMemorySave>();
    ClickRow(ListOf(save.get()), 11);
    ClickButton(save.get(), 1);
    EXPECT_EQ(m_messages, (std::vector<PresetMessage>{{"Save successful", "Warning"}}));
    ASSERT_TRUE(RunUntilPolling());

    EXPECT_EQ(m_unit.CommandsReceived(CMD_STORE_PRESET), 1u);
    EXPECT_EQ(m_unit.Preset(12)[1].gain.Get(), 42);
    EXPECT_EQ(m_unit.Preset(11)[1].gain.Get(), 80);
}

TEST_F(PresetRoundTrip, LoadShowsSuccessAtOnceAndTheRecallReplyReplacesBothBlocks)
{
    ASSERT_TRUE(Connect());
    UnitBlocks preset{DefaultChannelBlock(), DefaultChannelBlock()};
    preset[0].gain.Set(11);
    preset[1].compRatio = 127;
    m_unit.SetPreset(5, preset);
    m_refreshes.clear();

    auto load = Open<CMemoryLoad>();
    ClickRow(ListOf(load.get()), 4);
    ClickButton(load.get(), 1);
    EXPECT_EQ(m_messages, (std::vector<PresetMessage>{{"Load successful", "Warning"}}));
    EXPECT_EQ(g_ChannelBlocks[0].gain.Get(), 80) << "nothing changes before the unit answers";

    ASSERT_TRUE(RunUntilPolling());
    EXPECT_EQ(std::memcmp(&g_ChannelBlocks[0], &preset[0], sizeof(ChannelBlock) - kNotchTableSize), 0);
    EXPECT_EQ(g_ChannelBlocks[0].gain.Get(), 11);
    EXPECT_EQ(g_ChannelBlocks[1].compRatio, 127);
    EXPECT_EQ(m_refreshes.front(), kRefreshAll);
}

}  // namespace
