#include "ui/presets/PresetSaveDialog.h"

#include "ui/common/PresetNameCodec.h"
#include "ui/common/UnitAdapter.h"
#include "ui/presets/PresetList.h"
#include "ui/presets/PresetNameDialog.h"

#include <QtGlobal>

namespace {

constexpr PresetDialogTexts kSaveTexts{
    QT_TRANSLATE_NOOP("CPresetDialog", "Save"),
    QT_TRANSLATE_NOOP3("CPresetDialog", "Please select one group", "saving"),
    QT_TRANSLATE_NOOP("CPresetDialog", "Save successful"),
};

}  // namespace

CPresetSaveDialog::CPresetSaveDialog(QWidget* parent, CUnitAdapter& unit)
    : CPresetDialog(parent, unit, kSaveTexts, CMD_STORE_PRESET)
{
    connect(List(), &CPresetList::rowDoubleClicked, this, &CPresetSaveDialog::OnDblClickList);
}

// The name goes to the unit even if this dialog is cancelled afterwards; while
// not connected it stays in the local table until the next connect reads the
// unit's names.
void CPresetSaveDialog::OnDblClickList()
{
    const std::uint8_t n = List()->SelectedPreset();
    if (n == 0)
        return;
    CPresetNameDialog dlg(this, List()->RowName(n));
    if (dlg.exec() != QDialog::Accepted)
        return;
    const QByteArray name = EncodePresetName(dlg.Name());
    List()->SetRowName(n, DecodePresetName(name.constData()));
    WritePresetName(Unit().Unit().Image(), n, name);
    Unit().Unit().Scheduler().QueuePresetName(n);
}
