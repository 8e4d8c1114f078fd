// One user action on a unit's settings: what it changes, and the commands that
// bring the unit along — the groups whose bytes differ, and the groups of the
// fields the action set even when their codes stayed.
#include "model/SettingsEdit.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

UnitSettings Defaults()
{
    UnitSettings settings;
    settings.channels = {DefaultChannelBlock(), DefaultChannelBlock()};
    return settings;
}

std::uint16_t Groups(std::initializer_list<int> groups)
{
    std::uint16_t bits = 0;
    for (int g : groups)
        bits = static_cast<std::uint16_t>(bits | (1u << g));
    return bits;
}

TEST(SettingsEdit, AFieldSetToItsOwnCodeIsStillSent)
{
    CSettingsEdit edit(Defaults());
    edit.Set(1, ChannelField::FrequencyShift, 0);
    const SettingsSends sends = edit.Sends();
    EXPECT_EQ(sends.groups[0], 0);
    EXPECT_EQ(sends.groups[1], Groups({kGroupGain}));
    EXPECT_FALSE(SettingsDiffer(edit.Before(), edit.After())) << "nothing worth an undo step";
}

struct FieldCase {
    ChannelField field;
    int code;
    std::size_t offset;
    int group;
};

class SettingsEditField : public testing::TestWithParam<FieldCase> {};

TEST_P(SettingsEditField, WritesItsCodeWhereTheUnitKeepsItAndSendsItsGroup)
{
    const FieldCase& c = GetParam();
    CSettingsEdit edit(Defaults());
    edit.Set(0, c.field, c.code);
    const std::uint8_t* bytes = BlockBytes(edit.After().channels[0]);
    const int stored = Spec(c.field).storage == Storage::Word ? ReadLe16(bytes + c.offset) : bytes[c.offset];
    EXPECT_EQ(stored, c.code);
    EXPECT_EQ(edit.Get(0, c.field), c.code);
    EXPECT_EQ(edit.Sends().groups[0], Groups({c.group}));
}

INSTANTIATE_TEST_SUITE_P(Fields, SettingsEditField, testing::Values(
    FieldCase{ChannelField::Gain, 77, 2, 0},
    FieldCase{ChannelField::Mute, 1, 4, 0},
    FieldCase{ChannelField::FrequencyShift, 3, 6, 0},
    FieldCase{ChannelField::NoiseGate, 55, 8, 1},
    FieldCase{ChannelField::CompThreshold, 12, 16, 2},
    FieldCase{ChannelField::CompAttack, 95, 17, 2},
    FieldCase{ChannelField::CompRelease, 5, 18, 2},
    FieldCase{ChannelField::CompRatio, 127, 19, 2},
    FieldCase{ChannelField::StaticNotchCount, 8, 123, 15},
    FieldCase{ChannelField::NotchBypass, 1, 125, 15}));

// The unit takes the speed from CH A's group 15; CH B keeps a copy of the byte.
TEST(SettingsEdit, TheDetectionSpeedReachesBothBlocksAndTravelsWithChannelA)
{
    CSettingsEdit edit(Defaults());
    edit.Set(1, ChannelField::DetectionSpeed, 2);
    EXPECT_EQ(edit.After().channels[0].detectSpeed, 2);
    EXPECT_EQ(edit.After().channels[1].detectSpeed, 2);
    const SettingsSends sends = edit.Sends();
    EXPECT_EQ(sends.groups[0], Groups({kGroupNotch}));
    EXPECT_EQ(sends.groups[1], 0);
    EXPECT_EQ(DifferenceSends(edit.Before(), edit.After()).groups[1], 0) << "an undo sends what the action sent";
}

TEST(SettingsEdit, GlobalItemsAreSentByTheirNumber)
{
    CSettingsEdit edit(Defaults());
    edit.Set(GlobalField::Language, 1);
    EXPECT_EQ(edit.After().globals.language, 1);
    EXPECT_EQ(edit.Get(GlobalField::Language), 1);
    EXPECT_EQ(edit.Sends().globalItems, 1u << static_cast<int>(GlobalField::Language));
    EXPECT_EQ(ItemOf(GlobalField::Language), kGlobalItemLanguage);
    EXPECT_EQ(ItemOf(GlobalField::PanelLock), kGlobalItemPanelLock);
}

