#include "transport/SimulatedUnit.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using Lock = std::lock_guard<std::mutex>;

constexpr std::uint8_t kNotchClearByte = offsetof(ChannelBlock, notchClear);
constexpr std::uint8_t kStaticCountByte = offsetof(ChannelBlock, staticNotchCount);
constexpr int kLowestNotchHz = 21;
constexpr int kHighestNotchHz = 20000;
constexpr int kOverloadOneIn = 12;   // meter replies that flag overload, roughly

UnitName NameOf(std::string_view bytes)
{
    UnitName name{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), name.size()), name.begin());
    return name;
}

}  // namespace

CSimulatedUnit::CSimulatedUnit(std::uint32_t seed)
    : m_random(seed)
{
    ResetFrameReceiver(m_receiver);
    m_current = {DefaultChannelBlock(), DefaultChannelBlock()};
    m_presets.fill(m_current);
    m_names[0] = NameOf("Current");
    for (int n = 1; n < kUnitNameCount; ++n) {
        char text[kPresetNameWireSize + 1];
        std::snprintf(text, sizeof text, "Preset %d", n);
        m_names[n] = NameOf(text);
    }
    m_level = {20, 35};
}

bool CSimulatedUnit::ReceiveOutputReport(const std::uint8_t* data64)
{
    Lock lock(m_mutex);
    if (m_unplugged)
        return false;
    for (std::size_t i = 0; i < kReportSize; ++i) {
        if (!ReceiveFrameByte(m_receiver, data64[i]))
            continue;
        if (ReceivedFrameIsValid(m_receiver))
            HandleFrame();
        break;   // like the program, the unit ignores the rest of a report that ended a frame
    }
    return true;
}

bool CSimulatedUnit::TakeInputReport(std::uint8_t out[kInputReportSize])
{
    Lock lock(m_mutex);
    if (m_unplugged || m_outgoing.empty() || m_outgoing.front().due > m_now)
        return false;
    out[0] = 0;
    std::copy(m_outgoing.front().data.begin(), m_outgoing.front().data.end(), out + 1);
    m_outgoing.pop_front();
    return true;
}

void CSimulatedUnit::Tick()
{
    Lock lock(m_mutex);
    ++m_now;
    MoveMeters();
    for (int c = 0; c < kChannelCount; ++c)
        GrowNotches(c);
}

void CSimulatedUnit::SetFaults(const SimulatedFaults& faults)
{
    Lock lock(m_mutex);
    m_faults = faults;
}

void CSimulatedUnit::SetSilent(bool silent)
{
    Lock lock(m_mutex);
    m_silent = silent;
}

void CSimulatedUnit::SetUnplugged(bool unplugged)
{
    Lock lock(m_mutex);
    m_unplugged = unplugged;
    if (unplugged) {
        m_outgoing.clear();
        ResetFrameReceiver(m_receiver);
    }
}

bool CSimulatedUnit::IsUnplugged() const
{
    Lock lock(m_mutex);
    return m_unplugged;
}

ChannelBlock CSimulatedUnit::Current(int channel) const
{
    Lock lock(m_mutex);
    return m_current.at(static_cast<std::size_t>(channel));
}

void CSimulatedUnit::SetCurrent(int channel, const ChannelBlock& block)
{
    Lock lock(m_mutex);
    m_current.at(static_cast<std::size_t>(channel)) = block;
}

UnitGlobals CSimulatedUnit::Globals() const
{
    Lock lock(m_mutex);
    return m_globals;
}

void CSimulatedUnit::SetGlobals(const UnitGlobals& globals)
{
    Lock lock(m_mutex);
    m_globals = globals;
}

UnitName CSimulatedUnit::PresetName(int n) const
{
    Lock lock(m_mutex);
    return m_names.at(static_cast<std::size_t>(n));
}

void CSimulatedUnit::SetPresetName(int n, std::string_view gbkBytes)
{
    Lock lock(m_mutex);
    m_names.at(static_cast<std::size_t>(n)) = NameOf(gbkBytes);
}

UnitBlocks CSimulatedUnit::Preset(int n) const
{
    Lock lock(m_mutex);
    return m_presets.at(static_cast<std::size_t>(n - 1));
}

void CSimulatedUnit::SetPreset(int n, const UnitBlocks& blocks)
{
    Lock lock(m_mutex);
    m_presets.at(static_cast<std::size_t>(n - 1)) = blocks;
}

std::uint64_t CSimulatedUnit::Now() const
{
    Lock lock(m_mutex);
    return m_now;
}

