// CQuendaApp: the program. Runs the main dialog modally over the HID link; the
// program ends with the dialog. `--demo` puts the built-in simulated unit
// where the USB devices would be.
#include "transport/HidBackend.h"
#include "ui/main/QuendaDlg.h"
#include "ui/main/QuendaLink.h"
#include "ui/main/QuendaLog.h"

#include <QApplication>

class CQuendaApp : public QApplication {
public:
    CQuendaApp(int& argc, char** argv) : QApplication(argc, argv) {}

    // The dialog's result is ignored: when it closes, the program ends.
    int InitInstance()
    {
        InstallLogHook();
        const bool demo = arguments().contains(QStringLiteral("--demo"));
        const std::unique_ptr<CHidBackend> backend =
            MakeHidBackend(demo ? HidBackendKind::Simulated : HidBackendKind::Hidapi);
        CQuendaLink link(*backend);
        CQuendaDlg dlg(link.Handlers());
        link.AttachWindow(&dlg);
        dlg.exec();
        return 0;
    }
};

int main(int argc, char** argv)
{
    CQuendaApp app(argc, argv);
    return app.InitInstance();
}
