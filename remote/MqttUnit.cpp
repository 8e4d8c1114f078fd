#include "remote/MqttUnit.h"

#include "model/SettingFields.h"
#include "remote/MqttBridge.h"
#include "remote/RemoteLog.h"
#include "ui/common/PresetNameCodec.h"
#include "ui/common/UnitActions.h"
#include "ui/common/UnitAdapter.h"
#include "ui/common/UnitNames.h"

#include <QJsonDocument>

namespace {

const QString kChannelParts[kChannelCount] = {QStringLiteral("a"), QStringLiteral("b")};
const QString kChannelNames[kChannelCount] = {QStringLiteral("CH A"), QStringLiteral("CH B")};

// The highest lit level lamp, 1..9; 0 when none is lit.
int LevelOf(const MeterLamps& lamps)
{
    int level = 0;
    for (int j = 0; j < kOverloadLamp; ++j) {
        if (lamps[j])
            level = j + 1;
    }
    return level;
}

QByteArray Json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// The USB release number as a version: 0x0200 is "2.00".
QString ReleaseText(std::uint16_t release)
{
    return QStringLiteral("%1.%2").arg(release >> 8, 0, 16).arg(release & 0xff, 2, 16, QLatin1Char('0'));
}

}  // namespace

CMqttUnit::CMqttUnit(CMqttBridge& bridge, CUnitAdapter& unit, const HidInterfaceInfo& known)
    : m_bridge(bridge), m_unit(unit), m_known(known), m_node(MqttNode(QString::fromStdString(UnitKey(known))))
{
    connect(&m_unit, &CUnitAdapter::settingsChanged, this, &CMqttUnit::OnSettingsChanged);
    connect(&m_unit, &CUnitAdapter::commandFinished, this, &CMqttUnit::OnCommandFinished);
    connect(&m_unit, &CUnitAdapter::connectionChanged, this, &CMqttUnit::OnConnectionChanged);
    connect(&m_unit, &CUnitAdapter::meterLampsShown, this, &CMqttUnit::OnMeterLamps);
}

QString CMqttUnit::UnitText() const
{
    return QString::fromStdString(UnitKey(m_known));
}

QString CMqttUnit::StateTopic(const QString& what) const
{
    return QStringLiteral("%1/%2/%3/state").arg(m_bridge.Settings().base, m_node, what);
}

QString CMqttUnit::CommandTopic(const QString& what) const
{
    return QStringLiteral("%1/%2/%3/set").arg(m_bridge.Settings().base, m_node, what);
}

QString CMqttUnit::AvailabilityTopic() const
{
    return QStringLiteral("%1/%2/availability").arg(m_bridge.Settings().base, m_node);
}

QJsonObject CMqttUnit::Device() const
{
    const QString name = CUnitNames().Name(UnitKey(m_known));
    return {{QStringLiteral("identifiers"), QJsonArray{QStringLiteral("quenda_") + m_node}},
            {QStringLiteral("name"), name.isEmpty() ? QStringLiteral("Quenda ") + UnitText() : name},
            {QStringLiteral("manufacturer"), QStringLiteral("Quenda")},
            {QStringLiteral("model"), QStringLiteral("Two-channel audio processor")},
            {QStringLiteral("sw_version"), ReleaseText(m_known.version)}};
}

// The 20 names as the select offers them: each unique, an empty one by its number.
QStringList CMqttUnit::PresetOptions() const
{
    QStringList options;
    const CParameterImage& image = m_unit.Unit().Image();
    for (int n = 1; n <= kUserPresetCount; ++n) {
        QString name = ReadPresetName(image, n).trimmed();
        if (name.isEmpty())
            name = QStringLiteral("Preset %1").arg(n);
        if (options.contains(name))
            name += QStringLiteral(" (%1)").arg(n);
        options << name;
    }
    return options;
}

void CMqttUnit::PublishConfig(const QString& component, const QString& object, QJsonObject config)
{
    const QString base = m_bridge.Settings().base;
    config.insert(QStringLiteral("unique_id"), QStringLiteral("quenda_%1_%2").arg(m_node, object));
    config.insert(QStringLiteral("has_entity_name"), true);
    config.insert(QStringLiteral("availability"),
                  QJsonArray{QJsonObject{{QStringLiteral("topic"), QStringLiteral("%1/bridge/availability").arg(base)}},
                             QJsonObject{{QStringLiteral("topic"), AvailabilityTopic()}}});
    config.insert(QStringLiteral("availability_mode"), QStringLiteral("all"));
    config.insert(QStringLiteral("device"), Device());
    m_bridge.Publish(QStringLiteral("%1/%2/quenda_%3/%4/config").arg(m_bridge.Settings().prefix, component, m_node, object),
                     Json(config), true);
}

