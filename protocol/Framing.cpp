#include "protocol/Framing.h"

#include "protocol/ParameterImage.h"
#include "protocol/ReplyHandling.h"

#include <atomic>
#include <cstring>
#include <thread>
#include <utility>

namespace {

WriteReportHook g_WriteReportHook;
std::atomic<std::chrono::milliseconds::rep> g_WriteWaitLimitMs{kDefaultWriteWaitLimit.count()};

// Sending state, UI thread only: the report being filled.
std::uint8_t g_Staging[kReportSize];
std::size_t g_StagingPosition = 0;

// Receiving state, reader thread only.
FrameReceiver g_Receiver{};

void WriteFrameHeader(std::uint8_t* out, std::uint8_t cmd, std::uint8_t a1, std::uint8_t a2, std::uint8_t a3,
                      std::uint8_t a4, std::uint16_t n)
{
    const std::uint8_t header[kFrameHeaderSize] = {
        kSyncByte, kSyncByte, kSyncByte, kUnitAddress, kSenderTag, cmd, a1, a2, a3, a4,
        static_cast<std::uint8_t>(n & 0xFF), static_cast<std::uint8_t>(n >> 8)};
    std::memcpy(out, header, kFrameHeaderSize);
}

std::uint8_t XorBytes(const std::uint8_t* bytes, std::size_t count)
{
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum ^= bytes[i];
    return sum;
}

bool ChecksumMatches(const FrameReceiver& receiver)
{
    return XorBytes(receiver.buffer, kFrameHeaderSize + ReceivedPayloadLength(receiver)) == receiver.checksum;
}

// Waits for the report write in flight to complete. A write that does not
// complete in time counts as failed: the flag is dropped so that the UI thread
// never hangs on a stuck device.
bool WaitForWriteDone()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(g_WriteWaitLimitMs.load());
    while (g_WriteBusy.load() != 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            g_WriteBusy.store(0);
            return false;
        }
        std::this_thread::yield();
    }
    return g_WriteFailed.load() == 0;
}

// Writes the staging buffer as one report; false when it did not reach the device.
bool FlushStaging()
{
    g_StagingPosition = 0;
    return g_WriteReportHook && g_WriteReportHook(g_Staging) && WaitForWriteDone();
}

// Stages one byte; false when a full report could not be written.
bool StageByte(std::uint8_t byte)
{
    g_Staging[g_StagingPosition++] = byte;
    return g_StagingPosition < kReportSize || FlushStaging();
}

}  // namespace

std::size_t EncodeFrame(std::uint8_t cmd, std::uint8_t a1, std::uint8_t a2, std::uint8_t a3, std::uint8_t a4,
                        const std::uint8_t* payload, std::uint16_t n, std::uint8_t* out)
{
    const std::size_t size = FrameReportCount(n) * kReportSize;
    std::memset(out, 0, size);
    WriteFrameHeader(out, cmd, a1, a2, a3, a4, n);
    if (n > 0)
        std::memcpy(out + kFrameHeaderSize, payload, n);
    out[kFrameHeaderSize + n] = XorBytes(out, kFrameHeaderSize + n);
    out[kFrameHeaderSize + n + 1] = kEndByte;
    return size;
}

void ResetFrameReceiver(FrameReceiver& receiver)
{
    receiver.position = 0;
    receiver.inFrame = false;
}

bool ReceiveFrameByte(FrameReceiver& receiver, std::uint8_t byte)
{
    if (!receiver.inFrame) {
        if (byte != kSyncByte) {
            receiver.position = 0;
            return false;
        }
        receiver.buffer[receiver.position++] = byte;
        receiver.inFrame = receiver.position == kSyncCount;
        return false;
    }
    receiver.buffer[receiver.position++] = byte;
    if (static_cast<std::size_t>(receiver.position) < kFrameHeaderSize)
        return false;
    const std::size_t n = ReceivedPayloadLength(receiver);
    if (n > kMaxPayload) {
        ResetFrameReceiver(receiver);   // cannot be held: look for the next frame
        return false;
    }
    if (static_cast<std::size_t>(receiver.position) < n + kFrameOverhead)
        return false;
    receiver.checksum = receiver.buffer[n + kFrameHeaderSize];
    receiver.endByte = receiver.buffer[n + kFrameHeaderSize + 1];
    ResetFrameReceiver(receiver);
    return true;
}

std::uint16_t ReceivedPayloadLength(const FrameReceiver& receiver)
{
    return static_cast<std::uint16_t>(receiver.buffer[kFrameLength] | (receiver.buffer[kFrameLength + 1] << 8));
}

bool ReceivedFrameIsValid(const FrameReceiver& receiver)
{
    return receiver.endByte == kEndByte && ChecksumMatches(receiver);
}

void SetWriteReportHook(WriteReportHook hook)
{
    g_WriteReportHook = std::move(hook);
}

void SetWriteWaitLimit(std::chrono::milliseconds limit)
{
    g_WriteWaitLimitMs.store(limit.count());
}

bool SendFrame(std::uint8_t cmd, std::uint8_t a1, std::uint8_t a2, std::uint8_t a3, std::uint8_t a4,
               std::uint16_t n, const std::uint8_t* payload)
{
    if (g_Connected.load() == 0)
        return false;
    WriteFrameHeader(g_Staging, cmd, a1, a2, a3, a4, n);
    std::uint8_t checksum = XorBytes(g_Staging, kFrameHeaderSize);
    g_StagingPosition = kFrameHeaderSize;
    // A report that does not reach the device ends the frame: the unit never gets half of one.
    for (std::uint16_t i = 0; i < n; ++i) {
        checksum ^= payload[i];
        if (!StageByte(payload[i]))
            return false;
    }
    if (!StageByte(checksum) || !StageByte(kEndByte))
        return false;
    if (g_StagingPosition == 0)
        return true;
    std::memset(g_Staging + g_StagingPosition, 0, kReportSize - g_StagingPosition);
    return FlushStaging();
}

void FeedInputReport(const std::uint8_t* report)
{
    const std::uint8_t* data = report + 1;   // skip the report ID
    for (std::size_t i = 0; i < kReportSize; ++i) {
        if (!ReceiveFrameByte(g_Receiver, data[i]))
            continue;
        if (ReceivedFrameIsValid(g_Receiver))
            HandleReply();
        return;   // the rest of a report that ended a frame is not looked at
    }
}

void ResetReceiver()
{
    ResetFrameReceiver(g_Receiver);
}

bool CheckReplyChecksum()
{
    return ChecksumMatches(g_Receiver);
}

const std::uint8_t* ReceivedFrame()
{
    return g_Receiver.buffer;
}
