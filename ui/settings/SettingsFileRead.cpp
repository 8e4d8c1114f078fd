// Reading the settings document: the whole document is checked into a local
// value, which replaces the caller's only when nothing was refused.
#include "ui/settings/SettingsFile.h"

#include "ui/common/PresetNameCodec.h"
#include "ui/settings/SettingsFileFields.h"
#include "ui/settings/SettingsFileReasons.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringEncoder>


using namespace settings_file;

namespace {

constexpr char kNameCodec[] = "GBK";
constexpr int kHexWordLength = 6;   // "0x" and four digits
constexpr int kLastWrittenYear = 9999;   // the last year an ISO 8601 date of four digits can hold

bool Member(const QJsonObject& object, const QString& path, const char* key, QJsonValue& value,
            SettingsError& error)
{
    value = object.value(QLatin1String(key));
    if (value.isUndefined()) {
        error = MissingField(ChildPath(path, QLatin1String(key)));
        return false;
    }
    return true;
}

bool AsObject(const QJsonValue& value, const QString& path, QJsonObject& out, SettingsError& error)
{
    if (!value.isObject()) {
        error = WrongType(path, ExpectedObject(), value);
        return false;
    }
    out = value.toObject();
    return true;
}

bool AsArray(const QJsonValue& value, const QString& path, qsizetype count, QJsonArray& out, SettingsError& error)
{
    if (!value.isArray()) {
        error = WrongType(path, ExpectedArray(), value);
        return false;
    }
    out = value.toArray();
    if (out.size() != count) {
        error = WrongCount(path, count, out.size());
        return false;
    }
    return true;
}

bool AsString(const QJsonValue& value, const QString& path, QString& out, SettingsError& error)
{
    if (!value.isString()) {
        error = WrongType(path, ExpectedString(), value);
        return false;
    }
    out = value.toString();
    return true;
}

bool ObjectMember(const QJsonObject& object, const QString& path, const char* key, QJsonObject& out,
                  SettingsError& error)
{
    QJsonValue value;
    return Member(object, path, key, value, error)
        && AsObject(value, ChildPath(path, QLatin1String(key)), out, error);
}

bool ArrayMember(const QJsonObject& object, const QString& path, const char* key, qsizetype count,
                 QJsonArray& out, SettingsError& error)
{
    QJsonValue value;
    return Member(object, path, key, value, error)
        && AsArray(value, ChildPath(path, QLatin1String(key)), count, out, error);
}

bool StringMember(const QJsonObject& object, const QString& path, const char* key, QString& out,
                  SettingsError& error)
{
    QJsonValue value;
    return Member(object, path, key, value, error)
        && AsString(value, ChildPath(path, QLatin1String(key)), out, error);
}

bool KnownKeys(const QJsonObject& object, const QString& path, const QStringList& known, SettingsError& error)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!known.contains(it.key())) {
            error = UnknownField(ChildPath(path, it.key()));
            return false;
        }
    }
    return true;
}

QStringList Keys(std::initializer_list<const char*> keys)
{
    QStringList list;
    for (const char* key : keys)
        list << QLatin1String(key);
    return list;
}

bool ReadFormat(const QJsonObject& root, SettingsError& error)
{
    QString format;
    if (!StringMember(root, QString(), kFormatKey, format, error))
        return false;
    if (format != QLatin1String(kSettingsFormatName)) {
        error = NotExpectedValue(QLatin1String(kFormatKey), JsonText(QLatin1String(kSettingsFormatName)), format);
        return false;
    }
    QJsonValue version;
    if (!Member(root, QString(), kFormatVersionKey, version, error))
        return false;
    if (!version.isDouble()) {
        error = WrongType(QLatin1String(kFormatVersionKey), ExpectedNumber(), version);
        return false;
    }
    if (version.toDouble() != kSettingsFormatVersion) {
        error = UnsupportedVersion(QLatin1String(kFormatVersionKey), version);
        return false;
    }
    return true;
}

bool IsHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

bool ReadHexWord(const QJsonObject& object, const QString& path, const char* key, std::uint16_t& out,
                 SettingsError& error)
{
    QString text;
    if (!StringMember(object, path, key, text, error))
        return false;
    bool ok = text.size() == kHexWordLength && text.startsWith(QLatin1String("0x"));
    for (qsizetype i = 2; ok && i < text.size(); ++i)
        ok = IsHexDigit(text[i]);
    if (!ok) {
        error = NotHexWord(ChildPath(path, QLatin1String(key)), text);
        return false;
    }
    out = static_cast<std::uint16_t>(text.mid(2).toUInt(nullptr, 16));
    return true;
}

