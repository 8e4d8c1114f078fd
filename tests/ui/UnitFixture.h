// A fresh unit over a simulated back-end, not connected until a test plugs in
// a simulated unit and connects; the test thread plays the owner's thread and,
// while nothing is connected, the reader thread. Shared by the widget and the
// end-to-end tests.
#pragma once

#include "transport/HidBackendSimulated.h"
#include "ui/common/Language.h"
#include "ui/common/UnitAdapter.h"

#include <QCoreApplication>
#include <QLocale>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

class UnitFixture : public testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        SetCurrentLanguage(kEnglish);
        m_adapter = std::make_unique<CUnitAdapter>(m_backend);
    }

    void TearDown() override
    {
        m_adapter.reset();
        SetCurrentLanguage(kEnglish);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    CUnit& Unit() { return m_adapter->Unit(); }
    CParameterImage& Image() { return m_adapter->Unit().Image(); }
    ChannelBlock Block(int channel) { return Image().Channel(channel); }

    std::size_t PendingCount()
    {
        CommandSlot pending[kPendingCapacity];
        return Unit().Scheduler().Pending(pending, kPendingCapacity);
    }

    // Whatever the reader delivered, and what the replies let go out, until the link is quiet.
    void Settle()
    {
        for (int i = 0; i < 50; ++i) {
            const int before = TotalWritesStarted();
            if (Unit().IsConnected()) {
                ASSERT_TRUE(m_backend.WaitUntilReaderIdle(std::chrono::seconds(2)));
            }
            QCoreApplication::sendPostedEvents();
            m_adapter->Deliver();
            FollowLanguage();
            if (TotalWritesStarted() == before)
                return;
        }
    }

    // What the event loop does after a change of language: the windows get their LanguageChange.
    static void FollowLanguage() { QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange); }

    int TotalWritesStarted() const
    {
        int writes = 0;
        for (int d = 0; d < m_devices; ++d)
            writes += m_backend.WritesStarted(d);
        return writes;
    }

    // A frame from the unit, fed as the reader thread feeds it (nothing is
    // connected, or the unit connected answers nothing of its own, so the test
    // thread plays the reader), then delivered.
    void FeedReply(std::uint8_t code, std::uint8_t a1, std::uint8_t a3, const std::vector<std::uint8_t>& payload)
    {
        std::vector<std::uint8_t> frame(FrameReportCount(payload.size()) * kReportSize);
        EncodeFrame(code, a1, 0, a3, 0, payload.data(), static_cast<std::uint16_t>(payload.size()), frame.data());
        for (std::size_t at = 0; at < frame.size(); at += kReportSize) {
            std::uint8_t report[kInputReportSize] = {};
            std::copy(frame.begin() + static_cast<std::ptrdiff_t>(at),
                      frame.begin() + static_cast<std::ptrdiff_t>(at + kReportSize), report + 1);
            Unit().Protocol().Replies().FeedInputReport(report);
        }
        m_adapter->Deliver();
        FollowLanguage();
    }

    // The unit answers a recall with the channel blocks the image holds now.
    void FeedRecallOfImage()
    {
        std::vector<std::uint8_t> payload(kRecallReplySize);
        const std::array<ChannelBlock, kChannelCount> blocks = Image().Channels();
        std::memcpy(payload.data(), blocks.data(), kRecallReplySize);
        FeedReply(CMD_RECALL_PRESET, 0, 0, payload);
    }

    // A simulated unit plugged in as the unit's device; returns it.
    CSimulatedUnit& AddUnitDevice(const SimulatedDeviceSpec& spec = SimulatedDeviceSpec{})
    {
        ++m_devices;
        return m_backend.Unit(m_backend.AddDevice(spec));
    }

    // Connects to the plugged-in unit and runs until its setup and current memory came.
    void ConnectUnit()
    {
        Unit().ConnectButton();
        Settle();
        for (int i = 0; i < 40 && PendingCount() > 0; ++i) {
            Unit().Tick();
            m_backend.Tick();
            Settle();
        }
        ASSERT_EQ(PendingCount(), 0u);
    }

    CSimulatedHidBackend m_backend;   // outlives the unit
    int m_devices = 0;
    std::unique_ptr<CUnitAdapter> m_adapter;
};
