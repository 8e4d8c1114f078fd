// The single-slot command scheduler: setters overwrite the slot, the 100 ms
// timer's SchedulerTick() sends, waits, retries and falls back to polling.
#pragma once

#include <cstdint>

// Wait budgets in ticks (one tick is 100 ms).
constexpr std::uint8_t kSetupWaitTicks = 15;
constexpr std::uint8_t kWriteBandsWaitTicks = 20;
constexpr std::uint8_t kPresetWaitTicks = 35;
constexpr std::uint8_t kPollIntervalTicks = 2;
constexpr std::uint8_t kMaxAttempts = 3;   // a command is given up once its attempts exceed this

// Setters: write the slot and clear g_AwaitingReply; they never send.
void QueueSetParam(std::uint8_t area, std::uint8_t channel, std::uint8_t group);
void QueueWriteBands(std::uint8_t area, std::uint8_t channel);
void QueueStorePreset(std::uint8_t n);
void QueueRecallPreset(std::uint8_t n);
void QueueReadSetup();

// One scheduler step; run by the main window's 100 ms timer.
void SchedulerTick();

// Sends one set-parameter frame built from the image: area 4 carries the
// channel's group (group 15 with the pending Notch Clear request), area 6 one
// global item. False when nothing was sent.
bool SendSetParam(std::uint8_t area, std::uint8_t channel, std::uint8_t group);

// Sends the first 16 bytes of a name record as preset n's name at once,
// bypassing the slot. record may point into g_PresetNames; the caller must not
// hold g_ImageMutex.
bool SendPresetName(std::uint8_t n, const char* record);

// Puts the slot, the counters and the Notch Clear request back to 0 (tests).
void ResetSchedulerState();
