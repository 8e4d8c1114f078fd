// The import and export buttons of the main window: settings files picked with
// a file dialog (the last folder is remembered), current settings or all 20
// presets written to a file, and a file's settings sent to the unit, with a
// progress dialog while presets travel. Every prompt can be replaced by a hook
// for tests.
#pragma once

#include "ui/settings/SettingsTransfer.h"

#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>

#include <functional>

class CUnitAdapter;
class QWidget;

// What an export writes.
enum class ExportChoice { Cancel, Current, AllPresets };

// Replace the file dialog, the export choice and the yes/no question in tests.
struct SettingsPrompts {
    std::function<QString(bool forSaving)> pickFile;   // empty: cancelled
    std::function<ExportChoice()> chooseExport;
    std::function<bool(const QString& question)> ask;
};
void SetSettingsPromptsHook(SettingsPrompts prompts);

class CSettingsFiles : public QObject {
    Q_OBJECT
public:
    CSettingsFiles(QWidget* window, CUnitAdapter& unit);

    void Export();
    void Import();

    CSettingsTransfer& Transfer() { return m_transfer; }
    // The progress dialog while presets travel, or nullptr.
    QProgressDialog* Progress() const { return m_progress; }

    // One 100 ms tick of the window: a transfer waits so long for a silent unit.
    void Tick() { m_transfer.Tick(); }

private:
    enum class Job { None, Backup, Restore, Import };

    void StartJob(Job job, const QString& fileName);
    void ShowProgress(int preset);
    void OnFinished(CSettingsTransfer::Result result);
    void WriteFile(const QString& fileName, const SettingsFile& settings);
    void Tell(const QString& text);
    bool RefuseWhileNotConnected();

    QWidget* m_window;
    CUnitAdapter& m_unit;
    CSettingsTransfer m_transfer;
    QPointer<QProgressDialog> m_progress;
    Job m_job = Job::None;
    QString m_fileName;
    int m_preset = 0;
};
