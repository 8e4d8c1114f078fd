// The status line at the left of the main window's top row: what has not
// reached the unit yet, and why the unit cannot be reached.
#pragma once

#include "protocol/CommandScheduler.h"

#include <QString>

enum class StatusKind {
    NotConnected,
    NoPermission,   // the unit is attached but this user may not open it
    InUse,          // another program, process count, has the unit
    Connected,
    Reconnected,
    Sending,        // count changes have waited a tick or more
    NotAnswering,   // a round of attempts went unanswered; count changes wait
    NotApplied,     // command was given up, and count others with it
    PresetDone,     // the store or recall in command was answered
    PresetFailed,   // the store or recall in command went unanswered
};

struct StatusLine {
    StatusLine(StatusKind k = StatusKind::NotConnected, int n = 0, CommandSlot c = {}) : kind(k), count(n), command(c) {}

    StatusKind kind;
    int count;
    CommandSlot command;
    friend bool operator==(const StatusLine&, const StatusLine&) = default;
};

// The line as the window shows it, in the interface language.
QString StatusText(const StatusLine& line);

// What a command changes, as the user knows it: "Gain and mute of CH A",
// "EQ band 3 of CH B", "Panel lock", "Name of preset 5", ...
QString CommandName(const CommandSlot& command);
