#include "model/SettingsCompare.h"

#include <algorithm>
#include <iterator>

namespace {

// A side's sound with what belongs to the unit as it is now: its own items and
// the notch tables it keeps finding (whose first word travels in group 15).
UnitSettings WithUnitsOwn(UnitSettings sound, const UnitSettings& now)
{
    sound.globals = now.globals;
    for (int c = 0; c < kChannelCount; ++c)
        std::copy(std::begin(now.channels[c].notches), std::end(now.channels[c].notches), sound.channels[c].notches);
    return sound;
}

// The fields of a channel's sound; gain and mute stay each channel's own, and
// the detection speed is the unit's one setting, the same in both blocks.
constexpr ChannelField kSoundFields[] = {
    ChannelField::FrequencyShift, ChannelField::NoiseGate,        ChannelField::CompThreshold,
    ChannelField::CompAttack,     ChannelField::CompRelease,      ChannelField::CompRatio,
    ChannelField::StaticNotchCount, ChannelField::NotchBypass,
};

}  // namespace

UnitSettings CSettingsCompare::OtherOr(const UnitSettings& current) const
{
    return m_other ? WithUnitsOwn(*m_other, current) : current;
}

UnitSettings CSettingsCompare::Switch(const UnitSettings& current)
{
    const UnitSettings next = OtherOr(current);
    m_other = current;
    m_active = OtherSide(m_active);
    return next;
}

std::optional<UnitSettings> CSettingsCompare::CopyFrom(CompareSide from, const UnitSettings& current)
{
    if (from != m_active)
        return OtherOr(current);
    m_other = current;
    return std::nullopt;
}

void CSettingsCompare::Reset()
{
    m_active = CompareSide::A;
    m_other.reset();
}

void CopyChannelSound(CSettingsEdit& edit, int from, int to)
{
    for (ChannelField field : kSoundFields) {
        const int code = edit.Get(from, field);
        if (edit.Get(to, field) != code)
            edit.Set(to, field, code);
    }
    for (int k = 0; k < kBandCount; ++k)
        edit.ReplaceBand(to, k, edit.Band(from, k));
    edit.RestoreGains(to) = edit.After().restoreGains[from];
}
