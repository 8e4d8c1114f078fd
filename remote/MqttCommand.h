// What a message on one of the MQTT command topics asks for, read without
// trusting it: BASE/NODE/a/gain/set "-20", BASE/NODE/b/mute/set "ON",
// BASE/NODE/preset/set "Movie", BASE/NODE/store/set "PRESS". A message that
// is not one of these, or holds a value the unit cannot take, is refused with
// the reason, and nothing is sent.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The largest payload a command may have.
constexpr qsizetype kMaxMqttPayloadBytes = 1024;

enum class MqttAction { Gain, Mute, Preset, Store };

struct MqttCommand {
    QString node;         // the unit's part of the topic
    MqttAction action = MqttAction::Gain;
    int channel = 0;      // gain and mute: 0 = CH A, 1 = CH B
    int gainCode = 0;     // gain: the channel gain's code
    bool mute = false;
    QString presetName;   // preset: the option chosen
};

struct MqttCommandRead {
    bool ok = false;
    QString error;        // why it was refused, for the log
    MqttCommand command;  // the node is filled in when the topic names one
};

MqttCommandRead ReadMqttCommand(QStringView base, QStringView topic, QByteArrayView payload);

// A unit's part of a topic: its serial number or path with everything but
// letters, digits, '-' and '_' as '_'.
QString MqttNode(const QString& unitId);
