#include "remote/RemoteUnit.h"

#include "model/ChannelEqualizer.h"
#include "model/SettingFields.h"
#include "model/ValueTables.h"
#include "remote/SettingsPatch.h"
#include "ui/common/PresetNameCodec.h"
#include "ui/common/PresetTexts.h"
#include "ui/common/UnitActions.h"
#include "ui/common/UnitAdapter.h"
#include "ui/common/UnitNames.h"
#include "ui/settings/SettingsFile.h"
#include "ui/settings/SettingsFileFields.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cmath>

namespace {

constexpr char kUnnamedUnitId[] = "unit";
constexpr double kCurveStep = 100.0;   // curves are told to 0.01 dB

double Rounded(double value)
{
    return std::round(value * kCurveStep) / kCurveStep;
}

QJsonArray CurveArray(const Response& response)
{
    QJsonArray values;
    for (const double db : response)
        values.append(Rounded(db));
    return values;
}

QJsonArray FrequencyArray()
{
    QJsonArray values;
    for (const double hz : kFreqGrid)
        values.append(std::round(hz * 10.0) / 10.0);
    return values;
}

QJsonArray HandleArray(const ChannelBlock& block)
{
    const Linear& gain = *codecs::kBandGain.linear;
    QJsonArray handles;
    for (const BandParams& band : block.bands) {
        handles.append(QJsonObject{{QStringLiteral("frequencyHz"), band.freqHz.Get()},
                                   {QStringLiteral("gainDb"), Rounded(gain.Value(band.gainCode.Get()))}});
    }
    return handles;
}

QString LanguageWord(std::uint8_t language)
{
    return language != 0 ? QStringLiteral("chinese") : QStringLiteral("english");
}

QByteArray Message(const QString& type, const QString& unit, QJsonObject body)
{
    body.insert(QStringLiteral("type"), type);
    body.insert(QStringLiteral("unit"), unit);
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

QString OutcomeWord(CommandOutcome outcome)
{
    switch (outcome) {
    case CommandOutcome::Answered: return QStringLiteral("answered");
    case CommandOutcome::NotAnswered: return QStringLiteral("notAnswered");
    case CommandOutcome::Dropped: return QStringLiteral("dropped");
    case CommandOutcome::Refused: return QStringLiteral("refused");
    case CommandOutcome::Cleared: return QStringLiteral("cleared");
    }
    return {};
}

QString ConnectionWord(ConnectionEvent::Kind kind)
{
    switch (kind) {
    case ConnectionEvent::Kind::Connected: return QStringLiteral("connected");
    case ConnectionEvent::Kind::ConnectFailed: return QStringLiteral("connectFailed");
    case ConnectionEvent::Kind::Disconnected: return QStringLiteral("disconnected");
    case ConnectionEvent::Kind::Lost: return QStringLiteral("lost");
    case ConnectionEvent::Kind::Reconnected: return QStringLiteral("reconnected");
    case ConnectionEvent::Kind::SearchFailed: return QStringLiteral("searchFailed");
    }
    return {};
}

// What a command was, as a client knows the unit's settings.
QJsonObject CommandObject(const CommandSlot& command)
{
    switch (command.code) {
    case CMD_SET_PARAM:
        if (command.a1 == AREA_CHANNEL)
            return {{QStringLiteral("kind"), QStringLiteral("channelGroup")},
                    {QStringLiteral("channel"), settings_file::ChannelName(command.a3)},
                    {QStringLiteral("group"), command.a4}};
        if (command.a1 == AREA_PRESET_NAME)
            return {{QStringLiteral("kind"), QStringLiteral("presetName")}, {QStringLiteral("preset"), command.a2}};
        return {{QStringLiteral("kind"), QStringLiteral("globalItem")}, {QStringLiteral("item"), command.a4}};
    case CMD_WRITE_BANDS:
        return {{QStringLiteral("kind"), QStringLiteral("bands")},
                {QStringLiteral("channel"), settings_file::ChannelName(command.a3)}};
    case CMD_STORE_PRESET:
        return {{QStringLiteral("kind"), QStringLiteral("store")}, {QStringLiteral("preset"), command.a2}};
    case CMD_RECALL_PRESET:
        return {{QStringLiteral("kind"), QStringLiteral("recall")}, {QStringLiteral("preset"), command.a2}};
    default:
        return {{QStringLiteral("kind"), QStringLiteral("setup")}};
    }
}

QJsonObject ErrorBody(const QString& text)
{
    return {{QStringLiteral("error"), text}};
}

bool HoldsControlCharacter(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

int CauseRank(const QString& cause)
{
    if (cause == QLatin1String("replaced"))
        return 2;
    return cause == QLatin1String("edited") ? 1 : 0;
}

}  // namespace

CRemoteUnit::CRemoteUnit(CUnitAdapter& unit, const HidInterfaceInfo& known, const CRemoteClock& clock, QObject* parent)
    : QObject(parent), m_unit(unit), m_known(known), m_clock(clock), m_model(std::make_unique<CEqualizerModel>())
{
    m_model->Build(m_unit.Unit().Image().Channels());
    m_flush.setSingleShot(true);
    m_flush.setInterval(0);
    connect(&m_flush, &QTimer::timeout, this, &CRemoteUnit::Flush);
    connect(&m_unit, &CUnitAdapter::settingsChanged, this, &CRemoteUnit::OnSettingsChanged);
    connect(&m_unit, &CUnitAdapter::commandFinished, this, &CRemoteUnit::OnCommandFinished);
    connect(&m_unit, &CUnitAdapter::connectionChanged, this, &CRemoteUnit::OnConnectionChanged);
    connect(&m_unit, &CUnitAdapter::meterLampsShown, this, &CRemoteUnit::OnMeterLamps);
    CUnitActions& actions = m_unit.Actions();
    connect(&actions, &CUnitActions::undoAvailable, this, &CRemoteUnit::ScheduleFlush);
    connect(&actions, &CUnitActions::redoAvailable, this, &CRemoteUnit::ScheduleFlush);
    connect(&actions, &CUnitActions::activeSideChanged, this, &CRemoteUnit::ScheduleFlush);
}

// Whoever still waits hears that the unit is gone from here.
CRemoteUnit::~CRemoteUnit()
{
    while (!m_waits.isEmpty())
        FinishWait(0, false);
}

HidInterfaceInfo CRemoteUnit::Interface() const
{
    const HidInterfaceInfo& open = m_unit.Unit().Link().OpenUnit();
    return open.path.empty() ? m_known : open;
}

QString CRemoteUnit::Id() const
{
    const std::string key = UnitKey(Interface());
    return key.empty() ? QLatin1String(kUnnamedUnitId) : QString::fromStdString(key);
}

QJsonObject CRemoteUnit::Summary() const
{
    const HidInterfaceInfo info = Interface();
    const std::string key = UnitKey(info);
    return {{QStringLiteral("id"), Id()},
            {QStringLiteral("serial"), QString::fromStdString(info.serial)},
            {QStringLiteral("path"), QString::fromStdString(info.path)},
            {QStringLiteral("name"), key.empty() ? QString() : CUnitNames().Name(key)},
            {QStringLiteral("connected"), m_unit.Unit().IsConnected()},
            {QStringLiteral("language"), LanguageWord(m_unit.Unit().Image().Globals().language)}};
}

QJsonObject CRemoteUnit::HistoryState() const
{
    CUnitActions& actions = m_unit.Actions();
    return {{QStringLiteral("side"), actions.ActiveSide() == CompareSide::A ? QStringLiteral("A") : QStringLiteral("B")},
            {QStringLiteral("canUndo"), actions.CanUndo()},
            {QStringLiteral("canRedo"), actions.CanRedo()}};
}

QJsonObject CRemoteUnit::Curves() const
{
    const std::array<ChannelBlock, kChannelCount> blocks = m_unit.Unit().Image().Channels();
    m_model->Reload(blocks);
    QJsonArray channels;
    for (int c = 0; c < kChannelCount; ++c) {
        const CChannelEqualizer& eq = m_model->Channel(c);
        channels.append(QJsonObject{{QStringLiteral("channel"), settings_file::ChannelName(c)},
                                    {QStringLiteral("equalizerDb"), CurveArray(eq.ParametricResponse())},
                                    {QStringLiteral("notchesDb"), CurveArray(eq.NotchResponse())},
                                    {QStringLiteral("handles"), HandleArray(blocks[c])}});
    }
    return {{QStringLiteral("frequenciesHz"), FrequencyArray()}, {QStringLiteral("channels"), channels}};
}

QJsonObject CRemoteUnit::State() const
{
    QJsonObject state = Summary();
    const CParameterImage& image = m_unit.Unit().Image();
    QJsonArray names;
    for (int n = 1; n <= kUserPresetCount; ++n)
        names.append(ReadPresetName(image, n));
    state.insert(QStringLiteral("presetNames"), names);
    state.insert(QStringLiteral("current"), CurrentSettingsToJson(CaptureCurrentSettings(image)));
    state.insert(QStringLiteral("history"), HistoryState());
    state.insert(QStringLiteral("curves"), Curves());
    return state;
}

// While others listen and nothing changed since they were told, the state told is the state.
QByteArray CRemoteUnit::StateMessage() const
{
    const bool toldIsNow = m_listeners > 0 && !m_flush.isActive() && !m_told.isEmpty();
    return Message(QStringLiteral("state"), Id(), toldIsNow ? m_told : State());
}

void CRemoteUnit::AddListener()
{
    if (m_listeners++ == 0)
        m_told = State();
}

void CRemoteUnit::RemoveListener()
{
    if (m_listeners > 0 && --m_listeners == 0)
        m_told = {};
}

void CRemoteUnit::ScheduleFlush()
{
    if (m_listeners > 0 && !m_flush.isActive())
        m_flush.start();
}

// What changed since the listeners were last told, as one sparse change.
void CRemoteUnit::Flush()
{
    const QString cause = std::exchange(m_cause, QStringLiteral("reported"));
    if (m_listeners == 0)
        return;
    const QJsonObject now = State();
    const QJsonValue change = DiffPatch(m_told, now);
    m_told = now;
    if (change.isUndefined())
        return;
    QJsonObject body = change.toObject();
    body.insert(QStringLiteral("cause"), cause);
    emit changed(Message(QStringLiteral("change"), Id(), body));
}

void CRemoteUnit::OnSettingsChanged(const SettingsChange& change)
{
    const QString cause = change.cause == SettingsChange::Cause::Replaced ? QStringLiteral("replaced")
                          : change.cause == SettingsChange::Cause::Edited ? QStringLiteral("edited")
                                                                          : QStringLiteral("reported");
    if (CauseRank(cause) > CauseRank(m_cause))
        m_cause = cause;
    ScheduleFlush();
}

void CRemoteUnit::OnCommandFinished(const CommandSlot& command, CommandOutcome outcome)
{
    if (m_listeners > 0) {
        emit outcomeTold(Message(QStringLiteral("outcome"), Id(),
                                 {{QStringLiteral("command"), CommandObject(command)},
                                  {QStringLiteral("outcome"), OutcomeWord(outcome)}}));
    }
    for (qsizetype i = 0; i < m_waits.size();) {
        Wait& wait = m_waits[i];
        const qsizetype at = wait.commands.indexOf(command);
        if (at < 0 || outcome == CommandOutcome::NotAnswered) {
            ++i;
            continue;
        }
        if (outcome != CommandOutcome::Answered) {
            FinishWait(i, false);
            continue;
        }
        // a later change of the same address waits behind it and carries these bytes too
        if (!StillPending(command))
            wait.commands.removeAt(at);
        if (wait.commands.isEmpty()) {
            FinishWait(i, true);
            continue;
        }
        ++i;
    }
    ScheduleFlush();
}

void CRemoteUnit::OnConnectionChanged(const ConnectionEvent& event)
{
    if (m_listeners > 0) {
        emit connectionTold(Message(QStringLiteral("connection"), Id(),
                                    {{QStringLiteral("event"), ConnectionWord(event.kind)},
                                     {QStringLiteral("connected"), m_unit.Unit().IsConnected()}}));
    }
    if (!m_unit.Unit().IsConnected()) {
        while (!m_waits.isEmpty())
            FinishWait(0, false);
    }
    ScheduleFlush();
}

// The lamps of both channels come each tick; they are told when they changed, at most every kMeterPeriodMs.
void CRemoteUnit::OnMeterLamps(int channel, const MeterLamps& lamps)
{
    if (channel < 0 || channel >= kChannelCount)
        return;
    m_lamps[channel] = lamps;
    if (channel != kChannelCount - 1 || m_listeners == 0)
        return;
    const qint64 now = m_clock.NowMs();
    if ((m_metersEverTold && m_lamps == m_lampsTold) || now - m_metersToldAtMs < kMeterPeriodMs)
        return;
    m_lampsTold = m_lamps;
    m_metersToldAtMs = now;
    m_metersEverTold = true;
    QJsonArray channels;
    for (int c = 0; c < kChannelCount; ++c) {
        QJsonArray lit;
        int level = 0;
        for (int j = 0; j < kLampsPerChannel; ++j) {
            lit.append(m_lamps[c][j]);
            if (j < kOverloadLamp && m_lamps[c][j])
                level = j + 1;
        }
        channels.append(QJsonObject{{QStringLiteral("channel"), settings_file::ChannelName(c)},
                                    {QStringLiteral("lamps"), lit},
                                    {QStringLiteral("level"), level},
                                    {QStringLiteral("overload"), m_lamps[c][kOverloadLamp]}});
    }
    emit metersTold(Message(QStringLiteral("meters"), Id(), {{QStringLiteral("channels"), channels}}));
}

bool CRemoteUnit::StillPending(const CommandSlot& command) const
{
    CommandSlot pending[kPendingCapacity];
    const std::size_t n = m_unit.Unit().Scheduler().Pending(pending, kPendingCapacity);
    return std::find(pending, pending + n, command) != pending + n;
}

// A client changes nothing while the unit cannot take it.
bool CRemoteUnit::Refuses(const RemoteReply& reply) const
{
    if (m_unit.Unit().IsConnected())
        return false;
    reply(409, ErrorBody(QStringLiteral("the unit is not connected")));
    return true;
}

void CRemoteUnit::WaitForPending(const RemoteReply& reply, const QJsonObject& answered, const QJsonObject& failed)
{
    CommandSlot pending[kPendingCapacity];
    const std::size_t n = m_unit.Unit().Scheduler().Pending(pending, kPendingCapacity);
    if (n == 0) {
        reply(200, answered);
        return;
    }
    Wait wait;
    wait.commands = QList<CommandSlot>(pending, pending + n);
    wait.reply = reply;
    wait.answered = answered;
    wait.failed = failed;
    wait.deadlineMs = m_clock.NowMs() + kAnswerLimitMs;
    m_waits.append(wait);
}

void CRemoteUnit::FinishWait(qsizetype i, bool acknowledged)
{
    const Wait wait = m_waits.takeAt(i);
    if (acknowledged)
        wait.reply(200, wait.answered);
    else
        wait.reply(504, wait.failed);
}

void CRemoteUnit::ExpireWaits()
{
    const qint64 now = m_clock.NowMs();
    for (qsizetype i = 0; i < m_waits.size();) {
        if (now >= m_waits[i].deadlineMs)
            FinishWait(i, false);
        else
            ++i;
    }
}

void CRemoteUnit::PatchSettings(const QJsonObject& patch, bool partOfDrag, const RemoteReply& reply)
{
    CUnitActions& actions = m_unit.Actions();
    // the drag ends whatever its last change gets: the step holds what was applied
    const auto endDrag = [&] {
        if (!partOfDrag && std::exchange(m_dragOpen, false))
            actions.EndEdit();
    };
    if (Refuses(reply)) {
        endDrag();
        return;
    }
    CUnit& unit = m_unit.Unit();
    UnitSettings patched;
    SettingsError error;
    if (!ApplySettingsPatch(unit.Settings(), CaptureCurrentSettings(unit.Image()), patch, patched, error)) {
        endDrag();
        reply(422, {{QStringLiteral("error"), error.Text()}, {QStringLiteral("field"), error.path}});
        return;
    }
    if (!m_dragOpen || !actions.IsEditOpen())
        actions.BeginEdit();
    m_dragOpen = partOfDrag;
    const CSettingsEdit edit = actions.Edit([&](CSettingsEdit& e) {
        const UnitSettings before = e.Before();
        e.SetAll(patched);
        for (int c = 0; c < kChannelCount; ++c) {
            if (before.channels[c].staticNotchCount != patched.channels[c].staticNotchCount)
                e.EmptyNotches(c);   // as the window's list does
        }
    });
    if (!partOfDrag)
        actions.EndEdit();
    if (edit.Sends().Empty()) {
        reply(200, {{QStringLiteral("applied"), true}, {QStringLiteral("changed"), false}});
        return;
    }
    WaitForPending(reply, {{QStringLiteral("applied"), true}, {QStringLiteral("changed"), true}},
                   {{QStringLiteral("applied"), false},
                    {QStringLiteral("error"), QStringLiteral("the unit did not acknowledge the change")}});
}

void CRemoteUnit::WaitForPreset(std::uint8_t code, int n, const RemoteReply& reply)
{
    const bool store = code == CMD_STORE_PRESET;
    Wait wait;
    wait.commands = {CommandSlot{code, 0, static_cast<std::uint8_t>(n), 0, 0}};
    wait.reply = reply;
    wait.answered = {{QStringLiteral("outcome"), QStringLiteral("done")},
                     {QStringLiteral("message"), PresetOutcomeText(store, n, true)}};
    wait.failed = {{QStringLiteral("outcome"), QStringLiteral("notAnswered")},
                   {QStringLiteral("error"), PresetOutcomeText(store, n, false)}};
    wait.deadlineMs = m_clock.NowMs() + kAnswerLimitMs;
    m_waits.append(wait);
}

void CRemoteUnit::RecallPreset(int n, const RemoteReply& reply)
{
    if (Refuses(reply))
        return;
    WaitForPreset(CMD_RECALL_PRESET, n, reply);
    m_unit.Unit().Scheduler().QueueRecallPreset(static_cast<std::uint8_t>(n));
}

void CRemoteUnit::StorePreset(int n, const RemoteReply& reply)
{
    if (Refuses(reply))
        return;
    WaitForPreset(CMD_STORE_PRESET, n, reply);
    m_unit.Unit().Scheduler().QueueStorePreset(static_cast<std::uint8_t>(n));
}

void CRemoteUnit::NamePreset(int n, const QString& name, const RemoteReply& reply)
{
    if (!FitsPresetName(name) || HoldsControlCharacter(name)) {
        reply(422, {{QStringLiteral("error"),
                     QStringLiteral("name: a preset name is text GBK can hold, at most 15 GBK bytes, without control characters")},
                    {QStringLiteral("field"), QStringLiteral("name")}});
        return;
    }
    if (Refuses(reply))
        return;
    WritePresetName(m_unit.Unit().Image(), n, EncodePresetName(name));
    m_unit.Unit().Scheduler().QueuePresetName(static_cast<std::uint8_t>(n));
    ScheduleFlush();
    WaitForPending(reply, {{QStringLiteral("applied"), true}},
                   {{QStringLiteral("applied"), false},
                    {QStringLiteral("error"), QStringLiteral("the unit did not acknowledge the name")}});
}

void CRemoteUnit::Undo(const RemoteReply& reply)
{
    if (Refuses(reply))
        return;
    m_unit.Actions().Undo();
    reply(200, {{QStringLiteral("history"), HistoryState()}});
}

void CRemoteUnit::Redo(const RemoteReply& reply)
{
    if (Refuses(reply))
        return;
    m_unit.Actions().Redo();
    reply(200, {{QStringLiteral("history"), HistoryState()}});
}

void CRemoteUnit::SwitchCompareSide(const RemoteReply& reply)
{
    if (Refuses(reply))
        return;
    m_unit.Actions().SwitchSide();
    reply(200, {{QStringLiteral("history"), HistoryState()}});
}
