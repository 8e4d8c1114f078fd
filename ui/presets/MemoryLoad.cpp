#include "ui/presets/MemoryLoad.h"

#include "protocol/Communication.h"

namespace {

constexpr PresetDlgTexts kLoadTexts{
    {"Load", "调用"},
    {"Please select one group", "请选择调用组"},
    {"Load successful", "调用成功"},
};

}  // namespace

CMemoryLoad::CMemoryLoad(QWidget* parent) : CPresetDlg(parent, kLoadTexts, CMD_RECALL_PRESET, QueueRecallPreset)
{
}
