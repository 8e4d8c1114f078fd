// The device parameter image: a byte-exact copy of the unit's settings.
// Every record below has the unit's wire layout (alignment 1, 16-bit values
// little-endian), so blocks travel between the image and frames byte for byte.
#pragma once

#include "protocol/ThreadSafety.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

// A signed 16-bit value stored little-endian, as the unit sends it.
struct Le16 {
    std::uint8_t lo = 0;
    std::uint8_t hi = 0;

    constexpr std::int16_t Get() const
    {
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
    }
    constexpr void Set(std::int16_t value)
    {
        const auto u = static_cast<std::uint16_t>(value);
        lo = static_cast<std::uint8_t>(u & 0xFF);
        hi = static_cast<std::uint8_t>(u >> 8);
    }
};
static_assert(sizeof(Le16) == 2 && alignof(Le16) == 1);

constexpr std::int16_t ReadLe16(const std::uint8_t* p)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}
constexpr void WriteLe16(std::uint8_t* p, std::int16_t value)
{
    const auto u = static_cast<std::uint16_t>(value);
    p[0] = static_cast<std::uint8_t>(u & 0xFF);
    p[1] = static_cast<std::uint8_t>(u >> 8);
}

// One equalizer band; the same record feeds the graph and the filter model.
struct BandParams {
    Le16 freqHz;          // centre frequency in Hz
    Le16 gainCode;        // dB = code * 0.1 - 12; 120 = 0 dB
    Le16 bwCode;          // octaves = code * 0.01 + 0.05
    std::uint8_t slope;   // shelf slope code (the band table calls it `option`)
    std::uint8_t type;    // filter type code
};
static_assert(sizeof(BandParams) == 8);
static_assert(offsetof(BandParams, freqHz) == 0);
static_assert(offsetof(BandParams, gainCode) == 2);
static_assert(offsetof(BandParams, bwCode) == 4);
static_assert(offsetof(BandParams, slope) == 6);
static_assert(offsetof(BandParams, type) == 7);

// One notch filter as the unit reports it; freqHz <= 20 means "no notch".
struct NotchEntry {
    Le16 aux;     // kept as received, never interpreted
    Le16 freqHz;
};
static_assert(sizeof(NotchEntry) == 4);
static_assert(offsetof(NotchEntry, freqHz) == 2);

constexpr int kChannelCount = 2;

// Codes with a meaning of their own in the channel block.
constexpr int kGainCodeMax = 90;            // +10 dB
constexpr int kCompThresholdOff = 59;       // compressor threshold "OFF"
constexpr int kFlatGainCode = 120;          // a band at 0 dB
constexpr std::int16_t kNoNotchFreqHz = 20; // a notch entry at or below this holds no notch
constexpr int kBandCount = 12;
constexpr int kNotchCount = 12;
constexpr int kGroupCount = 16;
constexpr int kGroupSize = 8;

// The parameter groups a channel block travels in, one set-parameter command each.
constexpr std::uint8_t kGroupGain = 0;         // reserved0, gain, mute, freqShift
constexpr std::uint8_t kGroupGate = 1;
constexpr std::uint8_t kGroupCompressor = 2;
constexpr std::uint8_t kGroupFirstBand = 3;    // bands[k] travels in group 3 + k
constexpr std::uint8_t kGroupNotch = 15;       // notchClear .. notchBypass and notch 0's aux word

constexpr int kGateTopCode = 70;               // gateThreshold of -30 dB, the first entry of the list
constexpr std::uint8_t kChannelLinkedCode = 2; // channelLink: CH A and CH B linked (1 is never written)

