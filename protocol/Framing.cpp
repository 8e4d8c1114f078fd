#include "protocol/Framing.h"

#include <cstring>

namespace {

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

bool ChecksumMatches(const FrameReceiver& receiver)
{
    return XorBytes(receiver.buffer, kFrameHeaderSize + ReceivedPayloadLength(receiver)) == receiver.checksum;
}

bool CFrameWriter::SendFrame(std::uint8_t cmd, std::uint8_t a1, std::uint8_t a2, std::uint8_t a3, std::uint8_t a4,
                             std::uint16_t n, const std::uint8_t* payload)
{
    if (!m_sink.IsConnected())
        return false;
    WriteFrameHeader(m_staging, cmd, a1, a2, a3, a4, n);
    std::uint8_t checksum = XorBytes(m_staging, kFrameHeaderSize);
    m_stagingPosition = kFrameHeaderSize;
    // A report that does not reach the device ends the frame: the unit never gets half of one.
    for (std::uint16_t i = 0; i < n; ++i) {
        checksum ^= payload[i];
        if (!StageByte(payload[i]))
            return false;
    }
    if (!StageByte(checksum) || !StageByte(kEndByte))
        return false;
    if (m_stagingPosition == 0)
        return true;
    std::memset(m_staging + m_stagingPosition, 0, kReportSize - m_stagingPosition);
    return FlushStaging();
}

// Writes the staging buffer as one report; false when it did not reach the device.
bool CFrameWriter::FlushStaging()
{
    m_stagingPosition = 0;
    return m_sink.WriteReport(m_staging, m_waitLimit);
}

// Stages one byte; false when a full report could not be written.
bool CFrameWriter::StageByte(std::uint8_t byte)
{
    m_staging[m_stagingPosition++] = byte;
    return m_stagingPosition < kReportSize || FlushStaging();
}
