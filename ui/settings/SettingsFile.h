// The settings file: the unit's settings as a JSON document that the user can
// read, keep and load again (format: docs/settings-file.md). Reading checks the
// whole document into a plain value first; only a value that passed is applied
// to the image.
#pragma once

#include "model/SettingsEdit.h"
#include "protocol/ParameterImage.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

constexpr char kSettingsFormatName[] = "quenda-settings";
constexpr int kSettingsFormatVersion = 1;
// A backup of all 20 presets is about 200 kB; anything larger than this is refused before it is read.
constexpr qint64 kMaxSettingsFileBytes = 16'000'000;

// The USB identity the unit reported (vendor, product, version number).
struct UnitIdentity {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t version = 0;
};

// The three global items the program sets (bytes 5, 10 and 11 of the global area).
struct GlobalItems {
    std::uint8_t panelLock = 0;     // 0 unlocked, 1 first level, 2 second level
    std::uint8_t channelLink = 0;   // 0 independent, 2 linked
    std::uint8_t language = 0;      // 0 English, 1 Chinese
};

using ChannelPair = std::array<ChannelBlock, kChannelCount>;

// What a settings file keeps of a channel block pair: bytes 0..127 of each block
// with `notchClear` 0 and CH A's `detectSpeed` in both; the notch table past the
// `aux` word of entry 0 has the defaults (the unit's live notches are not kept).
ChannelPair KeptChannelBlocks(const ChannelBlock& chA, const ChannelBlock& chB);

// The unit's current memory and global items.
struct CurrentSettings {
    ChannelPair channels{};
    // Per channel, the gain codes the PEQ bypass restores; only while all 12
    // band gains of the channel are 0 dB (the bypass is engaged).
    std::array<std::optional<BandGainCodes>, kChannelCount> restoreGains;
    GlobalItems globals;
};

struct SettingsFile {
    QString programVersion;   // "2.0.3"
    UnitIdentity unit;
    QDateTime writtenUtc;     // invalid: the time of writing is taken
    std::array<QString, kUserPresetCount> presetNames;   // presets 1..20
    std::optional<CurrentSettings> current;
    std::optional<std::array<ChannelPair, kUserPresetCount>> presets;   // [n - 1] is preset n
};

// Why a file was refused: the field (a path such as
// "current.channels[1].bands[3].frequencyHz", empty for the file as a whole)
// and the reason in both interface languages.
// Why a file was refused, in the interface language at the time it was refused.
struct SettingsError {
    QString path;
    QString reason;

    // "path: reason".
    QString Text() const;
};

// The JSON document of settings, indented UTF-8.
QByteArray SettingsToJson(const SettingsFile& settings);

// Checks the whole document; on success fills out and returns true, otherwise
// fills error and leaves out as it was.
bool SettingsFromJson(const QByteArray& json, SettingsFile& out, SettingsError& error);

// Writes the document through a temporary file that replaces fileName only when
// complete. On failure error names the file and the system's reason.
bool WriteSettingsFile(const QString& fileName, const SettingsFile& settings, SettingsError& error);

// Reads and checks a file as SettingsFromJson does. Only a regular file (a link
// to one is followed) of at most kMaxSettingsFileBytes is read: anything else
// is refused before it is opened, so that a pipe, a device or a huge file
// neither blocks nor fills the memory.
bool ReadSettingsFile(const QString& fileName, SettingsFile& out, SettingsError& error);

// An image as settings: both channel blocks (as KeptChannelBlocks keeps them),
// the PEQ bypass restore gains of each channel whose bypass is engaged, the global
// items and names 1..20. A name the unit sent that is not a valid name here
// (16 bytes long) is kept as the name dialog would cut it.
SettingsFile CaptureSettings(const CParameterImage& image, const QString& programVersion, const UnitIdentity& unit,
                             const QDateTime& writtenUtc = QDateTime());

// The current settings of an image, as a settings file keeps them.
CurrentSettings CaptureCurrentSettings(const CParameterImage& image);

// The `current` object of a settings document alone, and reading one back with
// every check of the file reader (paths begin with "current").
QJsonObject CurrentSettingsToJson(const CurrentSettings& current);
bool CurrentSettingsFromJson(const QJsonObject& current, CurrentSettings& out, SettingsError& error);

// Checked settings as a unit's settings, starting from what it holds now.
// Current settings: bytes 0..127 of both channel blocks (`notchClear` 0), the
// global items, and per channel the restore gains the file gives, else the
// channel's own gains; the unit's live notches stay. The channel blocks of a
// preset alone: the global items stay, and the preset's gains are the ones to restore.
UnitSettings WithCurrentSettings(const UnitSettings& now, const CurrentSettings& current);
UnitSettings WithPresetBlocks(const UnitSettings& now, const ChannelPair& channels);
// One name, n = 1..20, with its NUL and the rest of the record zero.
void ApplyPresetName(CParameterImage& image, int n, const QString& name);

// The unit's identity as every file the program writes names it.
UnitIdentity TheUnitIdentity();
