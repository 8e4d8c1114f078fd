#include "ui/presets/PresetDialog.h"

#include "ui/common/LinkTexts.h"
#include "ui/common/MessageBox.h"
#include "ui/common/PresetTexts.h"
#include "ui/common/UnitAdapter.h"
#include "ui/controls/ControlId.h"
#include "ui/presets/PresetList.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kDialogWidth = 440;
constexpr int kDialogHeight = 460;

}  // namespace

CPresetDialog::CPresetDialog(QWidget* parent, CUnitAdapter& unit, const PresetDialogTexts& texts, std::uint8_t code)
    : QDialog(parent), m_unit(unit), m_texts(texts), m_code(code), m_pList(new CPresetList(this)),
      m_pBusy(new QLabel(this)), m_pOk(new QPushButton(QStringLiteral("OK"), this)),
      m_pCancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    SetControlId(m_pOk, IDOK);
    SetControlId(m_pCancel, IDCANCEL);
    SetControlId(m_pBusy, IDC_PRESET_BUSY);
    m_pOk->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pBusy, 1);
    buttons->addWidget(m_pOk);
    buttons->addWidget(m_pCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pList);
    layout->addLayout(buttons);
    resize(kDialogWidth, kDialogHeight);

    connect(m_pOk, &QPushButton::clicked, this, &CPresetDialog::OnOK);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pList, &CPresetList::rowClicked, this, &CPresetDialog::OnClickList);
    // The keyboard moves the selection too, so it is followed the same way.
    connect(m_pList, &QTableWidget::itemSelectionChanged, this, &CPresetDialog::OnClickList);
    connect(&m_unit, &CUnitAdapter::commandFinished, this, &CPresetDialog::OnCommandFinished);
    connect(&m_unit, &CUnitAdapter::connectionChanged, this, &CPresetDialog::OnConnectionChanged);
    OnInitDialog();
}

void CPresetDialog::OnInitDialog()
{
    m_nSelection = 0;
    setWindowTitle(tr(m_texts.title));
    m_pList->Fill(m_unit.Unit().Image());
}

void CPresetDialog::OnClickList()
{
    if (!m_waiting)
        m_nSelection = m_pList->SelectedPreset();
}

void CPresetDialog::OnOK()
{
    const QString caption = QString::fromLatin1(kPresetMessageCaption);
    if (!m_unit.Unit().IsConnected()) {
        ShowMessageBox(this, NotConnectedText(), caption);
    } else if (m_nSelection == 0 || m_nSelection > kUserPresetCount) {
        ShowMessageBox(this, tr(m_texts.noSelection.source, m_texts.noSelection.disambiguation), caption);
    } else {
        WaitForUnit();
        return;
    }
    accept();
}

// The list and OK stay disabled until the unit answers, or gives no answer.
void CPresetDialog::WaitForUnit()
{
    m_waiting = true;
    m_pList->setEnabled(false);
    m_pOk->setEnabled(false);
    m_pBusy->setText(PresetBusyText(m_code == CMD_STORE_PRESET, m_nSelection));
    CCommandScheduler& scheduler = m_unit.Unit().Scheduler();
    if (m_code == CMD_STORE_PRESET)
        scheduler.QueueStorePreset(m_nSelection);
    else
        scheduler.QueueRecallPreset(m_nSelection);
}

void CPresetDialog::OnCommandFinished(const CommandSlot& command, CommandOutcome outcome)
{
    if (!m_waiting || command.code != m_code || command.a2 != m_nSelection)
        return;
    Finish(outcome == CommandOutcome::Answered);
}

void CPresetDialog::reject()
{
    m_waiting = false;
    QDialog::reject();
}

// A link lost while waiting ends the wait.
void CPresetDialog::OnConnectionChanged(const ConnectionEvent&)
{
    if (m_waiting && !m_unit.Unit().IsConnected())
        Finish(false);
}

void CPresetDialog::Finish(bool answered)
{
    m_waiting = false;
    m_pBusy->clear();
    const QString text =
        answered ? tr(m_texts.success) : PresetOutcomeText(m_code == CMD_STORE_PRESET, m_nSelection, false);
    ShowMessageBox(this, text, QString::fromLatin1(kPresetMessageCaption));
    accept();
}
