#include "ui/presets/MemorySave.h"

#include "protocol/Communication.h"
#include "ui/presets/PresetList.h"
#include "ui/presets/PresetName.h"
#include "ui/presets/SaveDlg.h"

namespace {

constexpr PresetDlgTexts kSaveTexts{
    {"Save", "保存"},
    {"Please select one group", "请选择保存组"},
    {"Save successful", "保存成功"},
};

}  // namespace

CMemorySave::CMemorySave(QWidget* parent) : CPresetDlg(parent, kSaveTexts, CMD_STORE_PRESET, QueueStorePreset)
{
    connect(List(), &CPresetList::DoubleClicked, this, &CMemorySave::OnDblClickList);
}

// The name goes to the unit even if this dialog is cancelled afterwards; while
// not connected it stays in the local table until the next connect reads the
// unit's names.
void CMemorySave::OnDblClickList()
{
    const std::uint8_t n = List()->SelectedPreset();
    if (n == 0)
        return;
    CSaveDlg dlg(this, List()->RowName(n));
    if (dlg.exec() != QDialog::Accepted)
        return;
    const QByteArray name = EncodePresetName(dlg.Name());
    List()->SetRowName(n, DecodePresetName(name.constData()));
    WritePresetName(n, name);
    QueuePresetName(n);
}
