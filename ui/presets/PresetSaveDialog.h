// The Save dialog: stores the unit's current settings under the selected user
// preset; a double-click renames a preset and sends the new name at once.
#pragma once

#include "ui/presets/PresetDialog.h"

class CPresetSaveDialog : public CPresetDialog {
    Q_OBJECT

public:
    CPresetSaveDialog(QWidget* parent, CUnitAdapter& unit);

private:
    void OnDblClickList();
};
