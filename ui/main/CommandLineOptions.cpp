#include "ui/main/CommandLineOptions.h"

#include "model/SettingFields.h"
#include "protocol/ParameterImage.h"
#include "remote/MqttBridge.h"
#include "remote/RemoteServer.h"
#include "transport/HidBackend.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

namespace {

// The value a command takes after its channel: false with options.error set.
using ValueReader = bool (*)(const QString& word, CommandLineOptions& options);

bool ReadPreset(const QString& word, CommandLineOptions& options)
{
    bool number = false;
    const int preset = word.toInt(&number);
    if (!number || preset < 1 || preset > kUserPresetCount) {
        options.error = QStringLiteral("a preset is a number from 1 to %1, not %2").arg(kUserPresetCount).arg(word);
        return false;
    }
    options.preset = preset;
    return true;
}

// The channel's gain goes in whole dB.
bool ReadGain(const QString& word, CommandLineOptions& options)
{
    const Linear& gain = *codecs::kGain.linear;
    bool number = false;
    const double db = word.toDouble(&number);
    if (!number || db != std::floor(db) || db < gain.MinValue() || db > gain.MaxValue()) {
        options.error = QStringLiteral("the gain is a whole number of dB from %1 to %2, not %3")
                            .arg(gain.MinValue())
                            .arg(gain.MaxValue())
                            .arg(word);
        return false;
    }
    options.gainCode = gain.CodeOf(db);
    return true;
}

bool ReadMute(const QString& word, CommandLineOptions& options)
{
    if (word != QLatin1String("on") && word != QLatin1String("off")) {
        options.error = QStringLiteral("mute is on or off, not %1").arg(word);
        return false;
    }
    options.mute = word == QLatin1String("on");
    return true;
}

struct CommandName {
    const char* name;
    QuendaCommand command;
    bool needsChannel;       // A or B first
    bool needsFile;          // a FILE last
    ValueReader readValue;   // a value after the channel, if any
    const char* arguments;   // what the command is missing when it has too few
};

constexpr std::array kCommands = {
    CommandName{"list", QuendaCommand::List, false, false, nullptr, ""},
    CommandName{"info", QuendaCommand::Info, false, false, nullptr, ""},
    CommandName{"export", QuendaCommand::Export, false, true, nullptr, "a FILE"},
    CommandName{"import", QuendaCommand::Import, false, true, nullptr, "a FILE"},
    CommandName{"backup", QuendaCommand::Backup, false, true, nullptr, "a FILE"},
    CommandName{"restore", QuendaCommand::Restore, false, true, nullptr, "a FILE"},
    CommandName{"filters-import", QuendaCommand::FiltersImport, true, true, nullptr, "A or B and a FILE"},
    CommandName{"filters-export", QuendaCommand::FiltersExport, true, true, nullptr, "A or B and a FILE"},
    CommandName{"recall", QuendaCommand::Recall, false, false, ReadPreset, "a preset number"},
    CommandName{"store", QuendaCommand::Store, false, false, ReadPreset, "a preset number"},
    CommandName{"gain", QuendaCommand::Gain, true, false, ReadGain, "A or B and a gain in dB"},
    CommandName{"mute", QuendaCommand::Mute, true, false, ReadMute, "A or B and on or off"},
    CommandName{"serve", QuendaCommand::Serve, false, false, nullptr, ""},
    CommandName{"pair", QuendaCommand::Pair, false, false, nullptr, ""},
    CommandName{"fit", QuendaCommand::Fit, true, true, nullptr, "A or B and a MEASUREMENT file"},
};

const QString kDemo = QStringLiteral("demo");
const QString kDemoUnits = QStringLiteral("demo-units");
const QString kDevice = QStringLiteral("device");
const QString kJson = QStringLiteral("json");
const QString kSection = QStringLiteral("section");
const QString kListen = QStringLiteral("listen");
const QString kTlsCert = QStringLiteral("tls-cert");
const QString kTlsKey = QStringLiteral("tls-key");
const QString kMqtt = QStringLiteral("mqtt");
const QString kMqttUser = QStringLiteral("mqtt-user");
const QString kMqttPasswordFile = QStringLiteral("mqtt-password-file");
const QString kMqttPrefix = QStringLiteral("mqtt-prefix");
const QString kMqttBase = QStringLiteral("mqtt-base");
const QString kList = QStringLiteral("list");
const QString kForget = QStringLiteral("forget");
const QString kForgetAll = QStringLiteral("forget-all");
const QString kTarget = QStringLiteral("target");
const QString kRange = QStringLiteral("range");
const QString kMaxBoost = QStringLiteral("max-boost");
const QString kBands = QStringLiteral("bands");
const QString kDryRun = QStringLiteral("dry-run");

// The one parser behind both the usage text and the reading of arguments.
void Describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Controls the two-channel audio processor over USB. Without a command the window opens.\n\n"
        "Commands, run without a window:\n"
        "  list          lists the attached units: path, serial number, product, version\n"
        "  info          tells whether the unit is found, and its preset names\n"
        "  export FILE   writes the unit's current settings to FILE\n"
        "  import FILE   sends the current settings of FILE to the unit\n"
        "  backup FILE   writes all 20 presets and the current settings to FILE\n"
        "  restore FILE  writes the 20 presets of FILE into the unit\n"
        "  filters-import A|B FILE\n"
        "                sends the peaking and shelf filters of FILE (REW, Equalizer APO or\n"
        "                AutoEQ text) to the EQ of CH A or CH B, its preamp to the channel's gain\n"
        "  filters-export A|B FILE\n"
        "                writes the EQ and gain of CH A or CH B to FILE as filter text\n"
        "  recall N      loads preset N (1 to 20) into the unit\n"
        "  store N       saves the unit's current settings as preset N\n"
        "  gain A|B DB   sets the gain of CH A or CH B, in whole dB (-80 to 10)\n"
        "  mute A|B on|off\n"
        "                mutes CH A or CH B, or lets it sound again\n"
        "  fit A|B MEASUREMENT\n"
        "                fits the EQ of CH A or CH B to a measured response (REW text, FRD or\n"
        "                CSV), cuts only unless --max-boost allows a boost; prints the bands as\n"
        "                filter text and the RMS and largest difference before and after, and\n"
        "                sends only what changes\n"
        "  serve         serves the attached units (or those --device names) to paired phones,\n"
        "                tablets and scripts over HTTP until stopped; prints the pairing link\n"
        "  pair          prints a fresh pairing link and code of the running serve; with --list\n"
        "                its paired devices, with --forget NAME or --forget-all forgets them\n"
        "Each command waits for the unit's answer. --json makes list, info and fit print JSON.\n"
        "With --demo each command starts from a fresh simulated unit: what one command changed\n"
        "is gone for the next.\n\n"
        "Exit codes: 0 done, 1 bad arguments, 2 no unit found, 3 no permission to open the unit,\n"
        "4 the unit does not answer or was disconnected, 5 the file cannot be read or written,\n"
        "6 another program has the unit, 7 serve cannot listen or pair finds no serve,\n"
        "8 the MQTT broker refused serve's user or password.\n"
        "With several units attached, a command needs --device."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(kDemo, QStringLiteral("Use the built-in simulated unit instead of USB.")));
    parser.addOption(QCommandLineOption(
        kDemoUnits, QStringLiteral("Like --demo, with N simulated units (1 to 8) told apart by serial number."),
        QStringLiteral("N")));
    parser.addOption(QCommandLineOption(kDevice, QStringLiteral("The unit to use, by its serial number, path or name (see list)."),
                                        QStringLiteral("UNIT")));
    parser.addOption(QCommandLineOption(kJson, QStringLiteral("list, info and fit: print JSON.")));
    parser.addOption(QCommandLineOption(
        kListen,
        QStringLiteral("serve: the address and port to listen on (default 127.0.0.1:%1, this computer only; "
                       "0.0.0.0:%1 lets the network in; none serves MQTT alone).").arg(kDefaultRemotePort),
        QStringLiteral("ADDR:PORT")));
    parser.addOption(QCommandLineOption(kTlsCert, QStringLiteral("serve: HTTPS with this PEM certificate."), QStringLiteral("FILE")));
    parser.addOption(QCommandLineOption(kTlsKey, QStringLiteral("serve: the PEM key of the certificate."), QStringLiteral("FILE")));
    parser.addOption(QCommandLineOption(
        kMqtt, QStringLiteral("serve: publish the units on this MQTT broker for Home Assistant (mqtt://HOST[:PORT] or mqtts://...)."),
        QStringLiteral("URL")));
    parser.addOption(QCommandLineOption(kMqttUser, QStringLiteral("serve: the broker's user name."), QStringLiteral("NAME")));
    parser.addOption(QCommandLineOption(
        kMqttPasswordFile, QStringLiteral("serve: a file whose first line is the broker's password."), QStringLiteral("FILE")));
    parser.addOption(QCommandLineOption(
        kMqttPrefix, QStringLiteral("serve: Home Assistant's discovery prefix (default homeassistant)."), QStringLiteral("PREFIX")));
    parser.addOption(QCommandLineOption(
        kMqttBase, QStringLiteral("serve: where the units' topics go (default quenda)."), QStringLiteral("BASE")));
    parser.addOption(QCommandLineOption(kList, QStringLiteral("pair: list the devices paired with the running serve.")));
    parser.addOption(QCommandLineOption(
        kForget, QStringLiteral("pair: forget the devices of that name; their tokens stop working at once."), QStringLiteral("NAME")));
    parser.addOption(QCommandLineOption(kForgetAll, QStringLiteral("pair: forget every paired device.")));
    parser.addOption(QCommandLineOption(
        kSection, QStringLiteral("The channel of a filter file with Channel: lines to import (filters-import)."),
        QStringLiteral("NAME")));
    parser.addOption(QCommandLineOption(
        kTarget, QStringLiteral("fit: the target curve, a measurement file (a house curve); without it, flat."),
        QStringLiteral("FILE")));
    parser.addOption(QCommandLineOption(
        kRange, QStringLiteral("fit: the frequencies fitted, in Hz within 20-20000; without it, all the measurement has."),
        QStringLiteral("LO-HI")));
    parser.addOption(QCommandLineOption(
        kMaxBoost, QStringLiteral("fit: the largest boost allowed, 0 to 12 dB (default 0: cuts only); the channel's "
                                  "gain goes down by the largest boost made."),
        QStringLiteral("DB")));
    parser.addOption(QCommandLineOption(
        kBands, QStringLiteral("fit: the bands to use, 1 to 12 (default 12); the others are set flat."), QStringLiteral("N")));
    parser.addOption(QCommandLineOption(kDryRun, QStringLiteral("fit: print the fit, send nothing.")));
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("list, info, export, import, backup, restore, filters-import, filters-export, recall, "
                       "store, gain, mute, fit, serve or pair"),
        QStringLiteral("[command [A|B] [N|DB|on|off|FILE]]"));
}

