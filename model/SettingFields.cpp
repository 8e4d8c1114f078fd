#include "model/SettingFields.h"

#include "model/Filter.h"
#include "model/ValueTables.h"

#include <iterator>
#include <limits>

namespace {

constexpr int kGainCodeAt0Db = 80;
constexpr int kGateCodeOff = 0;
constexpr int kGateCodeMin = 1;            // -99 dB
constexpr int kGateDbOffset = -100;
constexpr int kCompThresholdDbOffset = -40;
constexpr int kCompAttackMax = 95;         // 100 ms
constexpr int kCompAttackMsOffset = 5;
constexpr int kCompRatioInf = 127;
constexpr int kFreqShiftOff = 0;
constexpr int kFreqShiftMax = 4;           // 8 Hz
constexpr int kFreqShiftHzPerCode = 2;
constexpr int kStaticNotchMax = 8;
constexpr int kBwCodeOffset = 5;           // octaves = (code + 5) / 100
constexpr int kGainCodesPerDb = 10;
constexpr int kBwCodesPerOctave = 100;

constexpr NamedCode kSwitchNames[] = {Flag(1, true), Flag(0, false)};
constexpr NamedCode kLinkNames[] = {Flag(kChannelLinkedCode, true), Flag(0, false)};
constexpr NamedCode kFreqShiftNames[] = {Named(kFreqShiftOff, "off")};
constexpr NamedCode kGateNames[] = {Named(kGateCodeOff, "off")};
constexpr NamedCode kThresholdNames[] = {Named(kCompThresholdOff, "off")};
constexpr NamedCode kReleaseNames[] = {Number(0, 2), Number(1, 4), Number(2, 6),
                                       Number(3, 8), Number(4, 16), Number(5, 32)};
constexpr NamedCode kRatioNames[] = {Named(kCompRatioInf, "inf")};
constexpr NamedCode kDetectSpeedNames[] = {Named(0, "fast"), Named(1, "default"), Named(2, "slow")};
constexpr NamedCode kBandTypeNames[] = {Named(FILTER_PEAK, "peak"), Named(FILTER_LOW_SHELF, "lowShelf"),
                                        Named(FILTER_HIGH_SHELF, "highShelf")};
constexpr NamedCode kSlopeNames[] = {Named(kSlope6dBPerOct, "6dB/Oct"), Named(kSlope12dBPerOct, "12dB/Oct")};
constexpr NamedCode kPanelLockNames[] = {Named(0, "unlocked"), Named(1, "firstLevel"), Named(2, "secondLevel")};
constexpr NamedCode kLanguageNames[] = {Named(0, "english"), Named(1, "chinese")};

static_assert(std::size(kGlobalItems) == kGlobalFieldCount);

}  // namespace

namespace codecs {
const Codec kGain{{}, Linear{0, kGainCodeMax, 1, -kGainCodeAt0Db, 1}};
const Codec kSwitch{kSwitchNames, std::nullopt};
const Codec kFrequencyShift{kFreqShiftNames, Linear{1, kFreqShiftMax, kFreqShiftHzPerCode, 0, 1}};
const Codec kNoiseGate{kGateNames, Linear{kGateCodeMin, kGateTopCode, 1, kGateDbOffset, 1}};
const Codec kCompThreshold{kThresholdNames, Linear{0, kCompThresholdOff - 1, 1, kCompThresholdDbOffset, 1}};
const Codec kCompAttack{{}, Linear{0, kCompAttackMax, 1, kCompAttackMsOffset, 1}};
const Codec kCompRelease{kReleaseNames, std::nullopt};
const Codec kCompRatio{kRatioNames, Linear{0, kCompRatioInf - 1, 1, 1, 1}};
const Codec kStaticNotchCount{{}, Linear{0, kStaticNotchMax, 1, 0, 1}};
const Codec kDetectionSpeed{kDetectSpeedNames, std::nullopt};
const Codec kBandType{kBandTypeNames, std::nullopt};
const Codec kBandFrequency{{}, Linear{kMinFreqHz, kMaxFreqHz, 1, 0, 1}};
const Codec kBandGain{{}, Linear{kMinGainCode, kMaxGainCode, 1, -kFlatGainCode, kGainCodesPerDb}};
const Codec kBandWidth{{}, Linear{kMinBwCode, kMaxBwCode, 1, kBwCodeOffset, kBwCodesPerOctave}};
const Codec kShelfSlope{kSlopeNames, std::nullopt};
const Codec kPanelLock{kPanelLockNames, std::nullopt};
const Codec kChannelLink{kLinkNames, std::nullopt};
const Codec kLanguage{kLanguageNames, std::nullopt};
const Codec kByte{{}, Linear{0, 255, 1, 0, 1}};
const Codec kWord{{}, Linear{std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max(), 1,
                             0, 1}};
}  // namespace codecs

const NamedCode* Codec::Find(int code) const
{
    for (const NamedCode& entry : named) {
        if (entry.code == code)
            return &entry;
    }
    return nullptr;
}

int GroupOf(ChannelField field)
{
    return GroupOf(Spec(field).offset);
}

int ItemOf(GlobalField field)
{
    return kGlobalItems[static_cast<int>(field)];
}

int LoadCode(const std::uint8_t* record, const FieldSpec& field)
{
    const std::uint8_t* p = record + field.offset;
    return field.storage == Storage::Word ? ReadLe16(p) : *p;
}

void StoreCode(std::uint8_t* record, const FieldSpec& field, int code)
{
    std::uint8_t* p = record + field.offset;
    if (field.storage == Storage::Word)
        WriteLe16(p, static_cast<std::int16_t>(code));
    else
        *p = static_cast<std::uint8_t>(code);
}