TEST(SettingsEdit, SeveralBandsGoAsOneBandWriteAndOneAsItsGroup)
{
    UnitSettings settings = Defaults();
    CSettingsEdit one(settings);
    BandParams band = one.Band(0, 4);
    band.gainCode.Set(150);
    one.SetBand(0, 4, band);
    EXPECT_EQ(one.Sends().groups[0], Groups({kGroupFirstBand + 4}));
    EXPECT_FALSE(one.Sends().bandsAsOneWrite[0]);

    CSettingsEdit two(settings);
    two.SetBandGain(1, 0, 100);
    two.SetBandGain(1, 11, 130);
    const SettingsSends sends = two.Sends();
    EXPECT_TRUE(sends.bandsAsOneWrite[1]);
    EXPECT_EQ(sends.groups[1], Groups({kGroupFirstBand, kGroupFirstBand + 11}));
}

// The PEQ bypass is always one band write, even when no gain changes.
TEST(SettingsEdit, BandsAskedForAsOneWriteGoSoEvenUnchanged)
{
    CSettingsEdit edit(Defaults());
    edit.SendBandsAsOneWrite(0);
    EXPECT_TRUE(edit.Sends().bandsAsOneWrite[0]);
    EXPECT_EQ(edit.Sends().groups[0], 0);
}

TEST(SettingsEdit, ClearingNotchesEmptiesTheTableAndAsksWithGroupFifteen)
{
    UnitSettings settings = Defaults();
    settings.channels[1].notches[3].freqHz.Set(800);
    CSettingsEdit edit(settings);
    edit.ClearNotches(1);
    for (const NotchEntry& notch : edit.After().channels[1].notches)
        EXPECT_EQ(notch.freqHz.Get(), kNoNotchFreqHz);
    const SettingsSends sends = edit.Sends();
    EXPECT_TRUE(sends.notchClear[1]);
    EXPECT_FALSE(sends.notchClear[0]);
    EXPECT_EQ(sends.groups[1], Groups({kGroupNotch}));
    EXPECT_FALSE(SettingsDiffer(edit.Before(), edit.After())) << "the live notches are the unit's, not a setting";
}

TEST(SettingsEdit, RestoreGainsAloneAreWorthAnUndoStepButSendNothing)
{
    CSettingsEdit edit(Defaults());
    edit.RestoreGains(0)[3] = 90;
    EXPECT_TRUE(SettingsDiffer(edit.Before(), edit.After()));
    EXPECT_TRUE(edit.Sends().Empty());
}

TEST(SettingsCapture, TakesTheImageWithoutTheNotchClearRequest)
{
    CParameterImage image;
    {
        ImageLock lock(image.mutex);
        image.channels[0].notchClear = 1;
        image.channels[1].gain.Set(33);
        image.globals.panelLock = 2;
        image.restoreGains[1][5] = 99;
    }
    const UnitSettings settings = CaptureSettings(image);
    EXPECT_EQ(settings.channels[0].notchClear, 0);
    EXPECT_EQ(settings.channels[1].gain.Get(), 33);
    EXPECT_EQ(settings.globals.panelLock, 2);
    EXPECT_EQ(settings.restoreGains[1][5], 99);
}

TEST(SettingsEdit, AReplacedBandIsSentOnlyWhenItsBytesChange)
{
    CSettingsEdit edit(Defaults());
    BandParams same = edit.Band(1, 2);
    edit.ReplaceBand(1, 2, same);
    BandParams shelf = edit.Band(1, 7);
    shelf.type = 1;
    shelf.slope = 1;
    edit.ReplaceBand(1, 7, shelf);
    const SettingsSends sends = edit.Sends();
    EXPECT_EQ(sends.groups[0], 0);
    EXPECT_EQ(sends.groups[1], Groups({kGroupFirstBand + 7}));
    EXPECT_FALSE(sends.bandsAsOneWrite[1]);
    EXPECT_EQ(edit.After().channels[1].bands[7].type, 1);
    EXPECT_EQ(edit.After().channels[1].bands[7].slope, 1);
}

}  // namespace
