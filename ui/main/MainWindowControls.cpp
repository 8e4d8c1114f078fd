#include "ui/main/MainWindowControls.h"

#include <QtGlobal>

#include <algorithm>
#include <array>

namespace {

using K = ItemKind;

constexpr std::array kItems = {
    ControlSpec{1090, K::GroupBox, QT_TRANSLATE_NOOP("CMainWindow", "CH A"), 6, 28, 522, 189, 0},
    ControlSpec{1091, K::GroupBox, QT_TRANSLATE_NOOP("CMainWindow", "CH B"), 6, 228, 522, 189, 0},
    ControlSpec{2050, K::Graph, "", 14, 41, 454, 168, 0},
    ControlSpec{2051, K::Graph, "", 14, 241, 454, 168, 0},
    ControlSpec{1100, K::Label, QT_TRANSLATE_NOOP("CMainWindow", "  Rate"), 399, 11, 31, 8, 0},
    ControlSpec{1049, K::DropDown, "", 431, 9, 41, 119, 0},
    ControlSpec{1109, K::Label, QT_TRANSLATE_NOOP("CMainWindow", "Panel Lock"), 294, 11, 41, 8, 0},
    ControlSpec{1108, K::DropDown, "", 336, 9, 46, 119, 0},
    ControlSpec{1111, K::Label, QT_TRANSLATE_NOOP("CMainWindow", "Channel Link"), 186, 11, 49, 8, kItemHidden},
    ControlSpec{1110, K::DropDown, "", 236, 9, 46, 119, kItemHidden},
    ControlSpec{1050, K::SkinButton, "", 494, 4, 37, 19, 0},
    ControlSpec{1051, K::SkinButton, "", 542, 4, 37, 19, 0},
    ControlSpec{1055, K::SkinButton, "", 593, 4, 37, 19, 0},
    ControlSpec{1048, K::SkinButton, "", 652, 5, 30, 19, 0},
    // Import and export sit left of the panel lock, after the status line.
    ControlSpec{1052, K::SkinButton, "", 206, 4, 37, 19, 0,
                QT_TRANSLATE_NOOP("CMainWindow", "Import settings from a file")},
    ControlSpec{1053, K::SkinButton, "", 247, 4, 37, 19, 0,
                QT_TRANSLATE_NOOP("CMainWindow", "Export settings to a file")},
    // A/B compare sits at the end of the status line, before import.
    ControlSpec{1112, K::SkinButton, "", 165, 4, 37, 19, 0},
    ControlSpec{1054, K::SkinButton, "", 702, 42, 37, 19, kItemHidden},
    ControlSpec{1076, K::SkinButton, "", 474, 42, 48, 19, 0},
    ControlSpec{1077, K::SkinButton, "", 474, 66, 48, 19, 0},
    ControlSpec{1078, K::SkinButton, "", 474, 90, 48, 19, 0},
    ControlSpec{1079, K::SkinButton, "", 474, 242, 48, 19, 0},
    ControlSpec{1080, K::SkinButton, "", 474, 266, 48, 19, 0},
    ControlSpec{1081, K::SkinButton, "", 474, 290, 48, 19, 0},
    ControlSpec{1106, K::Label, QT_TRANSLATE_NOOP("CMainWindow", "Static Notch"), 471, 122, 49, 8, 0},
    ControlSpec{1044, K::DropDown, "", 479, 131, 38, 119, 0},
    ControlSpec{1101, K::Label, QT_TRANSLATE_NOOP("CMainWindow", "FBX"), 488, 153, 16, 8, 0},
    ControlSpec{1086, K::DropDown, "", 479, 162, 38, 119, 0},
    ControlSpec{1083, K::Label, QT_TRANSLATE_NOOP("CMainWindow", "NoiseGate"), 479, 187, 39, 8, 0},
    ControlSpec{1082, K::DropDown, "", 479, 196, 38, 219, 0},
    ControlSpec{1107, K::Label, QT_TRANSLATE_NOOP("CMainWindow", "Static Notch"), 471, 322, 49, 8, 0},
    ControlSpec{1104, K::DropDown, "", 479, 331, 38, 119, 0},
    ControlSpec{1103, K::Label, QT_TRANSLATE_NOOP("CMainWindow", "FBX"), 488, 354, 16, 8, 0},
    ControlSpec{1102, K::DropDown, "", 479, 363, 38, 119, 0},
    ControlSpec{1085, K::Label, QT_TRANSLATE_NOOP("CMainWindow", "NoiseGate"), 479, 387, 39, 8, 0},
    ControlSpec{1084, K::DropDown, "", 479, 396, 38, 191, 0},
    ControlSpec{1038, K::GroupBox, QT_TRANSLATE_NOOP("CMainWindow", "GAIN"), 540, 28, 62, 189, 0},
    ControlSpec{1039, K::GroupBox, QT_TRANSLATE_NOOP("CMainWindow", "GAIN"), 540, 228, 62, 189, 0},
    ControlSpec{1046, K::SkinButton, "", 556, 54, 39, 20, 0},
    ControlSpec{1047, K::SkinButton, "", 556, 254, 39, 20, 0},
    ControlSpec{1042, K::Fader, "", 546, 85, 12, 98, 0},
    ControlSpec{1043, K::Fader, "", 546, 286, 12, 98, 0},
    ControlSpec{1056, K::Lamp, "", 580, 175, 17, 9, kItemDisabled},
    ControlSpec{1057, K::Lamp, "", 580, 165, 17, 9, kItemDisabled},
    ControlSpec{1058, K::Lamp, "", 580, 155, 17, 9, kItemDisabled},
    ControlSpec{1059, K::Lamp, "", 580, 145, 17, 9, kItemDisabled},
    ControlSpec{1060, K::Lamp, "", 580, 135, 17, 9, kItemDisabled},
    ControlSpec{1061, K::Lamp, "", 580, 125, 17, 9, kItemDisabled},
    ControlSpec{1062, K::Lamp, "", 580, 115, 17, 9, kItemDisabled},
    ControlSpec{1063, K::Lamp, "", 580, 105, 17, 9, kItemDisabled},
    ControlSpec{1064, K::Lamp, "", 580, 95, 17, 9, kItemDisabled},
    ControlSpec{1065, K::Lamp, "", 580, 85, 17, 9, kItemDisabled},
    ControlSpec{1066, K::Lamp, "", 580, 376, 17, 9, kItemDisabled},
    ControlSpec{1067, K::Lamp, "", 580, 366, 17, 9, kItemDisabled},
    ControlSpec{1068, K::Lamp, "", 580, 356, 17, 9, kItemDisabled},
    ControlSpec{1069, K::Lamp, "", 580, 347, 17, 9, kItemDisabled},
    ControlSpec{1070, K::Lamp, "", 580, 337, 17, 9, kItemDisabled},
    ControlSpec{1071, K::Lamp, "", 580, 328, 17, 9, kItemDisabled},
    ControlSpec{1072, K::Lamp, "", 580, 318, 17, 9, kItemDisabled},
    ControlSpec{1073, K::Lamp, "", 580, 308, 17, 9, kItemDisabled},
    ControlSpec{1074, K::Lamp, "", 580, 298, 17, 9, kItemDisabled},
    ControlSpec{1075, K::Lamp, "", 580, 288, 17, 9, kItemDisabled},
    ControlSpec{1040, K::Edit, "", 553, 193, 40, 14, kItemCentred},
    ControlSpec{2100, K::Spin, "", 594, 193, 10, 14, 0},
    ControlSpec{1041, K::Edit, "", 553, 393, 40, 14, kItemCentred},
    ControlSpec{2101, K::Spin, "", 594, 393, 10, 14, 0},
    ControlSpec{1036, K::GroupBox, QT_TRANSLATE_NOOP("CMainWindow", "COMPRESS"), 613, 28, 62, 189, 0},
    ControlSpec{1037, K::GroupBox, QT_TRANSLATE_NOOP("CMainWindow", "COMPRESS"), 613, 227, 62, 189, 0},
    ControlSpec{2092, K::Spin, "", 626, 38, 10, 14, 0},
    ControlSpec{2093, K::Spin, "", 637, 38, 10, 14, 0},
    ControlSpec{2094, K::Spin, "", 647, 38, 10, 14, 0},
    ControlSpec{2095, K::Spin, "", 658, 38, 10, 14, 0},
    ControlSpec{2096, K::Spin, "", 620, 245, 10, 14, 0},
    ControlSpec{2097, K::Spin, "", 631, 245, 10, 14, 0},
    ControlSpec{2098, K::Spin, "", 641, 245, 10, 14, 0},
    ControlSpec{2099, K::Spin, "", 652, 245, 10, 14, 0},
    ControlSpec{1092, K::Label, QT_TRANSLATE_NOOP("CMainWindow", "Threshold"), 627, 65, 40, 8, 0},
    ControlSpec{1028, K::Edit, "", 625, 75, 40, 14, kItemCentred},
    ControlSpec{1093, K::Label, QT_TRANSLATE_NOOP("CMainWindow", " Attack"), 628, 104, 40, 8, 0},
    ControlSpec{1029, K::Edit, "", 625, 114, 40, 14, kItemCentred},
    ControlSpec{1094, K::Label, QT_TRANSLATE_NOOP("CMainWindow", " Release"), 628, 143, 40, 8, 0},
    ControlSpec{1030, K::Edit, "", 625, 153, 40, 14, kItemCentred | kItemReadOnly},
    ControlSpec{1095, K::Label, QT_TRANSLATE_NOOP("CMainWindow", "  Raito"), 628, 182, 40, 8, 0},
    ControlSpec{1031, K::Edit, "", 625, 192, 40, 14, kItemCentred | kItemReadOnly},
    ControlSpec{1096, K::Label, QT_TRANSLATE_NOOP("CMainWindow", "Threshold"), 626, 265, 40, 8, 0},
    ControlSpec{1032, K::Edit, "", 625, 275, 40, 14, kItemCentred},
    ControlSpec{1097, K::Label, QT_TRANSLATE_NOOP("CMainWindow", " Attack"), 627, 304, 40, 8, 0},
    ControlSpec{1033, K::Edit, "", 625, 314, 40, 14, kItemCentred},
    ControlSpec{1098, K::Label, QT_TRANSLATE_NOOP("CMainWindow", " Release"), 628, 343, 40, 8, 0},
    ControlSpec{1034, K::Edit, "", 625, 353, 40, 14, kItemCentred | kItemReadOnly},
    ControlSpec{1099, K::Label, QT_TRANSLATE_NOOP("CMainWindow", "  Raito"), 628, 382, 40, 8, 0},
    ControlSpec{1035, K::Edit, "", 625, 392, 40, 14, kItemCentred | kItemReadOnly},
};

}  // namespace

std::span<const ControlSpec> MainWindowControls()
{
    return kItems;
}

const ControlSpec* FindControlSpec(int id)
{
    const auto it = std::find_if(kItems.begin(), kItems.end(),
                                 [id](const ControlSpec& item) { return item.id == id; });
    return it == kItems.end() ? nullptr : &*it;
}
