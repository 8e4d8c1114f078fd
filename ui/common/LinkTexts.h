// What the program says about the link to the unit: the messages of the
// connect button and of a unit that went away, and the link's notes for the
// log, in the interface language.
#pragma once

#include "transport/HidLink.h"

#include <QString>

QString CantFindDeviceText();   // "Can't find the device, please check it"
QString DeviceDisconnectText(); // "Device disconnect"
QString NotEnoughMemoryText();  // "Not enough memory!"
// The commonest trouble on Linux: the unit's hidraw node belongs to root. The
// box names the node and the one command that installs the udev rule.
QString NoPermissionText(const QString& node);
// The rule that lets the user at the seat open the unit, as tools/70-quenda.rules has it.
QString UdevRuleLine();
// One shell command that installs the rule and applies it.
QString UdevRuleInstallCommand();
// Another program has the unit at node: the box names it.
QString UnitInUseText(const QString& node, const UnitHolder& holder);
// "process 1234 (quenda backup presets.json)"
QString UnitHolderText(const UnitHolder& holder);
// What a command that needs the unit says while it is not connected.
QString NotConnectedText();     // "Don't open the USB connection"

// What the link found, for the log.
QString LinkNoteText(LinkNote note);

inline constexpr char kWarningCaption[] = "Warning";
