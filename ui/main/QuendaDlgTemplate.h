// Dialog template 102: the main window's controls, their ids, kinds, texts and
// rectangles in dialog units. The dialog creates every child from this table.
#pragma once

#include <span>

enum class ItemKind {
    GroupBox,
    Label,
    DropDown,
    Edit,
    Spin,
    SkinButton,
    Lamp,
    Fader,
    Graph,
};

enum ItemFlag : unsigned {
    kItemHidden = 1,
    kItemReadOnly = 2,
    kItemCentred = 4,
    kItemDisabled = 8,
};

struct DialogItem {
    int id;
    ItemKind kind;
    const char* text;   // UTF-8; replaced by the language texts before the window shows
    int x, y, cx, cy;   // dialog units
    unsigned flags;
};

constexpr int kTemplate102Width = 746;   // client size in dialog units
constexpr int kTemplate102Height = 435;

// The controls in creation (and tab) order.
std::span<const DialogItem> Template102();

// The entry for id, or nullptr.
const DialogItem* FindTemplateItem(int id);
