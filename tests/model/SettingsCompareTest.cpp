// A/B compare of a unit's settings and copying one channel's sound into the
// other: what the unit takes at each switch and copy, and what is sent.
#include "model/SettingsCompare.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

UnitSettings Defaults()
{
    UnitSettings settings;
    settings.channels = {DefaultChannelBlock(), DefaultChannelBlock()};
    return settings;
}

UnitSettings With(UnitSettings settings, int channel, ChannelField field, int code)
{
    CSettingsEdit edit(settings);
    edit.Set(channel, field, code);
    return edit.After();
}

bool SameSettings(const UnitSettings& a, const UnitSettings& b)
{
    return !SettingsDiffer(a, b) && std::memcmp(&a.globals, &b.globals, sizeof a.globals) == 0;
}

std::uint8_t Language(const UnitSettings& settings)
{
    return GlobalBytes(settings.globals)[Spec(GlobalField::Language).offset];
}

UnitSettings WithLanguage(UnitSettings settings, std::uint8_t language)
{
    GlobalBytes(settings.globals)[Spec(GlobalField::Language).offset] = language;
    return settings;
}

TEST(SettingsCompare, TheFirstSwitchFindsBACopyOfAAndEachSwitchGivesTheSideLeftBack)
{
    CSettingsCompare compare;
    const UnitSettings a = With(Defaults(), 0, ChannelField::Mute, 1);
    EXPECT_EQ(compare.Active(), CompareSide::A);
    EXPECT_TRUE(SameSettings(compare.Switch(a), a));
    EXPECT_EQ(compare.Active(), CompareSide::B);

    const UnitSettings b = With(a, 1, ChannelField::NoiseGate, 12);
    const UnitSettings backToA = compare.Switch(b);
    EXPECT_EQ(compare.Active(), CompareSide::A);
    EXPECT_TRUE(SameSettings(backToA, a));
    EXPECT_TRUE(SameSettings(compare.Switch(backToA), b));
    EXPECT_EQ(compare.Active(), CompareSide::B);
}

// The language, panel lock and channel link are the unit's, not a side's, and
// so are the notch tables it finds while it plays.
TEST(SettingsCompare, ASwitchKeepsTheUnitsOwnItemsAndNotchTables)
{
    CSettingsCompare compare;
    const UnitSettings a = WithLanguage(Defaults(), 0);
    compare.Switch(a);
    UnitSettings b = WithLanguage(With(a, 0, ChannelField::CompRatio, 3), 1);
    b.channels[1].notches[0].aux.Set(0x1234);
    b.channels[0].notches[5].freqHz.Set(567);
    const UnitSettings next = compare.Switch(b);
    EXPECT_EQ(Language(next), 1);
    EXPECT_EQ(next.channels[1].notches[0].aux.Get(), 0x1234);
    EXPECT_EQ(next.channels[0].notches[5].freqHz.Get(), 567);
    EXPECT_EQ(DifferenceSends(b, next).groups[1], 0) << "no group 15 for a notch the unit found";
    EXPECT_EQ(CSettingsEdit(next).Get(0, ChannelField::CompRatio), CSettingsEdit(a).Get(0, ChannelField::CompRatio));
}

TEST(SettingsCompare, CopyingTheActiveSideKeepsItAndCopyingTheOtherGivesWhatTheUnitTakes)
{
    CSettingsCompare compare;
    const UnitSettings a = Defaults();
    compare.Switch(a);
    const UnitSettings b = With(a, 0, ChannelField::FrequencyShift, 4);

    const std::optional<UnitSettings> fromA = compare.CopyFrom(CompareSide::A, b);
    ASSERT_TRUE(fromA);
    EXPECT_TRUE(SameSettings(*fromA, a)) << "B active: the unit takes A";
    EXPECT_EQ(compare.Active(), CompareSide::B);

    EXPECT_FALSE(compare.CopyFrom(CompareSide::B, b)) << "the unit keeps B";
    EXPECT_TRUE(SameSettings(compare.Switch(b), b)) << "A is now a copy of B";

    compare.Reset();
    EXPECT_EQ(compare.Active(), CompareSide::A);
    EXPECT_TRUE(SameSettings(compare.Switch(a), a)) << "after a reset B starts as a copy again";
}

