#include "ui/settings/SettingsFiles.h"

#include "ui/common/LinkTexts.h"
#include "ui/common/MessageBox.h"
#include "ui/common/UnitAdapter.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>

namespace {

constexpr char kLastFolderKey[] = "files/lastFolder";
constexpr char kFileFilter[] = "Quenda settings (*.json)";

constexpr LanguageText kExportTitle{"Export", "导出"};
constexpr LanguageText kImportTitle{"Import", "导入"};
constexpr LanguageText kExportCurrent{"Current settings", "当前设置"};
constexpr LanguageText kExportAll{"All 20 presets and current settings", "全部 20 组预设和当前设置"};
constexpr LanguageText kExportWhat{"What shall the file hold?", "文件中保存哪些内容?"};
constexpr LanguageText kCancel{"Cancel", "取消"};
constexpr LanguageText kWritePresets{"The file holds all 20 presets. Write them into the unit's presets, overwriting them?",
                                     "该文件包含全部 20 组预设。是否写入设备并覆盖设备中的预设?"};
constexpr LanguageText kNothingToImport{"The file holds no current settings to import.", "该文件不包含可导入的当前设置。"};
constexpr LanguageText kCannotImport{"The file cannot be imported: %1", "无法导入该文件:%1"};
constexpr LanguageText kCannotWrite{"The file cannot be written: %1", "无法写入该文件:%1"};
constexpr LanguageText kWritten{"The settings were written to %1", "设置已写入 %1"};
constexpr LanguageText kImported{"The settings of %1 were sent to the unit", "%1 的设置已发送到设备"};
constexpr LanguageText kRestored{"The 20 presets of %1 were written into the unit", "%1 的 20 组预设已写入设备"};
constexpr LanguageText kReading{"Reading preset %1 of 20…", "正在读取第 %1 组(共 20 组)…"};
constexpr LanguageText kWriting{"Writing preset %1 of 20…", "正在写入第 %1 组(共 20 组)…"};
constexpr LanguageText kSendingCurrent{"Sending the current settings…", "正在发送当前设置…"};
constexpr LanguageText kCancelled{"Cancelled after preset %1: the current settings were sent back; no file was written",
                                  "已在第 %1 组后取消:当前设置已发回设备,未写入文件"};
constexpr LanguageText kRestoreCancelled{"Cancelled after preset %1: the current settings were sent back",
                                         "已在第 %1 组后取消:当前设置已发回设备"};
constexpr LanguageText kNotAnswered{"The unit did not answer: the settings were not transferred",
                                    "设备无应答:设置未传送"};
constexpr LanguageText kLinkLost{"The unit was disconnected: the settings were not transferred",
                                 "设备已断开:设置未传送"};

SettingsPrompts& Hook()
{
    static SettingsPrompts prompts;
    return prompts;
}

QString LastFolder()
{
    return QSettings().value(QLatin1String(kLastFolderKey), QDir::homePath()).toString();
}

QString PickFile(QWidget* parent, bool forSaving)
{
    if (Hook().pickFile)
        return Hook().pickFile(forSaving);
    const QString title = LocalText(forSaving ? kExportTitle : kImportTitle);
    const QString filter = QString::fromLatin1(kFileFilter);
    QString fileName = forSaving ? QFileDialog::getSaveFileName(parent, title, LastFolder(), filter)
                                 : QFileDialog::getOpenFileName(parent, title, LastFolder(), filter);
    if (fileName.isEmpty())
        return fileName;
    if (forSaving && QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".json");
    QSettings().setValue(QLatin1String(kLastFolderKey), QFileInfo(fileName).absolutePath());
    return fileName;
}

ExportChoice ChooseExport(QWidget* parent)
{
    if (Hook().chooseExport)
        return Hook().chooseExport();
    QMessageBox box(QMessageBox::Question, LocalText(kExportTitle), LocalText(kExportWhat), QMessageBox::NoButton,
                    parent);
    QPushButton* current = box.addButton(LocalText(kExportCurrent), QMessageBox::AcceptRole);
    QPushButton* all = box.addButton(LocalText(kExportAll), QMessageBox::AcceptRole);
    box.addButton(LocalText(kCancel), QMessageBox::RejectRole);
    box.exec();
    if (box.clickedButton() == current)
        return ExportChoice::Current;
    return box.clickedButton() == all ? ExportChoice::AllPresets : ExportChoice::Cancel;
}

bool Ask(QWidget* parent, const QString& question)
{
    if (Hook().ask)
        return Hook().ask(question);
    return QMessageBox::question(parent, LocalText(kImportTitle), question) == QMessageBox::Yes;
}

QString FileLabel(const QString& fileName)
{
    return QDir::toNativeSeparators(fileName);
}

}  // namespace

