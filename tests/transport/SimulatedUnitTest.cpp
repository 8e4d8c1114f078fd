#include "transport/SimulatedUnit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// One decoded reply: header fields and payload.
struct Frame {
    std::uint8_t code, a1, a3;
    Bytes payload;
};

class SimulatedUnit : public ::testing::Test {
protected:
    void Send(std::uint8_t cmd, std::uint8_t a1, std::uint8_t a2, std::uint8_t a3, std::uint8_t a4,
              const Bytes& payload = {})
    {
        Bytes frame(FrameReportCount(payload.size()) * kReportSize);
        EncodeFrame(cmd, a1, a2, a3, a4, payload.data(), static_cast<std::uint16_t>(payload.size()), frame.data());
        for (std::size_t at = 0; at < frame.size(); at += kReportSize)
            EXPECT_TRUE(m_unit.ReceiveOutputReport(frame.data() + at));
    }

    // Every valid frame among the reports that are due now; counts the reports.
    std::vector<Frame> Replies()
    {
        std::vector<Frame> frames;
        InputReport report;
        while (m_unit.TakeInputReport(report.data())) {
            ++m_reportsTaken;
            EXPECT_EQ(0, report[0]);
            for (std::size_t i = 1; i < report.size(); ++i) {
                if (!ReceiveFrameByte(m_receiver, report[i]))
                    continue;
                if (ReceivedFrameIsValid(m_receiver)) {
                    const std::uint8_t* f = m_receiver.buffer;
                    const std::uint16_t n = ReceivedPayloadLength(m_receiver);
                    frames.push_back({f[kFrameCode], f[kFrameA1], f[kFrameA3], Bytes(f + 12, f + 12 + n)});
                }
                break;
            }
        }
        return frames;
    }

    Frame OnlyReply()
    {
        auto frames = Replies();
        EXPECT_EQ(1u, frames.size());
        return frames.empty() ? Frame{0, 0, 0, {}} : frames[0];
    }

    static ChannelBlock Patterned(std::uint8_t seed)
    {
        ChannelBlock block = DefaultChannelBlock();
        std::uint8_t* b = BlockBytes(block);
        for (std::size_t i = 0; i < kNotchTableOffset; ++i)
            b[i] = static_cast<std::uint8_t>(seed + i);
        b[120] = 0;   // no clear request
        return block;
    }

    CSimulatedUnit m_unit{7};
    FrameReceiver m_receiver{};
    int m_reportsTaken = 0;
};

TEST_F(SimulatedUnit, SetupAnswersGlobalsAndTwentyOneNames)
{
    m_unit.SetGlobals({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 2, 1});
    m_unit.SetPresetName(0, "Main hall");
    m_unit.SetPresetName(20, "\xC7\xB0\xCC\xA8 twenty");   // GBK bytes travel unchanged
    Send(CMD_READ_SETUP, kSetupWithGlobals, 0, 0, 0);
    const Frame reply = OnlyReply();
    EXPECT_EQ(CMD_READ_SETUP, reply.code);
    EXPECT_EQ(kSetupWithGlobals, reply.a1);
    ASSERT_EQ(348u, reply.payload.size());
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 2, 1}), Bytes(reply.payload.begin(), reply.payload.begin() + 12));
    EXPECT_EQ(0, std::memcmp(reply.payload.data() + 12, "Main hall\0\0\0\0\0\0\0", 16));
    EXPECT_EQ(0, std::memcmp(reply.payload.data() + 12 + 16, "Preset 1\0", 9));
    EXPECT_EQ(0, std::memcmp(reply.payload.data() + 12 + 16 * 20, "\xC7\xB0\xCC\xA8 twenty\0\0\0\0\0", 16));
    EXPECT_EQ(6, m_reportsTaken);
}

TEST_F(SimulatedUnit, RecallOfCurrentMemoryAnswersBothBlocks)
{
    m_unit.SetCurrent(0, Patterned(10));
    m_unit.SetCurrent(1, Patterned(90));
    Send(CMD_RECALL_PRESET, 0, 0, 0, 0);
    const Frame reply = OnlyReply();
    EXPECT_EQ(CMD_RECALL_PRESET, reply.code);
    ASSERT_EQ(348u, reply.payload.size());
    const ChannelBlock a = Patterned(10), b = Patterned(90);
    EXPECT_EQ(0, std::memcmp(reply.payload.data(), &a, 174));
    EXPECT_EQ(0, std::memcmp(reply.payload.data() + 174, &b, 174));
}

