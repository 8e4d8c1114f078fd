// What the window shows of a unit that is gone: the level lamps go dark at
// once and the notches the unit found leave the graphs, whether the user
// disconnected, the unit was unplugged or its reads failed; the unit's next
// report brings the notches back.
#include "WindowOverLink.h"

#include "model/ChannelEqualizer.h"
#include "ui/controls/MeterLamp.h"

#include <ostream>

namespace {

enum class Loss { UserDisconnects, Unplugged, ReadsFail };

struct LossCase {
    const char* name;
    Loss loss;
};

void PrintTo(const LossCase& c, std::ostream* os)
{
    *os << c.name;
}

constexpr int kNotchA = 1000;   // CH A's notch 0, aux word 3
constexpr int kNotchB = 250;    // CH B's notch 5

class LampsAndNotchesAfterALoss : public WindowOverLinkTest, public testing::WithParamInterface<LossCase> {
protected:
    void SetUp() override
    {
        WindowOverLinkTest::SetUp();
        for (int c = 0; c < kChannelCount; ++c) {
            ChannelBlock block = m_unit.Current(c);
            block.notchBypass = 1;   // the unit grows no notch of its own meanwhile
            NotchEntry& notch = block.notches[c == 0 ? 0 : 5];
            notch.aux.Set(3);
            notch.freqHz.Set(static_cast<std::int16_t>(c == 0 ? kNotchA : kNotchB));
            m_unit.SetCurrent(c, block);
        }
        OpenWindow();
        Connect();
    }

    int LitLamps() const
    {
        int lit = 0;
        for (int j = 0; j < kLampsPerChannel; ++j)
            lit += m_dlg->Lamp(kIdLampA + j)->IsLit() + m_dlg->Lamp(kIdLampB + j)->IsLit();
        return lit;
    }

    // The notch the model draws of a channel: its frequency, and whether it dips.
    int NotchHz(int channel, int notch) const
    {
        return m_adapter->Unit().Equalizers().Table(channel).bands[kBandCount + notch].freqHz.Get();
    }
    bool NotchDips(int channel, int notch) const
    {
        return m_adapter->Unit().Equalizers().Table(channel).bands[kBandCount + notch].gainCode.Get() != kFlatGainCode;
    }

    void Lose(Loss loss)
    {
        switch (loss) {
        case Loss::UserDisconnects: Click(kIdConnect); break;
        case Loss::Unplugged: m_backend.Unplug(0); break;
        case Loss::ReadsFail: m_backend.BreakOpenHandles(0); break;
        }
        WaitUntilLost();
        Settle();
    }

    void ComeBack(Loss loss)
    {
        if (loss == Loss::UserDisconnects) {
            Click(kIdConnect);
        } else if (loss == Loss::Unplugged) {
            m_backend.Plug(0);
        }
        Settle();
        Tick(5);
        ASSERT_TRUE(Unit().IsConnected());
    }
};

TEST_P(LampsAndNotchesAfterALoss, GoDarkAndFlatAndTheNotchesComeBackWithTheUnit)
{
    const LossCase& c = GetParam();
    // the levels of the unit's last status reply, shown on the window's tick
    Image().meterBytes[0].store(0x80 | 60);
    Image().meterBytes[1].store(40);
    Unit().Protocol().Meters().Refresh();
    ASSERT_EQ(LitLamps(), 10 + 7);
    ASSERT_EQ(NotchHz(0, 0), kNotchA);
    ASSERT_TRUE(NotchDips(0, 0));
    ASSERT_EQ(NotchHz(1, 5), kNotchB);

    Lose(c.loss);
    EXPECT_EQ(LitLamps(), 0) << "dark at once, not falling from the last level";
    EXPECT_EQ(NotchHz(0, 0), kMinFreqHz);
    EXPECT_FALSE(NotchDips(0, 0));
    EXPECT_FALSE(NotchDips(1, 5));
    EXPECT_EQ(Block(0).notches[0].aux.Get(), 3) << "the word group 15 carries stays";
    EXPECT_EQ(Block(1).notches[5].freqHz.Get(), kNoNotchFreqHz);
    if (c.loss != Loss::ReadsFail) {   // a unit still attached is connected again on the next tick
        Tick(5);
        EXPECT_EQ(LitLamps(), 0);
    }

    ComeBack(c.loss);
    EXPECT_EQ(NotchHz(0, 0), kNotchA);
    EXPECT_TRUE(NotchDips(0, 0));
    EXPECT_EQ(NotchHz(1, 5), kNotchB);
}

INSTANTIATE_TEST_SUITE_P(Losses, LampsAndNotchesAfterALoss, testing::Values(
    LossCase{"UserDisconnects", Loss::UserDisconnects}, LossCase{"Unplugged", Loss::Unplugged},
    LossCase{"ReadsFail", Loss::ReadsFail}),
    [](const testing::TestParamInfo<LossCase>& info) { return std::string(info.param.name); });

}  // namespace
