#include "ui/main/StatusLine.h"

#include "protocol/Framing.h"
#include "ui/presets/PresetDialog.h"

namespace {

QString ChannelName(int channel, int language)
{
    const QString letter = channel == 0 ? QStringLiteral("A") : QStringLiteral("B");
    return TextIn({"CH ", "通道 "}, language) + letter;
}

// "<what> of CH A" / "通道 A 的<what>"
QString OfChannel(int channel, const QString& what, int language)
{
    if (language != 0)
        return ChannelName(channel, language) + QStringLiteral(" 的") + what;
    return what + QStringLiteral(" of ") + ChannelName(channel, language);
}

QString ChannelGroupName(int channel, int group, int language)
{
    if (group >= kGroupFirstBand && group < kGroupNotch) {
        const int band = group - kGroupFirstBand + 1;
        const QString what = language != 0 ? QStringLiteral("均衡第 %1 段").arg(band)
                                           : QStringLiteral("EQ band %1").arg(band);
        return OfChannel(channel, what, language);
    }
    switch (group) {
    case kGroupGain: return OfChannel(channel, TextIn({"Gain and mute", "增益与静音"}, language), language);
    case kGroupGate: return OfChannel(channel, TextIn({"Noise gate", "噪声门"}, language), language);
    case kGroupCompressor: return OfChannel(channel, TextIn({"Compressor", "压缩器"}, language), language);
    case kGroupNotch: return OfChannel(channel, TextIn({"Notch settings", "陷波设置"}, language), language);
    default: return OfChannel(channel, TextIn({"Settings", "设置"}, language), language);
    }
}

QString GlobalItemName(int item, int language)
{
    switch (item) {
    case kGlobalItemPanelLock: return TextIn({"Panel lock", "面板锁"}, language);
    case kGlobalItemChannelLink: return TextIn({"Channel link", "通道联调"}, language);
    default: return TextIn({"Language", "语言"}, language);
    }
}

QString PresetNumbered(const char* english, const char* chinese, int n, int language)
{
    return TextIn({english, chinese}, language).arg(n);
}

QString NotAppliedText(const StatusLine& line, int language)
{
    const QString name = CommandName(line.command, language);
    if (line.count == 0)
        return language != 0 ? name + QStringLiteral("未生效") : name + QStringLiteral(" was not applied");
    if (language != 0)
        return name + QStringLiteral("等 %1 项更改未生效").arg(line.count + 1);
    return name + QStringLiteral(" and %1 other change%2 were not applied").arg(line.count).arg(line.count == 1 ? "" : "s");
}

}  // namespace

QString CommandName(const CommandSlot& command, int language)
{
    switch (command.code) {
    case CMD_SET_PARAM:
        if (command.a1 == AREA_CHANNEL)
            return ChannelGroupName(command.a3, command.a4, language);
        if (command.a1 == AREA_GLOBAL)
            return GlobalItemName(command.a4, language);
        return PresetNumbered("Name of preset %1", "第 %1 组的组名", command.a2, language);
    case CMD_WRITE_BANDS: return OfChannel(command.a3, TextIn({"EQ bands", "全部均衡段"}, language), language);
    case CMD_STORE_PRESET: return PresetNumbered("Saving preset %1", "保存第 %1 组", command.a2, language);
    case CMD_RECALL_PRESET: return PresetNumbered("Loading preset %1", "调用第 %1 组", command.a2, language);
    default: return TextIn({"Reading the unit's settings", "读取设备设置"}, language);
    }
}

QString StatusText(const StatusLine& line, int language)
{
    switch (line.kind) {
    case StatusKind::NotConnected: return TextIn({"Not connected", "未连接"}, language);
    case StatusKind::NoPermission:
        return TextIn({"The unit is attached but this user may not open it: install the udev rules (see README)",
                       "设备已连接,但当前用户无权打开:请安装 udev 规则(见 README)"},
                      language);
    case StatusKind::Connected: return TextIn({"Connected", "已连接"}, language);
    case StatusKind::Reconnected: return TextIn({"Reconnected", "已重新连接"}, language);
    case StatusKind::Sending:
        if (language != 0)
            return QStringLiteral("正在发送 %1 项更改…").arg(line.count);
        return QStringLiteral("Sending %1 change%2…").arg(line.count).arg(line.count == 1 ? "" : "s");
    case StatusKind::NotAnswering:
        if (language != 0)
            return QStringLiteral("设备无应答:%1 项更改未生效").arg(line.count);
        return QStringLiteral("The unit does not answer: %1 change%2 not applied")
            .arg(line.count)
            .arg(line.count == 1 ? "" : "s");
    case StatusKind::NotApplied: return NotAppliedText(line, language);
    case StatusKind::PresetDone:
        return PresetOutcomeText(line.command.code == CMD_STORE_PRESET, line.command.a2, true, language);
    case StatusKind::PresetFailed:
        return PresetOutcomeText(line.command.code == CMD_STORE_PRESET, line.command.a2, false, language);
    }
    return QString();
}