const CommandName* FindCommand(const QString& name)
{
    for (const CommandName& c : kCommands)
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

// "A" or "B", as the window names the channels "CH A" and "CH B".
bool ReadChannel(const QString& word, CommandLineOptions& options)
{
    const QString upper = word.toUpper();
    if (upper != QLatin1String("A") && upper != QLatin1String("B")) {
        options.error = QStringLiteral("the channel is A or B, not %1").arg(word);
        return false;
    }
    options.channel = upper == QLatin1String("B") ? 1 : 0;
    return true;
}

void ReadPositionals(const QStringList& positionals, CommandLineOptions& options)
{
    if (positionals.isEmpty())
        return;
    const CommandName* command = FindCommand(positionals[0]);
    if (command == nullptr) {
        options.error = QStringLiteral("unknown command: %1").arg(positionals[0]);
        return;
    }
    const qsizetype wanted = 1 + command->needsChannel + (command->readValue != nullptr) + command->needsFile;
    if (positionals.size() < wanted) {
        options.error = QStringLiteral("%1 needs %2").arg(positionals[0], QLatin1String(command->arguments));
        return;
    }
    if (positionals.size() > wanted) {
        options.error = QStringLiteral("unexpected argument: %1").arg(positionals[wanted]);
        return;
    }
    if (command->needsChannel && !ReadChannel(positionals[1], options))
        return;
    if (command->readValue != nullptr && !command->readValue(positionals[1 + command->needsChannel], options))
        return;
    options.command = command->command;
    if (command->needsFile)
        options.file = positionals[wanted - 1];
}

bool ReadDemoUnits(const QString& text, CommandLineOptions& options)
{
    bool number = false;
    const int units = text.toInt(&number);
    if (!number || units < 1 || units > kMaxDemoUnits) {
        options.error = QStringLiteral("--demo-units takes a number from 1 to %1, not %2").arg(kMaxDemoUnits).arg(text);
        return false;
    }
    options.demoUnits = units;
    return true;
}

// "127.0.0.1:8710", "0.0.0.0:8710", "[::1]:8710" or a port alone.
bool ReadListen(const QString& text, CommandLineOptions& options)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    QString host = colon < 0 ? QStringLiteral("127.0.0.1") : text.first(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    bool number = false;
    const int port = text.sliced(colon + 1).toInt(&number);
    const QHostAddress address(host);
    if (address.isNull() || !number || port < 1 || port > 65535) {
        options.error = QStringLiteral("--listen takes ADDRESS:PORT, such as 127.0.0.1:%1 or 0.0.0.0:%1, not %2")
                            .arg(kDefaultRemotePort)
                            .arg(text);
        return false;
    }
    options.listenAddress = address;
    options.listenPort = static_cast<quint16>(port);
    return true;
}

// --mqtt and its companions; the URL and the prefixes are checked when serve starts.
void CheckMqttOptions(const QCommandLineParser& parser, CommandLineOptions& options)
{
    options.mqttUrl = parser.value(kMqtt);
    options.mqttUser = parser.value(kMqttUser);
    options.mqttPasswordFile = parser.value(kMqttPasswordFile);
    if (parser.isSet(kMqttPrefix))
        options.mqttPrefix = parser.value(kMqttPrefix);
    if (parser.isSet(kMqttBase))
        options.mqttBase = parser.value(kMqttBase);
    const bool companions = parser.isSet(kMqttUser) || parser.isSet(kMqttPasswordFile) || parser.isSet(kMqttPrefix) ||
                            parser.isSet(kMqttBase);
    if (companions && !parser.isSet(kMqtt))
        options.error = QStringLiteral("--mqtt-user, --mqtt-password-file, --mqtt-prefix and --mqtt-base go with --mqtt");
    else if (parser.isSet(kMqttPasswordFile) && !parser.isSet(kMqttUser))
        options.error = QStringLiteral("--mqtt-password-file goes with --mqtt-user");
    else if (!options.http && !parser.isSet(kMqtt))
        options.error = QStringLiteral("--listen none serves nothing without --mqtt");
    if (!options.error.isEmpty() || !parser.isSet(kMqtt))
        return;
    MqttSettings settings;
    if (ReadMqttUrl(options.mqttUrl, settings, options.error) && IsTopicPrefix(options.mqttPrefix, options.error))
        IsTopicPrefix(options.mqttBase, options.error);
}

// The options only serve takes; several --device name several units there.
void CheckServeOptions(const QCommandLineParser& parser, CommandLineOptions& options)
{
    const bool serve = options.command == QuendaCommand::Serve;
    const bool mqtt = parser.isSet(kMqtt) || parser.isSet(kMqttUser) || parser.isSet(kMqttPasswordFile) ||
                      parser.isSet(kMqttPrefix) || parser.isSet(kMqttBase);
    if (!serve && (parser.isSet(kListen) || parser.isSet(kTlsCert) || parser.isSet(kTlsKey) || mqtt))
        options.error = QStringLiteral("--listen, --tls-cert, --tls-key and the --mqtt options belong to serve");
    else if (!serve && options.devices.size() > 1)
        options.error = QStringLiteral("--device is given once, but to serve");
    else if (serve && parser.isSet(kTlsCert) != parser.isSet(kTlsKey))
        options.error = QStringLiteral("--tls-cert and --tls-key go together");
    else if (serve && parser.value(kListen) == QLatin1String("none"))
        options.http = false;
    else if (serve && parser.isSet(kListen))
        ReadListen(parser.value(kListen), options);
    else if (options.command == QuendaCommand::Pair && (parser.isSet(kDevice) || options.demo))
        options.error = QStringLiteral("pair asks the running serve: it takes no --device or --demo");
    else if (options.command != QuendaCommand::Pair && (parser.isSet(kList) || parser.isSet(kForget) || parser.isSet(kForgetAll)))
        options.error = QStringLiteral("--list, --forget and --forget-all belong to pair");
    else if (parser.isSet(kList) + parser.isSet(kForget) + parser.isSet(kForgetAll) > 1)
        options.error = QStringLiteral("pair takes one of --list, --forget and --forget-all");
    else if (parser.isSet(kForget) && parser.value(kForget).trimmed().isEmpty())
        options.error = QStringLiteral("--forget needs a device's name (see pair --list)");
    else if (parser.isSet(kList))
        options.pairRequest = QStringLiteral("list");
    else if (parser.isSet(kForget))
        options.pairRequest = QStringLiteral("forget ") + parser.value(kForget).trimmed();
    else if (parser.isSet(kForgetAll))
        options.pairRequest = QStringLiteral("forget-all");
    options.tlsCertificate = parser.value(kTlsCert);
    options.tlsKey = parser.value(kTlsKey);
    if (serve && options.error.isEmpty())
        CheckMqttOptions(parser, options);
}

// "20-20000", "40.5-400": two numbers of Hz.
bool ReadRange(const QString& text, CommandLineOptions& options)
{
    const qsizetype dash = text.indexOf(QLatin1Char('-'), 1);
    bool low = false, high = false;
    const double lowHz = dash > 0 ? text.left(dash).toDouble(&low) : 0.0;
    const double highHz = dash > 0 ? text.mid(dash + 1).toDouble(&high) : 0.0;
    if (!low || !high) {
        options.error = QStringLiteral("--range takes LO-HI in Hz, such as 20-20000, not %1").arg(text);
        return false;
    }
    options.fit.range = FitRange{lowHz, highHz};
    return true;
}

bool ReadNumber(const QString& text, double& value)
{
    bool number = false;
    value = text.toDouble(&number);
    return number;
}

// The fit's options, and what the fit makes of them before a file is read.
bool ReadFitOptions(const QCommandLineParser& parser, const std::function<QString(const QString&)>& value,
                    CommandLineOptions& options)
{
    options.target = value(kTarget);
    options.dryRun = parser.isSet(kDryRun);
    if (parser.isSet(kRange) && !ReadRange(value(kRange), options))
        return false;
    double boost = 0.0;
    if (parser.isSet(kMaxBoost) && !ReadNumber(value(kMaxBoost), boost))
        boost = -1.0;
    options.fit.maxBoostDb = boost;
    double bands = kMaxFitBands;
    if (parser.isSet(kBands) && (!ReadNumber(value(kBands), bands) || bands != std::floor(bands)))
        bands = 0.0;
    options.fit.bands = static_cast<int>(std::clamp(bands, -1.0, 100.0));
    const FitRange range = options.fit.range.value_or(FitRange{});
    const QString rangeText = QStringLiteral("%1-%2").arg(range.lowHz).arg(range.highHz);
    switch (CheckFitOptions(options.fit)) {
    case FitProblem::BandsOutOfRange:
        options.error = QStringLiteral("--bands takes a number from %1 to %2, not %3")
                            .arg(kMinFitBands).arg(kMaxFitBands).arg(value(kBands));
        return false;
    case FitProblem::BoostOutOfRange:
        options.error = QStringLiteral("--max-boost takes 0 to %1 dB, not %2").arg(kMaxFitBoostDb).arg(value(kMaxBoost));
        return false;
    case FitProblem::RangeOutsideAudio:
        options.error = QStringLiteral("--range %1 is not a range within %2-%3 Hz").arg(rangeText).arg(kMinFreqHz).arg(kMaxFreqHz);
        return false;
    case FitProblem::RangeTooNarrow:
        options.error = QStringLiteral("--range %1 holds fewer than %2 of the unit's frequencies (1/24 octave apart)")
                            .arg(rangeText).arg(kMinFitGridPoints);
        return false;
    default: return true;
    }
}

bool UsesFitOptions(const QCommandLineParser& parser)
{
    for (const QString& name : {kTarget, kRange, kMaxBoost, kBands, kDryRun})
        if (parser.isSet(name))
            return true;
    return false;
}

// --json is list's, info's and fit's, --section filters-import's, the fit's options fit's; list shows every unit, so
// --device has nothing to choose.
void CheckOtherOptions(const QCommandLineParser& parser, CommandLineOptions& options)
{
    const bool printsJson = options.command == QuendaCommand::List || options.command == QuendaCommand::Info ||
                            options.command == QuendaCommand::Fit;
    if (options.json && !printsJson)
        options.error = QStringLiteral("--json belongs to list, info and fit");
    else if (UsesFitOptions(parser) && options.command != QuendaCommand::Fit)
        options.error = QStringLiteral("--target, --range, --max-boost, --bands and --dry-run belong to fit");
    else if (parser.isSet(kSection) && options.command != QuendaCommand::FiltersImport)
        options.error = QStringLiteral("--section belongs to filters-import");
    else if (parser.isSet(kDevice) && options.command == QuendaCommand::List)
        options.error = QStringLiteral("list shows every unit: --device has nothing to choose");
    else if (parser.isSet(kDevice) && options.device.isEmpty())
        options.error = QStringLiteral("--device needs a serial number or path");
}

void CheckOptionsFitTheCommand(const QCommandLineParser& parser, CommandLineOptions& options)
{
    CheckServeOptions(parser, options);
    if (options.error.isEmpty())
        CheckOtherOptions(parser, options);
    if (!options.error.isEmpty())
        options.command = QuendaCommand::Window;
}

// The parser would take "gain A -6" for options -6; a word that starts as a
// negative number is kept aside as a placeholder no option can look like.
constexpr char16_t kNegativePlaceholder = u'\u0001';

QStringList HideNegativeNumbers(const QStringList& arguments, QStringList& negatives)
{
    static const QRegularExpression negativeNumber(QStringLiteral("^-[0-9.]"));
    QStringList hidden;
    for (const QString& argument : arguments) {
        if (!hidden.isEmpty() && negativeNumber.match(argument).hasMatch()) {
            hidden << QString(QChar(kNegativePlaceholder)) + QString::number(negatives.size());
            negatives << argument;
        } else {
            hidden << argument;
        }
    }
    return hidden;
}

QStringList ShowNegativeNumbers(QStringList positionals, const QStringList& negatives)
{
    for (QString& word : positionals) {
        bool index = false;
        const int n = word.startsWith(QChar(kNegativePlaceholder)) ? word.mid(1).toInt(&index) : -1;
        if (index && n >= 0 && n < negatives.size())
            word = negatives[n];
    }
    return positionals;
}

}  // namespace

