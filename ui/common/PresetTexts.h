// What the program says of a preset load or save, in the interface language:
// the preset dialogs, the status line and the remote server's answers say it
// alike.
#pragma once

#include <QString>

// "Loading preset 5…" / "Saving preset 5…".
QString PresetBusyText(bool store, int n);
// "Preset 5 loaded" / "Preset 5 saved", or "The unit did not answer: preset 5
// was not loaded" / "... was not saved".
QString PresetOutcomeText(bool store, int n, bool answered);
