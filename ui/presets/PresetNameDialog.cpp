#include "ui/presets/PresetNameDialog.h"

#include "ui/controls/ControlId.h"
#include "ui/presets/PresetDialog.h"
#include "ui/common/PresetNameCodec.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <QVBoxLayout>

namespace {

// Refuses an edit that would leave text GBK cannot carry or more than 15 bytes.
class CPresetNameValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override
    {
        return FitsPresetName(input) ? Acceptable : Invalid;
    }
};

}  // namespace

CPresetNameDialog::CPresetNameDialog(QWidget* parent, const QString& name)
    : QDialog(parent), m_strName(name), m_pEdit(new QLineEdit(this))
{
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    SetControlId(ok, IDOK);
    SetControlId(cancel, IDCANCEL);
    SetControlId(m_pEdit, IDC_PRESET_NAME);
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pEdit);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &CPresetNameDialog::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    OnInitDialog();
}

void CPresetNameDialog::OnInitDialog()
{
    setWindowTitle(QStringLiteral("Dialog"));
    m_pEdit->setValidator(new CPresetNameValidator(m_pEdit));
    // A 16-byte name from the unit is shown cut to what the edit can take.
    m_pEdit->setText(DecodePresetName(EncodePresetName(m_strName).constData()));
    m_pEdit->selectAll();
}

void CPresetNameDialog::OnOK()
{
    m_strName = m_pEdit->text();
    accept();
}