bool ReadUnit(const QJsonObject& root, UnitIdentity& unit, SettingsError& error)
{
    const QString path = QLatin1String(kUnitKey);
    QJsonObject object;
    return ObjectMember(root, QString(), kUnitKey, object, error)
        && ReadHexWord(object, path, kVendorIdKey, unit.vendorId, error)
        && ReadHexWord(object, path, kProductIdKey, unit.productId, error)
        && ReadHexWord(object, path, kUnitVersionKey, unit.version, error)
        && KnownKeys(object, path, Keys({kVendorIdKey, kProductIdKey, kUnitVersionKey}), error);
}

bool ReadWritten(const QJsonObject& root, QDateTime& written, SettingsError& error)
{
    QString text;
    if (!StringMember(root, QString(), kWrittenKey, text, error))
        return false;
    const QDateTime at = QDateTime::fromString(text, Qt::ISODate).toUTC();
    if (!at.isValid() || at.date().year() < 1 || at.date().year() > kLastWrittenYear) {
        error = NotDateTime(QLatin1String(kWrittenKey), text);
        return false;
    }
    written = at;
    return true;
}

bool HasControlCharacter(const QString& text)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

// A name the unit can hold: whole GBK characters, at most 15 bytes, no control characters.
bool CheckName(const QString& name, const QString& path, SettingsError& error)
{
    if (HasControlCharacter(name)) {
        error = NameHasControl(path, name);
        return false;
    }
    QStringEncoder encoder(kNameCodec, QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(name);
    if (encoder.hasError()) {
        error = NameNotGbk(path, name);
        return false;
    }
    if (bytes.size() > kPresetNameMaxBytes) {
        error = NameTooLong(path, name, bytes.size());
        return false;
    }
    return true;
}

bool ReadNames(const QJsonObject& root, std::array<QString, kUserPresetCount>& names, SettingsError& error)
{
    const QString path = QLatin1String(kPresetNamesKey);
    QJsonArray array;
    if (!ArrayMember(root, QString(), kPresetNamesKey, kUserPresetCount, array, error))
        return false;
    for (int i = 0; i < kUserPresetCount; ++i) {
        const QString namePath = IndexPath(path, i);
        if (!AsString(array[i], namePath, names[i], error) || !CheckName(names[i], namePath, error))
            return false;
    }
    return true;
}

bool ReadBands(const QJsonObject& object, const QString& path, ChannelBlock& block, SettingsError& error)
{
    const QString bandsPath = ChildPath(path, QLatin1String(kBandsKey));
    QJsonArray array;
    if (!ArrayMember(object, path, kBandsKey, kBandCount, array, error))
        return false;
    for (int k = 0; k < kBandCount; ++k) {
        const QString bandPath = IndexPath(bandsPath, k);
        QJsonObject band;
        if (!AsObject(array[k], bandPath, band, error)
            || !ReadFields(BandFields(), band, bandPath, reinterpret_cast<std::uint8_t*>(&block.bands[k]), error)
            || !KnownKeys(band, bandPath, SectionKeys(BandFields(), QString()), error))
            return false;
    }
    return true;
}

// peqBypass says what the band gains already say; a file where the two disagree is refused.
bool CheckPeqBypass(const QJsonObject& object, const QString& path, const ChannelBlock& block, bool& bypass,
                    SettingsError& error)
{
    const QString bypassPath = ChildPath(path, QLatin1String(kPeqBypassKey));
    QJsonValue value;
    if (!Member(object, path, kPeqBypassKey, value, error))
        return false;
    if (!value.isBool()) {
        error = WrongType(bypassPath, ExpectedBool(), value);
        return false;
    }
    bypass = value.toBool();
    if (bypass != AllBandsFlat(block)) {
        error = bypass ? BypassWithoutFlatGains(bypassPath) : FlatGainsWithoutBypass(bypassPath);
        return false;
    }
    return true;
}

bool ReadRestoreGains(const QJsonObject& object, const QString& path, bool bypass,
                      std::optional<BandGainCodes>& restoreGains, SettingsError& error)
{
    const QString gainsPath = ChildPath(path, QLatin1String(kRestoreGainsKey));
    if (!object.contains(QLatin1String(kRestoreGainsKey)))
        return true;
    if (!bypass) {
        error = RestoreWithoutBypass(gainsPath);
        return false;
    }
    QJsonArray array;
    if (!ArrayMember(object, path, kRestoreGainsKey, kBandCount, array, error))
        return false;
    BandGainCodes gains{};
    for (int k = 0; k < kBandCount; ++k) {
        int code = 0;
        if (!JsonToCode(BandGainCodec(), Storage::Word, array[k], IndexPath(gainsPath, k), code, error))
            return false;
        gains[k] = static_cast<std::int16_t>(code);
    }
    restoreGains = gains;
    return true;
}

QStringList ChannelKeys(bool current)
{
    QStringList keys = SectionKeys(ChannelFields(), QString());
    keys << Keys({kChannelKey, kBandsKey, kPeqBypassKey});
    if (current)
        keys << QLatin1String(kRestoreGainsKey);
    return keys;
}

bool ReadChannelLabel(const QJsonObject& object, const QString& path, int channel, SettingsError& error)
{
    QString label;
    if (!StringMember(object, path, kChannelKey, label, error))
        return false;
    if (label != ChannelName(channel)) {
        error = NotExpectedValue(ChildPath(path, QLatin1String(kChannelKey)), JsonText(ChannelName(channel)), label);
        return false;
    }
    return true;
}

// restoreGains is null where the file may not hold them (a preset).
bool ReadChannel(const QJsonValue& value, const QString& path, int channel, ChannelBlock& block,
                 std::optional<BandGainCodes>* restoreGains, SettingsError& error)
{
    QJsonObject object;
    bool bypass = false;
    return AsObject(value, path, object, error) && ReadChannelLabel(object, path, channel, error)
        && ReadFields(ChannelFields(), object, path, BlockBytes(block), error)
        && ReadBands(object, path, block, error) && CheckPeqBypass(object, path, block, bypass, error)
        && (!restoreGains || ReadRestoreGains(object, path, bypass, *restoreGains, error))
        && KnownKeys(object, path, ChannelKeys(restoreGains != nullptr), error);
}

// The channels and the detection speed of the current settings or of a preset.
bool ReadChannels(const QJsonObject& object, const QString& path, ChannelPair& channels,
                  std::array<std::optional<BandGainCodes>, kChannelCount>* restoreGains, SettingsError& error)
{
    const QString channelsPath = ChildPath(path, QLatin1String(kChannelsKey));
    QJsonArray array;
    if (!ArrayMember(object, path, kChannelsKey, kChannelCount, array, error))
        return false;
    for (int c = 0; c < kChannelCount; ++c) {
        channels[c] = DefaultChannelBlock();
        if (!ReadChannel(array[c], IndexPath(channelsPath, c), c, channels[c],
                         restoreGains ? &(*restoreGains)[c] : nullptr, error))
            return false;
    }
    const FieldDesc& speed = DetectionSpeedField();
    if (!ReadFields(std::span(&speed, 1), object, path, BlockBytes(channels[0]), error))
        return false;
    channels[1].detectSpeed = channels[0].detectSpeed;
    return true;
}

bool ReadCurrent(const QJsonObject& root, std::optional<CurrentSettings>& current, SettingsError& error)
{
    if (!root.contains(QLatin1String(kCurrentKey)))
        return true;
    const QString path = QLatin1String(kCurrentKey);
    QJsonObject object;
    CurrentSettings settings;
    QStringList known = SectionKeys(GlobalFields(), QString());
    known << Keys({kChannelsKey}) << QLatin1String(DetectionSpeedField().key);
    if (!ObjectMember(root, QString(), kCurrentKey, object, error)
        || !ReadChannels(object, path, settings.channels, &settings.restoreGains, error)
        || !ReadFields(GlobalFields(), object, path, reinterpret_cast<std::uint8_t*>(&settings.globals), error)
        || !KnownKeys(object, path, known, error))
        return false;
    current = settings;
    return true;
}

bool ReadPresetNumber(const QJsonObject& object, const QString& path, std::array<bool, kUserPresetCount>& seen,
                      int& number, SettingsError& error)
{
    static constexpr Codec kNumberCodec{{}, Linear{1, kUserPresetCount, 1, 0, 1}};
    const QString numberPath = ChildPath(path, QLatin1String(kNumberKey));
    QJsonValue value;
    if (!Member(object, path, kNumberKey, value, error))
        return false;
    if (!value.isDouble()) {
        error = WrongType(numberPath, ExpectedNumber(), value);
        return false;
    }
    if (!JsonToCode(kNumberCodec, Storage::Byte, value, numberPath, number, error))
        return false;
    if (seen[number - 1]) {
        error = DuplicatePreset(numberPath, number);
        return false;
    }
    seen[number - 1] = true;
    return true;
}

bool ReadPresetName(const QJsonObject& object, const QString& path, int number,
                    const std::array<QString, kUserPresetCount>& names, SettingsError& error)
{
    QString name;
    if (!StringMember(object, path, kNameKey, name, error))
        return false;
    if (name != names[number - 1]) {
        error = NameDiffers(ChildPath(path, QLatin1String(kNameKey)), name,
                            IndexPath(QLatin1String(kPresetNamesKey), number - 1), names[number - 1]);
        return false;
    }
    return true;
}

bool ReadPreset(const QJsonValue& value, const QString& path, const std::array<QString, kUserPresetCount>& names,
                std::array<bool, kUserPresetCount>& seen, std::array<ChannelPair, kUserPresetCount>& presets,
                SettingsError& error)
{
    QJsonObject object;
    int number = 0;
    const QStringList known = Keys({kNumberKey, kNameKey, kChannelsKey}) << QLatin1String(DetectionSpeedField().key);
    return AsObject(value, path, object, error) && ReadPresetNumber(object, path, seen, number, error)
        && ReadPresetName(object, path, number, names, error)
        && ReadChannels(object, path, presets[number - 1], nullptr, error)
        && KnownKeys(object, path, known, error);
}

bool ReadPresets(const QJsonObject& root, const std::array<QString, kUserPresetCount>& names,
                 std::optional<std::array<ChannelPair, kUserPresetCount>>& presets, SettingsError& error)
{
    if (!root.contains(QLatin1String(kPresetsKey)))
        return true;
    const QString path = QLatin1String(kPresetsKey);
    QJsonArray array;
    if (!ArrayMember(root, QString(), kPresetsKey, kUserPresetCount, array, error))
        return false;
    std::array<ChannelPair, kUserPresetCount> read{};
    std::array<bool, kUserPresetCount> seen{};
    for (int i = 0; i < kUserPresetCount; ++i) {
        if (!ReadPreset(array[i], IndexPath(path, i), names, seen, read, error))
            return false;
    }
    presets = read;
    return true;
}

bool ReadDocument(const QJsonObject& root, SettingsFile& file, SettingsError& error)
{
    const QStringList known = Keys({kFormatKey, kFormatVersionKey, kProgramVersionKey, kUnitKey, kWrittenKey,
                                    kPresetNamesKey, kCurrentKey, kPresetsKey});
    return ReadFormat(root, error) && StringMember(root, QString(), kProgramVersionKey, file.programVersion, error)
        && ReadUnit(root, file.unit, error) && ReadWritten(root, file.writtenUtc, error)
        && ReadNames(root, file.presetNames, error) && ReadCurrent(root, file.current, error)
        && ReadPresets(root, file.presetNames, file.presets, error) && KnownKeys(root, QString(), known, error);
}

}  // namespace

bool SettingsFromJson(const QByteArray& json, SettingsFile& out, SettingsError& error)
{
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError) {
        error = NotJson(parse.errorString(), parse.offset);
        return false;
    }
    if (!document.isObject()) {
        const QJsonValue found = document.isArray() ? QJsonValue(document.array()) : QJsonValue();
        error = WrongType(QString(), ExpectedObject(), found);
        return false;
    }
    SettingsFile file;
    if (!ReadDocument(document.object(), file, error))
        return false;
    out = std::move(file);
    return true;
}

bool CurrentSettingsFromJson(const QJsonObject& current, CurrentSettings& out, SettingsError& error)
{
    std::optional<CurrentSettings> read;
    if (!ReadCurrent(QJsonObject{{QLatin1String(kCurrentKey), current}}, read, error))
        return false;
    out = *read;
    return true;
}
