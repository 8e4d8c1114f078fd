// This test program's command line as the system tells it to other programs
// (the test framework takes its own options out of what Qt sees).
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

inline QString OwnCommandLine()
{
    QFile file(QStringLiteral("/proc/self/cmdline"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray arguments = file.readAll();
    while (arguments.endsWith('\0'))
        arguments.chop(1);
    return QString::fromLocal8Bit(arguments.replace('\0', ' '));
}