std::size_t CSimulatedUnit::CommandsReceived(std::uint8_t code) const
{
    Lock lock(m_mutex);
    return m_commandCounts[code];
}

std::size_t CSimulatedUnit::PendingReports() const
{
    Lock lock(m_mutex);
    return m_outgoing.size();
}

void CSimulatedUnit::HandleFrame()
{
    if (Chance(m_faults.dropCommand))
        return;
    const std::uint8_t* frame = m_receiver.buffer;
    const std::uint16_t n = ReceivedPayloadLength(m_receiver);
    const std::uint8_t* payload = frame + kFrameHeaderSize;
    const std::uint8_t code = frame[kFrameCode];
    ++m_commandCounts[code];
    if (code == m_faults.ignoredCode)
        return;
    switch (code) {
    case CMD_SET_PARAM:
        SetParam(frame, payload, n);
        Reply(CMD_ACK, 0, 0, nullptr, 0);
        break;
    case CMD_READ_SETUP: ReplySetup(); break;
    case CMD_STORE_PRESET: StorePreset(frame[kFrameA2]); break;
    case CMD_RECALL_PRESET: ReplyRecall(frame[kFrameA2]); break;
    case CMD_POLL: ReplyStatus(); break;
    case CMD_WRITE_BANDS:
        WriteBands(frame[kFrameA3], payload, n);
        Reply(CMD_WRITE_BANDS, 0, 0, nullptr, 0);
        break;
    default: break;
    }
}

void CSimulatedUnit::SetParam(const std::uint8_t* frame, const std::uint8_t* payload, std::uint16_t n)
{
    const std::uint8_t area = frame[kFrameA1];
    if (area == AREA_CHANNEL && n >= kGroupSize && frame[kFrameA3] < kChannelCount && frame[kFrameA4] < kGroupCount) {
        SetChannelGroup(frame[kFrameA3], frame[kFrameA4], payload);
    } else if (area == AREA_GLOBAL && n >= 1) {
        const int byte = GlobalItemByte(frame[kFrameA4]);
        if (byte >= 0)
            m_globals[static_cast<std::size_t>(byte)] = payload[0];
    } else if (area == AREA_PRESET_NAME && n >= kPresetNameWireSize && frame[kFrameA2] < kUnitNameCount) {
        std::copy_n(payload, kPresetNameWireSize, m_names[frame[kFrameA2]].begin());
    }
}

void CSimulatedUnit::SetChannelGroup(std::uint8_t channel, std::uint8_t group, const std::uint8_t* payload)
{
    std::uint8_t* block = BlockBytes(m_current[channel]);
    const std::uint8_t countBefore = block[kStaticCountByte];
    std::copy_n(payload, kGroupSize, block + kGroupSize * group);
    if (group != kGroupNotch)
        return;
    // A clear request, or a new static count, restarts the feedback detection.
    if (block[kNotchClearByte] == 1 || block[kStaticCountByte] != countBefore)
        ClearNotches(channel);
}

void CSimulatedUnit::WriteBands(std::uint8_t channel, const std::uint8_t* payload, std::uint16_t n)
{
    if (channel < kChannelCount && n >= kBandsSize)
        std::copy_n(payload, kBandsSize, BlockBytes(m_current[channel]) + kBandsOffset);
}

void CSimulatedUnit::ReplySetup()
{
    std::uint8_t payload[kUnitGlobalBytes + kUnitNameCount * kPresetNameWireSize];
    std::copy(m_globals.begin(), m_globals.end(), payload);
    for (int r = 0; r < kUnitNameCount; ++r)
        std::copy(m_names[r].begin(), m_names[r].end(), payload + kUnitGlobalBytes + kPresetNameWireSize * r);
    Reply(CMD_READ_SETUP, kSetupWithGlobals, 0, payload, sizeof payload);
}

void CSimulatedUnit::ReplyRecall(std::uint8_t n)
{
    if (n > kUserPresetCount)
        return;   // no such preset: the unit stays quiet
    if (n > 0)
        m_current = m_presets[n - 1];
    std::uint8_t payload[kChannelBlocksSize];
    std::memcpy(payload, BlockBytes(m_current[0]), sizeof(ChannelBlock));
    std::memcpy(payload + sizeof(ChannelBlock), BlockBytes(m_current[1]), sizeof(ChannelBlock));
    Reply(CMD_RECALL_PRESET, 0, 0, payload, sizeof payload);
}

void CSimulatedUnit::StorePreset(std::uint8_t n)
{
    if (n >= 1 && n <= kUserPresetCount)
        m_presets[n - 1] = m_current;
    Reply(CMD_STORE_PRESET, 0, 0, nullptr, 0);
}

