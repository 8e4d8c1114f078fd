#include "ui/main/MainWindowControls.h"

#include "ui/main/DialogLayout.h"

#include <QtGlobal>

#include <algorithm>
#include <array>

namespace {

using K = ItemKind;

constexpr int kComboHeightDu = 13;   // the visible field of a drop-down list
constexpr int kListItemPixels = 18;
constexpr int kFewestListEntries = 5;

constexpr std::array kItems = {
    ControlSpec{1100, K::Label, QT_TRANSLATE_NOOP("CMainWindow", "  Rate"), 399, 11, 31, 8, 0},
    ControlSpec{1049, K::DropDown, "", 431, 9, 41, 119, 0},
    ControlSpec{1109, K::Label, QT_TRANSLATE_NOOP("CMainWindow", "Panel Lock"), 294, 11, 41, 8, 0},
    ControlSpec{1108, K::DropDown, "", 336, 9, 46, 119, 0},
    ControlSpec{1111, K::Label, QT_TRANSLATE_NOOP("CMainWindow", "Channel Link"), 186, 11, 49, 8, kItemHidden},
    ControlSpec{1110, K::DropDown, "", 236, 9, 46, 119, kItemHidden},
    ControlSpec{1050, K::SkinButton, "", 494, 4, 37, 19, kItemKeepsRight},
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
};

}  // namespace

std::span<const ControlSpec> MainWindowControls()
{
    return kItems;
}

QRect PixelRect(const ControlSpec& item)
{
    return DialogUnitsRect(item.x, item.y, item.cx, item.kind == ItemKind::DropDown ? kComboHeightDu : item.cy);
}

int VisibleListEntries(const ControlSpec& item)
{
    return std::max(kFewestListEntries, DialogUnitsToPixels(item.cy - kComboHeightDu) / kListItemPixels);
}