void CMqttUnit::PublishDiscovery()
{
    m_optionsPublished = PresetOptions();
    PublishConfig(QStringLiteral("select"), QStringLiteral("preset"),
                  {{QStringLiteral("name"), QStringLiteral("Preset")},
                   {QStringLiteral("icon"), QStringLiteral("mdi:playlist-music")},
                   {QStringLiteral("state_topic"), StateTopic(QStringLiteral("preset"))},
                   {QStringLiteral("command_topic"), CommandTopic(QStringLiteral("preset"))},
                   {QStringLiteral("options"), QJsonArray::fromStringList(m_optionsPublished)}});
    PublishConfig(QStringLiteral("button"), QStringLiteral("store"),
                  {{QStringLiteral("name"), QStringLiteral("Store into the selected preset")},
                   {QStringLiteral("icon"), QStringLiteral("mdi:content-save")},
                   {QStringLiteral("command_topic"), CommandTopic(QStringLiteral("store"))},
                   {QStringLiteral("payload_press"), QStringLiteral("PRESS")}});
    for (int c = 0; c < kChannelCount; ++c) {
        const QString part = kChannelParts[c];
        PublishConfig(QStringLiteral("number"), part + QStringLiteral("_gain"),
                      {{QStringLiteral("name"), kChannelNames[c] + QStringLiteral(" gain")},
                       {QStringLiteral("icon"), QStringLiteral("mdi:volume-high")},
                       {QStringLiteral("state_topic"), StateTopic(part + QStringLiteral("/gain"))},
                       {QStringLiteral("command_topic"), CommandTopic(part + QStringLiteral("/gain"))},
                       {QStringLiteral("min"), -80},
                       {QStringLiteral("max"), 10},
                       {QStringLiteral("step"), 1},
                       {QStringLiteral("mode"), QStringLiteral("slider")},
                       {QStringLiteral("unit_of_measurement"), QStringLiteral("dB")}});
        PublishConfig(QStringLiteral("switch"), part + QStringLiteral("_mute"),
                      {{QStringLiteral("name"), kChannelNames[c] + QStringLiteral(" mute")},
                       {QStringLiteral("icon"), QStringLiteral("mdi:volume-off")},
                       {QStringLiteral("state_topic"), StateTopic(part + QStringLiteral("/mute"))},
                       {QStringLiteral("command_topic"), CommandTopic(part + QStringLiteral("/mute"))},
                       {QStringLiteral("payload_on"), QStringLiteral("ON")},
                       {QStringLiteral("payload_off"), QStringLiteral("OFF")}});
        PublishConfig(QStringLiteral("sensor"), part + QStringLiteral("_level"),
                      {{QStringLiteral("name"), kChannelNames[c] + QStringLiteral(" level")},
                       {QStringLiteral("icon"), QStringLiteral("mdi:meter-electric")},
                       {QStringLiteral("state_topic"), StateTopic(part + QStringLiteral("/level"))},
                       {QStringLiteral("state_class"), QStringLiteral("measurement")}});
    }
}

void CMqttUnit::PublishState()
{
    PublishAvailability();
    for (int c = 0; c < kChannelCount; ++c)
        PublishChannel(c, true);
    PublishPreset();
    PublishLevels(true);
}

void CMqttUnit::PublishAvailability()
{
    m_bridge.Publish(AvailabilityTopic(), m_unit.Unit().IsConnected() ? "online" : "offline", true);
}

void CMqttUnit::PublishChannel(int channel, bool always)
{
    const ChannelBlock block = m_unit.Unit().Image().Channel(channel);
    const int gain = block.gain.Get();
    const int mute = block.mute != 0 ? 1 : 0;
    const QString part = kChannelParts[channel];
    if (always || gain != m_gainPublished[channel]) {
        m_gainPublished[channel] = gain;
        m_bridge.Publish(StateTopic(part + QStringLiteral("/gain")),
                         QByteArray::number(static_cast<int>(codecs::kGain.linear->Value(gain))), true);
    }
    if (always || mute != m_mutePublished[channel]) {
        m_mutePublished[channel] = mute;
        m_bridge.Publish(StateTopic(part + QStringLiteral("/mute")), mute ? "ON" : "OFF", true);
    }
}

