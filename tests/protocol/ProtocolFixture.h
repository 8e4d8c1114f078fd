// Shared fixture: resets the process-wide protocol state, records every report
// SendFrame writes and feeds frames built by EncodeFrame to the receiver.
#pragma once

#include "ProcessState.h"
#include "protocol/Communication.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

using Report = std::array<std::uint8_t, kReportSize>;
using Bytes = std::vector<std::uint8_t>;

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
