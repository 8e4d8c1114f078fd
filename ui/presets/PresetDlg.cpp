#include "ui/presets/PresetDlg.h"

#include "protocol/Communication.h"
#include "ui/controls/ControlId.h"
#include "ui/controls/MessageBox.h"
#include "ui/presets/PresetList.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr LanguageText kNotConnected{"Don't open the USB connection", "没打开USB联接"};
constexpr int kDialogWidth = 440;
constexpr int kDialogHeight = 460;

bool InterfaceChinese()
{
    return g_LanguageChinese.load() == 1;
}

}  // namespace

QString LocalText(const LanguageText& text)
{
    return QString::fromUtf8(InterfaceChinese() ? text.chinese : text.english);
}

CPresetDlg::CPresetDlg(QWidget* parent, const PresetDlgTexts& texts, QueueCommand queue)
    : QDialog(parent), m_texts(texts), m_queue(queue), m_pList(new CPresetList(this)),
      m_pOk(new QPushButton(QStringLiteral("OK"), this)),
      m_pCancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    SetControlId(m_pOk, IDOK);
    SetControlId(m_pCancel, IDCANCEL);
    m_pOk->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_pOk);
    buttons->addWidget(m_pCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pList);
    layout->addLayout(buttons);
    resize(kDialogWidth, kDialogHeight);

    connect(m_pOk, &QPushButton::clicked, this, &CPresetDlg::OnOK);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pList, &CPresetList::Clicked, this, &CPresetDlg::OnClickList);
    // The keyboard moves the selection too, so it is followed the same way.
    connect(m_pList, &QTableWidget::itemSelectionChanged, this, &CPresetDlg::OnClickList);
    OnInitDialog();
}

void CPresetDlg::OnInitDialog()
{
    m_nSelection = 0;
    setWindowTitle(LocalText(m_texts.title));
    m_pList->Fill(InterfaceChinese());
}

void CPresetDlg::OnClickList()
{
    m_nSelection = m_pList->SelectedPreset();
}

void CPresetDlg::OnOK()
{
    const QString caption = QString::fromLatin1(kPresetMessageCaption);
    if (g_Connected.load() == 0) {
        ShowMessageBox(this, LocalText(kNotConnected), caption);
    } else if (m_nSelection == 0 || m_nSelection > kUserPresetCount) {
        ShowMessageBox(this, LocalText(m_texts.noSelection), caption);
    } else {
        m_queue(m_nSelection);
        ShowMessageBox(this, LocalText(m_texts.success), caption);
    }
    accept();
}