TEST_F(SimulatedUnit, RecallOfAPresetMakesItTheCurrentMemory)
{
    m_unit.SetPreset(12, {Patterned(30), Patterned(60)});
    Send(CMD_RECALL_PRESET, 0, 12, 0, 0);
    const Frame reply = OnlyReply();
    const ChannelBlock b = Patterned(60);
    EXPECT_EQ(0, std::memcmp(reply.payload.data() + 174, &b, 174));
    const ChannelBlock current = m_unit.Current(1);
    EXPECT_EQ(0, std::memcmp(&current, &b, 174));
}

TEST_F(SimulatedUnit, RecallOfAMissingPresetIsNotAnswered)
{
    Send(CMD_RECALL_PRESET, 0, 21, 0, 0);
    EXPECT_TRUE(Replies().empty());
}

TEST_F(SimulatedUnit, StoreCopiesTheCurrentMemoryIntoThePreset)
{
    m_unit.SetCurrent(0, Patterned(5));
    Send(CMD_STORE_PRESET, 0, 4, 0, 0);
    EXPECT_EQ(CMD_STORE_PRESET, OnlyReply().code);
    const UnitBlocks stored = m_unit.Preset(4);
    const ChannelBlock a = Patterned(5);
    EXPECT_EQ(0, std::memcmp(&stored[0], &a, 174));
    const UnitBlocks untouched = m_unit.Preset(5);
    const ChannelBlock defaults = DefaultChannelBlock();
    EXPECT_EQ(0, std::memcmp(&untouched[0], &defaults, 174));
}

TEST_F(SimulatedUnit, SetParamAppliesAChannelGroup)
{
    const Bytes group = {1, 2, 3, 4, 5, 6, 7, 8};
    Send(CMD_SET_PARAM, AREA_CHANNEL, 0, 1, 9, group);
    EXPECT_EQ(CMD_ACK, OnlyReply().code);
    const ChannelBlock b = m_unit.Current(1);
    EXPECT_EQ(0, std::memcmp(BlockBytes(b) + 72, group.data(), 8));
    const ChannelBlock a = m_unit.Current(0), defaults = DefaultChannelBlock();
    EXPECT_EQ(0, std::memcmp(&a, &defaults, sizeof a));
}

TEST_F(SimulatedUnit, SetParamAppliesGlobalItems)
{
    struct Case { std::uint8_t item; std::size_t byte; };
    for (const Case c : {Case{5, 5}, Case{7, 10}, Case{8, 11}}) {
        Send(CMD_SET_PARAM, AREA_GLOBAL, 0, 0, c.item, {static_cast<std::uint8_t>(c.item + 40)});
        EXPECT_EQ(CMD_ACK, OnlyReply().code);
        EXPECT_EQ(c.item + 40, m_unit.Globals()[c.byte]) << "item " << int(c.item);
    }
    Send(CMD_SET_PARAM, AREA_GLOBAL, 0, 0, 6, {99});   // no such item: acknowledged, nothing stored
    EXPECT_EQ(CMD_ACK, OnlyReply().code);
    for (std::size_t i : {0u, 1u, 2u, 3u, 4u, 6u, 7u, 8u, 9u})
        EXPECT_EQ(0, m_unit.Globals()[i]);
}

TEST_F(SimulatedUnit, SetParamAreaFiveRenamesAPreset)
{
    Send(CMD_SET_PARAM, AREA_PRESET_NAME, 3, 0, 0, Bytes{'S', 't', 'a', 'g', 'e', 0, 'x', 'x', 0, 0, 0, 0, 0, 0, 0, 'z'});
    EXPECT_EQ(CMD_ACK, OnlyReply().code);
    const UnitName name = m_unit.PresetName(3);
    EXPECT_EQ(0, std::memcmp(name.data(), "Stage\0xx\0\0\0\0\0\0\0z", 16));
}

TEST_F(SimulatedUnit, WriteBandsReplacesTheBandTable)
{
    Bytes bands(96);
    for (std::size_t i = 0; i < bands.size(); ++i)
        bands[i] = static_cast<std::uint8_t>(200 - i);
    Send(CMD_WRITE_BANDS, AREA_CHANNEL, 0, 0, 0, bands);
    EXPECT_EQ(CMD_WRITE_BANDS, OnlyReply().code);
    const ChannelBlock a = m_unit.Current(0);
    EXPECT_EQ(0, std::memcmp(BlockBytes(a) + 24, bands.data(), 96));
    EXPECT_EQ(80, a.gain.Get());
    EXPECT_EQ(0, a.notchClear);
}

