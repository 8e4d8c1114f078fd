// Settings between the image and a settings value.
#include "ui/settings/SettingsFile.h"

#include "transport/HidBackend.h"
#include "ui/common/PresetNameCodec.h"
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

void WriteName(char* record, const QByteArray& name)
{
    std::memset(record, 0, kPresetRecordSize);
    const qsizetype length = std::min<qsizetype>(name.size(), kPresetNameMaxBytes);
    std::memcpy(record, name.constData(), static_cast<std::size_t>(length));
}

}  // namespace

UnitSettings WithCurrentSettings(const UnitSettings& now, const CurrentSettings& current)
{
    UnitSettings settings = WithPresetBlocks(now, current.channels);
    for (int c = 0; c < kChannelCount; ++c) {
        if (current.restoreGains[c])
            settings.restoreGains[c] = *current.restoreGains[c];
    }
    settings.globals.panelLock = current.globals.panelLock;
    settings.globals.channelLink = current.globals.channelLink;
    settings.globals.language = current.globals.language;
    return settings;
}

UnitSettings WithPresetBlocks(const UnitSettings& now, const ChannelPair& channels)
{
    UnitSettings settings = now;
    for (int c = 0; c < kChannelCount; ++c) {
        CopyGroupBytes(settings.channels[c], channels[c]);
        settings.restoreGains[c] = BandGains(settings.channels[c]);
    }
    return settings;
}

void ApplyPresetName(CParameterImage& image, int n, const QString& name)
{
    const QByteArray bytes = EncodePresetName(name);
    ImageLock lock(image.mutex);
    WriteName(image.names.records[n], bytes);
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

CurrentSettings CaptureCurrentSettings(const CParameterImage& image)
{
    const UnitSettings now = ::CaptureSettings(image);
    CurrentSettings current;
    current.channels = KeptChannelBlocks(now.channels[0], now.channels[1]);
    for (int c = 0; c < kChannelCount; ++c) {
        if (AllBandsFlat(current.channels[c]))
            current.restoreGains[c] = now.restoreGains[c];
    }
    current.globals = KeptGlobals(now.globals);
    return current;
}

SettingsFile CaptureSettings(const CParameterImage& image, const QString& programVersion, const UnitIdentity& unit,
                             const QDateTime& writtenUtc)
{
    const CurrentSettings current = CaptureCurrentSettings(image);
    const PresetNameTable names = image.Names();
    SettingsFile settings;
    settings.programVersion = programVersion;
    settings.unit = unit;
    settings.writtenUtc = writtenUtc;
    for (int n = 1; n <= kUserPresetCount; ++n)
        settings.presetNames[n - 1] = KeptName(names.records[n]);
    settings.current = current;
    return settings;
}
