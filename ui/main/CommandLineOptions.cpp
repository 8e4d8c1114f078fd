#include "ui/main/CommandLineOptions.h"

#include <QCommandLineParser>

#include <array>

namespace {

struct CommandName {
    const char* name;
    QuendaCommand command;
    bool needsFile;
};

constexpr std::array kCommands = {
    CommandName{"info", QuendaCommand::Info, false},
    CommandName{"export", QuendaCommand::Export, true},
    CommandName{"import", QuendaCommand::Import, true},
    CommandName{"backup", QuendaCommand::Backup, true},
    CommandName{"restore", QuendaCommand::Restore, true},
};

const QString kDemo = QStringLiteral("demo");

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
        "  restore FILE  writes the 20 presets of FILE into the unit\n\n"
        "Exit codes: 0 done, 1 bad arguments, 2 no unit found, 3 no permission to open the unit,\n"
        "4 the unit does not answer or was disconnected, 5 the file cannot be read or written,\n"
        "6 another program has the unit."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(kDemo, QStringLiteral("Use the built-in simulated unit instead of USB.")));
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("info, export, import, backup or restore"),
                                 QStringLiteral("[command [FILE]]"));
}

const CommandName* FindCommand(const QString& name)
{
    for (const CommandName& c : kCommands)
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
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
    const qsizetype wanted = command->needsFile ? 2 : 1;
    if (positionals.size() < wanted) {
        options.error = QStringLiteral("%1 needs a FILE").arg(positionals[0]);
        return;
    }
    if (positionals.size() > wanted) {
        options.error = QStringLiteral("unexpected argument: %1").arg(positionals[wanted]);
        return;
    }
    options.command = command->command;
    if (command->needsFile)
        options.file = positionals[1];
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
    ReadPositionals(parser.positionalArguments(), options);
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