// CH A's sound made different in every copied field, gain and mute too.
UnitSettings ChannelASounding()
{
    CSettingsEdit edit(Defaults());
    edit.Set(0, ChannelField::Gain, 70);
    edit.Set(0, ChannelField::Mute, 1);
    edit.Set(0, ChannelField::FrequencyShift, 3);
    edit.Set(0, ChannelField::NoiseGate, 20);
    edit.Set(0, ChannelField::CompThreshold, 30);
    edit.Set(0, ChannelField::CompAttack, 9);
    edit.Set(0, ChannelField::CompRelease, 2);
    edit.Set(0, ChannelField::CompRatio, 5);
    edit.Set(0, ChannelField::StaticNotchCount, 6);
    edit.Set(0, ChannelField::NotchBypass, 1);
    BandParams band = edit.Band(0, 4);
    band.gainCode.Set(static_cast<std::int16_t>(band.gainCode.Get() + 12));
    edit.SetBand(0, 4, band);
    band = edit.Band(0, 9);
    band.freqHz.Set(static_cast<std::uint16_t>(band.freqHz.Get() + 100));
    edit.SetBand(0, 9, band);
    edit.RestoreGains(0)[4] = 3;
    return edit.After();
}

TEST(ChannelCopy, TakesTheOtherChannelsSoundButNotItsGainAndMute)
{
    const UnitSettings before = ChannelASounding();
    CSettingsEdit edit(before);
    CopyChannelSound(edit, 0, 1);
    const UnitSettings& after = edit.After();
    for (ChannelField field : {ChannelField::FrequencyShift, ChannelField::NoiseGate, ChannelField::CompThreshold,
                               ChannelField::CompAttack, ChannelField::CompRelease, ChannelField::CompRatio,
                               ChannelField::StaticNotchCount, ChannelField::NotchBypass})
        EXPECT_EQ(edit.Get(1, field), edit.Get(0, field)) << static_cast<int>(field);
    EXPECT_EQ(edit.Get(1, ChannelField::Gain), CSettingsEdit(before).Get(1, ChannelField::Gain));
    EXPECT_EQ(edit.Get(1, ChannelField::Mute), 0);
    for (int k = 0; k < kBandCount; ++k)
        EXPECT_EQ(std::memcmp(&after.channels[1].bands[k], &after.channels[0].bands[k], sizeof(BandParams)), 0) << k;
    EXPECT_EQ(after.restoreGains[1], after.restoreGains[0]);
    EXPECT_EQ(std::memcmp(&after.channels[0], &before.channels[0], sizeof(ChannelBlock)), 0) << "CH A stays";

    const SettingsSends sends = edit.Sends();
    EXPECT_EQ(sends.groups[0], 0);
    const std::uint16_t expected = (1u << kGroupGain) | (1u << kGroupGate) | (1u << kGroupCompressor) |
                                   (1u << (kGroupFirstBand + 4)) | (1u << (kGroupFirstBand + 9)) | (1u << kGroupNotch);
    EXPECT_EQ(sends.groups[1], expected);
    EXPECT_TRUE(sends.bandsAsOneWrite[1]) << "two bands differ: one band write";
}

TEST(ChannelCopy, OfChannelsThatSoundAlikeSendsNothing)
{
    UnitSettings alike = ChannelASounding();
    CSettingsEdit first(alike);
    CopyChannelSound(first, 0, 1);
    CSettingsEdit again(first.After());
    CopyChannelSound(again, 1, 0);
    EXPECT_TRUE(again.Sends().Empty());
    EXPECT_FALSE(SettingsDiffer(again.Before(), again.After()));
}

}  // namespace
