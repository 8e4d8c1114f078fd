// What a unit's protocol layer tells its owner, on whichever thread it happens.
#pragma once

#include "protocol/EventLog.h"

#include <array>

constexpr int kLampsPerChannel = 10;
constexpr int kOverloadLamp = 9;

// Lamp j of a channel's meter lit (0 at the bottom, 9 = overload).
using MeterLamps = std::array<bool, kLampsPerChannel>;

class CProtocolEvents : public CEventLog {
public:
    // A command may go out now, or an outcome is ready; called outside the
    // scheduler's lock, on any thread.
    virtual void SchedulerWake() = 0;
    // A recall reply replaced both channel blocks (reader thread).
    virtual void ChannelsRecalled() = 0;
    // A status reply brought the notch table of a channel (reader thread).
    virtual void NotchTableReceived(int channel) = 0;
    // A channel's meter after one meter step (the tick's thread).
    virtual void MeterLampsShown(int channel, const MeterLamps& lamps) = 0;
};
