// CQuendaApp: the program. Runs the main dialog modally; the program ends with it.
#include "ui/main/QuendaDlg.h"

#include <QApplication>

class CQuendaApp : public QApplication {
public:
    CQuendaApp(int& argc, char** argv) : QApplication(argc, argv) {}

    // The dialog's result is ignored: when it closes, the program ends.
    int InitInstance()
    {
        CQuendaDlg dlg;
        dlg.exec();
        return 0;
    }
};

int main(int argc, char** argv)
{
    CQuendaApp app(argc, argv);
    return app.InitInstance();
}
