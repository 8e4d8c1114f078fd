#include "ui/controls/WindowMessage.h"

#include <QCoreApplication>

void PostWindowMessage(QObject* target, int message, qintptr wParam, qintptr lParam)
{
    QCoreApplication::postEvent(target, new CWindowMessage(message, wParam, lParam));
}
