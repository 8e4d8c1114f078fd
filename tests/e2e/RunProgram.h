// The real program run as a script runs it: its exit code and what it wrote
// to each stream. Shared by the command-line tests.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <string>

struct Ran {
    int exit = -1;
    std::string out;
    std::string err;
};

// environment: the program's, when it is not the test's own.
inline Ran RunProgram(const QStringList& arguments,
                      const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUENDA_EXECUTABLE), arguments);
    Ran run;
    if (!process.waitForFinished(60000))
        return run;
    run.exit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}
