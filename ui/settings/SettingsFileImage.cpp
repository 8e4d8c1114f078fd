// Settings between the image and a settings value.
#include "ui/settings/SettingsFile.h"

#include "transport/HidBackend.h"
#include "ui/main/MainWindowState.h"
#include "ui/presets/PresetName.h"
#include "ui/settings/SettingsFileFields.h"

#include <algorithm>
#include <cstring>

using namespace settings_file;

namespace {

constexpr std::size_t kGroupBytes = kGroupCount * kGroupSize;   // 128: what a set-parameter group can carry

void CopyGroupBytes(ChannelBlock& to, const ChannelBlock& from)
{
    std::memcpy(BlockBytes(to), BlockBytes(from), kGroupBytes);
    to.notchClear = 0;
}

// The name as the file keeps it; a name the unit sent that does not fit (16
// bytes) is cut as the name dialog would cut it.
QString KeptName(const char* record)
{
    const QString shown = DecodePresetName(record);
    if (FitsPresetName(shown))
        return shown;
    const QByteArray cut = EncodePresetName(shown);
    char again[kPresetRecordSize] = {};
    std::memcpy(again, cut.constData(), static_cast<std::size_t>(cut.size()));
    return DecodePresetName(again);
}

GlobalItems KeptGlobals(const GlobalSettings& globals)
{
    return GlobalItems{globals.panelLock, globals.channelLink, globals.language};
}

BandGains SavedGains(const std::int16_t (&saved)[kBandCount])
{
    BandGains gains{};
    std::memcpy(gains.data(), saved, sizeof saved);
    return gains;
}

void WriteName(char* record, const QByteArray& name)
{
    std::memset(record, 0, kPresetRecordSize);
    const qsizetype length = std::min<qsizetype>(name.size(), kPresetNameMaxBytes);
    std::memcpy(record, name.constData(), static_cast<std::size_t>(length));
}

void ApplyGains(const CurrentSettings& current)
{
    for (int c = 0; c < kChannelCount; ++c)
        if (current.restoreGains[c])
            std::memcpy(g_SavedBandGains[c], current.restoreGains[c]->data(), sizeof g_SavedBandGains[c]);
}

}  // namespace

void ApplyCurrentSettings(const CurrentSettings& current)
{
    ImageLock lock(g_ImageMutex);
    for (int c = 0; c < kChannelCount; ++c)
        CopyGroupBytes(g_ChannelBlocks[c], current.channels[c]);
    ApplyGains(current);
    g_GlobalSettings.panelLock = current.globals.panelLock;
    g_GlobalSettings.channelLink = current.globals.channelLink;
    g_GlobalSettings.language = current.globals.language;
}

void ApplyRestoreGains(const CurrentSettings& current)
{
    ImageLock lock(g_ImageMutex);
    ApplyGains(current);
}

void ApplyChannelBlocks(const ChannelPair& channels)
{
    ImageLock lock(g_ImageMutex);
    for (int c = 0; c < kChannelCount; ++c)
        CopyGroupBytes(g_ChannelBlocks[c], channels[c]);
}

void ApplyPresetName(int n, const QString& name)
{
    const QByteArray bytes = EncodePresetName(name);
    ImageLock lock(g_ImageMutex);
    WriteName(g_PresetNames.records[n], bytes);
}

UnitIdentity TheUnitIdentity()
{
    return {kUnitVendorId, kUnitProductId, kUnitVersion};
}

ChannelPair KeptChannelBlocks(const ChannelBlock& chA, const ChannelBlock& chB)
{
    ChannelPair kept{DefaultChannelBlock(), DefaultChannelBlock()};
    CopyGroupBytes(kept[0], chA);
    CopyGroupBytes(kept[1], chB);
    kept[1].detectSpeed = chA.detectSpeed;
    return kept;
}

SettingsFile CaptureSettings(const QString& programVersion, const UnitIdentity& unit, const QDateTime& writtenUtc)
{
    ChannelBlock blocks[kChannelCount];
    GlobalSettings globals;
    PresetNameTable names;
    std::int16_t saved[kChannelCount][kBandCount];
    {
        ImageLock lock(g_ImageMutex);
        std::memcpy(blocks, g_ChannelBlocks, sizeof blocks);
        globals = g_GlobalSettings;
        names = g_PresetNames;
        std::memcpy(saved, g_SavedBandGains, sizeof saved);
    }
    CurrentSettings current;
    current.channels = KeptChannelBlocks(blocks[0], blocks[1]);
    for (int c = 0; c < kChannelCount; ++c) {
        if (AllBandsFlat(current.channels[c]))
            current.restoreGains[c] = SavedGains(saved[c]);
    }
    current.globals = KeptGlobals(globals);

    SettingsFile settings;
    settings.programVersion = programVersion;
    settings.unit = unit;
    settings.writtenUtc = writtenUtc;
    for (int n = 1; n <= kUserPresetCount; ++n)
        settings.presetNames[n - 1] = KeptName(names.records[n]);
    settings.current = current;
    return settings;
}
