// The one table of the unit's coded settings: where each field's code lies in
// its record, its group, and how code and value convert. The window's texts and
// edits and the settings file all go through it.
#pragma once

#include "protocol/ParameterImage.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

enum class Storage {
    Byte,   // uint8
    Word,   // int16, little-endian
};

// A code with a meaning of its own: "off", a flag, or a number that no rule gives.
struct NamedCode {
    enum Kind { kText, kFlag, kNumber };
    int code;
    Kind kind;
    const char* text;   // the settings file's word for it
    int number;         // the number, or 0/1 for a flag
};

constexpr NamedCode Named(int code, const char* text) { return {code, NamedCode::kText, text, 0}; }
constexpr NamedCode Flag(int code, bool on) { return {code, NamedCode::kFlag, nullptr, on ? 1 : 0}; }
constexpr NamedCode Number(int code, int number) { return {code, NamedCode::kNumber, nullptr, number}; }

// Codes codeMin..codeMax stand for the values (code * mul + add) / div.
struct Linear {
    int codeMin;
    int codeMax;
    int mul;
    int add;
    int div;

    constexpr double Value(int code) const { return static_cast<double>(code * mul + add) / div; }
    constexpr double MinValue() const { return Value(codeMin); }
    constexpr double MaxValue() const { return Value(codeMax); }
    // The code of a value within the range, the fraction cut off (as the unit's software does).
    constexpr int CodeOf(double value) const { return static_cast<int>((value * div - add) / mul); }
};

// A code that is neither named nor inside the linear range has no value of its own.
struct Codec {
    std::span<const NamedCode> named;
    std::optional<Linear> linear;

    const NamedCode* Find(int code) const;
};

struct FieldSpec {
    std::size_t offset;   // of the code in its record
    Storage storage;
    const Codec* codec;
};

// The settings of a channel block other than the bands.
enum class ChannelField {
    Gain,
    Mute,
    FrequencyShift,
    NoiseGate,
    CompThreshold,
    CompAttack,
    CompRelease,
    CompRatio,
    StaticNotchCount,
    NotchBypass,
    DetectionSpeed,   // one setting of the unit, kept in CH A's block (CH B's byte is a copy)
};
constexpr int kChannelFieldCount = 11;

// The fields of a band record.
enum class BandField { Type, Frequency, Gain, Width, Slope };
constexpr int kBandFieldCount = 5;

// The global items the program sets.
enum class GlobalField { PanelLock, ChannelLink, Language };
constexpr int kGlobalFieldCount = 3;

// Codecs of the coded values.
namespace codecs {
extern const Codec kGain;             // dB = code - 80, 0..90
extern const Codec kSwitch;           // 1 on, 0 off
extern const Codec kFrequencyShift;   // off, 2..8 Hz
extern const Codec kNoiseGate;        // off, -99..-30 dB
extern const Codec kCompThreshold;    // -40..18 dB, off
extern const Codec kCompAttack;       // 5..100 ms
extern const Codec kCompRelease;      // 2, 4, 6, 8, 16, 32 times the attack
extern const Codec kCompRatio;        // 1..127 : 1, inf
extern const Codec kStaticNotchCount; // 0..8
extern const Codec kDetectionSpeed;   // fast, default, slow
extern const Codec kBandType;         // peak, low shelf, high shelf
extern const Codec kBandFrequency;    // 20..20000 Hz
extern const Codec kBandGain;         // -12.0..+12.0 dB in 0.1 dB
extern const Codec kBandWidth;        // 0.05..3.00 octaves in 0.01
extern const Codec kShelfSlope;       // 6 or 12 dB/Oct
extern const Codec kPanelLock;        // unlocked, first level, second level
extern const Codec kChannelLink;      // 2 linked, 0 independent
extern const Codec kLanguage;         // english, chinese
extern const Codec kByte;             // any byte, as its number
extern const Codec kWord;             // any 16-bit word, as its number
}  // namespace codecs

inline constexpr FieldSpec kChannelFieldSpecs[kChannelFieldCount] = {
    {offsetof(ChannelBlock, gain), Storage::Word, &codecs::kGain},
    {offsetof(ChannelBlock, mute), Storage::Byte, &codecs::kSwitch},
    {offsetof(ChannelBlock, freqShift), Storage::Byte, &codecs::kFrequencyShift},
    {offsetof(ChannelBlock, gateThreshold), Storage::Byte, &codecs::kNoiseGate},
    {offsetof(ChannelBlock, compThreshold), Storage::Byte, &codecs::kCompThreshold},
    {offsetof(ChannelBlock, compAttack), Storage::Byte, &codecs::kCompAttack},
    {offsetof(ChannelBlock, compRelease), Storage::Byte, &codecs::kCompRelease},
    {offsetof(ChannelBlock, compRatio), Storage::Byte, &codecs::kCompRatio},
    {offsetof(ChannelBlock, staticNotchCount), Storage::Byte, &codecs::kStaticNotchCount},
    {offsetof(ChannelBlock, notchBypass), Storage::Byte, &codecs::kSwitch},
    {offsetof(ChannelBlock, detectSpeed), Storage::Byte, &codecs::kDetectionSpeed},
};

inline constexpr FieldSpec kBandFieldSpecs[kBandFieldCount] = {
    {offsetof(BandParams, type), Storage::Byte, &codecs::kBandType},
    {offsetof(BandParams, freqHz), Storage::Word, &codecs::kBandFrequency},
    {offsetof(BandParams, gainCode), Storage::Word, &codecs::kBandGain},
    {offsetof(BandParams, bwCode), Storage::Word, &codecs::kBandWidth},
    {offsetof(BandParams, slope), Storage::Byte, &codecs::kShelfSlope},
};

inline constexpr FieldSpec kGlobalFieldSpecs[kGlobalFieldCount] = {
    {offsetof(GlobalSettings, panelLock), Storage::Byte, &codecs::kPanelLock},
    {offsetof(GlobalSettings, channelLink), Storage::Byte, &codecs::kChannelLink},
    {offsetof(GlobalSettings, language), Storage::Byte, &codecs::kLanguage},
};

constexpr const FieldSpec& Spec(ChannelField field) { return kChannelFieldSpecs[static_cast<int>(field)]; }
constexpr const FieldSpec& Spec(BandField field) { return kBandFieldSpecs[static_cast<int>(field)]; }
constexpr const FieldSpec& Spec(GlobalField field) { return kGlobalFieldSpecs[static_cast<int>(field)]; }

// The parameter group a channel field travels in.
constexpr int GroupOf(std::size_t offset) { return static_cast<int>(offset / kGroupSize); }
int GroupOf(ChannelField field);
// The global item a global field travels as.
int ItemOf(GlobalField field);

int LoadCode(const std::uint8_t* record, const FieldSpec& field);
void StoreCode(std::uint8_t* record, const FieldSpec& field, int code);

// What a typed compressor threshold may be: -40..19 dB, 19 standing for "OFF".
constexpr Linear kTypedCompThreshold{0, kCompThresholdOff, 1, -40, 1};
