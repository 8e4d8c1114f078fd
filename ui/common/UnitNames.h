// The names the user gives units, kept per unit (its serial number, or its
// path when it has none) in the program's settings, so that identical units
// on one computer can be told apart: "Hall", "Bar", "Room 2".
#pragma once

#include <QString>

#include <string>

class CUnitNames {
public:
    // The unit's name; empty when it has none.
    QString Name(const std::string& unitKey) const;
    // An empty name forgets the unit's name.
    void SetName(const std::string& unitKey, const QString& name);
    // The key of the unit named so; empty when no unit has that name.
    std::string KeyNamed(const QString& name) const;
};
