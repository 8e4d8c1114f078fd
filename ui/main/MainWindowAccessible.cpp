// What a screen reader calls the window's own controls, in the interface language: its drawn
// buttons and its lists, which the labels before them name as their buddies; the channel
// panels name theirs.
#include "ui/main/MainWindow.h"

#include "ui/controls/SkinnedButton.h"
#include "ui/main/MainWindowControls.h"

#include <QLabel>

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
    {kIdSetting, QT_TRANSLATE_NOOP("CMainWindow", "Settings")},
    {kIdLanguage, QT_TRANSLATE_NOOP("CMainWindow", "Switch the language")},
    {kIdCompare, QT_TRANSLATE_NOOP("CMainWindow", "A/B compare")},
    {kIdDetectSpeed, QT_TRANSLATE_NOOP("CMainWindow", "Rate")},
    {kIdPanelLock, QT_TRANSLATE_NOOP("CMainWindow", "Panel Lock")},
    {kIdChannelLink, QT_TRANSLATE_NOOP("CMainWindow", "Channel Link")},
};

}  // namespace

// The connect button is a switch: connected or not. A label names the control after it.
void CMainWindow::SetupAccessibility()
{
    SkinButton(kIdConnect)->setCheckable(true);
    QLabel* label = nullptr;
    for (const ControlSpec& item : MainWindowControls()) {
        if (label)
            label->setBuddy(Control(item.id));
        label = item.kind == ItemKind::Label ? qobject_cast<QLabel*>(Control(item.id)) : nullptr;
    }
}

// A list is called what its label says, without the blanks that place the label's words.
void CMainWindow::ApplyAccessibleNames()
{
    for (const SpokenName& name : kSpokenNames)
        Control(name.id)->setAccessibleName(tr(name.text).trimmed());
}
