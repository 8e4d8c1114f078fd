// Two complete settings of a unit to compare by ear, A and B. The active one
// is what the unit holds; the other is kept here until the user switches to it.
#pragma once

#include "model/SettingsEdit.h"

#include <optional>

enum class CompareSide { A, B };

constexpr CompareSide OtherSide(CompareSide side)
{
    return side == CompareSide::A ? CompareSide::B : CompareSide::A;
}

class CSettingsCompare {
public:
    CompareSide Active() const { return m_active; }

    // The settings the unit takes to switch to the other side: the other
    // side's channels and restore gains; the unit's own items (language,
    // panel lock, channel link) and its notch tables kept as they are. The first switch finds the
    // other side a copy of the active one. Keeps current as the side left.
    UnitSettings Switch(const UnitSettings& current);

    // Copy A to B or B to A. Copying the active side keeps current as the
    // other and leaves the unit as it is (nothing returned); copying the other
    // side returns the settings the unit takes.
    std::optional<UnitSettings> CopyFrom(CompareSide from, const UnitSettings& current);

    // Both sides become the unit's settings again, A active (another unit).
    void Reset();

private:
    UnitSettings OtherOr(const UnitSettings& current) const;

    CompareSide m_active = CompareSide::A;
    std::optional<UnitSettings> m_other;
};

// Everything of a channel's sound from one channel into the other: the bands
// and their kept gains, compressor, noise gate, notch settings and frequency
// shift; not the gain and mute. Only what differs goes to the unit.
void CopyChannelSound(CSettingsEdit& edit, int from, int to);
