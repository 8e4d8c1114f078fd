// The fields of a settings file (internal to the settings-file module): each
// field's JSON name and its entry in the unit's table of coded settings, which
// says where its code lies and how code and value convert.
#pragma once

#include "model/SettingFields.h"
#include "ui/settings/SettingsFile.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace settings_file {

struct FieldDesc {
    const char* section;   // "" for the record's own object, else the key of a sub-object
    const char* key;
    FieldSpec spec;
};

constexpr char kRawCodeKey[] = "code";

// Keys of the document outside the field tables.
constexpr char kFormatKey[] = "format";
constexpr char kFormatVersionKey[] = "formatVersion";
constexpr char kProgramVersionKey[] = "programVersion";
constexpr char kUnitKey[] = "unit";
constexpr char kVendorIdKey[] = "vendorId";
constexpr char kProductIdKey[] = "productId";
constexpr char kUnitVersionKey[] = "version";
constexpr char kWrittenKey[] = "written";
constexpr char kPresetNamesKey[] = "presetNames";
constexpr char kCurrentKey[] = "current";
constexpr char kPresetsKey[] = "presets";
constexpr char kNumberKey[] = "number";
constexpr char kNameKey[] = "name";
constexpr char kChannelsKey[] = "channels";
constexpr char kChannelKey[] = "channel";
constexpr char kBandsKey[] = "bands";
constexpr char kPeqBypassKey[] = "peqBypass";
constexpr char kRestoreGainsKey[] = "peqBypassRestoreGainsDb";

// "CH A", "CH B".
QString ChannelName(int channel);

// Fields of a channel object other than the bands (record: ChannelBlock).
std::span<const FieldDesc> ChannelFields();
// Fields of a band object (record: BandParams).
std::span<const FieldDesc> BandFields();
// The detection speed of a settings object (record: CH A's ChannelBlock).
const FieldDesc& DetectionSpeedField();
// The global items of the current settings (record: GlobalItems).
std::span<const FieldDesc> GlobalFields();
// A band gain as a code of its own (the PEQ bypass restore gains).
const Codec& BandGainCodec();

// The keys a record's object (section "") or one of its sub-objects holds.
QStringList SectionKeys(std::span<const FieldDesc> fields, const QString& section);

QJsonValue CodeToJson(const Codec& codec, int code);
bool JsonToCode(const Codec& codec, Storage storage, const QJsonValue& value, const QString& path,
                int& code, SettingsError& error);

// Every field of the table from record into object (sub-objects made as needed).
void WriteFields(std::span<const FieldDesc> fields, const std::uint8_t* record, QJsonObject& object);
// Every field of the table from object into record; the sub-objects must hold
// exactly their fields. The record's own object is checked for unknown keys by the caller.
bool ReadFields(std::span<const FieldDesc> fields, const QJsonObject& object, const QString& path,
                std::uint8_t* record, SettingsError& error);

}  // namespace settings_file
