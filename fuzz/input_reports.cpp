// Feeds arbitrary bytes to a unit's reader path as a stream of 65-byte input
// reports, with a command of every reply class waiting for its reply, the
// scheduler ticking and the meters stepping between reports. Every input
// starts from a fresh unit, so that a finding reproduces alone. What the
// replies bring into the equalizers is fuzzed by equalizer_blocks.
#include "protocol/UnitProtocol.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

class ConnectedSink : public CReportSink {
public:
    bool IsConnected() const override { return true; }
    bool WriteReport(const std::uint8_t*, std::chrono::milliseconds) override { return true; }
};

class QuietEvents : public CProtocolEvents {
public:
    void SchedulerWake() override {}
    void ChannelsRecalled() override {}
    void NotchTableReceived(int) override {}
    void MeterLampsShown(int, const MeterLamps&) override {}
    void Log(LogCategory, LogLevel, const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ConnectedSink sink;
    QuietEvents events;
    CUnitProtocol unit(sink, events);
    CCommandScheduler& scheduler = unit.Scheduler();
    // One command of each reply class waits, so that replies find something to answer.
    scheduler.QueueReadSetup();
    scheduler.QueueSetParam(AREA_CHANNEL, 1, 15);
    scheduler.QueueWriteBands(AREA_CHANNEL, 0);
    scheduler.QueueStorePreset(3);
    scheduler.QueueRecallPreset(4);
    std::uint8_t report[kInputReportSize];
    for (std::size_t offset = 0; offset < size; offset += kInputReportSize) {
        const std::size_t chunk = std::min(kInputReportSize, size - offset);
        std::memcpy(report, data + offset, chunk);
        std::memset(report + chunk, 0, sizeof report - chunk);
        unit.Replies().FeedInputReport(report);
        scheduler.Tick();
        scheduler.SendNext();
        unit.Meters().Refresh();
    }
    return 0;
}
