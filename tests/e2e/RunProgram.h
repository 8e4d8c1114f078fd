// The real program run as a script runs it: its exit code and what it wrote
// to each stream. Shared by the command-line tests.
#pragma once

#include "support/ChildProcess.h"

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
    CChildProcess process;
    Ran run;
    if (!process.Start(QStringLiteral(QUENDA_EXECUTABLE), arguments, CChildProcess::Output::Separate, environment))
        return run;
    run.exit = process.WaitForExit(60000);
    run.out = process.Out().toStdString();
    run.err = process.Err().toStdString();
    return run;
}
