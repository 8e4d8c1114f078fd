// Writing the settings document; every coded field goes through the field table.
#include "ui/settings/SettingsFile.h"

#include "ui/settings/SettingsFileFields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace settings_file;

namespace {

QString HexWord(std::uint16_t value)
{
    return QStringLiteral("0x%1").arg(value, 4, 16, QLatin1Char('0'));
}

QJsonObject UnitObject(const UnitIdentity& unit)
{
    return QJsonObject{{QLatin1String(kVendorIdKey), HexWord(unit.vendorId)},
                       {QLatin1String(kProductIdKey), HexWord(unit.productId)},
                       {QLatin1String(kUnitVersionKey), HexWord(unit.version)}};
}

QString WrittenText(const QDateTime& writtenUtc)
{
    const QDateTime at = writtenUtc.isValid() ? writtenUtc : QDateTime::currentDateTimeUtc();
    return at.toUTC().toString(Qt::ISODate);
}

QJsonArray NamesArray(const std::array<QString, kUserPresetCount>& names)
{
    QJsonArray array;
    for (const QString& name : names)
        array.append(name);
    return array;
}

QJsonArray GainsArray(const BandGainCodes& gains)
{
    QJsonArray array;
    for (const std::int16_t code : gains)
        array.append(CodeToJson(BandGainCodec(), code));
    return array;
}

QJsonArray BandsArray(const ChannelBlock& block)
{
    QJsonArray bands;
    for (const BandParams& band : block.bands) {
        QJsonObject object;
        WriteFields(BandFields(), reinterpret_cast<const std::uint8_t*>(&band), object);
        bands.append(object);
    }
    return bands;
}

QJsonObject ChannelObject(const ChannelBlock& block, int channel, const std::optional<BandGainCodes>& restoreGains)
{
    QJsonObject object{{QLatin1String(kChannelKey), ChannelName(channel)}};
    WriteFields(ChannelFields(), BlockBytes(block), object);
    object.insert(QLatin1String(kBandsKey), BandsArray(block));
    object.insert(QLatin1String(kPeqBypassKey), AllBandsFlat(block));
    if (restoreGains)
        object.insert(QLatin1String(kRestoreGainsKey), GainsArray(*restoreGains));
    return object;
}

// The channels and the detection speed, which the file keeps once (CH A's).
QJsonObject ChannelsObject(const ChannelPair& channels,
                           const std::array<std::optional<BandGainCodes>, kChannelCount>& restoreGains)
{
    QJsonArray array;
    for (int c = 0; c < kChannelCount; ++c)
        array.append(ChannelObject(channels[c], c, restoreGains[c]));
    QJsonObject object{{QLatin1String(kChannelsKey), array}};
    WriteFields(std::span(&DetectionSpeedField(), 1), BlockBytes(channels[0]), object);
    return object;
}

QJsonArray PresetsArray(const std::array<ChannelPair, kUserPresetCount>& presets,
                        const std::array<QString, kUserPresetCount>& names)
{
    QJsonArray array;
    for (int i = 0; i < kUserPresetCount; ++i) {
        QJsonObject object = ChannelsObject(presets[i], {});
        object.insert(QLatin1String(kNumberKey), i + 1);
        object.insert(QLatin1String(kNameKey), names[i]);
        array.append(object);
    }
    return array;
}

}  // namespace

QJsonObject CurrentSettingsToJson(const CurrentSettings& current)
{
    QJsonObject object = ChannelsObject(current.channels, current.restoreGains);
    WriteFields(GlobalFields(), reinterpret_cast<const std::uint8_t*>(&current.globals), object);
    return object;
}

QByteArray SettingsToJson(const SettingsFile& settings)
{
    QJsonObject root{
        {QLatin1String(kFormatKey), QLatin1String(kSettingsFormatName)},
        {QLatin1String(kFormatVersionKey), kSettingsFormatVersion},
        {QLatin1String(kProgramVersionKey), settings.programVersion},
        {QLatin1String(kUnitKey), UnitObject(settings.unit)},
        {QLatin1String(kWrittenKey), WrittenText(settings.writtenUtc)},
        {QLatin1String(kPresetNamesKey), NamesArray(settings.presetNames)},
    };
    if (settings.current)
        root.insert(QLatin1String(kCurrentKey), CurrentSettingsToJson(*settings.current));
    if (settings.presets)
        root.insert(QLatin1String(kPresetsKey), PresetsArray(*settings.presets, settings.presetNames));
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
