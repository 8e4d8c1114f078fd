#include "ui/presets/PresetLoadDialog.h"


namespace {

constexpr PresetDialogTexts kLoadTexts{
    {"Load", "调用"},
    {"Please select one group", "请选择调用组"},
    {"Load successful", "调用成功"},
};

}  // namespace

CPresetLoadDialog::CPresetLoadDialog(QWidget* parent, CUnitAdapter& unit)
    : CPresetDialog(parent, unit, kLoadTexts, CMD_RECALL_PRESET)
{
}
