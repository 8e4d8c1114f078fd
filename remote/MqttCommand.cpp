#include "remote/MqttCommand.h"

#include "model/SettingFields.h"

#include <QStringList>

#include <cmath>

namespace {

MqttCommandRead Refused(const QString& node, const QString& why)
{
    MqttCommandRead read;
    read.command.node = node;
    read.error = why;
    return read;
}

bool ReadGain(QStringView text, int& code)
{
    bool number = false;
    const double db = text.trimmed().toDouble(&number);
    const Linear& gain = *codecs::kGain.linear;
    if (!number || !std::isfinite(db) || db != std::floor(db) || db < gain.MinValue() || db > gain.MaxValue())
        return false;
    code = gain.CodeOf(db);
    return true;
}

}  // namespace

QString MqttNode(const QString& unitId)
{
    QString node = unitId;
    for (QChar& c : node) {
        const char16_t u = c.unicode();
        const bool kept = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'-' || u == u'_';
        if (!kept)
            c = QLatin1Char('_');
    }
    return node;
}

MqttCommandRead ReadMqttCommand(QStringView base, QStringView topic, QByteArrayView payload)
{
    const QStringList parts = topic.toString().split(QLatin1Char('/'));
    const QStringList baseParts = base.toString().split(QLatin1Char('/'));
    const qsizetype n = baseParts.size();
    if (parts.size() < n + 3 || parts.mid(0, n) != baseParts || parts.last() != QLatin1String("set"))
        return Refused({}, QStringLiteral("%1 is not a command topic").arg(topic));
    const QString node = parts[n];
    const QStringList what = parts.mid(n + 1, parts.size() - n - 2);
    if (payload.size() > kMaxMqttPayloadBytes)
        return Refused(node, QStringLiteral("a payload of %1 bytes is larger than a command (at most 1 KiB)").arg(payload.size()));
    const QString text = QString::fromUtf8(payload);
    MqttCommandRead read;
    read.command.node = node;
    if (what.size() == 2 && (what[0] == QLatin1String("a") || what[0] == QLatin1String("b"))) {
        read.command.channel = what[0] == QLatin1String("a") ? 0 : 1;
        if (what[1] == QLatin1String("gain")) {
            read.command.action = MqttAction::Gain;
            if (!ReadGain(text, read.command.gainCode))
                return Refused(node, QStringLiteral("the gain is a whole number of dB from -80 to 10, not \"%1\"").arg(text.left(64)));
            read.ok = true;
            return read;
        }
        if (what[1] == QLatin1String("mute")) {
            read.command.action = MqttAction::Mute;
            if (text != QLatin1String("ON") && text != QLatin1String("OFF"))
                return Refused(node, QStringLiteral("mute is ON or OFF, not \"%1\"").arg(text.left(64)));
            read.command.mute = text == QLatin1String("ON");
            read.ok = true;
            return read;
        }
    }
    if (what == QStringList{QStringLiteral("preset")}) {
        read.command.action = MqttAction::Preset;
        read.command.presetName = text;
        read.ok = !text.isEmpty();
        if (!read.ok)
            read.error = QStringLiteral("no preset named");
        return read;
    }
    if (what == QStringList{QStringLiteral("store")}) {
        read.command.action = MqttAction::Store;
        if (text != QLatin1String("PRESS"))
            return Refused(node, QStringLiteral("the store button takes PRESS, not \"%1\"").arg(text.left(64)));
        read.ok = true;
        return read;
    }
    return Refused(node, QStringLiteral("%1 is not a command topic").arg(topic));
}