TEST_F(SimulatedUnit, PollsAlternateMetersAndNotchTables)
{
    std::vector<std::pair<int, int>> seen;   // (a1, a3)
    for (int i = 0; i < 8; ++i) {
        Send(CMD_POLL, 0, 0, 0, 0);
        const Frame reply = OnlyReply();
        EXPECT_EQ(CMD_POLL, reply.code);
        EXPECT_EQ(reply.a1 == kStatusNotches ? 48u : 4u, reply.payload.size());
        seen.emplace_back(reply.a1, reply.a3);
    }
    const std::vector<std::pair<int, int>> expected = {{0, 0}, {1, 0}, {0, 0}, {1, 1}, {0, 0}, {1, 0}, {0, 0}, {1, 1}};
    EXPECT_EQ(expected, seen);
}

TEST_F(SimulatedUnit, MetersMoveAndOverloadNowAndThen)
{
    std::set<int> levels;
    int overloads = 0;
    for (int i = 0; i < 2000; ++i) {
        m_unit.Tick();
        Send(CMD_POLL, 0, 0, 0, 0);
        const Frame reply = OnlyReply();
        if (reply.a1 == kStatusNotches)
            continue;
        for (int c = 0; c < 2; ++c) {
            levels.insert(reply.payload[c] & 0x7F);
            EXPECT_LE(reply.payload[c] & 0x7F, CSimulatedUnit::kMaxLevel);
            overloads += (reply.payload[c] & 0x80) != 0;
        }
    }
    EXPECT_GT(levels.size(), 40u);
    EXPECT_GT(overloads, 0);
    EXPECT_LT(overloads, 500);
}

