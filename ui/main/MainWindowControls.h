// The main window's control table: the ids of every control of the window, and the window's
// own controls along the top with their kinds, texts, tooltips and rectangles in dialog units.
// The window creates them from this table, the channel panels theirs from the channel's
// description (ChannelPanelControls.h); the ids name the controls for tests and tools.
#pragma once

#include <QRect>

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
    kItemGrows = 16,          // takes the room of a window larger than its design
    kItemNamesChannel = 32,   // its text is the channel's name
    kItemKeepsRight = 64,     // it, and what follows it in its row, keep to the window's right edge
};

struct ControlSpec {
    int id;
    ItemKind kind;
    const char* text;   // English source text, translated in the window's context
    int x, y, cx, cy;   // dialog units
    unsigned flags;
    const char* toolTip = nullptr;   // for buttons whose pictures carry no words of their function
};

// Control ids; "+ c" is the channel (0 = CH A, 1 = CH B).
constexpr int kIdCompEdit = 1028;       // + 4c + field (threshold, attack, release, ratio)
constexpr int kIdGainEdit = 1040;       // + c
constexpr int kIdFader = 1042;          // + c
constexpr int kIdNotchCountA = 1044;
constexpr int kIdNotchCountB = 1104;
constexpr int kIdMute = 1046;           // + c
constexpr int kIdConnect = 1048;
constexpr int kIdDetectSpeed = 1049;
constexpr int kIdLoad = 1050;
constexpr int kIdSave = 1051;
constexpr int kIdImport = 1052;
constexpr int kIdExport = 1053;
constexpr int kIdSetting = 1054;        // hidden
constexpr int kIdLanguage = 1055;
constexpr int kIdLampA = 1056;          // + lamp, 0 at the bottom
constexpr int kIdLampB = 1066;
constexpr int kIdPeqBypass = 1076;      // + 3c
constexpr int kIdNotchBypass = 1077;    // + 3c
constexpr int kIdNotchClear = 1078;     // + 3c
constexpr int kIdGateA = 1082;
constexpr int kIdGateB = 1084;
constexpr int kIdShiftA = 1086;
constexpr int kIdShiftB = 1102;
constexpr int kIdPanelLock = 1108;
constexpr int kIdChannelLink = 1110;
constexpr int kIdCompare = 1112;        // A/B compare
constexpr int kIdGraph = 2050;          // + c
constexpr int kIdCompSpin = 2092;       // + 4c + field
constexpr int kIdGainSpin = 2100;       // + c
constexpr int kIdStatusText = 1200;     // the status line, created beside the template's controls

// The compressor's fields in the order of their edits and spins.
constexpr int kCompFieldCount = 4;   // threshold, attack, release, ratio

// The controls of one channel.
struct ChannelControlIds {
    int graph;
    int fader;
    int gainEdit;
    int gainSpin;
    int mute;
    int compEdits[kCompFieldCount];
    int compSpins[kCompFieldCount];
    int peqBypass;
    int notchBypass;
    int notchClear;
    int staticNotchCount;
    int frequencyShift;
    int noiseGate;
    int firstLamp;   // the lamps follow, 0 at the bottom, the overload lamp last
};
constexpr ChannelControlIds ControlIdsOf(int c)
{
    return {kIdGraph + c,
            kIdFader + c,
            kIdGainEdit + c,
            kIdGainSpin + c,
            kIdMute + c,
            {kIdCompEdit + 4 * c, kIdCompEdit + 4 * c + 1, kIdCompEdit + 4 * c + 2, kIdCompEdit + 4 * c + 3},
            {kIdCompSpin + 4 * c, kIdCompSpin + 4 * c + 1, kIdCompSpin + 4 * c + 2, kIdCompSpin + 4 * c + 3},
            kIdPeqBypass + 3 * c,
            kIdNotchBypass + 3 * c,
            kIdNotchClear + 3 * c,
            c == 0 ? kIdNotchCountA : kIdNotchCountB,
            c == 0 ? kIdShiftA : kIdShiftB,
            c == 0 ? kIdGateA : kIdGateB,
            c == 0 ? kIdLampA : kIdLampB};
}

// The window's own controls in creation order; a label names the control after it.
std::span<const ControlSpec> MainWindowControls();

// A control's rectangle in pixels; a drop-down list's is its field, the template's height
// being that of the list it drops down.
QRect PixelRect(const ControlSpec& item);
// How many entries a drop-down list shows at once: as many as its template's height holds.
int VisibleListEntries(const ControlSpec& item);
