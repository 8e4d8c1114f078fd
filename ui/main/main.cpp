// CQuendaApp: the program. Without a command it runs the main dialog modally
// over the HID link, and ends with the dialog; a command (info, export, import,
// backup, restore) runs without a window or a display. `--demo` puts the
// built-in simulated unit where the USB devices would be.
#include "transport/HidBackend.h"
#include "ui/main/MainWindow.h"
#include "ui/main/CommandRunner.h"
#include "ui/main/QuendaLink.h"
#include "ui/main/Logging.h"
#include "ui/main/CommandLineOptions.h"

#include <QApplication>
#include <QTextStream>

#include <cstdio>

namespace {

HidBackendKind BackendKind(const CommandLineOptions& options)
{
    return options.demo ? HidBackendKind::Simulated : HidBackendKind::Hidapi;
}

int RunHeadless(int& argc, char** argv, const CommandLineOptions& options)
{
    QCoreApplication app(argc, argv);
    InstallLogHook();
    QTextStream out(stdout);
    QTextStream err(stderr);
    const std::unique_ptr<CHidBackend> backend = MakeHidBackend(BackendKind(options));
    CCommandRunner headless(*backend, options, out, err);
    return headless.Run();
}

// Help, version and refused arguments are answered before any application exists.
int Answer(const CommandLineOptions& options)
{
    if (!options.error.isEmpty()) {
        QTextStream(stderr) << "quenda: " << options.error << "\n\n" << UsageText();
        return kExitUsage;
    }
    QTextStream(stdout) << (options.help ? UsageText() : VersionText() + QLatin1Char('\n'));
    return kExitDone;
}

}  // namespace

class CQuendaApp : public QApplication {
public:
    CQuendaApp(int& argc, char** argv) : QApplication(argc, argv) {}

    // The dialog's result is ignored: when it closes, the program ends.
    int InitInstance(const CommandLineOptions& options)
    {
        InstallLogHook();
        const std::unique_ptr<CHidBackend> backend = MakeHidBackend(BackendKind(options));
        CQuendaLink link(*backend);
        CMainWindow dlg(link.Handlers());
        link.AttachWindow(&dlg);
        dlg.exec();
        return kExitDone;
    }
};

int main(int argc, char** argv)
{
    QCoreApplication::setOrganizationName(QStringLiteral("Quenda"));
    QCoreApplication::setApplicationName(QStringLiteral("quenda"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUENDA_VERSION));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLineOptions options = ParseOptions(arguments);
    if (!options.error.isEmpty() || options.help || options.version)
        return Answer(options);
    if (options.command != QuendaCommand::Window)
        return RunHeadless(argc, argv, options);
    CQuendaApp app(argc, argv);
    return app.InitInstance(options);
}
