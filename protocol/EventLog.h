// Link and scheduler events for the program's log: opens and their reasons,
// write errors, commands given up, and each command's frame as it left for the
// unit. The owner of a unit routes them to its logging categories.
#pragma once

#include <string>

enum class LogCategory {
    Link,
    Scheduler,
    Frames,   // every command's frame written to the unit, with its payload (information only)
};
enum class LogLevel { Info, Warning };

class CEventLog {
public:
    virtual ~CEventLog() = default;

    // Called on whichever thread the event happens on.
    virtual void Log(LogCategory category, LogLevel level, const std::string& text) = 0;
};
