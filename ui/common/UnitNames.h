// The names the user gives units, kept per unit (its serial number, or its
// path when it has none) in the program's settings, so that identical units
// on one computer can be told apart: "Hall", "Bar", "Room 2".
#pragma once

#include "transport/HidBackend.h"

#include <QString>

#include <string>
#include <vector>

class CUnitNames {
public:
    // The unit's name; empty when it has none.
    QString Name(const std::string& unitKey) const;
    // An empty name forgets the unit's name.
    void SetName(const std::string& unitKey, const QString& name);
    // The keys of the units named so (more than one only with settings from
    // before names were kept apart); empty when no unit has that name.
    std::vector<std::string> KeysNamed(const QString& name) const;
    // Another unit than unitKey whose name is name, ignoring case and the
    // blanks around it; empty when there is none.
    std::string OtherUnitNamed(const std::string& unitKey, const QString& name) const;
};

// The attached units --device UNIT names: the one with that serial number or
// path, else every one the user gave that name.
std::vector<HidInterfaceInfo> UnitsKnownAs(const std::vector<HidInterfaceInfo>& units, const QString& unit);
