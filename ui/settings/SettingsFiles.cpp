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
    const QString title = forSaving ? CSettingsFiles::tr("Export") : CSettingsFiles::tr("Import");
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
    QMessageBox box(QMessageBox::Question, CSettingsFiles::tr("Export"), CSettingsFiles::tr("What shall the file hold?"),
                    QMessageBox::NoButton, parent);
    QPushButton* current = box.addButton(CSettingsFiles::tr("Current settings"), QMessageBox::AcceptRole);
    QPushButton* all = box.addButton(CSettingsFiles::tr("All 20 presets and current settings"), QMessageBox::AcceptRole);
    box.addButton(CSettingsFiles::tr("Cancel"), QMessageBox::RejectRole);
    box.exec();
    if (box.clickedButton() == current)
        return ExportChoice::Current;
    return box.clickedButton() == all ? ExportChoice::AllPresets : ExportChoice::Cancel;
}

bool Ask(QWidget* parent, const QString& question)
{
    if (Hook().ask)
        return Hook().ask(question);
    return QMessageBox::question(parent, CSettingsFiles::tr("Import"), question) == QMessageBox::Yes;
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
    connect(&m_transfer, &CSettingsTransfer::presetStarted, this, &CSettingsFiles::ShowProgress);
    connect(&m_transfer, &CSettingsTransfer::finished, this, &CSettingsFiles::OnFinished);
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
        Tell(tr("The file cannot be imported: %1").arg(error.Text()));
        return;
    }
    if (file.presets
        && Ask(m_window, tr("The file holds all 20 presets. Write them into the unit's presets, overwriting them?"))) {
        StartJob(Job::Restore, fileName);
        m_transfer.StartRestore(file);
    } else if (file.current) {
        StartJob(Job::Import, fileName);
        m_transfer.StartImport(*file.current);
    } else if (!file.presets) {
        Tell(tr("The file holds no current settings to import."));
    }
}

bool CSettingsFiles::RefuseWhileNotConnected()
{
    if (m_unit.Unit().IsConnected())
        return false;
    ShowMessageBox(m_window, NotConnectedText(), QString::fromLatin1(kWarningCaption));
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
    m_progress->setWindowTitle(job == Job::Backup ? tr("Export") : tr("Import"));
    m_progress->setCancelButtonText(tr("Cancel"));
    m_progress->setRange(0, job == Job::Import ? 0 : kUserPresetCount);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setMinimumDuration(0);
    m_progress->setLabelText(tr("Sending the current settings…"));
    connect(m_progress, &QProgressDialog::canceled, &m_transfer, &CSettingsTransfer::Cancel);
    m_progress->show();
}

void CSettingsFiles::ShowProgress(int preset)
{
    m_preset = preset;
    if (!m_progress)
        return;
    m_progress->setValue(preset - 1);
    const QString text = m_job == Job::Backup ? tr("Reading preset %1 of 20…") : tr("Writing preset %1 of 20…");
    m_progress->setLabelText(text.arg(preset));
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
            Tell((job == Job::Restore ? tr("The 20 presets of %1 were written into the unit")
                                      : tr("The settings of %1 were sent to the unit"))
                     .arg(file));
        break;
    case CSettingsTransfer::Result::Cancelled:
        Tell((job == Job::Backup
                  ? tr("Cancelled after preset %1: the current settings were sent back; no file was written")
                  : tr("Cancelled after preset %1: the current settings were sent back"))
                 .arg(m_preset));
        break;
    case CSettingsTransfer::Result::NotAnswered:
        Tell(tr("The unit did not answer: the settings were not transferred"));
        break;
    case CSettingsTransfer::Result::LinkLost:
        Tell(tr("The unit was disconnected: the settings were not transferred"));
        break;
    }
}

void CSettingsFiles::WriteFile(const QString& fileName, const SettingsFile& settings)
{
    SettingsError error;
    if (WriteSettingsFile(fileName, settings, error))
        Tell(tr("The settings were written to %1").arg(FileLabel(fileName)));
    else
        Tell(tr("The file cannot be written: %1").arg(error.Text()));
}

void CSettingsFiles::Tell(const QString& text)
{
    ShowMessageBox(m_window, text, ApplicationName());
}
