// Keeps two programs off one unit. The unit's replies carry no name of the
// command they answer, and every program reading its node gets every reply, so
// a second program would take the first one's answers for its own. A program
// claims the unit before it opens it, and lets go when it closes it.
#pragma once

#include <cstdint>
#include <string>

// The program that has the unit.
struct UnitHolder {
    std::int64_t processId = 0;
    std::string command;   // its command line, when the system tells it
};

class CUnitClaims {
public:
    virtual ~CUnitClaims() = default;
    // Claims the unit known by key (its serial number, or its path when it has
    // none); false, with the program that has it, when another one does.
    virtual bool Claim(const std::string& key, UnitHolder& holder) = 0;
    // Lets go of the unit claimed last, if any.
    virtual void Release() = 0;
};