CommandLineOptions ParseOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    Describe(parser);
    CommandLineOptions options;
    QStringList negatives;
    if (!parser.parse(HideNegativeNumbers(arguments, negatives))) {
        options.error = parser.errorText();
        return options;
    }
    // the parser lists --help-all beside --help; both show this program's help
    options.help = parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"));
    options.version = parser.isSet(QStringLiteral("version"));
    options.demo = parser.isSet(kDemo) || parser.isSet(kDemoUnits);
    const auto value = [&](const QString& name) { return ShowNegativeNumbers({parser.value(name)}, negatives)[0]; };
    if (parser.isSet(kDemoUnits) && !ReadDemoUnits(value(kDemoUnits), options))
        return options;
    options.device = value(kDevice);
    options.devices = ShowNegativeNumbers(parser.values(kDevice), negatives);
    options.json = parser.isSet(kJson);
    options.section = value(kSection);
    ReadPositionals(ShowNegativeNumbers(parser.positionalArguments(), negatives), options);
    if (options.error.isEmpty())
        CheckOptionsFitTheCommand(parser, options);
    if (options.error.isEmpty() && options.command == QuendaCommand::Fit && !ReadFitOptions(parser, value, options))
        options.command = QuendaCommand::Window;
    return options;
}

// Without an application object the parser cannot know the program's name.
QString UsageText()
{
    QCommandLineParser parser;
    Describe(parser);
    return parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("quenda"));
}

QString RefusalText(const QString& reason)
{
    return QStringLiteral("quenda: %1\nTry 'quenda --help'.\n").arg(reason);
}

QString VersionText()
{
    return QStringLiteral("quenda %1").arg(QStringLiteral(QUENDA_VERSION));
}
