#include "ui/main/UnitNameDialog.h"

#include "ui/common/UnitNames.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kWidthInCharacters = 44;   // the refusal in two lines at most

}  // namespace

CUnitNameDialog::CUnitNameDialog(const std::string& unitKey, QWidget* parent)
    : QDialog(parent),
      m_key(unitKey),
      m_prompt(new QLabel(this)),
      m_edit(new QLineEdit(CUnitNames().Name(unitKey), this)),
      m_refusal(new QLabel(this)),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    m_prompt->setBuddy(m_edit);
    m_refusal->setWordWrap(true);
    setMinimumWidth(fontMetrics().averageCharWidth() * kWidthInCharacters);
    m_refusal->setStyleSheet(QStringLiteral("color: #c00000"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_prompt);
    layout->addWidget(m_edit);
    layout->addWidget(m_refusal);
    layout->addWidget(m_buttons);
    connect(m_edit, &QLineEdit::textChanged, this, &CUnitNameDialog::CheckName);
    connect(m_buttons, &QDialogButtonBox::accepted, this, [this] {
        if (Refusal().isEmpty())
            accept();
    });
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_edit->selectAll();
    ApplyLanguage();
}

QString CUnitNameDialog::Name() const
{
    return m_edit->text().trimmed();
}

QString CUnitNameDialog::Refusal() const
{
    const QString name = Name();
    if (name.isEmpty())
        return QString();
    const std::string other = CUnitNames().OtherUnitNamed(m_key, name);
    if (other.empty())
        return QString();
    return tr("The unit %1 already has the name %2. Choose another name.")
        .arg(QString::fromStdString(other), CUnitNames().Name(other));
}

// The refusal takes its room below the name while it is shown.
void CUnitNameDialog::CheckName()
{
    const QString refusal = Refusal();
    m_refusal->setText(refusal);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(refusal.isEmpty());
    if (m_refusal->isHidden() == refusal.isEmpty())
        return;
    m_refusal->setHidden(refusal.isEmpty());
    adjustSize();
}

void CUnitNameDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ApplyLanguage();
    QDialog::changeEvent(event);
}

void CUnitNameDialog::ApplyLanguage()
{
    setWindowTitle(tr("Name this unit"));
    m_prompt->setText(tr("Name of the unit %1:").arg(QString::fromStdString(m_key)));
    CheckName();
}
