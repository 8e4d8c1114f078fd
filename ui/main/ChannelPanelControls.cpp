#include "ui/main/ChannelPanelControls.h"

#include <QtGlobal>

namespace {

using K = ItemKind;

constexpr std::array<int, kChannelCount> Ids(int ChannelControlIds::*id)
{
    return {ControlIdsOf(0).*id, ControlIdsOf(1).*id};
}

constexpr std::array<int, kChannelCount> CompIds(int (ChannelControlIds::*ids)[kCompFieldCount], int field)
{
    return {(ControlIdsOf(0).*ids)[field], (ControlIdsOf(1).*ids)[field]};
}

constexpr std::array<int, kChannelCount> LampIds(int lamp)
{
    return {kIdLampA + lamp, kIdLampB + lamp};
}

// The level lamps from the bottom, 10 dialog units apart; the overload lamp on top.
constexpr ChannelControlSpec Lamp(int lamp)
{
    return {LampIds(lamp), K::Lamp, "", 580, 175 - 10 * lamp, 17, 9, kItemDisabled};
}

constexpr ChannelControlSpec kControls[] = {
    {{1090, 1091}, K::GroupBox, "", 6, 28, 522, 189, kItemNamesChannel},
    {Ids(&ChannelControlIds::graph), K::Graph, "", 14, 41, 454, 168, kItemGrows},
    {Ids(&ChannelControlIds::peqBypass), K::SkinButton, "", 474, 42, 48, 19, 0,
     QT_TRANSLATE_NOOP("CChannelPanel", "%1 PEQ bypass")},
    {Ids(&ChannelControlIds::notchBypass), K::SkinButton, "", 474, 66, 48, 19, 0,
     QT_TRANSLATE_NOOP("CChannelPanel", "%1 notch bypass")},
    {Ids(&ChannelControlIds::notchClear), K::SkinButton, "", 474, 90, 48, 19, 0,
     QT_TRANSLATE_NOOP("CChannelPanel", "%1 notch clear")},
    {{1106, 1107}, K::Label, QT_TRANSLATE_NOOP("CChannelPanel", "Static Notch"), 471, 122, 49, 8, 0},
    {Ids(&ChannelControlIds::staticNotchCount), K::DropDown, "", 479, 131, 38, 119, 0,
     QT_TRANSLATE_NOOP("CChannelPanel", "%1 static notch")},
    {{1101, 1103}, K::Label, QT_TRANSLATE_NOOP("CChannelPanel", "FBX"), 488, 153, 16, 8, 0},
    {Ids(&ChannelControlIds::frequencyShift), K::DropDown, "", 479, 162, 38, 119, 0,
     QT_TRANSLATE_NOOP("CChannelPanel", "%1 FBX")},
    {{1083, 1085}, K::Label, QT_TRANSLATE_NOOP("CChannelPanel", "NoiseGate"), 479, 187, 39, 8, 0},
    {Ids(&ChannelControlIds::noiseGate), K::DropDown, "", 479, 196, 38, 219, 0,
     QT_TRANSLATE_NOOP("CChannelPanel", "%1 noise gate")},

    {{1038, 1039}, K::GroupBox, QT_TRANSLATE_NOOP("CChannelPanel", "GAIN"), 540, 28, 62, 189, 0},
    {Ids(&ChannelControlIds::mute), K::SkinButton, "", 556, 54, 39, 20, 0, QT_TRANSLATE_NOOP("CChannelPanel", "%1 mute")},
    {Ids(&ChannelControlIds::fader), K::Fader, "", 546, 85, 12, 98, 0, QT_TRANSLATE_NOOP("CChannelPanel", "%1 gain")},
    Lamp(0), Lamp(1), Lamp(2), Lamp(3), Lamp(4), Lamp(5), Lamp(6), Lamp(7), Lamp(8), Lamp(9),
    {Ids(&ChannelControlIds::gainEdit), K::Edit, "", 553, 193, 40, 14, kItemCentred,
     QT_TRANSLATE_NOOP("CChannelPanel", "%1 gain in dB")},
    {Ids(&ChannelControlIds::gainSpin), K::Spin, "", 594, 193, 10, 14, 0},

    {{1036, 1037}, K::GroupBox, QT_TRANSLATE_NOOP("CChannelPanel", "COMPRESS"), 613, 28, 62, 189, 0},
    {CompIds(&ChannelControlIds::compSpins, 0), K::Spin, "", 626, 38, 10, 14, 0},
    {CompIds(&ChannelControlIds::compSpins, 1), K::Spin, "", 637, 38, 10, 14, 0},
    {CompIds(&ChannelControlIds::compSpins, 2), K::Spin, "", 647, 38, 10, 14, 0},
    {CompIds(&ChannelControlIds::compSpins, 3), K::Spin, "", 658, 38, 10, 14, 0},
    {{1092, 1096}, K::Label, QT_TRANSLATE_NOOP("CChannelPanel", "Threshold"), 627, 65, 40, 8, 0},
    {CompIds(&ChannelControlIds::compEdits, 0), K::Edit, "", 625, 75, 40, 14, kItemCentred,
     QT_TRANSLATE_NOOP("CChannelPanel", "%1 threshold")},
    {{1093, 1097}, K::Label, QT_TRANSLATE_NOOP("CChannelPanel", " Attack"), 628, 104, 40, 8, 0},
    {CompIds(&ChannelControlIds::compEdits, 1), K::Edit, "", 625, 114, 40, 14, kItemCentred,
     QT_TRANSLATE_NOOP("CChannelPanel", "%1 attack")},
    {{1094, 1098}, K::Label, QT_TRANSLATE_NOOP("CChannelPanel", " Release"), 628, 143, 40, 8, 0},
    {CompIds(&ChannelControlIds::compEdits, 2), K::Edit, "", 625, 153, 40, 14, kItemCentred | kItemReadOnly,
     QT_TRANSLATE_NOOP("CChannelPanel", "%1 release")},
    {{1095, 1099}, K::Label, QT_TRANSLATE_NOOP("CChannelPanel", "  Raito"), 628, 182, 40, 8, 0},
    {CompIds(&ChannelControlIds::compEdits, 3), K::Edit, "", 625, 192, 40, 14, kItemCentred | kItemReadOnly,
     QT_TRANSLATE_NOOP("CChannelPanel", "%1 ratio")},
};

}  // namespace

std::span<const ChannelControlSpec> ChannelPanelControls()
{
    return kControls;
}
