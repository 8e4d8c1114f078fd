// One unit as the remote server shows and changes it. Its state is JSON: the
// current settings in the settings file's form, the preset names, the
// connection, the undo and A/B state, and each channel's response curves in dB
// with the band handles, so that a client draws without the model. Every
// change, whoever made it, is told as a sparse change of that state within
// the event loop's turn; the clients' changes go through the unit's actions
// (one undo step each, the window's frames) and are answered once the unit
// has acknowledged them.
#pragma once

#include "protocol/CommandScheduler.h"
#include "protocol/ProtocolEvents.h"
#include "remote/RemoteClock.h"
#include "transport/HidBackend.h"
#include "transport/HidLink.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class CEqualizerModel;
class CUnitAdapter;
struct SettingsChange;

// A request's answer: an HTTP status and a JSON body.
using RemoteReply = std::function<void(int status, const QJsonObject& body)>;

class CRemoteUnit : public QObject {
    Q_OBJECT
public:
    // How long a change may wait for the unit before it is answered 504.
    static constexpr qint64 kAnswerLimitMs = 30'000;
    // Meter lamps go to clients at most this often.
    static constexpr qint64 kMeterPeriodMs = 100;

    // known: the unit as listed when it was chosen (its serial number and path
    // until it has been opened), empty for the window's unit. The adapter and
    // the clock outlive this.
    CRemoteUnit(CUnitAdapter& unit, const HidInterfaceInfo& known, const CRemoteClock& clock, QObject* parent = nullptr);
    ~CRemoteUnit() override;

    CUnitAdapter& Adapter() const { return m_unit; }
    // The unit's serial number, or its path when it has none ("unit" before it was ever found).
    QString Id() const;
    // For the list of units: id, serial, path, name, connected, language.
    QJsonObject Summary() const;
    // Everything a client shows.
    QJsonObject State() const;
    // The "state" event: State() with its type, as an event stream's first message.
    QByteArray StateMessage() const;

    // The clients' changes and commands; reply is called once, now or when the unit has answered.
    // A change that is part of a drag leaves its undo step open: the drag's
    // changes up to the first one that is not part of it are one step, as a
    // drag in the window is.
    void PatchSettings(const QJsonObject& patch, bool partOfDrag, const RemoteReply& reply);
    void RecallPreset(int n, const RemoteReply& reply);
    void StorePreset(int n, const RemoteReply& reply);
    void NamePreset(int n, const QString& name, const RemoteReply& reply);
    void Undo(const RemoteReply& reply);
    void Redo(const RemoteReply& reply);
    void SwitchCompareSide(const RemoteReply& reply);

    // Changes are worked out only while someone listens.
    void AddListener();
    void RemoveListener();
    // Answers 504 to the changes that waited longer than kAnswerLimitMs.
    void ExpireWaits();

signals:
    // A sparse change of the state (type "change"), a connection change (type
    // "connection"), a command's outcome (type "outcome"), the meter lamps (type "meters").
    void changed(const QByteArray& message);
    void connectionTold(const QByteArray& message);
    void outcomeTold(const QByteArray& message);
    void metersTold(const QByteArray& message);

private:
    struct Wait {
        QList<CommandSlot> commands;   // not acknowledged yet
        RemoteReply reply;
        QJsonObject answered;          // the body once they all are
        QJsonObject failed;            // the body of the 504
        qint64 deadlineMs = 0;
    };

    void OnSettingsChanged(const SettingsChange& change);
    void OnCommandFinished(const CommandSlot& command, CommandOutcome outcome);
    void OnConnectionChanged(const ConnectionEvent& event);
    void OnMeterLamps(int channel, const MeterLamps& lamps);
    void ScheduleFlush();
    void Flush();
    bool Refuses(const RemoteReply& reply) const;
    void WaitForPending(const RemoteReply& reply, const QJsonObject& answered, const QJsonObject& failed);
    void WaitForPreset(std::uint8_t code, int n, const RemoteReply& reply);
    void FinishWait(qsizetype i, bool acknowledged);
    bool StillPending(const CommandSlot& command) const;
    QJsonObject Curves() const;
    QJsonObject HistoryState() const;
    HidInterfaceInfo Interface() const;

    CUnitAdapter& m_unit;
    const HidInterfaceInfo m_known;
    const CRemoteClock& m_clock;
    std::unique_ptr<CEqualizerModel> m_model;   // the curves' own, apart from the window's graphs
    QList<Wait> m_waits;
    bool m_dragOpen = false;   // a client's drag holds the unit's undo step open
    int m_listeners = 0;
    QJsonObject m_told;   // the state the listeners have; empty when nobody listened
    QTimer m_flush;
    QString m_cause = QStringLiteral("edited");
    std::array<MeterLamps, kChannelCount> m_lamps{};
    std::array<MeterLamps, kChannelCount> m_lampsTold{};
    qint64 m_metersToldAtMs = -kMeterPeriodMs;
    bool m_metersEverTold = false;
};
