#include "ProtocolFixture.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <random>
#include <thread>

namespace {

class Framing : public ProtocolTest {};

Report ReportOf(const Bytes& start)
{
    Report r{};
    std::copy(start.begin(), start.end(), r.begin());
    return r;
}

TEST_F(Framing, PollFrameIsFourteenBytesThenZeroFill)
{
    ASSERT_TRUE(SendFrame(CMD_POLL, 0, 0, 0, 0, 0, nullptr));
    ASSERT_EQ(1u, m_sent.size());
    EXPECT_EQ(ReportOf({0x5A, 0x5A, 0x5A, 0x00, 0x53, 0xA9, 0, 0, 0, 0, 0, 0, 0xA0, 0xAA}), m_sent[0]);
}

TEST_F(Framing, SetupRequestFrame)
{
    QueueReadSetup();
    SchedulerTick();
    ASSERT_EQ(1u, m_sent.size());
    EXPECT_EQ(ReportOf({0x5A, 0x5A, 0x5A, 0x00, 0x53, 0xA2, 0x06, 0, 0, 0, 0, 0, 0xAD, 0xAA}), m_sent[0]);
}

TEST_F(Framing, ChannelAGroupZeroWithMute)
{
    Image().channels[0].gain.Set(80);
    Image().channels[0].mute = 1;
    QueueSetParam(AREA_CHANNEL, 0, 0);
    SchedulerSendNext();
    ASSERT_EQ(1u, m_sent.size());
    EXPECT_EQ(ReportOf({0x5A, 0x5A, 0x5A, 0x00, 0x53, 0xA1, 0x04, 0x00, 0x00, 0x00, 0x08, 0x00,
                        0x50, 0x00, 0x50, 0x00, 0x01, 0x00, 0x00, 0x00, 0xA5, 0xAA}),
              m_sent[0]);
}

TEST_F(Framing, GlobalItemCarriesItsByte)
{
    struct Case { std::uint8_t item; int byte; };
    for (const Case c : {Case{5, 5}, Case{7, 10}, Case{8, 11}}) {
        Fresh();   // nothing in flight: each item goes out at once
        Image().globals = GlobalSettings{};
        GlobalBytes(Image().globals)[c.byte] = 2;
        m_sent.clear();
        QueueSetParam(AREA_GLOBAL, 1, c.item);
        SchedulerSendNext();
        ASSERT_EQ(1u, m_sent.size());
        const Bytes head = {0x5A, 0x5A, 0x5A, 0x00, 0x53, 0xA1, 0x06, 0x00, 0x00, c.item, 0x01, 0x00, 0x02};
        std::uint8_t sum = 0;
        for (std::uint8_t b : head)
            sum ^= b;
        Bytes expected = head;
        expected.push_back(sum);
        expected.push_back(0xAA);
        EXPECT_EQ(ReportOf(expected), m_sent[0]) << "item " << int(c.item);
    }
}

TEST_F(Framing, BandWriteSpansTwoReports)
{
    for (int k = 0; k < kBandCount; ++k)
        Image().channels[1].bands[k].freqHz.Set(static_cast<std::int16_t>(100 + k));
    QueueWriteBands(AREA_CHANNEL, 1);
    SchedulerTick();
    ASSERT_EQ(2u, m_sent.size());
    const std::uint8_t* bands = BlockBytes(Image().channels[1]) + kBandsOffset;
    const Bytes header = {0x5A, 0x5A, 0x5A, 0x00, 0x53, 0xB0, 0x04, 0x00, 0x01, 0x00, 0x60, 0x00};
    EXPECT_TRUE(std::equal(header.begin(), header.end(), m_sent[0].begin()));
    EXPECT_EQ(0, std::memcmp(m_sent[0].data() + 12, bands, 52));
    EXPECT_EQ(0, std::memcmp(m_sent[1].data(), bands + 52, 44));
    std::uint8_t sum = 0;
    for (std::uint8_t b : header)
        sum ^= b;
    for (std::size_t i = 0; i < kBandsSize; ++i)
        sum ^= bands[i];
    EXPECT_EQ(sum, m_sent[1][44]);
    EXPECT_EQ(0xAA, m_sent[1][45]);
    for (std::size_t i = 46; i < kReportSize; ++i)
        EXPECT_EQ(0, m_sent[1][i]) << "byte " << i;
}

TEST_F(Framing, FiftyTwoBytePayloadPutsChecksumIntoASecondReport)
{
    Bytes payload(52);
    for (std::size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<std::uint8_t>(i + 1);
    ASSERT_TRUE(SendFrame(0x42, 1, 2, 3, 4, 52, payload.data()));
    ASSERT_EQ(2u, m_sent.size());
    EXPECT_EQ(payload.back(), m_sent[0][63]);
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < kReportSize; ++i)
        sum ^= m_sent[0][i];
    EXPECT_EQ(ReportOf({sum, 0xAA}), m_sent[1]);
}

// Sizes where the checksum or the end byte lands on a report boundary.
TEST_F(Framing, SendFrameAgreesWithEncodeFrameForEveryLength)
{
    for (std::uint16_t n : {0, 1, 8, 16, 49, 50, 51, 52, 53, 96, 113, 114, 115, 116, 348}) {
        Bytes payload(n);
        for (std::size_t i = 0; i < n; ++i)
            payload[i] = static_cast<std::uint8_t>(i * 7 + 3);
        m_sent.clear();
        ASSERT_TRUE(SendFrame(0xA6, 0, 5, 0, 0, n, payload.data()));
        Bytes encoded(FrameReportCount(n) * kReportSize);
        ASSERT_EQ(encoded.size(), EncodeFrame(0xA6, 0, 5, 0, 0, payload.data(), n, encoded.data()));
        Bytes written;
        for (const Report& r : m_sent)
            written.insert(written.end(), r.begin(), r.end());
        EXPECT_EQ(encoded, written) << "n = " << n;
    }
}

TEST_F(Framing, SendFrameDoesNothingWhileDisconnected)
{
    m_sink.connected = false;
    EXPECT_FALSE(SendFrame(CMD_POLL, 0, 0, 0, 0, 0, nullptr));
    EXPECT_TRUE(m_sent.empty());
}

// The sink waits for each write to complete, at most the writer's limit; the
// next report is written only after it returned.
TEST_F(Framing, EachReportWaitsForItsWriteWithTheLimit)
{
    Protocol().Writer().SetWriteWaitLimit(std::chrono::seconds(60));
    std::vector<std::chrono::milliseconds> limits;
    SetWriteReport([&](const std::uint8_t*) {
        limits.push_back(m_sink.lastLimit);
        return true;
    });
    Bytes payload(96, 0x11);
    EXPECT_TRUE(SendFrame(CMD_WRITE_BANDS, 4, 0, 0, 0, 96, payload.data()));
    EXPECT_EQ((std::vector<std::chrono::milliseconds>{std::chrono::seconds(60), std::chrono::seconds(60)}), limits);
}

TEST_F(Framing, AWriteThatNeverCompletesEndsTheFrameAfterTheLimit)
{
    Protocol().Writer().SetWriteWaitLimit(std::chrono::milliseconds(1));
    int writes = 0;
    SetWriteReport([&](const std::uint8_t*) {
        ++writes;
        return false;   // as the link answers once the limit ran out
    });
    Bytes payload(96, 0x22);
    EXPECT_FALSE(SendFrame(CMD_WRITE_BANDS, 4, 0, 0, 0, 96, payload.data()));
    EXPECT_EQ(1, writes);   // the second report never follows a report that did not complete
    EXPECT_EQ(std::chrono::milliseconds(1), m_sink.lastLimit);
}

// A report that is refused, or whose write completes with a failure, ends the
// frame there: the unit never gets a half frame while the sender thinks it went.
TEST_F(Framing, AReportThatDoesNotReachTheDeviceEndsTheFrame)
{
    struct Case {
        const char* name;
        std::uint16_t n;
        int failingReport;   // 1-based
        bool refused;        // refused at once, else the write completes with a failure
        int reportsWritten;
    };
    const Case cases[] = {
        {"first report refused", 96, 1, true, 0},
        {"second report refused", 96, 2, true, 1},
        {"first report fails", 96, 1, false, 1},
        {"second report fails", 96, 2, false, 2},
        {"the payload's last byte ends the report, which fails", 52, 1, false, 1},
        {"the payload's last byte ends the report, which is refused", 52, 1, true, 0},
        {"the checksum ends the report, which fails", 51, 1, false, 1},
    };
    for (const Case& c : cases) {
        int writes = 0;
        int written = 0;
        SetWriteReport([&](const std::uint8_t*) {
            ++writes;
            if (writes == c.failingReport && c.refused)
                return false;
            ++written;
            return writes != c.failingReport;
        });
        Bytes payload(c.n, 0x33);
        EXPECT_FALSE(SendFrame(CMD_WRITE_BANDS, 4, 0, 0, 0, c.n, payload.data())) << c.name;
        EXPECT_EQ(c.reportsWritten, written) << c.name;
        EXPECT_EQ(c.failingReport, writes) << c.name;
    }
    SetWriteReport(nullptr);
    EXPECT_FALSE(SendFrame(CMD_POLL, 0, 0, 0, 0, 0, nullptr)) << "no device to write to";
}

// Receiving.

TEST_F(Framing, AcceptedFrameReachesTheReplyHandler)
{
    Feed(CMD_POLL, 0, 0, {0x21, 0x05, 0, 0});
    EXPECT_EQ(0x21, Image().meterBytes[0].load());
    EXPECT_EQ(0x05, Image().meterBytes[1].load());
    EXPECT_TRUE(Protocol().Replies().ReceivedChecksumMatches());
}

TEST_F(Framing, ResynchronisesOnTheSecondRunOfSyncBytes)
{
    Bytes frame(kReportSize);
    const std::uint8_t meters[4] = {0x30, 0x31, 0, 0};
    EncodeFrame(CMD_POLL, 0, 0, 0, 0, meters, 4, frame.data());
    Bytes data = {0x5A, 0x5A, 0x00};
    data.insert(data.end(), frame.begin(), frame.begin() + 61);
    FeedRaw(data);
    EXPECT_EQ(0x30, Image().meterBytes[0].load());
    EXPECT_EQ(0x31, Image().meterBytes[1].load());
}

TEST_F(Framing, AFourthSyncByteBecomesTheAddress)
{
    Bytes frame(kReportSize);
    const std::uint8_t meters[4] = {0x12, 0x13, 0, 0};
    EncodeFrame(CMD_POLL, 0, 0, 0, 0, meters, 4, frame.data());
    frame[3] = 0x5A;   // the address is not checked, but it is part of the checksum
    frame[16] ^= 0x5A;
    FeedRaw(frame);
    EXPECT_EQ(0x12, Image().meterBytes[0].load());
}

TEST_F(Framing, OneFramePerReport)
{
    const std::uint8_t first[4] = {0x01, 0x02, 0, 0};
    const std::uint8_t second[4] = {0x03, 0x04, 0, 0};
    Bytes a(kReportSize), b(kReportSize);
    EncodeFrame(CMD_POLL, 0, 0, 0, 0, first, 4, a.data());
    EncodeFrame(CMD_POLL, 0, 0, 0, 0, second, 4, b.data());
    Bytes data(a.begin(), a.begin() + 18);
    data.insert(data.end(), b.begin(), b.begin() + 18);
    FeedRaw(data);
    EXPECT_EQ(0x01, Image().meterBytes[0].load());
    FeedRaw(Bytes(b.begin(), b.begin() + 18));
    EXPECT_EQ(0x03, Image().meterBytes[0].load());
}

TEST_F(Framing, LongReplyIsAssembledAcrossReports)
{
    Bytes payload(kRecallReplySize);
    for (std::size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<std::uint8_t>(i);
    const auto reports = InputReports(CMD_RECALL_PRESET, 0, 0, payload);
    ASSERT_EQ(6u, reports.size());
    for (std::size_t i = 0; i + 1 < reports.size(); ++i)
        FeedInputReport(reports[i].data());
    EXPECT_TRUE(m_refreshes.empty());
    FeedInputReport(reports.back().data());
    EXPECT_EQ(0, std::memcmp(BlockBytes(Image().channels[0]), payload.data(), kChannelBlocksSize));
    EXPECT_EQ((std::vector<int>{kRefreshAll}), m_refreshes);
}

TEST_F(Framing, BadChecksumOrEndByteChangesNothing)
{
    struct Case { const char* name; std::size_t offset; };
    for (const Case c : {Case{"checksum", 16}, Case{"end byte", 17}, Case{"payload", 13}, Case{"code", 5}}) {
        Bytes frame(kReportSize);
        const std::uint8_t meters[4] = {0x44, 0x45, 0, 0};
        EncodeFrame(CMD_POLL, 0, 0, 0, 0, meters, 4, frame.data());
        frame[c.offset] ^= 0x01;
        Image().meterBytes[0].store(0);
        FeedRaw(frame);
        EXPECT_EQ(0, Image().meterBytes[0].load()) << c.name;
    }
    Feed(CMD_POLL, 0, 0, {0x46, 0, 0, 0});
    EXPECT_EQ(0x46, Image().meterBytes[0].load());
}

TEST_F(Framing, OversizedDeclaredLengthReturnsToLookingForSync)
{
    for (std::uint16_t n : {1279, 1280, 0xFFFF}) {
        Bytes data = {0x5A, 0x5A, 0x5A, 0x00, 0x53, CMD_POLL, 0, 0, 0, 0,
                      static_cast<std::uint8_t>(n & 0xFF), static_cast<std::uint8_t>(n >> 8)};
        Bytes frame(kReportSize);
        const std::uint8_t meters[4] = {0x50, 0x51, 0, 0};
        EncodeFrame(CMD_POLL, 0, 0, 0, 0, meters, 4, frame.data());
        data.insert(data.end(), frame.begin(), frame.begin() + 18);
        Image().meterBytes[0].store(0);
        FeedRaw(data);
        EXPECT_EQ(0x50, Image().meterBytes[0].load()) << "n = " << n;
    }
}

TEST_F(Framing, LongestHeldFrameIsAccepted)
{
    Bytes payload(kMaxPayload, 0);
    payload[0] = 0x3C;
    Feed(CMD_POLL, 0, 0, payload);
    EXPECT_EQ(0x3C, Image().meterBytes[0].load());
}

TEST_F(Framing, TruncatedFrameIsCompletedByWhatFollows)
{
    const auto reports = InputReports(CMD_RECALL_PRESET, 0, 0, Bytes(kRecallReplySize, 0x77));
    FeedInputReport(reports[0].data());
    FeedInputReport(reports[1].data());
    // The rest never comes; the next frame's bytes are taken as payload and the
    // checksum fails, so the image stays as it was.
    for (int i = 0; i < 6; ++i)
        Feed(CMD_POLL, 0, 0, {0x10, 0, 0, 0});
    EXPECT_EQ(80, Image().channels[0].gain.Get());
    EXPECT_TRUE(m_refreshes.empty());
    Feed(CMD_POLL, 0, 0, {0x11, 0, 0, 0});
    EXPECT_EQ(0x11, Image().meterBytes[0].load());
}

// What a receiver completed from a stream cut into chunks, the rest of a chunk
// that completed a frame left out: each frame's bytes, checksum and end byte,
// then the bytes of the frame still open.
struct Received {
    std::vector<Bytes> frames;
    Bytes open;
    bool inFrame = false;
    friend bool operator==(const Received&, const Received&) = default;
};

Bytes CompletedFrame(const FrameReceiver& receiver)
{
    Bytes frame(receiver.buffer, receiver.buffer + kFrameHeaderSize + ReceivedPayloadLength(receiver));
    frame.push_back(receiver.checksum);
    frame.push_back(receiver.endByte);
    return frame;
}

Received ReceiveByteByByte(const Bytes& stream, std::size_t chunk)
{
    FrameReceiver receiver;
    ResetFrameReceiver(receiver);
    Received out;
    for (std::size_t start = 0; start < stream.size(); start += chunk) {
        for (std::size_t i = start; i < std::min(start + chunk, stream.size()); ++i) {
            if (ReceiveFrameByte(receiver, stream[i])) {
                out.frames.push_back(CompletedFrame(receiver));
                break;
            }
        }
    }
    out.open.assign(receiver.buffer, receiver.buffer + receiver.position);
    out.inFrame = receiver.inFrame;
    return out;
}

Received ReceiveInChunks(const Bytes& stream, std::size_t chunk)
{
    FrameReceiver receiver;
    ResetFrameReceiver(receiver);
    Received out;
    for (std::size_t start = 0; start < stream.size(); start += chunk) {
        if (ReceiveFrameBytes(receiver, stream.data() + start, std::min(chunk, stream.size() - start)))
            out.frames.push_back(CompletedFrame(receiver));
    }
    out.open.assign(receiver.buffer, receiver.buffer + receiver.position);
    out.inFrame = receiver.inFrame;
    return out;
}

Bytes FrameBytes(std::uint8_t code, std::size_t n, std::uint8_t fill)
{
    Bytes frame(FrameReportCount(n) * kReportSize);
    const Bytes payload(n, fill);
    frame.resize(EncodeFrame(code, 1, 2, 3, 4, payload.data(), static_cast<std::uint16_t>(n), frame.data()));
    frame.resize(n + kFrameOverhead);
    return frame;
}

// A chunk takes the bytes of a frame past its header in one go; what completes
// is what single bytes complete, for every cut of the stream.
TEST(FrameReceiver, ChunksCompleteWhatSingleBytesComplete)
{
    std::mt19937 random(20261211);
    std::uniform_int_distribution<int> byte(0, 255);
    Bytes noise(700);
    for (auto& b : noise)
        b = static_cast<std::uint8_t>(byte(random));
    const Bytes sync = {0x5A, 0x5A, 0x5A};
    const Bytes oversized = {0x5A, 0x5A, 0x5A, 0x00, 0x53, CMD_POLL, 0, 0, 0, 0, 0xFF, 0x04};
    const Bytes recall = FrameBytes(CMD_RECALL_PRESET, kRecallReplySize, 0x55);
    struct Case {
        const char* name;
        std::vector<Bytes> parts;
        std::size_t frames;   // frames a chunk of 2000 bytes completes
    };
    const Case cases[] = {
        {"empty payload", {FrameBytes(CMD_ACK, 0, 0)}, 1},
        {"meters", {FrameBytes(CMD_POLL, 4, 0x41)}, 1},
        {"recall between noise", {noise, FrameBytes(CMD_RECALL_PRESET, kRecallReplySize, 0x77), noise}, 1},
        {"longest held", {FrameBytes(CMD_POLL, kMaxPayload, 0x3C)}, 1},
        {"two frames back to back", {FrameBytes(CMD_ACK, 0, 0), FrameBytes(CMD_POLL, 48, 0x12)}, 1},
        {"cut off", {Bytes(recall.begin(), recall.begin() + 200)}, 0},
        {"oversized length, then a frame", {oversized, FrameBytes(CMD_POLL, 4, 0x50)}, 1},
        {"broken sync runs, then a frame", {Bytes{0x5A, 0x5A, 0x00, 0x5A, 0x11}, FrameBytes(CMD_POLL, 8, 0x5A)}, 1},
        {"a sync run taking noise as its header", {noise, sync, noise}, 0},
    };
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        const Case& c = cases[k];
        Bytes stream;
        for (const Bytes& part : c.parts)
            stream.insert(stream.end(), part.begin(), part.end());
        EXPECT_EQ(c.frames, ReceiveInChunks(stream, 2000).frames.size()) << c.name;
        for (std::size_t chunk : {1, 2, 5, 12, 13, 63, 64, 348, 2000}) {
            const Received single = ReceiveByteByByte(stream, chunk);
            const Received chunks = ReceiveInChunks(stream, chunk);
            EXPECT_TRUE(single == chunks) << c.name << ", chunks of " << chunk;
        }
    }
}

// Random, truncated and corrupted input: the receiver and the image stay in
// bounds (checked under the address and undefined-behaviour sanitizers).
TEST_F(Framing, RandomInputNeverWritesOutOfBounds)
{
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> kind(0, 5);
    const ChannelBlock before[2] = {Image().channels[0], Image().channels[1]};
    const PresetNameTable namesBefore = Image().names;
    for (int round = 0; round < 4000; ++round) {
        std::array<std::uint8_t, kInputReportSize> report{};
        for (auto& b : report)
            b = static_cast<std::uint8_t>(byte(random));
        switch (kind(random)) {
        case 0: std::fill(report.begin() + 1, report.begin() + 4, 0x5A); break;   // plausible start
        case 1:
            std::fill(report.begin() + 1, report.begin() + 4, 0x5A);
            report[11] = 0xFF;   // oversized length
            report[12] = 0xFF;
            break;
        case 2: {
            const std::uint8_t codes[] = {0xA2, 0xA6, 0xA9, 0xAA, 0xB0, 0xAE};
            const auto reports = InputReports(codes[byte(random) % 6], static_cast<std::uint8_t>(byte(random) % 8),
                                              static_cast<std::uint8_t>(byte(random) % 4),
                                              Bytes(static_cast<std::size_t>(byte(random)), 0x33));
            const std::size_t keep = static_cast<std::size_t>(byte(random)) % (reports.size() + 1);   // truncated
            for (std::size_t i = 0; i < keep; ++i)
                FeedInputReport(reports[i].data());
            continue;
        }
        default: break;
        }
        FeedInputReport(report.data());
    }
    // Payloads of at most 255 bytes may only reach the notch tables and meters.
    for (int c = 0; c < kChannelCount; ++c)
        EXPECT_EQ(0, std::memcmp(&before[c], &Image().channels[c], kNotchTableOffset)) << "channel " << c;
    EXPECT_EQ(0, std::memcmp(&namesBefore, &Image().names, sizeof namesBefore));
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(0, GlobalBytes(Image().globals)[i]);
    Protocol().Replies().ResetReceiver();
    Feed(CMD_POLL, 0, 0, {0x2A, 0x2B, 0, 0});
    EXPECT_EQ(0x2A, Image().meterBytes[0].load());
}

}  // namespace
