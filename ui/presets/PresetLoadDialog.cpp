#include "ui/presets/PresetLoadDialog.h"

#include "protocol/Communication.h"

namespace {

constexpr PresetDialogTexts kLoadTexts{
    {"Load", "调用"},
    {"Please select one group", "请选择调用组"},
    {"Load successful", "调用成功"},
};

}  // namespace

CPresetLoadDialog::CPresetLoadDialog(QWidget* parent) : CPresetDialog(parent, kLoadTexts, CMD_RECALL_PRESET, QueueRecallPreset)
{
}
