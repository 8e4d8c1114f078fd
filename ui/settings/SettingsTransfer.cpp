#include "ui/settings/SettingsTransfer.h"

#include "ui/common/UnitAdapter.h"

namespace {

bool NothingPending(const CUnit& unit)
{
    CommandSlot pending[1];
    return unit.Scheduler().Pending(pending, 1) == 0;
}

ChannelPair ImageChannels(const CUnit& unit)
{
    const std::array<ChannelBlock, kChannelCount> blocks = unit.Image().Channels();
    return KeptChannelBlocks(blocks[0], blocks[1]);
}

}  // namespace

CSettingsTransfer::CSettingsTransfer(CUnitAdapter& unit, QObject* parent) : QObject(parent), m_unit(unit)
{
    connect(&m_unit, &CUnitAdapter::commandFinished, this, &CSettingsTransfer::OnCommandFinished);
    connect(&m_unit, &CUnitAdapter::connectionChanged, this, &CSettingsTransfer::OnConnectionChanged);
}

void CSettingsTransfer::StartBackup()
{
    Start(Kind::Backup);
    m_backup.presets.emplace();
    NextPreset();
}

void CSettingsTransfer::StartRestore(const SettingsFile& file)
{
    Start(Kind::Restore);
    m_file = file;
    NextPreset();
}

void CSettingsTransfer::StartImport(const CurrentSettings& current)
{
    Start(Kind::Import);
    SendCurrent(current);
}

// The settings the unit has now are what a backup or a restore sends back at the end.
void CSettingsTransfer::Start(Kind kind)
{
    m_kind = kind;
    m_file = SettingsFile{};
    m_backup = CaptureSettings(m_unit.Unit().Image(), QStringLiteral(QUENDA_VERSION), TheUnitIdentity());
    m_preset = 0;
    m_sendingCurrent = false;
    m_cancel = false;
    m_stalledTicks = -1;
}

void CSettingsTransfer::Cancel()
{
    m_cancel = true;
}

void CSettingsTransfer::Tick()
{
    if (IsRunning() && m_stalledTicks >= 0 && ++m_stalledTicks > kStalledTicks)
        Finish(Result::NotAnswered);
}

void CSettingsTransfer::OnConnectionChanged(const ConnectionEvent&)
{
    if (IsRunning() && !m_unit.Unit().IsConnected())
        Finish(Result::LinkLost);
}

void CSettingsTransfer::NextPreset()
{
    if (m_cancel || m_preset == kUserPresetCount) {
        const bool fileHasCurrent = m_kind == Kind::Restore && m_file.current.has_value();
        SendCurrent(fileHasCurrent ? *m_file.current : *m_backup.current);
        return;
    }
    ++m_preset;
    emit presetStarted(m_preset);
    if (m_kind == Kind::Backup)
        ReadPreset(m_preset);
    else
        WritePreset(m_preset);
}

void CSettingsTransfer::ReadPreset(int n)
{
    const auto preset = static_cast<std::uint8_t>(n);
    m_unit.Unit().Scheduler().QueueRecallPreset(preset);
    m_awaited = {CMD_RECALL_PRESET, 0, preset, 0, 0};
    m_awaitedAnswered = false;
}

// The unit stores its current settings: the preset's groups and its name go first.
void CSettingsTransfer::WritePreset(int n)
{
    const auto preset = static_cast<std::uint8_t>(n);
    CUnit& unit = m_unit.Unit();
    unit.Replace(WithPresetBlocks(unit.Settings(), (*m_file.presets)[n - 1]));
    ApplyPresetName(unit.Image(), n, m_file.presetNames[n - 1]);
    unit.QueueEverySetting();
    unit.Scheduler().QueuePresetName(preset);
    unit.Scheduler().QueueStorePreset(preset);
    m_awaited = {CMD_STORE_PRESET, 0, preset, 0, 0};
    m_awaitedAnswered = false;
}

void CSettingsTransfer::SendCurrent(const CurrentSettings& current)
{
    m_sendingCurrent = true;
    CUnit& unit = m_unit.Unit();
    unit.Replace(WithCurrentSettings(unit.Settings(), current));
    m_awaited = unit.QueueEverySetting();
    m_awaitedAnswered = false;
}

void CSettingsTransfer::OnCommandFinished(const CommandSlot& command, CommandOutcome outcome)
{
    if (!IsRunning())
        return;
    if (outcome == CommandOutcome::Cleared) {
        Finish(Result::LinkLost);
        return;
    }
    // A round unanswered is tried again once the unit answers; a command given up is not.
    if (outcome == CommandOutcome::NotAnswered) {
        m_stalledTicks = 0;
        return;
    }
    if (outcome != CommandOutcome::Answered) {
        Finish(Result::NotAnswered);
        return;
    }
    m_stalledTicks = -1;
    m_awaitedAnswered = m_awaitedAnswered || command == m_awaited;
    // The current settings are sent once every one of their groups was answered.
    if (!m_awaitedAnswered || (m_sendingCurrent && !NothingPending(m_unit.Unit())))
        return;
    if (m_sendingCurrent) {
        Finish(m_cancel ? Result::Cancelled : Result::Done);
        return;
    }
    if (m_kind == Kind::Backup)
        (*m_backup.presets)[m_preset - 1] = ImageChannels(m_unit.Unit());
    NextPreset();
}

void CSettingsTransfer::Finish(Result result)
{
    m_kind = Kind::None;
    emit finished(result);
}
