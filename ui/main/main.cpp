// The program. Without a command it runs the main window modally over the
// unit's HID link, and ends with the window; a command (info, export, import,
// backup, restore, filters-import, filters-export, ...) runs without a window
// or a display, serve until it is stopped. `--demo` puts the built-in
// simulated unit where the USB devices would be.
#include "remote/PairingControl.h"
#include "transport/HidBackend.h"
#include "ui/common/Logging.h"
#include "ui/common/UnitAdapter.h"
#include "ui/common/UnitLocks.h"
#include "ui/common/UnitNames.h"
#include "ui/main/CommandLineOptions.h"
#include "ui/main/CommandRunner.h"
#include "ui/main/MainWindow.h"
#include "ui/main/ServeCommand.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QTextStream>

#include <cstdio>
#include <new>

namespace {

HidBackendKind BackendKind(const CommandLineOptions& options)
{
    return options.demo ? HidBackendKind::Simulated : HidBackendKind::Hidapi;
}

// A unit on USB is kept from the user's other programs; the demo's unit is this program's own.
void KeepOthersOff(CUnitAdapter& unit, const CommandLineOptions& options)
{
    if (!options.demo)
        unit.Unit().Link().ClaimUnitsThrough(std::make_unique<CUnitLocks>());
}

int RunHeadless(int& argc, char** argv, const CommandLineOptions& options)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const std::unique_ptr<CHidBackend> backend = MakeHidBackend(BackendKind(options), options.demoUnits);
    CUnitAdapter unit(*backend);
    KeepOthersOff(unit, options);
    CCommandRunner runner(unit, options, out, err);
    return runner.Run();
}

// Serves until SIGTERM or SIGINT; logs go to the error stream.
int RunServe(int& argc, char** argv, const CommandLineOptions& options)
{
    QCoreApplication app(argc, argv);
    qSetMessagePattern(QStringLiteral("quenda serve: %{message}"));
    QLoggingCategory::setFilterRules(QStringLiteral("quenda.remote.info=true"));
    QTextStream err(stderr);
    const std::unique_ptr<CHidBackend> backend = MakeHidBackend(BackendKind(options), options.demoUnits);
    CServeCommand serve(*backend, !options.demo, options, err);
    return serve.Run();
}

// Asks the running serve for a fresh pairing offer, or its devices, and prints the answer.
int RunPair(int& argc, char** argv, const CommandLineOptions& options)
{
    QCoreApplication app(argc, argv);
    QByteArray answer;
    QString text;
    QString error;
    const bool offer = options.pairRequest == QLatin1String("pair");
    if (!AskServe(options.pairRequest, answer, error) ||
        !(offer ? PairingInstructions(answer, text, error) : DevicesText(answer, text, error))) {
        QTextStream(stderr) << "quenda: " << error << '\n';
        return kExitCannotListen;
    }
    QTextStream(stdout) << text;
    return kExitDone;
}

// Help, version and refused arguments are answered before any application exists.
int Answer(const CommandLineOptions& options)
{
    if (!options.error.isEmpty()) {
        QTextStream(stderr) << RefusalText(options.error);
        return kExitUsage;
    }
    QTextStream(stdout) << (options.help ? UsageText() : VersionText() + QLatin1Char('\n'));
    return kExitDone;
}

// The unit --device names for the window: an attached one by serial number,
// path or name, else the one unit given that name, else the serial number or
// path as written (the unit may be plugged in later). A name several attached
// units have is refused as a command refuses it.
bool ChooseWindowUnit(CUnitAdapter& unit, const QString& device)
{
    std::vector<HidInterfaceInfo> attached;
    try {
        attached = unit.Unit().Link().AttachedUnits();
    } catch (const std::bad_alloc&) {
        attached.clear();   // connecting tells it
    }
    const std::vector<HidInterfaceInfo> matching = UnitsKnownAs(attached, device);
    if (matching.size() > 1) {
        QTextStream(stderr) << "quenda: " << SharedNameText(device, matching) << '\n';
        return false;
    }
    const std::vector<std::string> named = CUnitNames().KeysNamed(device);
    std::string key = device.toStdString();
    if (!matching.empty())
        key = UnitKey(matching.front());
    else if (named.size() == 1)
        key = named.front();
    unit.Unit().Link().ChooseUnit(key);
    return true;
}

// The window's result is ignored: when it closes, the program ends.
int RunWindow(int& argc, char** argv, const CommandLineOptions& options)
{
    QApplication app(argc, argv);
    StartupMark("application made");
    const std::unique_ptr<CHidBackend> backend = MakeHidBackend(BackendKind(options), options.demoUnits);
    CUnitAdapter unit(*backend);
    KeepOthersOff(unit, options);
    StartupMark("unit made");
    if (!options.device.isEmpty() && !ChooseWindowUnit(unit, options.device))
        return kExitUsage;
    CMainWindow window(unit);
    if (!options.device.isEmpty())
        window.KeepToTheUnitChosen();
    window.exec();
    return kExitDone;
}

}  // namespace

int main(int argc, char** argv)
{
    StartupMark("main");
    QCoreApplication::setOrganizationName(QStringLiteral("Quenda"));
    QCoreApplication::setApplicationName(QStringLiteral("quenda"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUENDA_VERSION));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLineOptions options = ParseOptions(arguments);
    if (!options.error.isEmpty() || options.help || options.version)
        return Answer(options);
    if (options.command == QuendaCommand::Serve)
        return RunServe(argc, argv, options);
    if (options.command == QuendaCommand::Pair)
        return RunPair(argc, argv, options);
    if (options.command != QuendaCommand::Window)
        return RunHeadless(argc, argv, options);
    return RunWindow(argc, argv, options);
}
