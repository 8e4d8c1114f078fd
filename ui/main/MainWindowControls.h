// The main window's control table: its controls, their ids, kinds, texts,
// tooltips and rectangles in dialog units. The window creates every child from this table;
// the ids name the controls for tests and tools.
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

constexpr int kMainWindowWidthDu = 746;   // client size in dialog units
constexpr int kMainWindowHeightDu = 435;

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
inline constexpr ChannelControlIds kChannelControls[2] = {ControlIdsOf(0), ControlIdsOf(1)};

// The controls in creation (and tab) order.
std::span<const ControlSpec> MainWindowControls();

// The entry for id, or nullptr.
const ControlSpec* FindControlSpec(int id);
