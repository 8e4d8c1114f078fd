#include "model/SettingsEdit.h"

#include <cstring>

namespace {

constexpr std::size_t kDetectSpeedByte = offsetof(ChannelBlock, detectSpeed);

const std::uint8_t* GroupBytes(const ChannelBlock& block, int group)
{
    return BlockBytes(block) + kGroupSize * group;
}

bool BytesDiffer(const ChannelBlock& a, const ChannelBlock& b, int group, bool ignoreDetectSpeed)
{
    const std::uint8_t* x = GroupBytes(a, group);
    const std::uint8_t* y = GroupBytes(b, group);
    for (int i = 0; i < kGroupSize; ++i) {
        const std::size_t offset = static_cast<std::size_t>(kGroupSize * group + i);
        if (x[i] != y[i] && !(ignoreDetectSpeed && offset == kDetectSpeedByte))
            return true;
    }
    return false;
}

bool IsBandGroup(int group)
{
    return group >= kGroupFirstBand && group < kGroupFirstBand + kBandCount;
}

std::uint8_t GlobalItemCode(const GlobalSettings& globals, GlobalField field)
{
    return GlobalBytes(globals)[Spec(field).offset];
}

std::uint16_t Bit(int group)
{
    return static_cast<std::uint16_t>(1u << group);
}

}  // namespace

UnitSettings CaptureSettings(const CParameterImage& image)
{
    UnitSettings settings;
    ImageLock lock(image.mutex);
    for (int c = 0; c < kChannelCount; ++c) {
        settings.channels[c] = image.channels[c];
        settings.channels[c].notchClear = 0;
        settings.restoreGains[c] = image.restoreGains[c];
    }
    settings.globals = image.globals;
    return settings;
}

bool SettingsSends::Empty() const
{
    for (int c = 0; c < kChannelCount; ++c) {
        if (groups[c] != 0 || bandsAsOneWrite[c] || notchClear[c])
            return false;
    }
    return globalItems == 0;
}

SettingsSends DifferenceSends(const UnitSettings& from, const UnitSettings& to)
{
    SettingsSends sends;
    for (int c = 0; c < kChannelCount; ++c) {
        int bandGroups = 0;
        for (int g = 0; g < kGroupCount; ++g) {
            if (!BytesDiffer(from.channels[c], to.channels[c], g, c == 1))
                continue;
            sends.groups[c] |= Bit(g);
            bandGroups += IsBandGroup(g);
        }
        sends.bandsAsOneWrite[c] = bandGroups > 1;
    }
    for (int f = 0; f < kGlobalFieldCount; ++f) {
        const auto field = static_cast<GlobalField>(f);
        if (GlobalItemCode(from.globals, field) != GlobalItemCode(to.globals, field))
            sends.globalItems |= static_cast<std::uint8_t>(1u << f);
    }
    return sends;
}

bool SettingsDiffer(const UnitSettings& a, const UnitSettings& b)
{
    for (int c = 0; c < kChannelCount; ++c) {
        for (int g = 0; g < kGroupCount; ++g) {
            if (BytesDiffer(a.channels[c], b.channels[c], g, false))
                return true;
        }
    }
    return !DifferenceSends(a, b).Empty() || a.restoreGains != b.restoreGains;
}

CSettingsEdit::CSettingsEdit(const UnitSettings& before) : m_before(before), m_after(before) {}

std::uint8_t* CSettingsEdit::Record(int channel)
{
    return BlockBytes(m_after.channels[channel]);
}

int CSettingsEdit::Get(int channel, ChannelField field) const
{
    return LoadCode(BlockBytes(m_after.channels[channel]), Spec(field));
}

void CSettingsEdit::Set(int channel, ChannelField field, int code)
{
    if (field == ChannelField::DetectionSpeed) {
        for (int c = 0; c < kChannelCount; ++c)
            StoreCode(Record(c), Spec(field), code);
        m_set.groups[0] |= Bit(GroupOf(field));
        return;
    }
    StoreCode(Record(channel), Spec(field), code);
    m_set.groups[channel] |= Bit(GroupOf(field));
}

int CSettingsEdit::Get(GlobalField field) const
{
    return GlobalItemCode(m_after.globals, field);
}

void CSettingsEdit::Set(GlobalField field, int code)
{
    StoreCode(GlobalBytes(m_after.globals), Spec(field), code);
    m_set.globalItems |= static_cast<std::uint8_t>(1u << static_cast<int>(field));
}

const BandParams& CSettingsEdit::Band(int channel, int band) const
{
    return m_after.channels[channel].bands[band];
}

void CSettingsEdit::SetBand(int channel, int band, const BandParams& values)
{
    BandParams& target = m_after.channels[channel].bands[band];
    target.freqHz = values.freqHz;
    target.gainCode = values.gainCode;
    target.bwCode = values.bwCode;
    m_set.groups[channel] |= Bit(kGroupFirstBand + band);
}

void CSettingsEdit::ReplaceBand(int channel, int band, const BandParams& record)
{
    m_after.channels[channel].bands[band] = record;
}

void CSettingsEdit::ReplaceChannelBands(int channel, const std::array<BandParams, kBandCount>& bands, int gainCode)
{
    for (int k = 0; k < kBandCount; ++k)
        ReplaceBand(channel, k, bands[k]);
    if (Get(channel, ChannelField::Gain) != gainCode)
        Set(channel, ChannelField::Gain, gainCode);
}

void CSettingsEdit::SetBandGain(int channel, int band, std::int16_t code)
{
    m_after.channels[channel].bands[band].gainCode.Set(code);
}

void CSettingsEdit::SendBandsAsOneWrite(int channel)
{
    m_set.bandsAsOneWrite[channel] = true;
}

BandGainCodes& CSettingsEdit::RestoreGains(int channel)
{
    return m_after.restoreGains[channel];
}

void CSettingsEdit::SetAll(const UnitSettings& settings)
{
    for (int c = 0; c < kChannelCount; ++c) {
        std::memcpy(Record(c), BlockBytes(settings.channels[c]), kGroupCount * kGroupSize);
        m_after.channels[c].notchClear = 0;
        m_after.restoreGains[c] = settings.restoreGains[c];
    }
    for (int f = 0; f < kGlobalFieldCount; ++f) {
        const auto field = static_cast<GlobalField>(f);
        StoreCode(GlobalBytes(m_after.globals), Spec(field), GlobalItemCode(settings.globals, field));
    }
}

void CSettingsEdit::EmptyNotches(int channel)
{
    for (NotchEntry& notch : m_after.channels[channel].notches)
        notch.freqHz.Set(kNoNotchFreqHz);
}

void CSettingsEdit::ClearNotches(int channel)
{
    EmptyNotches(channel);
    m_set.groups[channel] |= Bit(kGroupNotch);
    m_set.notchClear[channel] = true;
}

SettingsSends CSettingsEdit::Sends() const
{
    SettingsSends sends = DifferenceSends(m_before, m_after);
    for (int c = 0; c < kChannelCount; ++c) {
        sends.groups[c] |= m_set.groups[c];
        sends.bandsAsOneWrite[c] = sends.bandsAsOneWrite[c] || m_set.bandsAsOneWrite[c];
        sends.notchClear[c] = m_set.notchClear[c];
    }
    sends.globalItems |= m_set.globalItems;
    return sends;
}
