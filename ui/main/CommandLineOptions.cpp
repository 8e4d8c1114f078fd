#include "ui/main/CommandLineOptions.h"

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
    CommandName{"info", QuendaCommand::Info, false, false},
    CommandName{"export", QuendaCommand::Export, true, false},
    CommandName{"import", QuendaCommand::Import, true, false},
    CommandName{"backup", QuendaCommand::Backup, true, false},
    CommandName{"restore", QuendaCommand::Restore, true, false},
    CommandName{"filters-import", QuendaCommand::FiltersImport, true, true},
    CommandName{"filters-export", QuendaCommand::FiltersExport, true, true},
};

const QString kDemo = QStringLiteral("demo");
const QString kSection = QStringLiteral("section");

// The one parser behind both the usage text and the reading of arguments.
void Describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Controls the two-channel audio processor over USB. Without a command the window opens.\n\n"
        "Commands, run without a window:\n"
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
        "4 the unit does not answer or was disconnected, 5 the file cannot be read or written."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(kDemo, QStringLiteral("Use the built-in simulated unit instead of USB.")));
    parser.addOption(QCommandLineOption(
        kSection, QStringLiteral("The channel of a filter file with Channel: lines to import (filters-import)."),
        QStringLiteral("NAME")));
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("info, export, import, backup, restore, filters-import or filters-export"),
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
    options.demo = parser.isSet(kDemo);
    options.section = parser.value(kSection);
    ReadPositionals(parser.positionalArguments(), options);
    if (options.error.isEmpty() && parser.isSet(kSection) && options.command != QuendaCommand::FiltersImport) {
        options.error = QStringLiteral("--section belongs to filters-import");
        options.command = QuendaCommand::Window;
    }
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
