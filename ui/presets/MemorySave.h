// The Save dialog: stores the unit's current settings under the selected user
// preset; a double-click renames a preset and sends the new name at once.
#pragma once

#include "ui/presets/PresetDlg.h"

class CMemorySave : public CPresetDlg {
    Q_OBJECT

public:
    explicit CMemorySave(QWidget* parent);

private:
    void OnDblClickList();
};
