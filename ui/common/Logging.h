// The program's logging categories: quenda.link (opens, write and read errors,
// what the link found), quenda.scheduler (commands not answered, given up,
// refused), quenda.frames (every command's frame as it left for the unit,
// with its bytes) and quenda.startup (how long each step of the start took).
// QT_LOGGING_RULES="quenda.*=true" shows them all.
#pragma once

#include "protocol/EventLog.h"
#include "transport/HidLink.h"

#include <QLoggingCategory>

#include <string>

Q_DECLARE_LOGGING_CATEGORY(lcLink)
Q_DECLARE_LOGGING_CATEGORY(lcScheduler)
Q_DECLARE_LOGGING_CATEGORY(lcStartup)
Q_DECLARE_LOGGING_CATEGORY(lcFrames)

// One of a unit's log events, into its category.
void LogUnitEvent(LogCategory category, LogLevel level, const std::string& text);

// What the link found, in the interface's words, into quenda.link.
void LogLinkNote(LinkNote note);

// A step of the start has been taken: its time since the first step, and since the step
// before, into quenda.startup (debug messages).
void StartupMark(const char* step);
