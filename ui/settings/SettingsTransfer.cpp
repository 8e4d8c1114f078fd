#include "ui/settings/SettingsTransfer.h"

#include "protocol/Communication.h"
#include "ui/main/SchedulerPump.h"

namespace {

// Every group of both channels and the global items, in that order; returns the last.
CommandSlot QueueAllGroups()
{
    for (std::uint8_t c = 0; c < kChannelCount; ++c)
        for (std::uint8_t g = 0; g < kGroupCount; ++g)
            QueueSetParam(AREA_CHANNEL, c, g);
    for (std::uint8_t item : kGlobalItems)
        QueueSetParam(AREA_GLOBAL, 0, item);
    return {CMD_SET_PARAM, AREA_GLOBAL, 0, 0, kGlobalItemLanguage};
}

bool NothingPending()
{
    CommandSlot pending[1];
    return PendingCommands(pending, 1) == 0;
}

ChannelPair ImageChannels()
{
    ImageLock lock(g_ImageMutex);
    return KeptChannelBlocks(g_ChannelBlocks[0], g_ChannelBlocks[1]);
}

}  // namespace

CSettingsTransfer::CSettingsTransfer(QObject* parent) : QObject(parent)
{
    connect(&CSchedulerPump::Instance(), &CSchedulerPump::CommandFinished, this,
            &CSettingsTransfer::OnCommandFinished);
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
    m_backup = CaptureSettings(QStringLiteral(QUENDA_VERSION), TheUnitIdentity());
    m_preset = 0;
    m_sendingCurrent = false;
    m_cancel = false;
    m_stalledTicks = -1;
}

void CSettingsTransfer::Cancel()
{
    m_cancel = true;
}

void CSettingsTransfer::CheckLink()
{
    if (!IsRunning())
        return;
    if (g_Connected.load() == 0)
        Finish(Result::LinkLost);
    else if (m_stalledTicks >= 0 && ++m_stalledTicks > kStalledTicks)
        Finish(Result::NotAnswered);
}

void CSettingsTransfer::NextPreset()
{
    if (m_cancel || m_preset == kUserPresetCount) {
        const bool fileHasCurrent = m_kind == Kind::Restore && m_file.current.has_value();
        SendCurrent(fileHasCurrent ? *m_file.current : *m_backup.current);
        return;
    }
    ++m_preset;
    emit PresetStarted(m_preset);
    if (m_kind == Kind::Backup)
        ReadPreset(m_preset);
    else
        WritePreset(m_preset);
}

void CSettingsTransfer::ReadPreset(int n)
{
    const auto preset = static_cast<std::uint8_t>(n);
    QueueRecallPreset(preset);
    m_awaited = {CMD_RECALL_PRESET, 0, preset, 0, 0};
    m_awaitedAnswered = false;
}

// The unit stores its current settings: the preset's groups and its name go first.
void CSettingsTransfer::WritePreset(int n)
{
    const auto preset = static_cast<std::uint8_t>(n);
    ApplyChannelBlocks((*m_file.presets)[n - 1]);
    ApplyPresetName(n, m_file.presetNames[n - 1]);
    emit ImageChanged();
    QueueAllGroups();
    QueuePresetName(preset);
    QueueStorePreset(preset);
    m_awaited = {CMD_STORE_PRESET, 0, preset, 0, 0};
    m_awaitedAnswered = false;
}

void CSettingsTransfer::SendCurrent(const CurrentSettings& current)
{
    m_sendingCurrent = true;
    ApplyCurrentSettings(current);
    emit ImageChanged();
    ApplyRestoreGains(current);   // showing the image takes the flat gains as the ones to restore
    m_awaited = QueueAllGroups();
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
    if (!m_awaitedAnswered || (m_sendingCurrent && !NothingPending()))
        return;
    if (m_sendingCurrent) {
        Finish(m_cancel ? Result::Cancelled : Result::Done);
        return;
    }
    if (m_kind == Kind::Backup)
        (*m_backup.presets)[m_preset - 1] = ImageChannels();
    NextPreset();
}

void CSettingsTransfer::Finish(Result result)
{
    m_kind = Kind::None;
    emit Finished(result);
}
