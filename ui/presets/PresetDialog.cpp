#include "ui/presets/PresetDialog.h"

#include "protocol/Communication.h"
#include "ui/controls/ControlId.h"
#include "ui/controls/MessageBox.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/main/SchedulerPump.h"
#include "ui/presets/PresetList.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimerEvent>
#include <QVBoxLayout>

namespace {

constexpr int kDialogWidth = 440;
constexpr int kDialogHeight = 460;
constexpr int kLinkWatchMs = 100;

}  // namespace

QString TextIn(const LanguageText& text, int language)
{
    return QString::fromUtf8(language != 0 ? text.chinese : text.english);
}

QString LocalText(const LanguageText& text)
{
    return TextIn(text, CurrentLanguage());
}

QString PresetBusyText(bool store, int n, int language)
{
    return (store ? TextIn({"Saving preset %1…", "正在保存第 %1 组…"}, language)
                  : TextIn({"Loading preset %1…", "正在调用第 %1 组…"}, language))
        .arg(n);
}

QString PresetOutcomeText(bool store, int n, bool answered, int language)
{
    if (answered)
        return (store ? TextIn({"Preset %1 saved", "第 %1 组已保存"}, language)
                      : TextIn({"Preset %1 loaded", "第 %1 组已调用"}, language))
            .arg(n);
    return (store ? TextIn({"The unit did not answer: preset %1 was not saved", "设备无应答:第 %1 组未保存"}, language)
                  : TextIn({"The unit did not answer: preset %1 was not loaded", "设备无应答:第 %1 组未调用"}, language))
        .arg(n);
}

CPresetDialog::CPresetDialog(QWidget* parent, const PresetDialogTexts& texts, std::uint8_t code, QueueCommand queue)
    : QDialog(parent), m_texts(texts), m_code(code), m_queue(queue), m_pList(new CPresetList(this)),
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
    connect(m_pList, &CPresetList::Clicked, this, &CPresetDialog::OnClickList);
    // The keyboard moves the selection too, so it is followed the same way.
    connect(m_pList, &QTableWidget::itemSelectionChanged, this, &CPresetDialog::OnClickList);
    connect(&CSchedulerPump::Instance(), &CSchedulerPump::CommandFinished, this, &CPresetDialog::OnCommandFinished);
    OnInitDialog();
}

void CPresetDialog::OnInitDialog()
{
    m_nSelection = 0;
    setWindowTitle(LocalText(m_texts.title));
    m_pList->Fill(CurrentLanguage() == kChinese);
}

void CPresetDialog::OnClickList()
{
    if (!m_waiting)
        m_nSelection = m_pList->SelectedPreset();
}

void CPresetDialog::OnOK()
{
    const QString caption = QString::fromLatin1(kPresetMessageCaption);
    if (g_Connected.load() == 0) {
        ShowMessageBox(this, LocalText(kTextNotConnected), caption);
    } else if (m_nSelection == 0 || m_nSelection > kUserPresetCount) {
        ShowMessageBox(this, LocalText(m_texts.noSelection), caption);
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
    m_pBusy->setText(PresetBusyText(m_code == CMD_STORE_PRESET, m_nSelection, CurrentLanguage()));
    m_linkWatch.start(kLinkWatchMs, this);
    m_queue(m_nSelection);
}

void CPresetDialog::OnCommandFinished(const CommandSlot& command, CommandOutcome outcome)
{
    if (!m_waiting || command.code != m_code || command.a2 != m_nSelection)
        return;
    Finish(outcome == CommandOutcome::Answered);
}

void CPresetDialog::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_linkWatch.timerId())
        CheckLink();
    else
        QDialog::timerEvent(event);
}

void CPresetDialog::reject()
{
    m_waiting = false;
    m_linkWatch.stop();
    QDialog::reject();
}

void CPresetDialog::CheckLink()
{
    if (m_waiting && g_Connected.load() == 0)
        Finish(false);
}

void CPresetDialog::Finish(bool answered)
{
    m_waiting = false;
    m_linkWatch.stop();
    m_pBusy->clear();
    const QString text = answered ? LocalText(m_texts.success)
                                  : PresetOutcomeText(m_code == CMD_STORE_PRESET, m_nSelection, false,
                                                      CurrentLanguage());
    ShowMessageBox(this, text, QString::fromLatin1(kPresetMessageCaption));
    accept();
}
