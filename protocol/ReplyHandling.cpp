#include "protocol/ReplyHandling.h"

#include "protocol/Framing.h"
#include "protocol/ParameterImage.h"
#include "protocol/CommandScheduler.h"

#include <cstring>
#include <mutex>
#include <utility>

std::uint8_t g_MeterShown[kChannelCount]{};

namespace {

// The reader thread posts through the hook while the window may replace or clear it.
std::mutex g_DeviceRefreshHookMutex;
DeviceRefreshHook g_DeviceRefreshHook;
LampHook g_LampHook;

void PostDeviceRefresh(int lParam)
{
    std::lock_guard<std::mutex> lock(g_DeviceRefreshHookMutex);
    if (g_DeviceRefreshHook)
        g_DeviceRefreshHook(lParam);
}

void ApplySetup(const std::uint8_t* payload, std::uint16_t)
{
    ImageLock lock(g_ImageMutex);
    std::memcpy(GlobalBytes(g_GlobalSettings), payload, kSetupGlobalBytes);
    for (int r = 0; r < kSetupNameRecords; ++r) {
        char* record = g_PresetNames.records[r];
        std::memcpy(record, payload + kSetupGlobalBytes + kPresetNameWireSize * r, kPresetNameWireSize);
        record[kPresetNameWireSize] = '\0';
    }
    g_ChannelLinked.store(g_GlobalSettings.channelLink == kChannelLinkedCode ? 1 : 0);
}

void ApplySetupNames(const std::uint8_t* payload)
{
    constexpr int kNameBytes = kPresetNameWireSize - 1;
    ImageLock lock(g_ImageMutex);
    for (int r = 1; r <= 19; ++r) {
        char* record = g_PresetNames.records[r];
        std::memcpy(record, payload + kPresetNameWireSize * r, kNameBytes);
        record[kNameBytes] = '\0';
    }
}

// The current memory is recalled once the setup has come.
void HandleSetupReply(std::uint8_t a1, const std::uint8_t* payload, std::uint16_t n)
{
    if (a1 == kSetupWithGlobals && n >= kSetupReplySize) {
        if (SchedulerTakeReply(ReplyClass::Setup, ApplySetup, payload, n))
            QueueRecallPreset(0);
    } else if (a1 == kSetupNamesOnly && n >= kSetupNamesReplySize) {
        ApplySetupNames(payload);
    }
}

void ApplyRecall(const std::uint8_t* payload, std::uint16_t)
{
    {
        ImageLock lock(g_ImageMutex);
        std::memcpy(BlockBytes(g_ChannelBlocks[0]), payload, sizeof(ChannelBlock));
        std::memcpy(BlockBytes(g_ChannelBlocks[1]), payload + sizeof(ChannelBlock), sizeof(ChannelBlock));
    }
    PostDeviceRefresh(kRefreshAll);
}

// A recall shorter than both blocks is not applied; the retry asks again.
void HandleRecallReply(const std::uint8_t* payload, std::uint16_t n)
{
    if (n >= kRecallReplySize)
        SchedulerTakeReply(ReplyClass::Recall, ApplyRecall, payload, n);
}

void HandleStatusReply(std::uint8_t a1, std::uint8_t a3, const std::uint8_t* payload, std::uint16_t n)
{
    if (a1 == kStatusNotches) {
        if (a3 >= kChannelCount || n < kNotchReplySize)
            return;
        {
            ImageLock lock(g_ImageMutex);
            std::memcpy(BlockBytes(g_ChannelBlocks[a3]) + kNotchTableOffset, payload, kNotchTableSize);
        }
        PostDeviceRefresh(kRefreshNotches);
        return;
    }
    if (n < kMeterReplySize)
        return;
    for (int i = 0; i < kMeterByteCount; ++i)
        g_MeterBytes[i].store(payload[i]);
}

void ShowMeter(int channel, std::uint8_t shown, bool overload)
{
    if (!g_LampHook)
        return;
    for (int j = 0; j < kOverloadLamp; ++j)
        g_LampHook(channel, j, shown >= kLevelLampThresholds[j]);
    g_LampHook(channel, kOverloadLamp, overload);
}

}  // namespace

void SetDeviceRefreshHook(DeviceRefreshHook hook)
{
    std::lock_guard<std::mutex> lock(g_DeviceRefreshHookMutex);
    g_DeviceRefreshHook = std::move(hook);
}

void SetLampHook(LampHook hook)
{
    g_LampHook = std::move(hook);
}

void HandleReply()
{
    const std::uint8_t* frame = ReceivedFrame();
    const std::uint8_t a1 = frame[kFrameA1];
    const std::uint8_t a3 = frame[kFrameA3];
    const auto n = static_cast<std::uint16_t>(ReadLe16(frame + kFrameLength));
    const std::uint8_t* payload = frame + kFrameHeaderSize;
    SchedulerNoteAnswer();
    switch (frame[kFrameCode]) {
    case CMD_READ_SETUP: HandleSetupReply(a1, payload, n); break;
    case CMD_BLOCK_WRITTEN:
    case CMD_WRITE_BANDS: SchedulerTakeReply(ReplyClass::WriteBands, nullptr, payload, n); break;
    case CMD_WRITE_DONE:
    case CMD_STORE_PRESET: SchedulerTakeReply(ReplyClass::Store, nullptr, payload, n); break;
    case CMD_ACK: SchedulerTakeReply(ReplyClass::SetParam, nullptr, payload, n); break;
    case CMD_RECALL_PRESET: HandleRecallReply(payload, n); break;
    case CMD_POLL:
        HandleStatusReply(a1, a3, payload, n);
        SchedulerTakeStatus();
        break;
    case CMD_CLEAR_WAIT: SchedulerTakeRetryRequest(); break;
    default: break;
    }
}

void ResetMeterDisplay()
{
    g_MeterShown[0] = g_MeterShown[1] = 0;
}

void RefreshMeters()
{
    for (int c = 0; c < kChannelCount; ++c) {
        // Clearing the overload bit atomically keeps a newer status reply's bit.
        const std::uint8_t m = g_MeterBytes[c].fetch_and(static_cast<std::uint8_t>(~kMeterOverloadBit));
        const bool overload = (m & kMeterOverloadBit) != 0;
        const std::uint8_t level = m & static_cast<std::uint8_t>(~kMeterOverloadBit);
        std::uint8_t& shown = g_MeterShown[c];
        if (shown <= level)
            shown = level;
        else
            shown = shown > kMeterFallPerTick ? static_cast<std::uint8_t>(shown - kMeterFallPerTick) : 0;
        ShowMeter(c, shown, overload);
    }
}
