// A stand-in for the two-channel unit: it takes the program's output reports,
// keeps the unit's memory and presets, and answers as the unit does, with
// faults that a seeded random source injects repeatably.
#pragma once

#include "protocol/Framing.h"
#include "protocol/ParameterImage.h"
#include "protocol/ReplyHandling.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <random>
#include <string_view>

// Probabilities (0..1) of each fault, drawn per frame.
struct SimulatedFaults {
    double dropCommand = 0;    // the command is lost on the way in: not applied, not answered
    double dropReply = 0;      // the command is applied but its reply is lost
    double corruptReply = 0;   // one byte of the reply frame is changed
    double delayReply = 0;     // the reply is held back ...
    int maxDelayTicks = 0;     // ... by 1..maxDelayTicks ticks
    double garbageReport = 0;  // a report of random bytes arrives ahead of the reply
    int ignoredCode = -1;      // a command code the unit counts but neither applies nor answers
};

constexpr int kUnitGlobalBytes = 12;
constexpr int kUnitNameCount = 21;   // the current memory, then presets 1..20

using UnitGlobals = std::array<std::uint8_t, kUnitGlobalBytes>;
using UnitName = std::array<char, kPresetNameWireSize>;   // GBK bytes, not terminated
using UnitBlocks = std::array<ChannelBlock, kChannelCount>;
using InputReport = std::array<std::uint8_t, kInputReportSize>;

class CSimulatedUnit {
public:
    static constexpr int kMaxLevel = 70;          // meter level codes the unit reports
    static constexpr int kNotchChancePerTick = 25;   // one in this many ticks a notch appears

    explicit CSimulatedUnit(std::uint32_t seed = 1);

    // Takes one output report (the 64 data bytes); false while unplugged.
    bool ReceiveOutputReport(const std::uint8_t* data64);

    // The next input report that is due (report ID 0, then 64 bytes).
    bool TakeInputReport(std::uint8_t out[kInputReportSize]);

    // Advances the unit's clock by one 100 ms tick.
    void Tick();

    void SetFaults(const SimulatedFaults& faults);
    void SetSilent(bool silent);        // keeps applying commands but never answers
    void SetUnplugged(bool unplugged);  // ignores everything and drops what was queued
    bool IsUnplugged() const;

    ChannelBlock Current(int channel) const;
    void SetCurrent(int channel, const ChannelBlock& block);
    UnitGlobals Globals() const;
    void SetGlobals(const UnitGlobals& globals);
    UnitName PresetName(int n) const;   // n = 0 (current memory) .. 20
    void SetPresetName(int n, std::string_view gbkBytes);
    UnitBlocks Preset(int n) const;     // n = 1..20
    void SetPreset(int n, const UnitBlocks& blocks);

    std::uint64_t Now() const;
    std::size_t CommandsReceived(std::uint8_t code) const;   // valid frames taken, faults aside
    std::size_t PendingReports() const;

private:
    struct Pending {
        std::uint64_t due;
        std::array<std::uint8_t, kReportSize> data;
    };

    void HandleFrame();
    void SetParam(const std::uint8_t* frame, const std::uint8_t* payload, std::uint16_t n);
    void SetChannelGroup(std::uint8_t channel, std::uint8_t group, const std::uint8_t* payload);
    void WriteBands(std::uint8_t channel, const std::uint8_t* payload, std::uint16_t n);
    void Reply(std::uint8_t code, std::uint8_t a1, std::uint8_t a3, const std::uint8_t* payload, std::uint16_t n);
    void ReplySetup();
    void ReplyRecall(std::uint8_t n);
    void StorePreset(std::uint8_t n);
    void ReplyStatus();
    void Enqueue(std::uint64_t due, const std::uint8_t* data);
    void MoveMeters();
    void GrowNotches(int channel);
    void ClearNotches(int channel);
    bool Chance(double probability);
    int Uniform(int low, int high);

    mutable std::mutex m_mutex;
    std::mt19937 m_random;
    SimulatedFaults m_faults;
    bool m_silent = false;
    bool m_unplugged = false;
    std::uint64_t m_now = 0;

    FrameReceiver m_receiver{};
    UnitBlocks m_current;
    UnitGlobals m_globals{};
    std::array<UnitName, kUnitNameCount> m_names{};
    std::array<UnitBlocks, kUserPresetCount> m_presets;
    std::array<int, kChannelCount> m_level{};
    std::array<bool, kChannelCount> m_overload{};
    std::uint32_t m_pollCount = 0;
    std::array<std::size_t, 256> m_commandCounts{};
    std::deque<Pending> m_outgoing;
};