TEST_F(SimulatedUnit, NotchesAppearOverTimeWithinTheStaticCount)
{
    ChannelBlock a = DefaultChannelBlock();
    a.staticNotchCount = 3;
    m_unit.SetCurrent(0, a);
    for (int i = 0; i < 3000; ++i)
        m_unit.Tick();
    const ChannelBlock after = m_unit.Current(0);
    int notches = 0;
    for (const NotchEntry& n : after.notches) {
        const int hz = n.freqHz.Get();
        EXPECT_GE(hz, 20);
        EXPECT_LE(hz, 20000);
        notches += hz > 20;
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_GT(after.notches[i].freqHz.Get(), 20) << "static notch " << i;
    EXPECT_GT(notches, 3);
    EXPECT_EQ(0, std::memcmp(&a, &after, kNotchTableOffset));
}

TEST_F(SimulatedUnit, NotchClearRequestEmptiesTheTable)
{
    for (int i = 0; i < 1000; ++i)
        m_unit.Tick();
    int before = 0;
    for (const NotchEntry& n : m_unit.Current(1).notches)
        before += n.freqHz.Get() > 20;
    ASSERT_GT(before, 0);
    Send(CMD_SET_PARAM, AREA_CHANNEL, 0, 1, 15, {1, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(CMD_ACK, OnlyReply().code);
    for (const NotchEntry& n : m_unit.Current(1).notches)
        EXPECT_EQ(20, n.freqHz.Get());
}

TEST_F(SimulatedUnit, NotchBypassStopsDetection)
{
    ChannelBlock a = DefaultChannelBlock();
    a.notchBypass = 1;
    m_unit.SetCurrent(0, a);
    for (int i = 0; i < 1000; ++i)
        m_unit.Tick();
    for (const NotchEntry& n : m_unit.Current(0).notches)
        EXPECT_EQ(20, n.freqHz.Get());
}

TEST_F(SimulatedUnit, FrameSpanningReportsAndBadFramesAreHandled)
{
    // A band write in two reports; then a frame with a bad checksum is ignored.
    Send(CMD_WRITE_BANDS, AREA_CHANNEL, 0, 1, 0, Bytes(96, 0x21));
    EXPECT_EQ(CMD_WRITE_BANDS, OnlyReply().code);
    Bytes frame(kReportSize);
    const std::uint8_t group[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    EncodeFrame(CMD_SET_PARAM, AREA_CHANNEL, 0, 0, 0, group, 8, frame.data());
    frame[20] ^= 0xFF;
    m_unit.ReceiveOutputReport(frame.data());
    EXPECT_TRUE(Replies().empty());
    EXPECT_EQ(80, m_unit.Current(0).gain.Get());
    EXPECT_EQ(1u, m_unit.CommandsReceived(CMD_WRITE_BANDS));
    EXPECT_EQ(0u, m_unit.CommandsReceived(CMD_SET_PARAM));
}

TEST_F(SimulatedUnit, SilentUnitAppliesButNeverAnswers)
{
    m_unit.SetSilent(true);
    Send(CMD_SET_PARAM, AREA_GLOBAL, 0, 0, 8, {1});
    Send(CMD_POLL, 0, 0, 0, 0);
    EXPECT_TRUE(Replies().empty());
    EXPECT_EQ(1, m_unit.Globals()[11]);
}

TEST_F(SimulatedUnit, UnpluggedUnitTakesNothingAndForgetsQueuedReplies)
{
    Send(CMD_POLL, 0, 0, 0, 0);
    m_unit.SetUnplugged(true);
    EXPECT_TRUE(m_unit.IsUnplugged());
    Bytes frame(kReportSize);
    const std::uint8_t item[1] = {1};
    EncodeFrame(CMD_SET_PARAM, AREA_GLOBAL, 0, 0, 8, item, 1, frame.data());
    EXPECT_FALSE(m_unit.ReceiveOutputReport(frame.data()));
    EXPECT_TRUE(Replies().empty());
    EXPECT_EQ(0, m_unit.Globals()[11]);
    m_unit.SetUnplugged(false);
    Send(CMD_POLL, 0, 0, 0, 0);
    EXPECT_EQ(1u, Replies().size());
}

TEST_F(SimulatedUnit, DelayedRepliesComeDueAfterTheirTicks)
{
    m_unit.SetFaults({.delayReply = 1.0, .maxDelayTicks = 3});
    Send(CMD_POLL, 0, 0, 0, 0);
    int ticks = 0;
    while (Replies().empty() && ticks < 10) {
        m_unit.Tick();
        ++ticks;
    }
    EXPECT_GE(ticks, 1);
    EXPECT_LE(ticks, 3);
}

TEST_F(SimulatedUnit, FaultsAreRepeatableForASeed)
{
    auto run = [](std::uint32_t seed) {
        CSimulatedUnit unit(seed);
        unit.SetFaults({.dropCommand = 0.2, .dropReply = 0.2, .corruptReply = 0.2, .delayReply = 0.2,
                        .maxDelayTicks = 4, .garbageReport = 0.2});
        Bytes frame(kReportSize);
        EncodeFrame(CMD_POLL, 0, 0, 0, 0, nullptr, 0, frame.data());
        Bytes transcript;
        for (int i = 0; i < 200; ++i) {
            unit.ReceiveOutputReport(frame.data());
            unit.Tick();
            InputReport report;
            while (unit.TakeInputReport(report.data()))
                transcript.insert(transcript.end(), report.begin(), report.end());
        }
        return transcript;
    };
    EXPECT_EQ(run(11), run(11));
    EXPECT_NE(run(11), run(12));
}

TEST_F(SimulatedUnit, FaultsShowInTheReplies)
{
    struct Case { const char* name; SimulatedFaults faults; int minValid, maxValid; int minReports; };
    const Case cases[] = {
        {"none", {}, 100, 100, 100},
        {"drop command", {.dropCommand = 0.5}, 30, 70, 30},
        {"drop reply", {.dropReply = 0.5}, 30, 70, 30},
        {"corrupt", {.corruptReply = 0.5}, 30, 70, 100},
        {"garbage", {.garbageReport = 0.5}, 90, 100, 130},
    };
    for (const Case& c : cases) {
        CSimulatedUnit unit(3);
        unit.SetFaults(c.faults);
        FrameReceiver receiver{};
        Bytes frame(kReportSize);
        EncodeFrame(CMD_SET_PARAM, AREA_GLOBAL, 0, 0, 5, Bytes{1}.data(), 1, frame.data());
        int valid = 0, reports = 0;
        for (int i = 0; i < 100; ++i) {
            unit.ReceiveOutputReport(frame.data());
            InputReport report;
            while (unit.TakeInputReport(report.data())) {
                ++reports;
                ResetFrameReceiver(receiver);
                for (std::size_t b = 1; b < report.size(); ++b)
                    if (ReceiveFrameByte(receiver, report[b])) {
                        valid += ReceivedFrameIsValid(receiver) && receiver.buffer[kFrameCode] == CMD_ACK;
                        break;
                    }
            }
        }
        EXPECT_GE(valid, c.minValid) << c.name;
        EXPECT_LE(valid, c.maxValid) << c.name;
        EXPECT_GE(reports, c.minReports) << c.name;
    }
}

}  // namespace
