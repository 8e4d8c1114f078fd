// The one description of a channel panel: the controls of CH A's strip as the window's
// template places them, with the ids each channel gives them. CH B's strip is the same
// strip, kChannelPitchDu dialog units lower.
#pragma once

#include "model/SettingFields.h"
#include "protocol/ParameterImage.h"
#include "ui/main/MainWindowControls.h"

#include <array>
#include <span>

constexpr int kChannelPitchDu = 200;

// The compressor's fields in the order of their edits and spins.
constexpr ChannelField kCompFields[kCompFieldCount] = {ChannelField::CompThreshold, ChannelField::CompAttack,
                                                       ChannelField::CompRelease, ChannelField::CompRatio};

struct ChannelControlSpec {
    std::array<int, kChannelCount> ids;
    ItemKind kind;
    const char* text;   // English source text in the panel's context
    int x, y, cx, cy;   // CH A's, in the window's dialog units
    unsigned flags;
    const char* spokenName = nullptr;   // what a screen reader calls it; "%1" is the channel's name

    // The control as the template places it for the channel.
    constexpr ControlSpec Placed(int channel) const
    {
        return {ids[channel], kind, text, x, y + channel * kChannelPitchDu, cx, cy, flags};
    }
};

// In creation order: each group box before what it holds, a label before the control it names.
std::span<const ChannelControlSpec> ChannelPanelControls();
