#include "ui/presets/PresetLoadDialog.h"

#include <QtGlobal>

namespace {

constexpr PresetDialogTexts kLoadTexts{
    QT_TRANSLATE_NOOP("CPresetDialog", "Load"),
    QT_TRANSLATE_NOOP3("CPresetDialog", "Please select one group", "loading"),
    QT_TRANSLATE_NOOP("CPresetDialog", "Load successful"),
};

}  // namespace

CPresetLoadDialog::CPresetLoadDialog(QWidget* parent, CUnitAdapter& unit)
    : CPresetDialog(parent, unit, kLoadTexts, CMD_RECALL_PRESET)
{
}
