// A unit as the Qt program uses it: it owns the unit and turns what the unit
// reports (from any thread) into Qt signals on the thread the adapter lives in.
// The window, the preset dialogs, the settings transfers, the command runner
// and the remote server are handed the adapter and listen to its signals.
#pragma once

#include "unit/Unit.h"

#include <QObject>

#include <atomic>
#include <memory>

class CUnitActions;

class CUnitAdapter : public QObject, private CUnitObserver {
    Q_OBJECT
public:
    // The back-end outlives the adapter.
    explicit CUnitAdapter(CHidBackend& backend, QObject* parent = nullptr,
                          int readSliceMs = CHidLink::kReadSliceMs);
    ~CUnitAdapter() override;

    CUnit& Unit() { return *m_unit; }
    const CUnit& Unit() const { return *m_unit; }
    // What users do to the unit, with its undo histories and A/B compare: one
    // for the window and every remote client of the unit.
    CUnitActions& Actions() { return *m_actions; }

    // What the link's threads left, told now: replies to show, device changes,
    // the next command sent and the outcomes. Runs by itself whenever something
    // waits; tests call it to settle.
    void Deliver();

signals:
    void settingsChanged(const SettingsChange& change);
    void commandFinished(const CommandSlot& command, CommandOutcome outcome);
    void connectionChanged(const ConnectionEvent& event);
    void meterLampsShown(int channel, const MeterLamps& lamps);
    void attachedUnitsChanged();

private:
    void EventsWaiting() override;
    void Log(LogCategory category, LogLevel level, const std::string& text) override;
    void SettingsChanged(const SettingsChange& change) override;
    void CommandFinished(const CommandResult& result) override;
    void ConnectionChanged(const ConnectionEvent& event) override;
    void LinkNoted(LinkNote note) override;
    void MeterLampsShown(int channel, const MeterLamps& lamps) override;
    void AttachedUnitsChanged() override;

    Q_INVOKABLE void DeliverPosted();

    std::atomic<bool> m_posted{false};
    std::unique_ptr<CUnit> m_unit;
    std::unique_ptr<CUnitActions> m_actions;
};