void SetSettingsPromptsHook(SettingsPrompts prompts)
{
    Hook() = std::move(prompts);
}

CSettingsFiles::CSettingsFiles(QWidget* window, CUnitAdapter& unit)
    : QObject(window), m_window(window), m_unit(unit), m_transfer(unit)
{
    connect(&m_transfer, &CSettingsTransfer::PresetStarted, this, &CSettingsFiles::ShowProgress);
    connect(&m_transfer, &CSettingsTransfer::Finished, this, &CSettingsFiles::OnFinished);
}

void CSettingsFiles::Export()
{
    if (m_transfer.IsRunning())
        return;
    const QString fileName = PickFile(m_window, true);
    if (fileName.isEmpty())
        return;
    const ExportChoice choice = ChooseExport(m_window);
    if (choice == ExportChoice::Cancel)
        return;
    if (choice == ExportChoice::AllPresets) {
        if (!RefuseWhileNotConnected()) {
            StartJob(Job::Backup, fileName);
            m_transfer.StartBackup();
        }
        return;
    }
    WriteFile(fileName, CaptureSettings(m_unit.Unit().Image(), QStringLiteral(QUENDA_VERSION), TheUnitIdentity()));
}

void CSettingsFiles::Import()
{
    if (m_transfer.IsRunning() || RefuseWhileNotConnected())
        return;
    const QString fileName = PickFile(m_window, false);
    if (fileName.isEmpty())
        return;
    SettingsFile file;
    SettingsError error;
    if (!ReadSettingsFile(fileName, file, error)) {
        Tell(LocalText(kCannotImport).arg(error.Text(CurrentLanguage())));
        return;
    }
    if (file.presets && Ask(m_window, LocalText(kWritePresets))) {
        StartJob(Job::Restore, fileName);
        m_transfer.StartRestore(file);
    } else if (file.current) {
        StartJob(Job::Import, fileName);
        m_transfer.StartImport(*file.current);
    } else if (!file.presets) {
        Tell(LocalText(kNothingToImport));
    }
}

bool CSettingsFiles::RefuseWhileNotConnected()
{
    if (m_unit.Unit().IsConnected())
        return false;
    ShowMessageBox(m_window, LocalText(kTextNotConnected), QString::fromLatin1(kWarningCaption));
    return true;
}

// The progress dialog is modal to the window but does not block: the transfer
// runs on the window's timer and the replies.
void CSettingsFiles::StartJob(Job job, const QString& fileName)
{
    m_job = job;
    m_fileName = fileName;
    m_preset = 0;
    m_progress = new QProgressDialog(m_window);
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setWindowTitle(LocalText(job == Job::Backup ? kExportTitle : kImportTitle));
    m_progress->setCancelButtonText(LocalText(kCancel));
    m_progress->setRange(0, job == Job::Import ? 0 : kUserPresetCount);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setMinimumDuration(0);
    m_progress->setLabelText(LocalText(kSendingCurrent));
    connect(m_progress, &QProgressDialog::canceled, &m_transfer, &CSettingsTransfer::Cancel);
    m_progress->show();
}

void CSettingsFiles::ShowProgress(int preset)
{
    m_preset = preset;
    if (!m_progress)
        return;
    m_progress->setValue(preset - 1);
    m_progress->setLabelText(LocalText(m_job == Job::Backup ? kReading : kWriting).arg(preset));
}

void CSettingsFiles::OnFinished(CSettingsTransfer::Result result)
{
    if (m_progress) {
        m_progress->hide();
        m_progress->deleteLater();
    }
    const Job job = std::exchange(m_job, Job::None);
    const QString file = FileLabel(m_fileName);
    switch (result) {
    case CSettingsTransfer::Result::Done:
        if (job == Job::Backup)
            WriteFile(m_fileName, m_transfer.Backup());
        else
            Tell(LocalText(job == Job::Restore ? kRestored : kImported).arg(file));
        break;
    case CSettingsTransfer::Result::Cancelled:
        Tell(LocalText(job == Job::Backup ? kCancelled : kRestoreCancelled).arg(m_preset));
        break;
    case CSettingsTransfer::Result::NotAnswered: Tell(LocalText(kNotAnswered)); break;
    case CSettingsTransfer::Result::LinkLost: Tell(LocalText(kLinkLost)); break;
    }
}

void CSettingsFiles::WriteFile(const QString& fileName, const SettingsFile& settings)
{
    SettingsError error;
    if (WriteSettingsFile(fileName, settings, error))
        Tell(LocalText(kWritten).arg(FileLabel(fileName)));
    else
        Tell(LocalText(kCannotWrite).arg(error.Text(CurrentLanguage())));
}

void CSettingsFiles::Tell(const QString& text)
{
    ShowMessageBox(m_window, text, ApplicationName());
}
