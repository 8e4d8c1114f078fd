// One attached unit: its parameter image, pending commands and scheduler, reply
// handling, the HID link to its device and its equalizer model. Nothing of it
// is process-wide, so several units live side by side.
//
// It reports to the observer it is given. Events that happen on the link's
// threads (replies, device changes, the scheduler wanting to send) wait in the
// unit; the observer is told on any thread that something waits, and the
// owner's thread then calls DeliverEvents(), where every other observer call
// is made. Calls on the unit itself (Edit, Tick, ...) report on the spot.
#pragma once

#include "model/ChannelEqualizer.h"
#include "model/SettingsEdit.h"
#include "protocol/UnitProtocol.h"
#include "transport/HidLink.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// What changed in a unit's settings, for whoever shows them.
struct SettingsChange {
    enum class Cause {
        Edited,     // a user action or an undo step
        Reported,   // the unit reported its notches
        Replaced,   // the unit's own settings (a recall) or a file's replace the window's
    };
    Cause cause = Cause::Edited;
    bool everything = false;
    std::array<std::uint16_t, kChannelCount> groups{};        // bit g: group g of the channel
    std::array<bool, kChannelCount> notchTables{};            // the notches past group 15
    std::uint8_t globalItems = 0;                             // bit per GlobalField

    bool ChangedGroup(int channel, int group) const { return everything || (groups[channel] >> group) & 1u; }
    bool ChangedBands(int channel) const;
    bool ChangedNotches(int channel) const { return everything || notchTables[channel]; }
    bool ChangedGlobal(GlobalField field) const
    {
        return everything || (globalItems >> static_cast<int>(field)) & 1u;
    }
};

class CUnitObserver : public CEventLog {
public:
    // Any thread: call DeliverEvents() on the owner's thread.
    virtual void EventsWaiting() = 0;
    // The owner's thread.
    virtual void SettingsChanged(const SettingsChange& change) = 0;
    virtual void CommandFinished(const CommandResult& result) = 0;
    virtual void ConnectionChanged(const ConnectionEvent& event) = 0;
    virtual void LinkNoted(LinkNote note) = 0;
    virtual void MeterLampsShown(int channel, const MeterLamps& lamps) = 0;
    // A device came or went: the units attached may be others now.
    virtual void AttachedUnitsChanged() = 0;
};

class CUnit : private CProtocolEvents, private CLinkEvents {
public:
    // The back-end outlives the unit.
    CUnit(CHidBackend& backend, CUnitObserver& observer, int readSliceMs = CHidLink::kReadSliceMs);
    ~CUnit() override;
    CUnit(const CUnit&) = delete;
    CUnit& operator=(const CUnit&) = delete;

    // Starts the link's threads and watching devices. Once.
    void Start();
    // The connect button: connects, or disconnects while connected.
    void ConnectButton();
    bool IsConnected() const { return m_link.IsConnected(); }
    // One 100 ms step: the scheduler, a reconnect's retries, the meters.
    void Tick();
    // Sends what may go out now and tells the observer what waited.
    void DeliverEvents();

    // The settings as they are now.
    UnitSettings Settings() const { return CaptureSettings(m_protocol.Image()); }
    // A user action: action changes a copy of the settings; the unit takes the
    // changed bytes, queues what the unit must be sent and tells the observer.
    // Returns the settings before and after.
    using Action = std::function<void(CSettingsEdit& edit)>;
    CSettingsEdit Edit(const Action& action);
    // An undo or redo step: the groups, items and restore gains that differ
    // between from and to take to's bytes, and go to the unit.
    void StepTo(const UnitSettings& to, const UnitSettings& from);
    // Settings that replace the window's (a file, a preset being written):
    // bytes 0..127 of both blocks, the global items and the restore gains;
    // the live notch tables stay. Nothing is queued.
    void Replace(const UnitSettings& settings);
    // Every group of both channels and every global item, in that order; returns the last.
    CommandSlot QueueEverySetting();

    CParameterImage& Image() { return m_protocol.Image(); }
    const CParameterImage& Image() const { return m_protocol.Image(); }
    CCommandScheduler& Scheduler() { return m_protocol.Scheduler(); }
    const CCommandScheduler& Scheduler() const { return m_protocol.Scheduler(); }
    CEqualizerModel& Equalizers() { return m_equalizers; }
    CHidLink& Link() { return m_link; }
    const CHidLink& Link() const { return m_link; }
    CUnitProtocol& Protocol() { return m_protocol; }

private:
    struct DeviceChange {
        HidDeviceChange change;
        std::string path;
    };

    // The protocol's and the link's events.
    void SchedulerWake() override;
    void ChannelsRecalled() override;
    void NotchTableReceived(int channel) override;
    void MeterLampsShown(int channel, const MeterLamps& lamps) override;
    void Log(LogCategory category, LogLevel level, const std::string& text) override;
    void ReadingStarts() override;
    void InputReport(const std::uint8_t* report65) override;
    void PostDeviceChange(HidDeviceChange change, const std::string& path) override;
    void Note(LinkNote note) override;
    void ConnectionChanged(const ConnectionEvent& event) override;

    void Wake();
    void ForgetNotches();
    void Queue(const SettingsSends& sends);
    void WriteSettings(const UnitSettings& to, const UnitSettings& from, bool notchTables);

    CUnitObserver& m_observer;
    CUnitProtocol m_protocol;
    CEqualizerModel m_equalizers;

    // What the link's threads left for the owner's thread.
    std::mutex m_eventMutex;
    bool m_recalled = false;
    std::array<bool, kChannelCount> m_notchesReceived{};
    std::vector<DeviceChange> m_deviceChanges;
    std::vector<LinkNote> m_notes;
    bool m_sendWanted = false;
    bool m_woken = false;

    CHidLink m_link;   // last: its threads stop before the rest goes
};
