#include "protocol/ReplyHandling.h"

#include <cstring>

CReplyHandler::CReplyHandler(CParameterImage& image, CCommandScheduler& scheduler, CProtocolEvents& events)
    : m_image(image), m_scheduler(scheduler), m_events(events)
{
    ResetFrameReceiver(m_receiver);
}

void CReplyHandler::FeedInputReport(const std::uint8_t* report)
{
    // The report ID is skipped; the rest of a report that ended a frame is not looked at.
    if (ReceiveFrameBytes(m_receiver, report + 1, kReportSize) && ReceivedFrameIsValid(m_receiver))
        HandleReply();
}

void CReplyHandler::ResetReceiver()
{
    ResetFrameReceiver(m_receiver);
}

void CReplyHandler::HandleReply()
{
    const std::uint8_t* frame = m_receiver.buffer;
    const std::uint8_t a1 = frame[kFrameA1];
    const std::uint8_t a3 = frame[kFrameA3];
    const auto n = static_cast<std::uint16_t>(ReadLe16(frame + kFrameLength));
    const std::uint8_t* payload = frame + kFrameHeaderSize;
    m_scheduler.NoteAnswer();
    switch (frame[kFrameCode]) {
    case CMD_READ_SETUP: HandleSetupReply(a1, payload, n); break;
    case CMD_BLOCK_WRITTEN:
    case CMD_WRITE_BANDS: m_scheduler.TakeReply(ReplyClass::WriteBands, nullptr, payload, n); break;
    case CMD_WRITE_DONE:
    case CMD_STORE_PRESET: m_scheduler.TakeReply(ReplyClass::Store, nullptr, payload, n); break;
    case CMD_ACK: m_scheduler.TakeReply(ReplyClass::SetParam, nullptr, payload, n); break;
    case CMD_RECALL_PRESET: HandleRecallReply(payload, n); break;
    case CMD_POLL:
        HandleStatusReply(a1, a3, payload, n);
        m_scheduler.TakeStatus();
        break;
    case CMD_CLEAR_WAIT: m_scheduler.TakeRetryRequest(); break;
    default: break;
    }
}

// The current memory is recalled once the setup has come.
void CReplyHandler::HandleSetupReply(std::uint8_t a1, const std::uint8_t* payload, std::uint16_t n)
{
    if (a1 == kSetupWithGlobals && n >= kSetupReplySize) {
        if (m_scheduler.TakeReply(ReplyClass::Setup, [this](const std::uint8_t* p, std::uint16_t) { ApplySetup(p); },
                                  payload, n))
            m_scheduler.QueueRecallPreset(0);
    } else if (a1 == kSetupNamesOnly && n >= kSetupNamesReplySize) {
        ApplySetupNames(payload);
    }
}

void CReplyHandler::ApplySetup(const std::uint8_t* payload)
{
    ImageLock lock(m_image.mutex);
    std::memcpy(GlobalBytes(m_image.globals), payload, kSetupGlobalBytes);
    for (int r = 0; r < kSetupNameRecords; ++r) {
        char* record = m_image.names.records[r];
        std::memcpy(record, payload + kSetupGlobalBytes + kPresetNameWireSize * r, kPresetNameWireSize);
        record[kPresetNameWireSize] = '\0';
    }
}

void CReplyHandler::ApplySetupNames(const std::uint8_t* payload)
{
    constexpr int kNameBytes = kPresetNameWireSize - 1;
    ImageLock lock(m_image.mutex);
    for (int r = 1; r <= 19; ++r) {
        char* record = m_image.names.records[r];
        std::memcpy(record, payload + kPresetNameWireSize * r, kNameBytes);
        record[kNameBytes] = '\0';
    }
}

// A recall shorter than both blocks is not applied; the retry asks again.
void CReplyHandler::HandleRecallReply(const std::uint8_t* payload, std::uint16_t n)
{
    if (n >= kRecallReplySize)
        m_scheduler.TakeReply(ReplyClass::Recall, [this](const std::uint8_t* p, std::uint16_t) { ApplyRecall(p); },
                              payload, n);
}

// The recalled gains are the ones a PEQ bypass engaged afterwards gives back.
void CReplyHandler::ApplyRecall(const std::uint8_t* payload)
{
    {
        ImageLock lock(m_image.mutex);
        for (int c = 0; c < kChannelCount; ++c) {
            std::memcpy(BlockBytes(m_image.channels[c]), payload + c * sizeof(ChannelBlock), sizeof(ChannelBlock));
            m_image.restoreGains[c] = BandGains(m_image.channels[c]);
        }
    }
    m_events.ChannelsRecalled();
}

void CReplyHandler::HandleStatusReply(std::uint8_t a1, std::uint8_t a3, const std::uint8_t* payload, std::uint16_t n)
{
    if (a1 == kStatusNotches) {
        if (a3 >= kChannelCount || n < kNotchReplySize)
            return;
        {
            ImageLock lock(m_image.mutex);
            std::memcpy(BlockBytes(m_image.channels[a3]) + kNotchTableOffset, payload, kNotchTableSize);
        }
        m_events.NotchTableReceived(a3);
        return;
    }
    if (n < kMeterReplySize)
        return;
    for (int i = 0; i < kMeterByteCount; ++i)
        m_image.meterBytes[i].store(payload[i]);
}

void CMeterDisplay::Refresh()
{
    for (int c = 0; c < kChannelCount; ++c) {
        // Clearing the overload bit atomically keeps a newer status reply's bit.
        const std::uint8_t m = m_image.meterBytes[c].fetch_and(static_cast<std::uint8_t>(~kMeterOverloadBit));
        const bool overload = (m & kMeterOverloadBit) != 0;
        const std::uint8_t level = m & static_cast<std::uint8_t>(~kMeterOverloadBit);
        std::uint8_t& shown = m_shown[c];
        if (shown <= level)
            shown = level;
        else
            shown = shown > kMeterFallPerTick ? static_cast<std::uint8_t>(shown - kMeterFallPerTick) : 0;
        MeterLamps lamps{};
        for (int j = 0; j < kOverloadLamp; ++j)
            lamps[j] = shown >= kLevelLampThresholds[j];
        lamps[kOverloadLamp] = overload;
        m_events.MeterLampsShown(c, lamps);
    }
}

void CMeterDisplay::Darken()
{
    for (std::atomic<std::uint8_t>& byte : m_image.meterBytes)
        byte.store(0);
    for (int c = 0; c < kChannelCount; ++c) {
        m_shown[c] = 0;
        m_events.MeterLampsShown(c, MeterLamps{});
    }
}
