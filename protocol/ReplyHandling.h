// What the unit's replies do to the image and the scheduler, and the level
// meters that the timer drives from the meter bytes.
#pragma once

#include <cstdint>
#include <functional>

// Payload sizes a reply must carry before it is applied.
constexpr std::uint16_t kSetupReplySize = 348;       // 12 global bytes, 21 names of 16
constexpr std::uint16_t kSetupNamesReplySize = 319;  // names 1..19, 15 bytes each at 16r
constexpr std::uint16_t kRecallReplySize = 348;      // both channel blocks
constexpr std::uint16_t kNotchReplySize = 48;        // one channel's notch table
constexpr std::uint16_t kMeterReplySize = 4;
constexpr int kSetupGlobalBytes = 12;
constexpr int kSetupNameRecords = 21;

// Posts WM_DEVICE_REFRESH with lParam kRefreshAll or kRefreshNotches to the
// main window; called on the reader thread. Setting the hook waits until a call
// in progress has returned, so the window may clear it while closing; the hook
// itself must not set the hook.
using DeviceRefreshHook = std::function<void(int lParam)>;
void SetDeviceRefreshHook(DeviceRefreshHook hook);

// Sets lamp j (0 at the bottom, 9 = overload) of a channel lit or dark.
using LampHook = std::function<void(int channel, int lamp, bool lit)>;
void SetLampHook(LampHook hook);

constexpr int kLampsPerChannel = 10;
constexpr int kOverloadLamp = 9;
constexpr int kLevelLampThresholds[kOverloadLamp] = {2, 15, 21, 27, 33, 36, 39, 42, 57};
constexpr std::uint8_t kMeterOverloadBit = 0x80;
constexpr std::uint8_t kMeterFallPerTick = 3;

// The level each channel's meter shows (UI thread only).
extern std::uint8_t g_MeterShown[2];

// The meters show nothing again.
void ResetMeterDisplay();

// Applies the frame FeedInputReport just accepted. Reader thread.
void HandleReply();

// One meter step per tick: take the meter bytes, let the shown level rise at
// once or fall by 3, and switch the lamps. UI thread.
void RefreshMeters();