void CMqttUnit::PublishPreset()
{
    if (m_selectedPreset > 0)
        m_bridge.Publish(StateTopic(QStringLiteral("preset")), PresetOptions()[m_selectedPreset - 1].toUtf8(), true);
}

void CMqttUnit::PublishLevels(bool always)
{
    for (int c = 0; c < kChannelCount; ++c) {
        if (!always && m_levels[c] == m_levelsPublished[c])
            continue;
        m_levelsPublished[c] = m_levels[c];
        m_bridge.Publish(StateTopic(kChannelParts[c] + QStringLiteral("/level")), QByteArray::number(m_levels[c]), true);
    }
    m_levelsAtMs = m_bridge.Clock().NowMs();
}

void CMqttUnit::OnSettingsChanged(const SettingsChange& change)
{
    if (!m_bridge.IsConnected())
        return;
    for (int c = 0; c < kChannelCount; ++c) {
        if (change.ChangedGroup(c, kGroupGain))
            PublishChannel(c, false);
    }
    // the setup brings the unit's names
    if (change.cause == SettingsChange::Cause::Replaced && PresetOptions() != m_optionsPublished) {
        PublishDiscovery();
        PublishPreset();
    }
}

void CMqttUnit::OnCommandFinished(const CommandSlot& command, CommandOutcome outcome)
{
    if (outcome != CommandOutcome::Answered)
        return;
    if (command.code == CMD_RECALL_PRESET && command.a2 >= 1 && command.a2 <= kUserPresetCount) {
        m_selectedPreset = command.a2;
        if (m_bridge.IsConnected())
            PublishPreset();
    }
    const bool named = command.code == CMD_SET_PARAM && command.a1 == AREA_PRESET_NAME;
    if (named && m_bridge.IsConnected() && PresetOptions() != m_optionsPublished) {
        PublishDiscovery();
        PublishPreset();
    }
}

// A unit unplugged is offline at once, and online again once it is back.
void CMqttUnit::OnConnectionChanged(const ConnectionEvent&)
{
    if (!m_bridge.IsConnected())
        return;
    PublishAvailability();
    if (m_unit.Unit().IsConnected()) {
        for (int c = 0; c < kChannelCount; ++c)
            PublishChannel(c, false);
    }
}

void CMqttUnit::OnMeterLamps(int channel, const MeterLamps& lamps)
{
    if (channel < 0 || channel >= kChannelCount)
        return;
    m_levels[channel] = LevelOf(lamps);
    if (channel != kChannelCount - 1 || !m_bridge.IsConnected())
        return;
    if (m_bridge.Clock().NowMs() - m_levelsAtMs >= CMqttBridge::kMeterPeriodMs && m_levels != m_levelsPublished)
        PublishLevels(false);
}

void CMqttUnit::Refuse(const QString& reason)
{
    qCWarning(lcRemote).noquote() << "MQTT:" << UnitText() << "ignored a command:" << reason;
    for (int c = 0; c < kChannelCount; ++c)
        PublishChannel(c, true);
    PublishPreset();
}

void CMqttUnit::Carry(const MqttCommand& command)
{
    if (!m_unit.Unit().IsConnected()) {
        Refuse(QStringLiteral("the unit is offline"));
        return;
    }
    CUnit& unit = m_unit.Unit();
    switch (command.action) {
    case MqttAction::Gain:
    case MqttAction::Mute: {
        const ChannelField field = command.action == MqttAction::Gain ? ChannelField::Gain : ChannelField::Mute;
        const int code = command.action == MqttAction::Gain ? command.gainCode : (command.mute ? 1 : 0);
        if (LoadCode(BlockBytes(unit.Image().Channel(command.channel)), Spec(field)) == code) {
            PublishChannel(command.channel, true);   // nothing to send: the state as it is
            return;
        }
        m_unit.Actions().Change([&](CSettingsEdit& edit) { edit.Set(command.channel, field, code); });
        return;
    }
    case MqttAction::Preset: {
        const qsizetype n = PresetOptions().indexOf(command.presetName) + 1;
        if (n == 0) {
            Refuse(QStringLiteral("no preset is named \"%1\"").arg(command.presetName.left(64)));
            return;
        }
        unit.Scheduler().QueueRecallPreset(static_cast<std::uint8_t>(n));
        return;
    }
    case MqttAction::Store:
        if (m_selectedPreset == 0) {
            Refuse(QStringLiteral("no preset is selected to store into"));
            return;
        }
        unit.Scheduler().QueueStorePreset(static_cast<std::uint8_t>(m_selectedPreset));
        return;
    }
}
