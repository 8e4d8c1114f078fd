// One unit on the MQTT broker: its Home Assistant device and entities, its
// retained state topics kept as the unit is, and the commands for it carried
// out through the unit's own actions.
#pragma once

#include "protocol/CommandScheduler.h"
#include "protocol/ProtocolEvents.h"
#include "remote/MqttCommand.h"
#include "transport/HidBackend.h"
#include "transport/HidLink.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>

class CMqttBridge;
class CUnitAdapter;
struct SettingsChange;

class CMqttUnit : public QObject {
    Q_OBJECT
public:
    // The bridge and the adapter outlive the unit.
    CMqttUnit(CMqttBridge& bridge, CUnitAdapter& unit, const HidInterfaceInfo& known);

    // The unit's part of its topics.
    const QString& Node() const { return m_node; }
    // The discovery messages of every entity (retained).
    void PublishDiscovery();
    // Every state topic and the availability, as they are now.
    void PublishState();
    // A command read from its topic for this unit.
    void Carry(const MqttCommand& command);
    // A command refused: the state topics again, so that a dashboard that moved a control snaps back.
    void Refuse(const QString& reason);

private:
    void OnSettingsChanged(const SettingsChange& change);
    void OnCommandFinished(const CommandSlot& command, CommandOutcome outcome);
    void OnConnectionChanged(const ConnectionEvent& event);
    void OnMeterLamps(int channel, const MeterLamps& lamps);
    void PublishChannel(int channel, bool always);
    void PublishAvailability();
    void PublishPreset();
    void PublishLevels(bool always);
    void PublishConfig(const QString& component, const QString& object, QJsonObject config);
    QStringList PresetOptions() const;
    QString StateTopic(const QString& what) const;
    QString CommandTopic(const QString& what) const;
    QString AvailabilityTopic() const;
    QJsonObject Device() const;
    QString UnitText() const;

    CMqttBridge& m_bridge;
    CUnitAdapter& m_unit;
    const HidInterfaceInfo m_known;
    const QString m_node;
    int m_selectedPreset = 0;    // the preset recalled or chosen last, 1..20; 0 none yet
    QStringList m_optionsPublished;
    std::array<int, 2> m_gainPublished{-1, -1};
    std::array<int, 2> m_mutePublished{-1, -1};
    std::array<int, 2> m_levels{};
    std::array<int, 2> m_levelsPublished{-1, -1};
    std::array<MeterLamps, 2> m_lamps{};
    qint64 m_levelsAtMs = 0;
};
