#include "ui/main/StatusLine.h"

#include "protocol/Framing.h"
#include "ui/common/Language.h"
#include "ui/common/PresetTexts.h"

#include <QCoreApplication>

namespace {

class StatusWords {
    Q_DECLARE_TR_FUNCTIONS(StatusLine)

public:
    // "<what> of CH A": the translation puts the channel where its language wants it.
    static QString OfChannel(int channel, const QString& what)
    {
        return tr("%1 of %2").arg(what, ShownChannelName(channel));
    }

    static QString ChannelGroupName(int channel, int group)
    {
        if (group >= kGroupFirstBand && group < kGroupNotch)
            return OfChannel(channel, tr("EQ band %1").arg(group - kGroupFirstBand + 1));
        switch (group) {
        case kGroupGain: return OfChannel(channel, tr("Gain and mute"));
        case kGroupGate: return OfChannel(channel, tr("Noise gate"));
        case kGroupCompressor: return OfChannel(channel, tr("Compressor"));
        case kGroupNotch: return OfChannel(channel, tr("Notch settings"));
        default: return OfChannel(channel, tr("Settings"));
        }
    }

    static QString GlobalItemName(int item)
    {
        switch (item) {
        case kGlobalItemPanelLock: return tr("Panel lock");
        case kGlobalItemChannelLink: return tr("Channel link");
        default: return tr("Language");
        }
    }

    static QString NotAppliedText(const StatusLine& line)
    {
        const QString name = CommandName(line.command);
        if (line.count == 0)
            return tr("%1 was not applied").arg(name);
        // A translation may count all the changes not applied (%2) rather than the others (%n).
        QString text = tr("%1 and %n other change(s) were not applied", "%2: all the changes", line.count).arg(name);
        if (text.contains(QLatin1String("%2")))
            text = text.arg(line.count + 1);
        return text;
    }

    static QString Text(const StatusLine& line)
    {
        switch (line.kind) {
        case StatusKind::NotConnected: return tr("Not connected");
        case StatusKind::NoPermission:
            return tr("The unit is attached but this user may not open it: install the udev rules (see README)");
        case StatusKind::InUse: return tr("The unit is in use by another program (process %1)").arg(line.count);
        case StatusKind::Connected: return tr("Connected");
        case StatusKind::Reconnected: return tr("Reconnected");
        case StatusKind::Sending: return tr("Sending %n change(s)…", nullptr, line.count);
        case StatusKind::NotAnswering:
            return tr("The unit does not answer: %n change(s) not applied", nullptr, line.count);
        case StatusKind::NotApplied: return NotAppliedText(line);
        case StatusKind::PresetDone:
            return PresetOutcomeText(line.command.code == CMD_STORE_PRESET, line.command.a2, true);
        case StatusKind::PresetFailed:
            return PresetOutcomeText(line.command.code == CMD_STORE_PRESET, line.command.a2, false);
        }
        return QString();
    }

    static QString Name(const CommandSlot& command)
    {
        switch (command.code) {
        case CMD_SET_PARAM:
            if (command.a1 == AREA_CHANNEL)
                return ChannelGroupName(command.a3, command.a4);
            if (command.a1 == AREA_GLOBAL)
                return GlobalItemName(command.a4);
            return tr("Name of preset %1").arg(command.a2);
        case CMD_WRITE_BANDS: return OfChannel(command.a3, tr("EQ bands"));
        case CMD_STORE_PRESET: return tr("Saving preset %1").arg(command.a2);
        case CMD_RECALL_PRESET: return tr("Loading preset %1").arg(command.a2);
        default: return tr("Reading the unit's settings");
        }
    }
};

}  // namespace

QString CommandName(const CommandSlot& command)
{
    return StatusWords::Name(command);
}

QString StatusText(const StatusLine& line)
{
    return StatusWords::Text(line);
}
