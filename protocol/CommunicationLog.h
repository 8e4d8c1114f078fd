// Link and scheduler events for the program's log: opens and their reasons,
// write errors, commands given up. The window routes them to its logging
// categories; without a hook they go nowhere.
#pragma once

#include <functional>
#include <string>

enum class LogCategory { Link, Scheduler };
enum class LogLevel { Info, Warning };

// Called on whichever thread the event happens on. Setting the hook waits
// until a call in progress has returned.
using LogHook = std::function<void(LogCategory category, LogLevel level, const std::string& text)>;
void SetLogHook(LogHook hook);

void LogEvent(LogCategory category, LogLevel level, const std::string& text);
