// What a screen reader calls each drawn control of the main window, in the interface
// language, and how it reads the switches and the faders.
#include "ui/main/MainWindow.h"

#include "model/SettingFields.h"
#include "ui/controls/GainFader.h"
#include "ui/controls/MeterLamp.h"
#include "ui/controls/SkinnedButton.h"
#include "ui/main/MainWindowControls.h"
#include "ui/main/MainWindowTexts.h"

namespace {

struct SpokenName {
    int id;
    const char* text;   // English source text, translated in the window's context
};

constexpr SpokenName kSpokenNames[] = {
    {kIdConnect, QT_TRANSLATE_NOOP("CMainWindow", "USB connection")},
    {kIdLoad, QT_TRANSLATE_NOOP("CMainWindow", "Load a preset")},
    {kIdSave, QT_TRANSLATE_NOOP("CMainWindow", "Save a preset")},
    {kIdImport, QT_TRANSLATE_NOOP("CMainWindow", "Import settings from a file")},
    {kIdExport, QT_TRANSLATE_NOOP("CMainWindow", "Export settings to a file")},
    {kIdLanguage, QT_TRANSLATE_NOOP("CMainWindow", "Switch the language")},
    {kIdCompare, QT_TRANSLATE_NOOP("CMainWindow", "A/B compare")},
    {kIdMute, QT_TRANSLATE_NOOP("CMainWindow", "CH A mute")},
    {kIdMute + 1, QT_TRANSLATE_NOOP("CMainWindow", "CH B mute")},
    {kIdFader, QT_TRANSLATE_NOOP("CMainWindow", "CH A gain")},
    {kIdFader + 1, QT_TRANSLATE_NOOP("CMainWindow", "CH B gain")},
    {kIdPeqBypass, QT_TRANSLATE_NOOP("CMainWindow", "CH A PEQ bypass")},
    {kIdPeqBypass + 3, QT_TRANSLATE_NOOP("CMainWindow", "CH B PEQ bypass")},
    {kIdNotchBypass, QT_TRANSLATE_NOOP("CMainWindow", "CH A notch bypass")},
    {kIdNotchBypass + 3, QT_TRANSLATE_NOOP("CMainWindow", "CH B notch bypass")},
    {kIdNotchClear, QT_TRANSLATE_NOOP("CMainWindow", "CH A notch clear")},
    {kIdNotchClear + 3, QT_TRANSLATE_NOOP("CMainWindow", "CH B notch clear")},
};

// The switches: their state is the unit's (muted, bypassed, connected).
constexpr int kSwitchIds[] = {kIdConnect,     kIdMute,        kIdMute + 1,        kIdPeqBypass,
                              kIdPeqBypass + 3, kIdNotchBypass, kIdNotchBypass + 3};

constexpr int kLevelLamps = kLampsPerChannel - 1;   // the overload lamp is the last

}  // namespace

void CMainWindow::SetupAccessibility()
{
    for (int id : kSwitchIds)
        SkinButton(id)->setCheckable(true);
    for (int c = 0; c < kChannelCount; ++c) {
        Fader(c)->SetReadingOf([](int code) {
            return CGainFader::Reading{codecs::kGain.linear->Value(code), tr("%1 dB").arg(GainText(code))};
        });
    }
}

void CMainWindow::ApplyAccessibleNames()
{
    for (const SpokenName& name : kSpokenNames)
        Control(name.id)->setAccessibleName(tr(name.text));
    for (int c = 0; c < kChannelCount; ++c) {
        const int first = kChannelControls[c].firstLamp;
        for (int j = 0; j < kLevelLamps; ++j) {
            const QString name = c == 0 ? tr("CH A level lamp %1") : tr("CH B level lamp %1");
            Lamp(first + j)->setAccessibleName(name.arg(j + 1));
        }
        Lamp(first + kLevelLamps)->setAccessibleName(c == 0 ? tr("CH A overload lamp") : tr("CH B overload lamp"));
    }
}
