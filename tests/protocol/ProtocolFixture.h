// Shared fixture: a fresh unit's protocol side, whose reports are recorded
// instead of written, fed with frames built by EncodeFrame.
#pragma once

#include "protocol/UnitProtocol.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

using Report = std::array<std::uint8_t, kReportSize>;
using Bytes = std::vector<std::uint8_t>;
using Commands = std::vector<CommandSlot>;

inline void PrintTo(const CommandSlot& c, std::ostream* os)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%02X %d %d %d %d}", c.code, c.a1, c.a2, c.a3, c.a4);
    *os << text;
}

inline CommandSlot ChannelGroup(int channel, int group)
{
    return {CMD_SET_PARAM, AREA_CHANNEL, 0, static_cast<std::uint8_t>(channel), static_cast<std::uint8_t>(group)};
}

inline CommandSlot GlobalItem(int item)
{
    return {CMD_SET_PARAM, AREA_GLOBAL, 0, 0, static_cast<std::uint8_t>(item)};
}

inline CommandSlot PresetName(int n)
{
    return {CMD_SET_PARAM, AREA_PRESET_NAME, static_cast<std::uint8_t>(n), 0, 0};
}

inline CommandSlot Bands(int channel)
{
    return {CMD_WRITE_BANDS, AREA_CHANNEL, 0, static_cast<std::uint8_t>(channel), 0};
}

inline CommandSlot Store(int n)
{
    return {CMD_STORE_PRESET, 0, static_cast<std::uint8_t>(n), 0, 0};
}

inline CommandSlot Recall(int n)
{
    return {CMD_RECALL_PRESET, 0, static_cast<std::uint8_t>(n), 0, 0};
}

inline const CommandSlot kSetup{CMD_READ_SETUP, kSetupWithGlobals, 0, 0, 0};

struct Outcome {
    CommandSlot command;
    CommandOutcome outcome;
    bool operator==(const Outcome&) const = default;
};

inline void PrintTo(const Outcome& o, std::ostream* os)
{
    PrintTo(o.command, os);
    *os << " outcome " << static_cast<int>(o.outcome);
}

// What the replies asked the window to show again: everything, or a notch table.
constexpr int kRefreshAll = 0xFF;
constexpr int kRefreshNotches = 0xFE;

// Takes the reports a unit's frame writer writes: connected or not, and each
// report handed to a function that says whether it reached the device.
class RecordingSink : public CReportSink {
public:
    bool IsConnected() const override { return connected; }
    bool WriteReport(const std::uint8_t* data64, std::chrono::milliseconds limit) override
    {
        lastLimit = limit;
        return write && write(data64);
    }

    bool connected = true;
    std::function<bool(const std::uint8_t*)> write;
    std::chrono::milliseconds lastLimit{0};
};

// Keeps what the protocol tells its owner.
class RecordingEvents : public CProtocolEvents {
public:
    void SchedulerWake() override { ++wakes; }
    void ChannelsRecalled() override
    {
        ++recalls;
        refreshes.push_back(kRefreshAll);
    }
    void NotchTableReceived(int) override { refreshes.push_back(kRefreshNotches); }
    void MeterLampsShown(int channel, const MeterLamps& shown) override
    {
        if (lamps)
            lamps(channel, shown);
    }
    void Log(LogCategory category, LogLevel, const std::string& text) override
    {
        (category == LogCategory::Frames ? frames : logged).push_back(text);
    }

    std::atomic<int> wakes{0};
    std::atomic<int> recalls{0};
    std::vector<int> refreshes;   // the reader thread's when it feeds the reports
    std::function<void(int channel, const MeterLamps& lamps)> lamps;
    std::vector<std::string> logged;
    std::vector<std::string> frames;   // the frames that left, as logged
};

class ProtocolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_sink.write = [this](const std::uint8_t* data) {
            Report r;
            std::copy(data, data + kReportSize, r.begin());
            m_sent.push_back(r);
            return true;
        };
        Fresh();
    }

    // A unit's protocol side as it starts: nothing pending, the image's defaults.
    void Fresh()
    {
        m_protocol.reset();
        m_protocol = std::make_unique<CUnitProtocol>(m_sink, m_events);
    }

    CUnitProtocol& Protocol() { return *m_protocol; }
    CParameterImage& Image() { return m_protocol->Image(); }
    CCommandScheduler& TheScheduler() { return m_protocol->Scheduler(); }
    CMeterDisplay& MeterDisplay() { return m_protocol->Meters(); }

    // The unit's calls, as the owner makes them.
    void QueueSetParam(std::uint8_t area, std::uint8_t channel, std::uint8_t group, bool notchClear = false)
    {
        TheScheduler().QueueSetParam(area, channel, group, notchClear);
    }
    void QueueWriteBands(std::uint8_t area, std::uint8_t channel) { TheScheduler().QueueWriteBands(area, channel); }
    void QueuePresetName(std::uint8_t n) { TheScheduler().QueuePresetName(n); }
    void QueueStorePreset(std::uint8_t n) { TheScheduler().QueueStorePreset(n); }
    void QueueRecallPreset(std::uint8_t n) { TheScheduler().QueueRecallPreset(n); }
    void QueueReadSetup() { TheScheduler().QueueReadSetup(); }
    void SchedulerTick() { TheScheduler().Tick(); }
    void SchedulerSendNext() { TheScheduler().SendNext(); }
    SchedulerStatus GetSchedulerStatus() { return TheScheduler().Status(); }
    void RefreshMeters() { MeterDisplay().Refresh(); }
    void FeedInputReport(const std::uint8_t* report) { Protocol().Replies().FeedInputReport(report); }
    bool SendFrame(std::uint8_t cmd, std::uint8_t a1, std::uint8_t a2, std::uint8_t a3, std::uint8_t a4,
                   std::uint16_t n, const std::uint8_t* payload)
    {
        return Protocol().Writer().SendFrame(cmd, a1, a2, a3, a4, n, payload);
    }
    void SetWriteReport(std::function<bool(const std::uint8_t*)> write) { m_sink.write = std::move(write); }

    // The pending commands, the one in flight first.
    Commands PendingList()
    {
        CommandSlot out[kPendingCapacity];
        return Commands(out, out + TheScheduler().Pending(out, kPendingCapacity));
    }

    Commands FailedList()
    {
        CommandSlot out[kPendingCapacity];
        return Commands(out, out + TheScheduler().Failed(out, kPendingCapacity));
    }

    std::vector<Outcome> TakeOutcomes()
    {
        CommandResult out[kOutcomeCapacity];
        const std::size_t n = TheScheduler().TakeOutcomes(out, kOutcomeCapacity);
        std::vector<Outcome> outcomes;
        for (std::size_t i = 0; i < n; ++i)
            outcomes.push_back({out[i].command, out[i].outcome});
        return outcomes;
    }
    // The frame as the unit would send it, cut into input reports (ID 0 first).
    static std::vector<std::array<std::uint8_t, kInputReportSize>> InputReports(
        std::uint8_t code, std::uint8_t a1, std::uint8_t a3, const Bytes& payload)
    {
        Bytes frame(FrameReportCount(payload.size()) * kReportSize);
        EncodeFrame(code, a1, 0, a3, 0, payload.data(), static_cast<std::uint16_t>(payload.size()), frame.data());
        std::vector<std::array<std::uint8_t, kInputReportSize>> reports(frame.size() / kReportSize);
        for (std::size_t i = 0; i < reports.size(); ++i) {
            reports[i][0] = 0;
            std::copy(frame.begin() + i * kReportSize, frame.begin() + (i + 1) * kReportSize, reports[i].begin() + 1);
        }
        return reports;
    }

    void Feed(std::uint8_t code, std::uint8_t a1, std::uint8_t a3, const Bytes& payload)
    {
        for (const auto& report : InputReports(code, a1, a3, payload))
            FeedInputReport(report.data());
    }

    // Feeds raw data bytes as reports of 64, zero-filling the last one.
    void FeedRaw(const Bytes& data)
    {
        for (std::size_t at = 0; at < data.size(); at += kReportSize) {
            std::array<std::uint8_t, kInputReportSize> report{};
            for (std::size_t i = 0; i < kReportSize && at + i < data.size(); ++i)
                report[1 + i] = data[at + i];
            FeedInputReport(report.data());
        }
    }

    // Command codes of the frames sent since the last call (first report of each frame).
    Bytes TakeSentCodes()
    {
        Bytes codes;
        for (const Report& r : m_sent)
            if (r[0] == kSyncByte && r[1] == kSyncByte && r[2] == kSyncByte)
                codes.push_back(r[kFrameCode]);
        m_sent.clear();
        return codes;
    }

    RecordingSink m_sink;
    RecordingEvents m_events;
    std::unique_ptr<CUnitProtocol> m_protocol;
    std::vector<Report> m_sent;
    std::vector<int>& m_refreshes = m_events.refreshes;
};
