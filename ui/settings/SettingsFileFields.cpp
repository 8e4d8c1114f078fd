#include "ui/settings/SettingsFileFields.h"

#include "ui/settings/SettingsFileReasons.h"

#include <QHash>

#include <cmath>
#include <limits>

namespace settings_file {

namespace {

static_assert(offsetof(ChannelBlock, unused5) == 5 && offsetof(ChannelBlock, unused7) == 7);
static_assert(offsetof(ChannelBlock, unused9) == 9 && offsetof(ChannelBlock, unused20) == 20);
static_assert(offsetof(ChannelBlock, unused122) == 122 && offsetof(ChannelBlock, unused124) == 124);

constexpr char kCompressor[] = "compressor";
constexpr char kUninterpreted[] = "uninterpreted";

constexpr FieldDesc kChannelFieldTable[] = {
    {"", "gainDb", Spec(ChannelField::Gain)},
    {"", "mute", Spec(ChannelField::Mute)},
    {"", "frequencyShiftHz", Spec(ChannelField::FrequencyShift)},
    {"", "noiseGateDb", Spec(ChannelField::NoiseGate)},
    {kCompressor, "thresholdDb", Spec(ChannelField::CompThreshold)},
    {kCompressor, "attackMs", Spec(ChannelField::CompAttack)},
    {kCompressor, "releaseTimesAttack", Spec(ChannelField::CompRelease)},
    {kCompressor, "ratio", Spec(ChannelField::CompRatio)},
    {"", "staticNotchCount", Spec(ChannelField::StaticNotchCount)},
    {"", "notchBypass", Spec(ChannelField::NotchBypass)},
    {kUninterpreted, "reserved0", {offsetof(ChannelBlock, reserved0), Storage::Word, &codecs::kWord}},
    {kUninterpreted, "byte005", {5, Storage::Byte, &codecs::kByte}},
    {kUninterpreted, "byte007", {7, Storage::Byte, &codecs::kByte}},
    {kUninterpreted, "byte009", {9, Storage::Byte, &codecs::kByte}},
    {kUninterpreted, "byte010", {10, Storage::Byte, &codecs::kByte}},
    {kUninterpreted, "byte011", {11, Storage::Byte, &codecs::kByte}},
    {kUninterpreted, "byte012", {12, Storage::Byte, &codecs::kByte}},
    {kUninterpreted, "byte013", {13, Storage::Byte, &codecs::kByte}},
    {kUninterpreted, "byte014", {14, Storage::Byte, &codecs::kByte}},
    {kUninterpreted, "byte015", {15, Storage::Byte, &codecs::kByte}},
    {kUninterpreted, "byte020", {20, Storage::Byte, &codecs::kByte}},
    {kUninterpreted, "byte021", {21, Storage::Byte, &codecs::kByte}},
    {kUninterpreted, "byte022", {22, Storage::Byte, &codecs::kByte}},
    {kUninterpreted, "byte023", {23, Storage::Byte, &codecs::kByte}},
    {kUninterpreted, "byte122", {122, Storage::Byte, &codecs::kByte}},
    {kUninterpreted, "byte124", {124, Storage::Byte, &codecs::kByte}},
    {kUninterpreted, "notch0Aux", {offsetof(ChannelBlock, notches) + offsetof(NotchEntry, aux), Storage::Word,
                                   &codecs::kWord}},
};

constexpr FieldDesc kBandFieldTable[] = {
    {"", "type", Spec(BandField::Type)},
    {"", "frequencyHz", Spec(BandField::Frequency)},
    {"", "gainDb", Spec(BandField::Gain)},
    {"", "widthOctaves", Spec(BandField::Width)},
    {"", "slope", Spec(BandField::Slope)},
};

constexpr FieldDesc kDetectionSpeedField{"", "detectionSpeed", Spec(ChannelField::DetectionSpeed)};

constexpr FieldDesc kGlobalFieldTable[] = {
    {"", "panelLock", {offsetof(GlobalItems, panelLock), Storage::Byte, Spec(GlobalField::PanelLock).codec}},
    {"", "channelsLinked", {offsetof(GlobalItems, channelLink), Storage::Byte, Spec(GlobalField::ChannelLink).codec}},
    {"", "language", {offsetof(GlobalItems, language), Storage::Byte, Spec(GlobalField::Language).codec}},
};

constexpr std::size_t StorageSize(Storage storage) { return storage == Storage::Word ? 2 : 1; }

// The file keeps every byte of groups 0..15 exactly once, except `notchClear`.
constexpr bool KeepsEveryGroupByte()
{
    constexpr std::size_t kGroupBytes = kGroupCount * kGroupSize;
    int uses[kGroupBytes] = {};
    auto mark = [&uses](std::size_t offset, Storage storage) {
        for (std::size_t i = 0; i < StorageSize(storage); ++i)
            ++uses[offset + i];
    };
    for (const FieldDesc& field : kChannelFieldTable)
        mark(field.spec.offset, field.spec.storage);
    for (std::size_t k = 0; k < kBandCount; ++k) {
        for (const FieldDesc& field : kBandFieldTable)
            mark(kBandsOffset + k * sizeof(BandParams) + field.spec.offset, field.spec.storage);
    }
    mark(kDetectionSpeedField.spec.offset, kDetectionSpeedField.spec.storage);
    mark(offsetof(ChannelBlock, notchClear), Storage::Byte);
    for (int use : uses) {
        if (use != 1)
            return false;
    }
    return true;
}
static_assert(KeepsEveryGroupByte());

int Decimals(int div)
{
    int decimals = 0;
    for (int d = div; d > 1; d /= 10)
        ++decimals;
    return decimals;
}

const Codec& RawCodec(Storage storage)
{
    return storage == Storage::Word ? codecs::kWord : codecs::kByte;
}

QJsonValue NamedJson(const NamedCode& named)
{
    switch (named.kind) {
    case NamedCode::kText: return QJsonValue(QLatin1String(named.text));
    case NamedCode::kFlag: return QJsonValue(named.number != 0);
    case NamedCode::kNumber: break;
    }
    return QJsonValue(named.number);
}

bool SameKind(const NamedCode& named, const QJsonValue& value)
{
    switch (named.kind) {
    case NamedCode::kText: return value.isString();
    case NamedCode::kFlag: return value.isBool();
    case NamedCode::kNumber: break;
    }
    return value.isDouble();
}

bool Matches(const NamedCode& named, const QJsonValue& value)
{
    if (!SameKind(named, value))
        return false;
    switch (named.kind) {
    case NamedCode::kText: return value.toString() == QLatin1String(named.text);
    case NamedCode::kFlag: return value.toBool() == (named.number != 0);
    case NamedCode::kNumber: break;
    }
    return value.toDouble() == named.number;
}

QStringList NamedTexts(const Codec& codec, const QJsonValue& like)
{
    QStringList texts;
    for (const NamedCode& named : codec.named) {
        if (!like.isUndefined() && !SameKind(named, like))
            continue;
        texts << JsonText(NamedJson(named));
    }
    return texts;
}

bool LinearCode(const Linear& linear, const QJsonValue& value, const QString& path, int& code, SettingsError& error)
{
    const double v = value.toDouble();
    const double low = linear.MinValue();
    const double high = linear.MaxValue();
    const int decimals = Decimals(linear.div);
    if (!(v >= low && v <= high)) {
        error = OutOfRange(path, JsonText(value), FixedText(low, decimals), FixedText(high, decimals));
        return false;
    }
    const double scaled = v * linear.div;
    const double whole = std::round(scaled);
    // the tolerance only absorbs the binary representation of a decimal such as 0.37
    if (std::fabs(scaled - whole) > 1e-6) {
        error = linear.div == 1 ? NotWhole(path, value) : OffGrid(path, value, FixedText(1.0 / linear.div, decimals));
        return false;
    }
    const long long steps = static_cast<long long>(whole) - linear.add;
    if (steps % linear.mul != 0) {
        error = OffGrid(path, value, NumberText(static_cast<double>(linear.mul) / linear.div));
        return false;
    }
    code = static_cast<int>(steps / linear.mul);
    return true;
}

// {"code": n}: a code outside the field's defined values, as a unit may send it.
bool RawCode(Storage storage, const QJsonObject& raw, const QString& path, int& code, SettingsError& error)
{
    const QString codePath = ChildPath(path, QLatin1String(kRawCodeKey));
    const QJsonValue value = raw.value(QLatin1String(kRawCodeKey));
    if (value.isUndefined()) {
        error = MissingField(codePath);
        return false;
    }
    for (auto it = raw.begin(); it != raw.end(); ++it) {
        if (it.key() != QLatin1String(kRawCodeKey)) {
            error = UnknownField(ChildPath(path, it.key()));
            return false;
        }
    }
    if (!value.isDouble()) {
        error = WrongType(codePath, ExpectedNumber(), value);
        return false;
    }
    return LinearCode(*RawCodec(storage).linear, value, codePath, code, error);
}

bool RefuseValue(const Codec& codec, const QJsonValue& value, const QString& path, SettingsError& error)
{
    const QStringList sameKind = NamedTexts(codec, value);
    if (!codec.linear && !sameKind.isEmpty())
        error = NotOneOf(path, value, sameKind);
    else
        error = WrongType(path, Alternatives(NamedTexts(codec, QJsonValue::Undefined), codec.linear.has_value()),
                          value);
    return false;
}

// A sub-object of the record's object, holding nothing but its own fields.
bool ReadSection(std::span<const FieldDesc> fields, const QJsonObject& object, const QString& path,
                 const QString& section, QJsonObject& out, SettingsError& error)
{
    const QJsonValue value = object.value(section);
    const QString sectionPath = ChildPath(path, section);
    if (value.isUndefined()) {
        error = MissingField(sectionPath);
        return false;
    }
    if (!value.isObject()) {
        error = WrongType(sectionPath, ExpectedObject(), value);
        return false;
    }
    out = value.toObject();
    const QStringList known = SectionKeys(fields, section);
    for (auto it = out.begin(); it != out.end(); ++it) {
        if (!known.contains(it.key())) {
            error = UnknownField(ChildPath(sectionPath, it.key()));
            return false;
        }
    }
    return true;
}

}  // namespace

QString ChannelName(int channel)
{
    return channel == 0 ? QStringLiteral("CH A") : QStringLiteral("CH B");
}

std::span<const FieldDesc> ChannelFields() { return kChannelFieldTable; }
std::span<const FieldDesc> BandFields() { return kBandFieldTable; }
const FieldDesc& DetectionSpeedField() { return kDetectionSpeedField; }
std::span<const FieldDesc> GlobalFields() { return kGlobalFieldTable; }
const Codec& BandGainCodec() { return codecs::kBandGain; }

QStringList SectionKeys(std::span<const FieldDesc> fields, const QString& section)
{
    QStringList keys;
    for (const FieldDesc& field : fields) {
        const QString own = QLatin1String(field.section);
        if (section.isEmpty() && !own.isEmpty() && !keys.contains(own))
            keys << own;
        else if (own == section)
            keys << QLatin1String(field.key);
    }
    return keys;
}

QJsonValue CodeToJson(const Codec& codec, int code)
{
    for (const NamedCode& named : codec.named) {
        if (named.code == code)
            return NamedJson(named);
    }
    if (codec.linear && code >= codec.linear->codeMin && code <= codec.linear->codeMax) {
        if (codec.linear->div == 1)
            return QJsonValue(code * codec.linear->mul + codec.linear->add);
        return QJsonValue(codec.linear->Value(code));
    }
    return QJsonObject{{QLatin1String(kRawCodeKey), code}};
}

bool JsonToCode(const Codec& codec, Storage storage, const QJsonValue& value, const QString& path, int& code,
                SettingsError& error)
{
    if (value.isUndefined()) {
        error = MissingField(path);
        return false;
    }
    if (value.isObject())
        return RawCode(storage, value.toObject(), path, code, error);
    for (const NamedCode& named : codec.named) {
        if (Matches(named, value)) {
            code = named.code;
            return true;
        }
    }
    if (value.isDouble() && codec.linear)
        return LinearCode(*codec.linear, value, path, code, error);
    return RefuseValue(codec, value, path, error);
}

void WriteFields(std::span<const FieldDesc> fields, const std::uint8_t* record, QJsonObject& object)
{
    for (const FieldDesc& field : fields) {
        const QJsonValue value = CodeToJson(*field.spec.codec, LoadCode(record, field.spec));
        if (*field.section == '\0') {
            object.insert(QLatin1String(field.key), value);
            continue;
        }
        const QString section = QLatin1String(field.section);
        QJsonObject sub = object.value(section).toObject();
        sub.insert(QLatin1String(field.key), value);
        object.insert(section, sub);
    }
}

bool ReadFields(std::span<const FieldDesc> fields, const QJsonObject& object, const QString& path,
                std::uint8_t* record, SettingsError& error)
{
    QHash<QString, QJsonObject> sections;
    for (const FieldDesc& field : fields) {
        const QString section = QLatin1String(field.section);
        QJsonObject container = object;
        if (!section.isEmpty()) {
            auto opened = sections.find(section);
            if (opened == sections.end()) {
                QJsonObject sub;
                if (!ReadSection(fields, object, path, section, sub, error))
                    return false;
                opened = sections.insert(section, sub);
            }
            container = *opened;
        }
        const QString containerPath = section.isEmpty() ? path : ChildPath(path, section);
        const QString fieldPath = ChildPath(containerPath, QLatin1String(field.key));
        int code = 0;
        if (!JsonToCode(*field.spec.codec, field.spec.storage, container.value(QLatin1String(field.key)), fieldPath,
                        code, error))
            return false;
        StoreCode(record, field.spec, code);
    }
    return true;
}

}  // namespace settings_file
