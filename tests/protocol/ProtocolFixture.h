// Shared fixture: resets the process-wide protocol state, records every report
// SendFrame writes and feeds frames built by EncodeFrame to the receiver.
#pragma once

#include "model/ProcessState.h"
#include "protocol/Communication.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
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

// The pending commands, the one in flight first.
inline Commands PendingList()
{
    CommandSlot out[kPendingCapacity];
    return Commands(out, out + PendingCommands(out, kPendingCapacity));
}

inline Commands FailedList()
{
    CommandSlot out[kPendingCapacity];
    return Commands(out, out + FailedCommands(out, kPendingCapacity));
}

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

inline std::vector<Outcome> TakeOutcomes()
{
    CommandResult out[kOutcomeCapacity];
    const std::size_t n = TakeCommandOutcomes(out, kOutcomeCapacity);
    std::vector<Outcome> outcomes;
    for (std::size_t i = 0; i < n; ++i)
        outcomes.push_back({out[i].command, out[i].outcome});
    return outcomes;
}

class ProtocolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProcessState();
        g_Connected.store(1);
        SetWriteWaitLimit(kDefaultWriteWaitLimit);
        SetWriteReportHook([this](const std::uint8_t* data) {
            Report r;
            std::copy(data, data + kReportSize, r.begin());
            m_sent.push_back(r);
            return true;
        });
        SetDeviceRefreshHook([this](int lParam) { m_refreshes.push_back(lParam); });
        SetLampHook(nullptr);
    }

    void TearDown() override
    {
        SetWriteReportHook(nullptr);
        SetDeviceRefreshHook(nullptr);
        SetLampHook(nullptr);
        g_Connected.store(0);
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

    static void Feed(std::uint8_t code, std::uint8_t a1, std::uint8_t a3, const Bytes& payload)
    {
        for (const auto& report : InputReports(code, a1, a3, payload))
            FeedInputReport(report.data());
    }

    // Feeds raw data bytes as reports of 64, zero-filling the last one.
    static void FeedRaw(const Bytes& data)
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

    std::vector<Report> m_sent;
    std::vector<int> m_refreshes;
};
