// What the unit's replies do to the image and the scheduler, and the level
// meters that the timer drives from the meter bytes.
#pragma once

#include "protocol/CommandScheduler.h"
#include "protocol/Framing.h"
#include "protocol/ParameterImage.h"
#include "protocol/ProtocolEvents.h"

#include <cstdint>

// Payload sizes a reply must carry before it is applied.
constexpr std::uint16_t kSetupReplySize = 348;       // 12 global bytes, 21 names of 16
constexpr std::uint16_t kSetupNamesReplySize = 319;  // names 1..19, 15 bytes each at 16r
constexpr std::uint16_t kRecallReplySize = 348;      // both channel blocks
constexpr std::uint16_t kNotchReplySize = 48;        // one channel's notch table
constexpr std::uint16_t kMeterReplySize = 4;
constexpr int kSetupGlobalBytes = 12;
constexpr int kSetupNameRecords = 21;

constexpr int kLevelLampThresholds[kOverloadLamp] = {2, 15, 21, 27, 33, 36, 39, 42, 57};
constexpr std::uint8_t kMeterOverloadBit = 0x80;
constexpr std::uint8_t kMeterFallPerTick = 3;

// Takes input reports on the reader thread, reassembles the unit's frames and
// applies each valid one.
class CReplyHandler {
public:
    CReplyHandler(CParameterImage& image, CCommandScheduler& scheduler, CProtocolEvents& events);

    // One input report (report ID, then 64 data bytes); the rest of a report
    // that ended a frame is not looked at.
    void FeedInputReport(const std::uint8_t* report);
    // Back to looking for sync (a reconnect: a frame cut off never completes).
    void ResetReceiver();

    // The frame last completed, and whether its checksum matched.
    const std::uint8_t* ReceivedFrame() const { return m_receiver.buffer; }
    bool ReceivedChecksumMatches() const { return ChecksumMatches(m_receiver); }

private:
    void HandleReply();
    void HandleSetupReply(std::uint8_t a1, const std::uint8_t* payload, std::uint16_t n);
    void HandleRecallReply(const std::uint8_t* payload, std::uint16_t n);
    void HandleStatusReply(std::uint8_t a1, std::uint8_t a3, const std::uint8_t* payload, std::uint16_t n);
    void ApplySetup(const std::uint8_t* payload);
    void ApplySetupNames(const std::uint8_t* payload);
    void ApplyRecall(const std::uint8_t* payload);

    CParameterImage& m_image;
    CCommandScheduler& m_scheduler;
    CProtocolEvents& m_events;
    FrameReceiver m_receiver{};
};

// The level each channel's meter shows, rising at once and falling by 3 a tick.
class CMeterDisplay {
public:
    CMeterDisplay(CParameterImage& image, CProtocolEvents& events) : m_image(image), m_events(events) {}

    // One meter step per tick: take the meter bytes, let the shown level rise
    // at once or fall by 3, and show the lamps. The tick's thread only.
    void Refresh();
    // Nothing is measured any more (the link is down): the meter bytes and the
    // levels shown drop to zero and every lamp goes dark at once.
    void Darken();

    std::uint8_t Shown(int channel) const { return m_shown[channel]; }
    void SetShown(int channel, std::uint8_t level) { m_shown[channel] = level; }

private:
    CParameterImage& m_image;
    CProtocolEvents& m_events;
    std::uint8_t m_shown[kChannelCount]{};
};
