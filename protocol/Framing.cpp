#include "protocol/Framing.h"

#include <algorithm>
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
    return ReceiveFrameBytes(receiver, &byte, 1);
}

bool ReceiveFrameBytes(FrameReceiver& receiver, const std::uint8_t* bytes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (!receiver.inFrame) {
            // Three sync bytes in a row start a frame; any other byte starts the count again.
            for (; i < count; ++i) {
                if (bytes[i] != kSyncByte) {
                    receiver.position = 0;
                    continue;
                }
                receiver.buffer[receiver.position++] = kSyncByte;
                if (receiver.position == kSyncCount) {
                    receiver.inFrame = true;
                    break;
                }
            }
            continue;
        }
        receiver.buffer[receiver.position++] = bytes[i];
        std::size_t position = static_cast<std::size_t>(receiver.position);
        if (position < kFrameHeaderSize)
            continue;
        const std::size_t n = ReceivedPayloadLength(receiver);
        if (n > kMaxPayload) {
            ResetFrameReceiver(receiver);   // cannot be held: look for the next frame
            continue;
        }
        const std::size_t end = n + kFrameOverhead;
        if (position == end) {
            receiver.checksum = receiver.buffer[n + kFrameHeaderSize];
            receiver.endByte = receiver.buffer[n + kFrameHeaderSize + 1];
            ResetFrameReceiver(receiver);
            return true;
        }
        // The header is in: the bytes before the frame's last one need no look each.
        const std::size_t take = std::min(end - 1 - position, count - 1 - i);
        std::memcpy(receiver.buffer + position, bytes + i + 1, take);
        position += take;
        i += take;
        receiver.position = static_cast<std::int16_t>(position);
    }
    return false;
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
    const auto checksum = static_cast<std::uint8_t>(XorBytes(m_staging, kFrameHeaderSize) ^ XorBytes(payload, n));
    const std::uint8_t tail[2] = {checksum, kEndByte};
    m_stagingPosition = kFrameHeaderSize;
    // A report that does not reach the device ends the frame: the unit never gets half of one.
    if (!StageBytes(payload, n) || !StageBytes(tail, sizeof tail))
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

// Stages bytes, writing each report as it fills; false when one could not be written.
bool CFrameWriter::StageBytes(const std::uint8_t* bytes, std::size_t count)
{
    while (count > 0) {
        const std::size_t take = std::min(count, kReportSize - m_stagingPosition);
        std::memcpy(m_staging + m_stagingPosition, bytes, take);
        m_stagingPosition += take;
        bytes += take;
        count -= take;
        if (m_stagingPosition == kReportSize && !FlushStaging())
            return false;
    }
    return true;
}