// Settings of one channel: sixteen 8-byte parameter groups, then the notch table
// (whose first word is also the last word of group 15).
struct ChannelBlock {
    Le16 reserved0;                 // travels with group 0, never shown
    Le16 gain;                      // dB = code - 80; 0..90
    std::uint8_t mute;
    std::uint8_t unused5;
    std::uint8_t freqShift;         // 0 = off, 1..4 = 2, 4, 6, 8 Hz
    std::uint8_t unused7;
    std::uint8_t gateThreshold;     // 0 = off, 1..70 = -(100 - code) dB
    std::uint8_t unused9[7];
    std::uint8_t compThreshold;     // 0..58 = code - 40 dB, 59 = off
    std::uint8_t compAttack;        // ms = code + 5
    std::uint8_t compRelease;       // 0..5 = x2, x4, x6, x8, x16, x32 of the attack
    std::uint8_t compRatio;         // (code + 1):1, 127 = Inf:1
    std::uint8_t unused20[4];
    BandParams bands[kBandCount];   // groups 3..14
    std::uint8_t notchClear;        // recomputed before every group-15 send
    std::uint8_t detectSpeed;       // 0 fast, 1 default, 2 slow
    std::uint8_t unused122;
    std::uint8_t staticNotchCount;  // 0..8
    std::uint8_t unused124;
    std::uint8_t notchBypass;
    NotchEntry notches[kNotchCount];
};
static_assert(sizeof(ChannelBlock) == 174 && alignof(ChannelBlock) == 1);
static_assert(offsetof(ChannelBlock, gain) == 2);
static_assert(offsetof(ChannelBlock, mute) == 4);
static_assert(offsetof(ChannelBlock, freqShift) == 6);
static_assert(offsetof(ChannelBlock, gateThreshold) == 8);
static_assert(offsetof(ChannelBlock, compThreshold) == 16);
static_assert(offsetof(ChannelBlock, compAttack) == 17);
static_assert(offsetof(ChannelBlock, compRelease) == 18);
static_assert(offsetof(ChannelBlock, compRatio) == 19);
static_assert(offsetof(ChannelBlock, bands) == 24);
static_assert(offsetof(ChannelBlock, notchClear) == 120);
static_assert(offsetof(ChannelBlock, detectSpeed) == 121);
static_assert(offsetof(ChannelBlock, staticNotchCount) == 123);
static_assert(offsetof(ChannelBlock, notchBypass) == 125);
static_assert(offsetof(ChannelBlock, notches) == 126);

constexpr std::size_t kBandsOffset = offsetof(ChannelBlock, bands);
constexpr std::size_t kBandsSize = sizeof(BandParams) * kBandCount;           // 96
constexpr std::size_t kNotchTableOffset = offsetof(ChannelBlock, notches);
constexpr std::size_t kNotchTableSize = sizeof(NotchEntry) * kNotchCount;     // 48
constexpr std::size_t kChannelBlocksSize = sizeof(ChannelBlock) * kChannelCount;  // 348

// The 64-byte global area; the unit sends bytes 0..11, the program uses three.
struct GlobalSettings {
    std::uint8_t unit0[5];      // received and kept, not interpreted
    std::uint8_t panelLock;     // item 5
    std::uint8_t unit6[4];      // received and kept, not interpreted
    std::uint8_t channelLink;   // item 7: 0 independent, 2 linked
    std::uint8_t language;      // item 8: 1 Chinese, 0 English
    std::uint8_t unused[52];
};
static_assert(sizeof(GlobalSettings) == 64);
static_assert(offsetof(GlobalSettings, panelLock) == 5);
static_assert(offsetof(GlobalSettings, channelLink) == 10);
static_assert(offsetof(GlobalSettings, language) == 11);

constexpr int kGlobalItemPanelLock = 5;
constexpr int kGlobalItemChannelLink = 7;
constexpr int kGlobalItemLanguage = 8;
// Every global item, in the order a whole set of settings sends them.
constexpr std::uint8_t kGlobalItems[] = {kGlobalItemPanelLock, kGlobalItemChannelLink, kGlobalItemLanguage};

// Byte of the global area that a global item travels in; -1 for an unknown item.
constexpr int GlobalItemByte(int item)
{
    switch (item) {
    case kGlobalItemPanelLock: return 5;
    case kGlobalItemChannelLink: return 10;
    case kGlobalItemLanguage: return 11;
    default: return -1;
    }
}

