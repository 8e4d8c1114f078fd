#include "protocol/ParameterImage.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr std::int16_t kDefaultBandFreqHz[kBandCount] = {40, 63, 100, 160, 250, 400, 630, 1000, 1600, 2500, 4000, 6300};
constexpr std::int16_t kDefaultBwCode = 32;
constexpr std::int16_t kDefaultGain = 80;
constexpr int kPaddedNameLength = 12;

void SetPaddedName(char* record, const char* text)
{
    std::memset(record, 0, kPresetRecordSize);
    std::memset(record, ' ', kPaddedNameLength);
    std::memcpy(record, text, std::strlen(text));
}

PresetNameTable InitialPresetNames()
{
    PresetNameTable table{};
    SetPaddedName(table.records[0], " Current");
    for (int r = 1; r < kPresetRecordCount; ++r) {
        char text[kPresetRecordSize];
        std::snprintf(text, sizeof text, " USER %d", r);
        SetPaddedName(table.records[r], text);
    }
    return table;
}

}  // namespace

ChannelBlock DefaultChannelBlock()
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

ChannelBlock g_ChannelBlocks[kChannelCount] = {DefaultChannelBlock(), DefaultChannelBlock()};
GlobalSettings g_GlobalSettings{};
PresetNameTable g_PresetNames = InitialPresetNames();
std::atomic<std::uint8_t> g_MeterBytes[kMeterByteCount]{};
CImageMutex g_ImageMutex;

std::atomic<std::int32_t> g_NotchClearRequest{0};
std::atomic<std::int32_t> g_LanguageChinese{0};
std::atomic<std::uint8_t> g_ChannelLinked{0};

std::atomic<std::uint8_t> g_Connected{0};
std::atomic<std::int32_t> g_DeviceOpen{0};
std::atomic<std::int32_t> g_WriteBusy{0};
std::atomic<std::int32_t> g_WriteFailed{0};

void LoadImageDefaults()
{
    ImageLock lock(g_ImageMutex);
    g_ChannelBlocks[0] = DefaultChannelBlock();
    g_ChannelBlocks[1] = DefaultChannelBlock();
    g_GlobalSettings = GlobalSettings{};
}

void LoadInitialPresetNames()
{
    ImageLock lock(g_ImageMutex);
    g_PresetNames = InitialPresetNames();
}

void ResetImageState()
{
    LoadImageDefaults();
    LoadInitialPresetNames();
    for (auto& meter : g_MeterBytes)
        meter = 0;
    g_NotchClearRequest = 0;
    g_LanguageChinese = 0;
    g_ChannelLinked = 0;
    g_Connected = 0;
    g_DeviceOpen = 0;
    g_WriteBusy = 0;
    g_WriteFailed = 0;
}
