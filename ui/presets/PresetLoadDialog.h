// The Load dialog: recalls the selected user preset into the unit.
#pragma once

#include "ui/presets/PresetDialog.h"

class CPresetLoadDialog : public CPresetDialog {
    Q_OBJECT

public:
    CPresetLoadDialog(QWidget* parent, CUnitAdapter& unit);
};