constexpr int kPresetRecordCount = 22;
constexpr int kPresetRecordSize = 25;
constexpr int kPresetNameWireSize = 16;   // bytes of a record sent to the unit
constexpr int kUserPresetCount = 20;

// Record 0 names the current memory, 1..20 the user presets; 21 is never filled.
struct PresetNameTable {
    char records[kPresetRecordCount][kPresetRecordSize];
};
static_assert(sizeof(PresetNameTable) == 550);

constexpr int kMeterByteCount = 4;

// The mutex of an image, as the compiler's thread-safety analysis knows it.
class CAPABILITY("mutex") CImageMutex {
public:
    void lock() ACQUIRE() { m_mutex.lock(); }
    void unlock() RELEASE() { m_mutex.unlock(); }

private:
    std::mutex m_mutex;
};

// Holds an image's mutex for its scope; the only way to reach the blocks, the globals and the names.
class SCOPED_CAPABILITY ImageLock {
public:
    explicit ImageLock(CImageMutex& mutex) ACQUIRE(mutex) : m_mutex(mutex) { m_mutex.lock(); }
    ~ImageLock() RELEASE() { m_mutex.unlock(); }
    ImageLock(const ImageLock&) = delete;
    ImageLock& operator=(const ImageLock&) = delete;

private:
    CImageMutex& m_mutex;
};

using BandGainCodes = std::array<std::int16_t, kBandCount>;

// One unit's parameters as the program holds them. A clang build refuses every
// read or write of the blocks, the globals, the names and the restore gains
// outside an ImageLock on `mutex`; the meter bytes are atomics of their own.
class CParameterImage {
public:
    CParameterImage();
    CParameterImage(const CParameterImage&) = delete;
    CParameterImage& operator=(const CParameterImage&) = delete;

    mutable CImageMutex mutex;
    ChannelBlock channels[kChannelCount] GUARDED_BY(mutex);
    GlobalSettings globals GUARDED_BY(mutex);
    PresetNameTable names GUARDED_BY(mutex);
    // Per channel, the band gains the PEQ bypass gives back when it is switched
    // off; the program's own, never sent.
    BandGainCodes restoreGains[kChannelCount] GUARDED_BY(mutex);
    std::atomic<std::uint8_t> meterBytes[kMeterByteCount];   // bit 7 overload, 0..6 level

    // Copies taken under the lock.
    ChannelBlock Channel(int channel) const;
    std::array<ChannelBlock, kChannelCount> Channels() const;
    GlobalSettings Globals() const;
    PresetNameTable Names() const;
    BandGainCodes RestoreGains(int channel) const;

    // Both channel blocks back to their defaults and the global area zeroed.
    void LoadDefaults();
};

// One command for the unit: its code and the four argument bytes of its frame.
struct CommandSlot {
    std::uint8_t code = 0;
    std::uint8_t a1 = 0;
    std::uint8_t a2 = 0;
    std::uint8_t a3 = 0;
    std::uint8_t a4 = 0;
    friend bool operator==(const CommandSlot&, const CommandSlot&) = default;
};

// Raw byte views of the records (same object, viewed as its wire bytes).
inline std::uint8_t* BlockBytes(ChannelBlock& block) { return reinterpret_cast<std::uint8_t*>(&block); }
inline const std::uint8_t* BlockBytes(const ChannelBlock& block) { return reinterpret_cast<const std::uint8_t*>(&block); }
inline std::uint8_t* GlobalBytes(GlobalSettings& g) { return reinterpret_cast<std::uint8_t*>(&g); }
inline const std::uint8_t* GlobalBytes(const GlobalSettings& g) { return reinterpret_cast<const std::uint8_t*>(&g); }

// The built-in defaults of one channel block.
ChannelBlock DefaultChannelBlock();

// The start-up names: " Current", " USER 1" .. " USER 21", space-padded to 12.
PresetNameTable InitialPresetNames();

// The 12 band gain codes of a block.
BandGainCodes BandGains(const ChannelBlock& block);
// Every band at 0 dB: the window shows the PEQ bypass engaged.
bool AllBandsFlat(const ChannelBlock& block);
