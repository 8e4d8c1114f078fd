#include "protocol/ParameterImage.h"

namespace {

constexpr std::int16_t kDefaultBandFreqHz[kBandCount] = {40, 63, 100, 160, 250, 400, 630, 1000, 1600, 2500, 4000, 6300};
constexpr std::int16_t kDefaultBwCode = 32;
constexpr std::int16_t kDefaultGain = 80;
constexpr int kPaddedNameLength = 12;

// text, then spaces to 12 characters, then zeros to the end of the record.
constexpr void SetPaddedName(char* record, const char* text)
{
    int i = 0;
    for (; text[i] != '\0'; ++i)
        record[i] = text[i];
    for (; i < kPaddedNameLength; ++i)
        record[i] = ' ';
    for (; i < kPresetRecordSize; ++i)
        record[i] = '\0';
}

static_assert(kPresetRecordCount <= 100, "record numbers are written with at most two digits");

constexpr PresetNameTable MakeInitialPresetNames()
{
    PresetNameTable table{};
    SetPaddedName(table.records[0], " Current");
    for (int r = 1; r < kPresetRecordCount; ++r) {
        char text[] = " USER 00";
        if (r < 10) {
            text[6] = static_cast<char>('0' + r);
            text[7] = '\0';
        } else {
            text[6] = static_cast<char>('0' + r / 10);
            text[7] = static_cast<char>('0' + r % 10);
        }
        SetPaddedName(table.records[r], text);
    }
    return table;
}

constexpr ChannelBlock MakeDefaultChannelBlock()
{
    ChannelBlock block{};
    block.reserved0.Set(kDefaultGain);
    block.gain.Set(kDefaultGain);
    block.gateThreshold = 1;
    block.compThreshold = kCompThresholdOff;
    for (int k = 0; k < kBandCount; ++k) {
        block.bands[k].freqHz.Set(kDefaultBandFreqHz[k]);
        block.bands[k].gainCode.Set(kFlatGainCode);
        block.bands[k].bwCode.Set(kDefaultBwCode);
    }
    for (NotchEntry& notch : block.notches)
        notch.freqHz.Set(kNoNotchFreqHz);
    return block;
}

// Built by the compiler: every new image starts from a copy of these.
constexpr PresetNameTable kInitialPresetNames = MakeInitialPresetNames();
constexpr ChannelBlock kDefaultChannelBlock = MakeDefaultChannelBlock();

}  // namespace

PresetNameTable InitialPresetNames()
{
    return kInitialPresetNames;
}

ChannelBlock DefaultChannelBlock()
{
    return kDefaultChannelBlock;
}

BandGainCodes BandGains(const ChannelBlock& block)
{
    BandGainCodes gains{};
    for (int k = 0; k < kBandCount; ++k)
        gains[k] = block.bands[k].gainCode.Get();
    return gains;
}

bool AllBandsFlat(const ChannelBlock& block)
{
    for (const BandParams& band : block.bands) {
        if (band.gainCode.Get() != kFlatGainCode)
            return false;
    }
    return true;
}

CParameterImage::CParameterImage()
    : channels{DefaultChannelBlock(), DefaultChannelBlock()},
      globals{},
      names(InitialPresetNames()),
      restoreGains{BandGains(channels[0]), BandGains(channels[1])},
      meterBytes{}
{
}

ChannelBlock CParameterImage::Channel(int channel) const
{
    ImageLock lock(mutex);
    return channels[channel];
}

std::array<ChannelBlock, kChannelCount> CParameterImage::Channels() const
{
    ImageLock lock(mutex);
    return {channels[0], channels[1]};
}

GlobalSettings CParameterImage::Globals() const
{
    ImageLock lock(mutex);
    return globals;
}

PresetNameTable CParameterImage::Names() const
{
    ImageLock lock(mutex);
    return names;
}

BandGainCodes CParameterImage::RestoreGains(int channel) const
{
    ImageLock lock(mutex);
    return restoreGains[channel];
}

void CParameterImage::LoadDefaults()
{
    ImageLock lock(mutex);
    channels[0] = DefaultChannelBlock();
    channels[1] = DefaultChannelBlock();
    globals = GlobalSettings{};
}
