#include "ui/main/CommandLineOptions.h"

#include "transport/HidBackend.h"

#include <QCommandLineParser>

#include <array>

namespace {

struct CommandName {
    const char* name;
    QuendaCommand command;
    bool needsFile;
    bool needsChannel;   // A or B before the FILE
};

constexpr std::array kCommands = {
    CommandName{"list", QuendaCommand::List, false, false},
    CommandName{"info", QuendaCommand::Info, false, false},
    CommandName{"export", QuendaCommand::Export, true, false},
    CommandName{"import", QuendaCommand::Import, true, false},
    CommandName{"backup", QuendaCommand::Backup, true, false},
    CommandName{"restore", QuendaCommand::Restore, true, false},
    CommandName{"filters-import", QuendaCommand::FiltersImport, true, true},
    CommandName{"filters-export", QuendaCommand::FiltersExport, true, true},
};

const QString kDemo = QStringLiteral("demo");
const QString kDemoUnits = QStringLiteral("demo-units");
const QString kDevice = QStringLiteral("device");
const QString kJson = QStringLiteral("json");
const QString kSection = QStringLiteral("section");

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
        "                writes the EQ and gain of CH A or CH B to FILE as filter text\n\n"
        "Exit codes: 0 done, 1 bad arguments, 2 no unit found, 3 no permission to open the unit,\n"
        "4 the unit does not answer or was disconnected, 5 the file cannot be read or written,\n"
        "6 another program has the unit. With several units attached, a command needs --device."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(kDemo, QStringLiteral("Use the built-in simulated unit instead of USB.")));
    parser.addOption(QCommandLineOption(
        kDemoUnits, QStringLiteral("Like --demo, with N simulated units (1 to 8) told apart by serial number."),
        QStringLiteral("N")));
    parser.addOption(QCommandLineOption(kDevice, QStringLiteral("The unit to use, by its serial number or path (see list)."),
                                        QStringLiteral("UNIT")));
    parser.addOption(QCommandLineOption(kJson, QStringLiteral("list: print the units as a JSON array.")));
    parser.addOption(QCommandLineOption(
        kSection, QStringLiteral("The channel of a filter file with Channel: lines to import (filters-import)."),
        QStringLiteral("NAME")));
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("list, info, export, import, backup, restore, filters-import or filters-export"),
        QStringLiteral("[command [A|B] [FILE]]"));
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
    const qsizetype wanted = 1 + command->needsChannel + command->needsFile;
    if (positionals.size() < wanted) {
        options.error = command->needsChannel ? QStringLiteral("%1 needs A or B and a FILE").arg(positionals[0])
                                              : QStringLiteral("%1 needs a FILE").arg(positionals[0]);
        return;
    }
    if (positionals.size() > wanted) {
        options.error = QStringLiteral("unexpected argument: %1").arg(positionals[wanted]);
        return;
    }
    if (command->needsChannel && !ReadChannel(positionals[1], options))
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

// --json is list's, --section filters-import's; list shows every unit, so
// --device has nothing to choose.
void CheckOptionsFitTheCommand(const QCommandLineParser& parser, CommandLineOptions& options)
{
    if (options.json && options.command != QuendaCommand::List)
        options.error = QStringLiteral("--json belongs to list");
    else if (parser.isSet(kSection) && options.command != QuendaCommand::FiltersImport)
        options.error = QStringLiteral("--section belongs to filters-import");
    else if (parser.isSet(kDevice) && options.command == QuendaCommand::List)
        options.error = QStringLiteral("list shows every unit: --device has nothing to choose");
    else if (parser.isSet(kDevice) && options.device.isEmpty())
        options.error = QStringLiteral("--device needs a serial number or path");
    if (!options.error.isEmpty())
        options.command = QuendaCommand::Window;
}

}  // namespace

CommandLineOptions ParseOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    Describe(parser);
    CommandLineOptions options;
    if (!parser.parse(arguments)) {
        options.error = parser.errorText();
        return options;
    }
    // the parser lists --help-all beside --help; both show this program's help
    options.help = parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"));
    options.version = parser.isSet(QStringLiteral("version"));
    options.demo = parser.isSet(kDemo) || parser.isSet(kDemoUnits);
    if (parser.isSet(kDemoUnits) && !ReadDemoUnits(parser.value(kDemoUnits), options))
        return options;
    options.device = parser.value(kDevice);
    options.json = parser.isSet(kJson);
    options.section = parser.value(kSection);
    ReadPositionals(parser.positionalArguments(), options);
    if (options.error.isEmpty())
        CheckOptionsFitTheCommand(parser, options);
    return options;
}

// Without an application object the parser cannot know the program's name.
QString UsageText()
{
    QCommandLineParser parser;
    Describe(parser);
    return parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("quenda"));
}

QString VersionText()
{
    return QStringLiteral("quenda %1").arg(QStringLiteral(QUENDA_VERSION));
}
