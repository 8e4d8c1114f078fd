// Reads arbitrary bytes as a message on an MQTT command topic: the first byte
// says how many of the rest are the topic, the others are the payload. A
// command taken holds a value the unit can take; a refusal says why.
#include "model/SettingFields.h"
#include "remote/MqttCommand.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t topicLength = std::min<std::size_t>(data[0], size - 1);
    const QString topic = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(topicLength));
    const QByteArrayView payload(reinterpret_cast<const char*>(data + 1 + topicLength), static_cast<qsizetype>(size - 1 - topicLength));
    const MqttCommandRead read = ReadMqttCommand(u"quenda", topic, payload);
    if (!read.ok) {
        Check(!read.error.isEmpty());
        return 0;
    }
    const MqttCommand& c = read.command;
    Check(payload.size() <= kMaxMqttPayloadBytes);
    Check(!c.node.isEmpty() && !c.node.contains(QLatin1Char('/')));
    Check(c.channel == 0 || c.channel == 1);
    if (c.action == MqttAction::Gain)
        Check(c.gainCode >= codecs::kGain.linear->codeMin && c.gainCode <= codecs::kGain.linear->codeMax);
    if (c.action == MqttAction::Preset)
        Check(!c.presetName.isEmpty());
    return 0;
}
