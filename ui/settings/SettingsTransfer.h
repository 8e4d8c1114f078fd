// Moves settings between the unit and a settings value through the command
// scheduler: a backup recalls presets 1..20 in turn and keeps each from its
// recall reply; a restore writes each preset (its groups, its name, store n);
// an import sends current settings group by group. A backup and a restore end
// by sending back the current settings the unit had before (a restore: the
// file's own, when it has them). Runs on the main thread; the owner calls
// Tick() on its 100 ms tick.
#pragma once

#include "protocol/CommandScheduler.h"
#include "transport/HidLink.h"
#include "ui/settings/SettingsFile.h"

#include <QObject>

class CUnitAdapter;

class CSettingsTransfer : public QObject {
    Q_OBJECT
public:
    enum class Result {
        Done,
        Cancelled,     // stopped after a preset; the current settings were sent back
        NotAnswered,   // a command went unanswered
        LinkLost,      // the unit was disconnected or a connect replaced what was pending
    };

    // Ticks a transfer waits for a unit that stopped answering to answer again.
    static constexpr int kStalledTicks = 50;

    explicit CSettingsTransfer(CUnitAdapter& unit, QObject* parent = nullptr);

    void StartBackup();
    // file.presets must hold the 20 presets.
    void StartRestore(const SettingsFile& file);
    void StartImport(const CurrentSettings& current);
    // Stops after the preset under way, then sends back the current settings.
    void Cancel();
    // One 100 ms tick: a unit that left a round of attempts unanswered and did
    // not answer again in time ends the transfer.
    void Tick();

    bool IsRunning() const { return m_kind != Kind::None; }
    // What a backup read: the 20 presets, the current settings it started
    // from, the names. Complete once it finished with Done.
    const SettingsFile& Backup() const { return m_backup; }

signals:
    void presetStarted(int n);   // preset n of 20 is under way
    void finished(CSettingsTransfer::Result result);

private:
    enum class Kind { None, Backup, Restore, Import };

    void Start(Kind kind);
    void NextPreset();
    void ReadPreset(int n);
    void WritePreset(int n);
    void SendCurrent(const CurrentSettings& current);
    void OnCommandFinished(const CommandSlot& command, CommandOutcome outcome);
    void OnConnectionChanged(const ConnectionEvent& event);
    void Finish(Result result);

    CUnitAdapter& m_unit;
    Kind m_kind = Kind::None;
    SettingsFile m_file;     // a restore's file
    SettingsFile m_backup;   // what a backup reads; its current: the unit's before
    int m_preset = 0;        // the preset under way, 0 before the first
    bool m_sendingCurrent = false;
    bool m_cancel = false;
    CommandSlot m_awaited;   // the command whose answer ends the step
    bool m_awaitedAnswered = false;
    int m_stalledTicks = -1;   // ticks since a round went unanswered; -1 while the unit answers
};