// Polls are answered in turn with meters, CH A's notches, meters, CH B's notches.
void CSimulatedUnit::ReplyStatus()
{
    const std::uint32_t turn = m_pollCount++ % 4;
    if (turn % 2 == 1) {
        const std::uint8_t channel = turn == 1 ? 0 : 1;
        Reply(CMD_POLL, kStatusNotches, channel, BlockBytes(m_current[channel]) + kNotchTableOffset,
              kNotchTableSize);
        return;
    }
    std::uint8_t meters[kMeterByteCount] = {};
    for (int c = 0; c < kChannelCount; ++c) {
        meters[c] = static_cast<std::uint8_t>(m_level[c] | (m_overload[c] ? kMeterOverloadBit : 0));
        m_overload[c] = false;
    }
    Reply(CMD_POLL, 0, 0, meters, sizeof meters);
}

void CSimulatedUnit::Reply(std::uint8_t code, std::uint8_t a1, std::uint8_t a3, const std::uint8_t* payload,
                           std::uint16_t n)
{
    if (m_silent || Chance(m_faults.dropReply))
        return;
    std::uint8_t frame[FrameReportCount(kMaxPayload) * kReportSize];
    const std::size_t size = EncodeFrame(code, a1, 0, a3, 0, payload, n, frame);
    if (Chance(m_faults.corruptReply)) {
        const int at = Uniform(0, static_cast<int>(kFrameOverhead + n) - 1);
        frame[at] ^= static_cast<std::uint8_t>(Uniform(1, 255));
    }
    std::uint64_t due = m_now;
    if (m_faults.maxDelayTicks > 0 && Chance(m_faults.delayReply))
        due += static_cast<std::uint64_t>(Uniform(1, m_faults.maxDelayTicks));
    if (Chance(m_faults.garbageReport)) {
        std::uint8_t garbage[kReportSize];
        for (std::uint8_t& b : garbage)
            b = static_cast<std::uint8_t>(Uniform(0, 255));
        Enqueue(due, garbage);
    }
    for (std::size_t at = 0; at < size; at += kReportSize)
        Enqueue(due, frame + at);
}

// Reports stay in order of their due tick; reports of one frame stay together.
void CSimulatedUnit::Enqueue(std::uint64_t due, const std::uint8_t* data)
{
    Pending pending{due, {}};
    std::copy_n(data, kReportSize, pending.data.begin());
    const auto at = std::upper_bound(m_outgoing.begin(), m_outgoing.end(), due,
                                     [](std::uint64_t d, const Pending& p) { return d < p.due; });
    m_outgoing.insert(at, pending);
}

void CSimulatedUnit::MoveMeters()
{
    for (int c = 0; c < kChannelCount; ++c) {
        m_level[c] = std::clamp(m_level[c] + Uniform(-6, 6), 0, kMaxLevel);
        if (m_level[c] > kMaxLevel - 8 && Uniform(1, kOverloadOneIn) == 1)
            m_overload[c] = true;
    }
}

// Static notches fill the first staticNotchCount entries; dynamic ones come and
// go in the entries after them.
void CSimulatedUnit::GrowNotches(int channel)
{
    ChannelBlock& block = m_current[channel];
    if (block.notchBypass != 0 || Uniform(1, kNotchChancePerTick) != 1)
        return;
    const int staticCount = std::min<int>(block.staticNotchCount, kNotchCount);
    int slot = -1;
    for (int i = 0; i < staticCount && slot < 0; ++i)
        if (block.notches[i].freqHz.Get() <= kNoNotchFreqHz)
            slot = i;
    if (slot < 0) {
        if (staticCount == kNotchCount)
            return;
        slot = Uniform(staticCount, kNotchCount - 1);
    }
    block.notches[slot].aux.Set(static_cast<std::int16_t>(1 + slot % 4));
    block.notches[slot].freqHz.Set(static_cast<std::int16_t>(Uniform(kLowestNotchHz, kHighestNotchHz)));
}

void CSimulatedUnit::ClearNotches(int channel)
{
    for (NotchEntry& notch : m_current[channel].notches) {
        notch.aux.Set(0);
        notch.freqHz.Set(kNoNotchFreqHz);
    }
}

bool CSimulatedUnit::Chance(double probability)
{
    return probability > 0 && std::uniform_real_distribution<double>(0.0, 1.0)(m_random) < probability;
}

int CSimulatedUnit::Uniform(int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(m_random);
}
