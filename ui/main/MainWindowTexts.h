// The main window's list entries in the interface language, its fixed list
// entries, how a list shows a code, the button images by language and the
// display formats of the channel fields.
#pragma once

#include "ui/common/Language.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <span>

class QComboBox;
class CSkinnedButton;

// Entries of the lists whose words are translated, index 0 first.
QStringList DetectSpeedEntries();
QStringList PanelLockEntries();
QStringList ChannelLinkEntries();

// Entries of the fixed lists.
QStringList StaticNotchEntries();   // "0" .. "8"
QStringList NoiseGateEntries();     // "-30dB" .. "-99dB", "OFF"
QStringList FreqShiftEntries();     // "OFF", "2Hz" .. "8Hz"

// A list's entries replaced by these.
void FillListEntries(QComboBox& list, const QStringList& entries);
// Selects the entry; a code without an entry shows as its number and selects nothing.
void ShowListEntry(QComboBox& list, int index, int rawCode);

struct ButtonImages {
    int normal, down, over;
};
struct LanguageButton {
    int id;
    std::array<ButtonImages, 2> images;   // English, Chinese
};
// Load, save, import, export, setting, language and both Notch Clear buttons.
std::span<const LanguageButton> LanguageButtons();
// Gives each of these buttons that find finds (a window its own, a channel panel its own) the
// images of the language.
void ShowLanguageImages(const std::function<CSkinnedButton*(int id)>& find, int language);

int NotchBypassImage(int language, bool on);
int PeqBypassImage(int language, bool on);
int MuteImage(bool muted);
// The A/B button: the side the unit has, pressed or not.
int CompareImage(bool bActive, bool pressed);

constexpr int kConnectImageOff = 147;
constexpr int kConnectImageOn = 148;

QString RangeMessage();   // "Data out of range"

// Display formats of the channel codes. Codes a unit may send outside the
// defined range show as the raw code, never an index outside a table.
QString GainText(int code);
QString CompThresholdText(int code);
QString CompAttackText(int code);
QString CompReleaseText(int code);
QString CompRatioText(int code);

// List entries of the coded fields; -1 when the code has no entry.
int NoiseGateEntry(int gateThreshold);
int ChannelLinkEntry(int channelLink);

// What an edit's text reads as: the leading number of the text (after blanks,
// an optional sign, digits), 0 when the text starts with none.
double LeadingDecimal(const QString& text);     // digits with an optional fraction
long long LeadingInteger(const QString& text);  // digits only; saturates far outside int
