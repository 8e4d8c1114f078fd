#include "remote/SettingsPatch.h"

#include "model/ValueTables.h"
#include "ui/settings/SettingsFileFields.h"

#include <QJsonArray>

#include <optional>

using namespace settings_file;

namespace {

bool IsEmptyObject(const QJsonValue& value)
{
    return value.isObject() && value.toObject().isEmpty();
}

QJsonValue MergeArray(const QJsonArray& target, const QJsonArray& patch)
{
    QJsonArray merged = target;
    for (qsizetype i = 0; i < patch.size(); ++i) {
        if (i >= merged.size())
            merged.append(MergePatch(QJsonValue(), patch[i]));
        else if (!IsEmptyObject(patch[i]))
            merged[i] = MergePatch(merged[i], patch[i]);
    }
    return merged;
}

QJsonValue DiffArray(const QJsonArray& from, const QJsonArray& to)
{
    if (from.size() != to.size())
        return to;
    qsizetype last = -1;
    for (qsizetype i = 0; i < to.size(); ++i) {
        if (from[i] != to[i])
            last = i;
    }
    QJsonArray change;
    for (qsizetype i = 0; i <= last; ++i) {
        const QJsonValue entry = DiffPatch(from[i], to[i]);
        change.append(entry.isUndefined() ? QJsonValue(QJsonObject()) : entry);
    }
    return change;
}

// Whether a band's gain in the document is 0 dB; nothing when it is not a gain at all
// (the reader then says what is wrong with it).
std::optional<bool> IsFlatGain(const QJsonValue& gain)
{
    if (gain.isDouble())
        return gain.toDouble() == 0.0;
    const QJsonValue raw = gain.toObject().value(QLatin1String(kRawCodeKey));
    if (raw.isDouble())
        return raw.toDouble() == kFlatGainCode;
    return std::nullopt;
}

// The key of a band's gain in a band object.
QLatin1String BandGainKey()
{
    for (const FieldDesc& field : BandFields()) {
        if (field.spec.offset == Spec(BandField::Gain).offset)
            return QLatin1String(field.key);
    }
    return {};
}

std::optional<bool> AllBandsFlat(const QJsonObject& channel)
{
    bool flat = true;
    for (const QJsonValue band : channel.value(QLatin1String(kBandsKey)).toArray()) {
        const std::optional<bool> bandFlat = IsFlatGain(band.toObject().value(BandGainKey()));
        if (!bandFlat)
            return std::nullopt;
        flat = flat && *bandFlat;
    }
    return flat;
}

// A channel whose PEQ bypass the patch leaves out shows the state its merged gains are in.
void FollowPeqBypass(QJsonObject& merged, const QJsonObject& patch)
{
    const QJsonArray patchChannels = patch.value(QLatin1String(kChannelsKey)).toArray();
    QJsonArray channels = merged.value(QLatin1String(kChannelsKey)).toArray();
    for (qsizetype c = 0; c < channels.size(); ++c) {
        const QJsonObject given = c < patchChannels.size() ? patchChannels[c].toObject() : QJsonObject();
        QJsonObject channel = channels[c].toObject();
        if (!channels[c].isObject() || given.contains(QLatin1String(kPeqBypassKey)))
            continue;
        const std::optional<bool> flat = AllBandsFlat(channel);
        if (!flat)
            continue;
        channel.insert(QLatin1String(kPeqBypassKey), *flat);
        if (!*flat && !given.contains(QLatin1String(kRestoreGainsKey)))
            channel.remove(QLatin1String(kRestoreGainsKey));
        channels[c] = channel;
    }
    if (merged.value(QLatin1String(kChannelsKey)).isArray())
        merged.insert(QLatin1String(kChannelsKey), channels);
}

}  // namespace

QJsonValue MergePatch(const QJsonValue& target, const QJsonValue& patch)
{
    if (patch.isArray())
        return target.isArray() ? MergeArray(target.toArray(), patch.toArray()) : patch;
    if (!patch.isObject())
        return patch;
    QJsonObject merged = target.isObject() ? target.toObject() : QJsonObject();
    const QJsonObject changes = patch.toObject();
    for (auto it = changes.begin(); it != changes.end(); ++it) {
        if (it.value().isNull())
            merged.remove(it.key());
        else
            merged.insert(it.key(), MergePatch(merged.value(it.key()), it.value()));
    }
    return merged;
}

QJsonValue DiffPatch(const QJsonValue& from, const QJsonValue& to)
{
    if (from == to)
        return QJsonValue(QJsonValue::Undefined);
    if (from.isArray() && to.isArray())
        return DiffArray(from.toArray(), to.toArray());
    if (!from.isObject() || !to.isObject())
        return to;
    const QJsonObject before = from.toObject();
    const QJsonObject after = to.toObject();
    QJsonObject change;
    for (auto it = after.begin(); it != after.end(); ++it) {
        const QJsonValue entry = DiffPatch(before.value(it.key()), it.value());
        if (!entry.isUndefined())
            change.insert(it.key(), entry);
    }
    for (auto it = before.begin(); it != before.end(); ++it) {
        if (!after.contains(it.key()))
            change.insert(it.key(), QJsonValue::Null);
    }
    return change;
}

bool ApplySettingsPatch(const UnitSettings& now, const CurrentSettings& nowCurrent, const QJsonObject& patch,
                        UnitSettings& out, SettingsError& error)
{
    QJsonObject merged = MergePatch(CurrentSettingsToJson(nowCurrent), patch).toObject();
    FollowPeqBypass(merged, patch);
    CurrentSettings current;
    if (!CurrentSettingsFromJson(merged, current, error))
        return false;
    out = WithCurrentSettings(now, current);
    for (int c = 0; c < kChannelCount; ++c) {
        if (!current.restoreGains[c])
            out.restoreGains[c] = now.restoreGains[c];
    }
    return true;
}
