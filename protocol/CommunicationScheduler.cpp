#include "protocol/CommunicationScheduler.h"

#include "protocol/CommunicationFraming.h"
#include "protocol/CommunicationImage.h"

#include <cstring>

namespace {

constexpr std::uint8_t kNotchGroup = 15;

void FillSlot(std::uint8_t code, std::uint8_t a1, std::uint8_t a2, std::uint8_t a3, std::uint8_t a4)
{
    g_CommandSlot.a1.store(a1);
    g_CommandSlot.a2.store(a2);
    g_CommandSlot.a3.store(a3);
    g_CommandSlot.a4.store(a4);
    g_CommandSlot.code.store(code);
    g_AwaitingReply.store(0);
}

// Marked before the frame goes out: a reply that the reader thread handles
// while the write is still in progress must not be undone afterwards.
void MarkSent()
{
    g_AwaitingReply.store(1);
}

// One attempt of a command with its own budget ran out; after too many the
// command is given up and the scheduler goes back to polling via CMD_DONE.
void CountOwnTimeout()
{
    g_AwaitingReply.store(0);
    if (++g_Attempts > kMaxAttempts) {
        g_Attempts.store(0);
        g_CommandSlot.code.store(CMD_DONE);
    }
}

void TickSetParam()
{
    if (!SendSetParam(g_CommandSlot.a1.load(), g_CommandSlot.a3.load(), g_CommandSlot.a4.load()) &&
        g_Connected.load() != 0)
        g_CommandSlot.code.store(CMD_DONE);   // a slot the image cannot serve is dropped
}

void TickReadSetup()
{
    if (g_AwaitingReply.load() == 0) {
        MarkSent();
        g_WaitLimit.store(0);
        SendFrame(CMD_READ_SETUP, kSetupWithGlobals, 0, 0, 0, 0, nullptr);
    }
    if (++g_WaitTicks > kSetupWaitTicks) {
        g_WaitTicks.store(0);
        CountOwnTimeout();
    }
}

void SendBands(std::uint8_t area, std::uint8_t channel)
{
    std::uint8_t payload[kBandsSize];
    {
        ImageLock lock(g_ImageMutex);
        std::memcpy(payload, BlockBytes(g_ChannelBlocks[channel]) + kBandsOffset, kBandsSize);
    }
    SendFrame(CMD_WRITE_BANDS, area, 0, channel, 0, kBandsSize, payload);
}

void TickWriteBands()
{
    if (g_AwaitingReply.load() == 0) {
        const std::uint8_t area = g_CommandSlot.a1.load();
        const std::uint8_t channel = g_CommandSlot.a3.load();
        MarkSent();
        g_WaitTicks.store(0);
        if (area == AREA_CHANNEL && channel < kChannelCount)
            SendBands(area, channel);
    }
    if (++g_WaitTicks > kWriteBandsWaitTicks) {
        g_WaitTicks.store(0);
        CountOwnTimeout();
    }
}

void TickPreset(std::uint8_t code)
{
    if (g_AwaitingReply.load() == 0) {
        MarkSent();
        g_WaitLimit.store(0);
        SendFrame(code, 0, g_CommandSlot.a2.load(), 0, 0, 0, nullptr);
    }
    if (++g_WaitLimit > kPresetWaitTicks) {
        g_WaitLimit.store(0);
        CountOwnTimeout();
    }
}

void TickPoll()
{
    if (++g_WaitTicks > kPollIntervalTicks)
        SendFrame(CMD_POLL, 0, 0, 0, 0, 0, nullptr);
}

void TickDone()
{
    g_Attempts.store(0);
    g_AwaitingReply.store(0);
    g_CommandSlot.code.store(CMD_POLL);
}

void CommonTimeout()
{
    if (g_AwaitingReply.load() != 1)
        return;
    if (++g_WaitTicks > g_WaitLimit.load()) {
        g_AwaitingReply.store(0);
        g_WaitTicks.store(0);
        if (++g_Attempts > kMaxAttempts)
            g_CommandSlot.code.store(CMD_DONE);
    }
}

}  // namespace

void QueueSetParam(std::uint8_t area, std::uint8_t channel, std::uint8_t group)
{
    FillSlot(CMD_SET_PARAM, area, 0, channel, group);
}

void QueueWriteBands(std::uint8_t area, std::uint8_t channel)
{
    FillSlot(CMD_WRITE_BANDS, area, 0, channel, 0);
}

void QueueStorePreset(std::uint8_t n)
{
    FillSlot(CMD_STORE_PRESET, 0, n, 0, 0);
}

void QueueRecallPreset(std::uint8_t n)
{
    FillSlot(CMD_RECALL_PRESET, 0, n, 0, 0);
}

void QueueReadSetup()
{
    FillSlot(CMD_READ_SETUP, 0, 0, 0, 0);
}

void SchedulerTick()
{
    if (g_Connected.load() == 0)
        return;
    switch (const std::uint8_t code = g_CommandSlot.code.load()) {
    case CMD_SET_PARAM: TickSetParam(); break;
    case CMD_READ_SETUP: TickReadSetup(); break;
    case CMD_WRITE_BANDS: TickWriteBands(); break;
    case CMD_STORE_PRESET:
    case CMD_RECALL_PRESET: TickPreset(code); break;
    case CMD_POLL: TickPoll(); break;
    case CMD_DONE: TickDone(); break;
    default: break;
    }
    CommonTimeout();
}

bool SendSetParam(std::uint8_t area, std::uint8_t channel, std::uint8_t group)
{
    std::uint8_t payload[kGroupSize];
    std::uint16_t n = 0;
    if (area == AREA_CHANNEL) {
        if (channel >= kChannelCount || group >= kGroupCount)
            return false;
        ImageLock lock(g_ImageMutex);
        ChannelBlock& block = g_ChannelBlocks[channel];
        if (group == kNotchGroup)
            block.notchClear = g_NotchClearRequest.load() == 1 ? 1 : 0;
        std::memcpy(payload, BlockBytes(block) + kGroupSize * group, kGroupSize);
        n = kGroupSize;
    } else if (area == AREA_GLOBAL) {
        const int byte = GlobalItemByte(group);
        if (byte < 0)
            return false;
        ImageLock lock(g_ImageMutex);
        payload[0] = GlobalBytes(g_GlobalSettings)[byte];
        channel = 0;
        n = 1;
    } else {
        return false;
    }
    const bool sent = SendFrame(CMD_SET_PARAM, area, 0, channel, group, n, payload);
    if (area == AREA_CHANNEL && group == kNotchGroup)
        g_NotchClearRequest.store(0);
    return sent;
}

bool SendPresetName(std::uint8_t n, const char* record)
{
    std::uint8_t payload[kPresetNameWireSize];
    {
        ImageLock lock(g_ImageMutex);
        std::memcpy(payload, record, kPresetNameWireSize);
    }
    return SendFrame(CMD_SET_PARAM, AREA_PRESET_NAME, n, 0, 0, kPresetNameWireSize, payload);
}

void ResetSchedulerState()
{
    FillSlot(0, 0, 0, 0, 0);
    g_WaitTicks.store(0);
    g_WaitLimit.store(0);
    g_Attempts.store(0);
    g_NotchClearRequest.store(0);
}
