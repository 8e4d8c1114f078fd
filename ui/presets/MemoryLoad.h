// The Load dialog: recalls the selected user preset into the unit.
#pragma once

#include "ui/presets/PresetDlg.h"

class CMemoryLoad : public CPresetDlg {
    Q_OBJECT

public:
    explicit CMemoryLoad(QWidget* parent);
};
