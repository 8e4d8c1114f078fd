// The preset dialogs against the simulated unit over the link, driven tick by tick.
#include "PresetDialogFixture.h"

#include "transport/SimulatedUnit.h"
#include "ui/presets/PresetLoadDialog.h"
#include "ui/presets/PresetSaveDialog.h"
#include "ui/common/PresetNameCodec.h"

#include <cstring>
#include <functional>

namespace {

using namespace preset_test;

class PresetRoundTrip : public PresetDlgTest {
protected:
    void SetUp() override
    {
        PresetDlgTest::SetUp();
        QObject::connect(m_adapter.get(), &CUnitAdapter::settingsChanged, &m_context, [this](const SettingsChange& change) {
            if (change.cause == SettingsChange::Cause::Replaced)
                m_refreshes.push_back(kRefreshAll);
        });
    }

    bool ConnectsSilentUnit() const override { return false; }

    // One 100 ms tick of the program and of the unit, then the replies.
    void Step()
    {
        Unit().Tick();
        Pump();
        m_backend.Tick();
        Pump();
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

    // The connect button, pressed again when connected already: setup, then recall of preset 0.
    bool Connect()
    {
        if (Unit().IsConnected())
            Unit().ConnectButton();
        Unit().ConnectButton();
        return RunUntilIdle();
    }

    static constexpr int kRefreshAll = 0xFF;
    QObject m_context;
    std::vector<int> m_refreshes;
};

TEST_F(PresetRoundTrip, ChineseNameTravelsToTheUnitAndComesBackWithTheSetupReply)
{
    Sim().SetPresetName(8, "Old name 8");
    ASSERT_TRUE(Connect());
    EXPECT_EQ(ReadPresetName(Image(), 8).toStdString(), "Old name 8");

    auto save = Open<CPresetSaveDialog>();
    Rename(ListOf(save.get()), 8, "舞台一");
    save->reject();
    ASSERT_TRUE(RunUntilIdle());

    // 舞台一 in GBK, its NUL, then the rest of the record the setup reply filled
    const std::string expected("\xce\xe8\xcc\xa8\xd2\xbb\0e 8\0\0\0\0\0\0", kPresetNameWireSize);
    const UnitName stored = Sim().PresetName(8);
    EXPECT_EQ(std::string(stored.begin(), stored.end()), expected);
    EXPECT_EQ(Sim().CommandsReceived(CMD_SET_PARAM), 1u);

    // A fresh start: the names are the initial ones until the setup reply arrives.
    Image().names = InitialPresetNames();
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
    Sim().SetCurrent(1, changed);

    auto save = Open<CPresetSaveDialog>();
    ClickRow(ListOf(save.get()), 11);
    ClickButton(save.get(), 1);
    EXPECT_TRUE(m_messages.empty());
    ASSERT_TRUE(RunUntilAnswered(*save, [this] { Step(); }));
    EXPECT_EQ(m_messages, (std::vector<PresetMessage>{{"Save successful", "Warning"}}));

    EXPECT_EQ(Sim().CommandsReceived(CMD_STORE_PRESET), 1u);
    EXPECT_EQ(Sim().Preset(12)[1].gain.Get(), 42);
    EXPECT_EQ(Sim().Preset(11)[1].gain.Get(), 80);
}

TEST_F(PresetRoundTrip, LoadSaysSuccessOnlyOnceTheRecallReplyReplacedBothBlocks)
{
    ASSERT_TRUE(Connect());
    UnitBlocks preset{DefaultChannelBlock(), DefaultChannelBlock()};
    preset[0].gain.Set(11);
    preset[1].compRatio = 127;
    Sim().SetPreset(5, preset);
    m_refreshes.clear();

    auto load = Open<CPresetLoadDialog>();
    ClickRow(ListOf(load.get()), 4);
    ClickButton(load.get(), 1);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(Image().channels[0].gain.Get(), 80) << "nothing changes before the unit answers";

    ASSERT_TRUE(RunUntilAnswered(*load, [this] { Step(); }));
    EXPECT_EQ(m_messages, (std::vector<PresetMessage>{{"Load successful", "Warning"}}));
    EXPECT_EQ(std::memcmp(&Image().channels[0], &preset[0], sizeof(ChannelBlock) - kNotchTableSize), 0);
    EXPECT_EQ(Image().channels[0].gain.Get(), 11);
    EXPECT_EQ(Image().channels[1].compRatio, 127);
    EXPECT_EQ(m_refreshes.front(), kRefreshAll);
}

// The unit takes the store but every reply is lost: after four attempts the
// dialog says the preset was not saved, and the image did not change.
TEST_F(PresetRoundTrip, WithEveryReplyDroppedTheDialogSaysThePresetWasNotSaved)
{
    ASSERT_TRUE(Connect());
    Sim().SetFaults({.dropReply = 1.0});
    auto save = Open<CPresetSaveDialog>();
    ClickRow(ListOf(save.get()), 2);
    ClickButton(save.get(), 1);
    ASSERT_TRUE(RunUntilAnswered(*save, [this] { Step(); }));
    EXPECT_EQ(m_messages,
              (std::vector<PresetMessage>{{"The unit did not answer: preset 3 was not saved", "Warning"}}));
    EXPECT_EQ(Sim().CommandsReceived(CMD_STORE_PRESET), 4u);
}

// A recall reply lost once: the retry 3.6 s later is answered, and only then
// does the dialog say the preset was loaded.
TEST_F(PresetRoundTrip, AReplyDroppedOnceEndsInSuccessAfterTheRetry)
{
    ASSERT_TRUE(Connect());
    UnitBlocks preset{DefaultChannelBlock(), DefaultChannelBlock()};
    preset[1].gain.Set(33);
    Sim().SetPreset(9, preset);
    Sim().SetFaults({.dropReply = 1.0});
    auto load = Open<CPresetLoadDialog>();
    ClickRow(ListOf(load.get()), 8);
    ClickButton(load.get(), 1);
    Pump();   // sent, its reply lost
    Sim().SetFaults({});
    int ticks = 0;
    ASSERT_TRUE(RunUntilAnswered(*load, [&] {
        Step();
        ++ticks;
    }));
    EXPECT_EQ(m_messages, (std::vector<PresetMessage>{{"Load successful", "Warning"}}));
    EXPECT_EQ(Sim().CommandsReceived(CMD_RECALL_PRESET), 3u) << "preset 0 at connect, then preset 9 twice";
    EXPECT_EQ(ticks, 36);
    EXPECT_EQ(Image().channels[1].gain.Get(), 33);
}

}  // namespace
