// One user action on a unit's settings: the settings before it, a copy the
// action changes, and what the unit must be sent so that it follows. What is
// sent is the difference between before and after (the same difference an undo
// step sends), and also the group of every field the action set even when its
// code stayed (the unit is sent a list choice made again, or a spin pressed at
// its end).
#pragma once

#include "model/SettingFields.h"
#include "protocol/ParameterImage.h"

#include <array>
#include <cstdint>

// What a user action can change of a unit's settings.
struct UnitSettings {
    std::array<ChannelBlock, kChannelCount> channels{};   // `notchClear` always 0: not a setting
    GlobalSettings globals{};                              // the program sets three items of it
    std::array<BandGainCodes, kChannelCount> restoreGains{};
};

// The settings held in an image now. Takes the image's lock.
UnitSettings CaptureSettings(const CParameterImage& image);

// The commands that bring the unit from one settings value to another.
struct SettingsSends {
    std::array<std::uint16_t, kChannelCount> groups{};         // bit g: set-parameter of group g
    std::array<bool, kChannelCount> bandsAsOneWrite{};         // the band groups go as one band write
    std::array<bool, kChannelCount> notchClear{};              // group 15 asks the unit to clear its notches
    std::uint8_t globalItems = 0;                              // bit per GlobalField

    bool Empty() const;
};

// What differs between two settings values, as commands: each group whose
// bytes differ, the bands of a channel in one band write when more than one
// differs, and each global item. CH B's copy of the detection speed alone does
// not make its group 15 differ: the unit takes the speed from CH A's.
SettingsSends DifferenceSends(const UnitSettings& from, const UnitSettings& to);

// Anything worth an undo step differs: a group's bytes, a global item, a restore gain.
bool SettingsDiffer(const UnitSettings& a, const UnitSettings& b);

class CSettingsEdit {
public:
    explicit CSettingsEdit(const UnitSettings& before);

    int Get(int channel, ChannelField field) const;
    // The code goes to the unit even when it is the one already held. The
    // detection speed is the unit's one setting: both blocks take it, CH A's group 15 carries it.
    void Set(int channel, ChannelField field, int code);
    int Get(GlobalField field) const;
    void Set(GlobalField field, int code);

    const BandParams& Band(int channel, int band) const;
    // Frequency, gain and width of a band; the band's group goes to the unit.
    void SetBand(int channel, int band, const BandParams& values);
    // Every code of a band, its type and slope too; its group goes to the unit
    // only when its bytes change.
    void ReplaceBand(int channel, int band, const BandParams& record);
    // Every band of a channel, and its gain when it differs, as a filter import or a fit gives
    // them: only what changes goes to the unit.
    void ReplaceChannelBands(int channel, const std::array<BandParams, kBandCount>& bands, int gainCode);
    // The band gains directly, for actions that change several bands at once.
    void SetBandGain(int channel, int band, std::int16_t code);
    // All twelve bands go to the unit in one band write.
    void SendBandsAsOneWrite(int channel);

    BandGainCodes& RestoreGains(int channel);

    // Every setting as given: the channels' groups, the global items and the
    // restore gains; the live notch tables stay. What differs goes to the unit.
    void SetAll(const UnitSettings& settings);

    // Every notch of the channel's table empty.
    void EmptyNotches(int channel);
    // Empties the table and asks the unit to clear its notches, with group 15.
    void ClearNotches(int channel);

    const UnitSettings& Before() const { return m_before; }
    const UnitSettings& After() const { return m_after; }
    // What the unit must be sent: what differs, and what the action set.
    SettingsSends Sends() const;

private:
    std::uint8_t* Record(int channel);

    UnitSettings m_before;
    UnitSettings m_after;
    SettingsSends m_set;
};
