// Frames to and from the unit: a 12-byte header, the payload, an XOR checksum
// and the end byte AAh, cut into 64-byte reports.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

// Command codes the program sends, and the codes of the unit's replies.
constexpr std::uint8_t CMD_SET_PARAM = 0xA1;
constexpr std::uint8_t CMD_READ_SETUP = 0xA2;
constexpr std::uint8_t CMD_BLOCK_WRITTEN = 0xA3;   // reply only
constexpr std::uint8_t CMD_WRITE_DONE = 0xA4;      // reply only
constexpr std::uint8_t CMD_STORE_PRESET = 0xA5;
constexpr std::uint8_t CMD_RECALL_PRESET = 0xA6;
constexpr std::uint8_t CMD_POLL = 0xA9;
constexpr std::uint8_t CMD_ACK = 0xAA;
constexpr std::uint8_t CMD_CLEAR_WAIT = 0xAE;      // reply only
constexpr std::uint8_t CMD_DONE = 0xAF;            // scheduler state, never on the wire
constexpr std::uint8_t CMD_WRITE_BANDS = 0xB0;

// Parameter areas (a1 of a set-parameter command).
constexpr std::uint8_t AREA_CHANNEL = 4;
constexpr std::uint8_t AREA_PRESET_NAME = 5;
constexpr std::uint8_t AREA_GLOBAL = 6;

constexpr std::uint8_t kSetupWithGlobals = 6;   // a1 of the setup request and its full reply
constexpr std::uint8_t kSetupNamesOnly = 5;     // a1 of a setup reply carrying names only
constexpr std::uint8_t kStatusNotches = 1;      // a1 of a status reply carrying a notch table

constexpr std::size_t kReportSize = 64;                     // data bytes of one report
constexpr std::size_t kInputReportSize = kReportSize + 1;   // report ID first
constexpr std::size_t kFrameHeaderSize = 12;
constexpr std::size_t kFrameOverhead = kFrameHeaderSize + 2;   // header, checksum, end byte
constexpr std::size_t kReceiveBufferSize = 1292;
constexpr std::size_t kMaxPayload = kReceiveBufferSize - kFrameOverhead;   // 1278
static_assert(kMaxPayload == 1278);

constexpr std::uint8_t kSyncByte = 0x5A;
constexpr int kSyncCount = 3;
constexpr std::uint8_t kUnitAddress = 0x00;
constexpr std::uint8_t kSenderTag = 0x53;
constexpr std::uint8_t kEndByte = 0xAA;

// Offsets of the header fields within a frame.
constexpr std::size_t kFrameCode = 5;
constexpr std::size_t kFrameA1 = 6;
constexpr std::size_t kFrameA2 = 7;
constexpr std::size_t kFrameA3 = 8;
constexpr std::size_t kFrameA4 = 9;
constexpr std::size_t kFrameLength = 10;

// Number of 64-byte reports a frame with n payload bytes occupies.
constexpr std::size_t FrameReportCount(std::size_t n)
{
    return (kFrameOverhead + n + kReportSize - 1) / kReportSize;
}

// Builds a whole frame, zero-filled to the end of its last report, into out
// (which holds FrameReportCount(n) * 64 bytes). Returns the bytes written.
std::size_t EncodeFrame(std::uint8_t cmd, std::uint8_t a1, std::uint8_t a2, std::uint8_t a3, std::uint8_t a4,
                        const std::uint8_t* payload, std::uint16_t n, std::uint8_t* out);

// Reassembles frames from a stream of bytes; used by the reader thread's
// receiver and by the simulated unit.
struct FrameReceiver {
    std::uint8_t buffer[kReceiveBufferSize];
    std::int16_t position;
    bool inFrame;
    std::uint8_t checksum;   // of the last completed frame
    std::uint8_t endByte;    // of the last completed frame
};

// Resets a receiver to looking for three sync bytes.
void ResetFrameReceiver(FrameReceiver& receiver);

// Takes one byte; true when it completed a frame (valid or not).
bool ReceiveFrameByte(FrameReceiver& receiver, std::uint8_t byte);

// Takes count bytes as ReceiveFrameByte takes them one after the other, up to
// the one that completes a frame (valid or not); true when one did, and the
// bytes after it are not taken. Once a frame's header is in, the bytes before
// its last one are copied in one go instead of one by one.
bool ReceiveFrameBytes(FrameReceiver& receiver, const std::uint8_t* bytes, std::size_t count);

// Payload length declared by the frame in the receive buffer.
std::uint16_t ReceivedPayloadLength(const FrameReceiver& receiver);

// The last completed frame ends with AAh and its checksum matches.
bool ReceivedFrameIsValid(const FrameReceiver& receiver);

// Where the frame writer's reports go: the HID link, or a test's recorder.
class CReportSink {
public:
    virtual ~CReportSink() = default;

    // The unit is connected: frames may go out.
    virtual bool IsConnected() const = 0;

    // Writes one 64-byte report to the unit and waits at most limit for the
    // write to complete; false when it did not reach the unit (refused, failed,
    // or not completed in time: the UI never hangs on a stuck device).
    virtual bool WriteReport(const std::uint8_t* data64, std::chrono::milliseconds limit) = 0;
};

// How long a report write may take before it counts as failed.
constexpr std::chrono::milliseconds kDefaultWriteWaitLimit{1000};

// Builds frames and writes them report by report; used by the scheduler's
// thread only.
class CFrameWriter {
public:
    explicit CFrameWriter(CReportSink& sink) : m_sink(sink) {}

    bool IsConnected() const { return m_sink.IsConnected(); }
    void SetWriteWaitLimit(std::chrono::milliseconds limit) { m_waitLimit = limit; }

    // False while not connected (nothing written) and when a report could not
    // be written (the rest of the frame is not sent).
    bool SendFrame(std::uint8_t cmd, std::uint8_t a1, std::uint8_t a2, std::uint8_t a3, std::uint8_t a4,
                   std::uint16_t n, const std::uint8_t* payload);

private:
    bool StageBytes(const std::uint8_t* bytes, std::size_t count);
    bool FlushStaging();

    CReportSink& m_sink;
    std::chrono::milliseconds m_waitLimit = kDefaultWriteWaitLimit;
    std::uint8_t m_staging[kReportSize] = {};   // the report being filled
    std::size_t m_stagingPosition = 0;
};

// XOR of a received frame's header and payload equals its checksum byte.
bool ChecksumMatches(const FrameReceiver& receiver);
