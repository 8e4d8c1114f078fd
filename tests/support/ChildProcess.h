// A program a test starts and talks to: the broker, another program that holds
// a unit, the program itself. Started with posix_spawn rather than QProcess:
// QProcess starts its child so that ThreadSanitizer no longer sees the locks
// the starting thread takes afterwards, and these tests go on to use threads.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

class CChildProcess {
public:
    enum class Output { Separate, Merged };

    CChildProcess() = default;
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;
    ~CChildProcess() { Stop(SIGKILL); }

    // program is looked for on PATH; environment: the child's, when it is not the test's own.
    bool Start(const QString& program, const QStringList& arguments, Output output = Output::Separate,
               const QProcessEnvironment& environment = {})
    {
        int input[2], out[2], err[2];
        if (pipe2(input, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output == Output::Merged ? out[1] : err[1], STDERR_FILENO);

        std::vector<std::string> texts{program.toStdString()};
        for (const QString& argument : arguments)
            texts.push_back(argument.toStdString());
        std::vector<std::string> variables;
        for (const QString& variable : environment.toStringList())
            variables.push_back(variable.toStdString());
        const std::vector<char*> argv = Pointers(texts);
        const std::vector<char*> envp = Pointers(variables);

        const int spawned = posix_spawnp(&m_pid, texts[0].c_str(), &actions, nullptr, argv.data(),
                                         environment.isEmpty() ? environ : envp.data());
        posix_spawn_file_actions_destroy(&actions);
        for (int end : {input[0], out[1], err[1]})
            close(end);
        m_input = input[1];
        m_out = out[0];
        m_err = err[0];
        fcntl(m_out, F_SETFL, O_NONBLOCK);
        fcntl(m_err, F_SETFL, O_NONBLOCK);
        if (spawned != 0) {
            m_pid = -1;
            return false;
        }
        return true;
    }

    qint64 ProcessId() const { return m_pid; }

    // Small texts only: the write blocks until the pipe has taken it all.
    bool WriteInput(const QByteArray& text)
    {
        return m_input >= 0 && write(m_input, text.constData(), static_cast<size_t>(text.size())) == text.size();
    }

    // The child reads end of file on its standard input.
    void CloseInput() { CloseFd(m_input); }

    // What the child wrote so far (with its errors when they were merged).
    QByteArray Out()
    {
        Drain();
        return m_outText;
    }
    QByteArray Err()
    {
        Drain();
        return m_errText;
    }

    bool IsRunning()
    {
        Reap(WNOHANG);
        return m_pid > 0;
    }

    // Runs the test thread's event loop while waiting, as QTest::qWaitFor does.
    bool WaitForOutput(const QByteArray& wanted, int timeoutMs)
    {
        return QTest::qWaitFor([&] { return Out().contains(wanted); }, timeoutMs);
    }

    // The exit code, or -1 when the child was killed by a signal or is still running.
    int WaitForExit(int timeoutMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (IsRunning() && !deadline.hasExpired()) {
            pollfd streams[] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
            poll(streams, 2, 10);
            Drain();
        }
        Drain();
        return m_pid > 0 || !WIFEXITED(m_status) ? -1 : WEXITSTATUS(m_status);
    }

    // Sends the signal and waits for the child to end.
    void Stop(int signal = SIGTERM)
    {
        if (m_pid > 0) {
            ::kill(m_pid, signal);
            Reap(0);
        }
        Drain();
        for (int* fd : {&m_input, &m_out, &m_err})
            CloseFd(*fd);
    }

private:
    static std::vector<char*> Pointers(std::vector<std::string>& texts)
    {
        std::vector<char*> pointers;
        for (std::string& text : texts)
            pointers.push_back(text.data());
        pointers.push_back(nullptr);
        return pointers;
    }

    static void CloseFd(int& fd)
    {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }

    void Reap(int options)
    {
        if (m_pid <= 0)
            return;
        pid_t done;
        do
            done = waitpid(m_pid, &m_status, options);
        while (done < 0 && errno == EINTR);
        if (done == m_pid || done < 0)
            m_pid = -1;
    }

    void Drain()
    {
        DrainInto(m_out, m_outText);
        DrainInto(m_err, m_errText);
    }

    static void DrainInto(int fd, QByteArray& text)
    {
        char chunk[4096];
        ssize_t got;
        while (fd >= 0 && (got = read(fd, chunk, sizeof chunk)) > 0)
            text.append(chunk, got);
    }

    pid_t m_pid = -1;
    int m_status = 0;
    int m_input = -1;
    int m_out = -1;
    int m_err = -1;
    QByteArray m_outText;
    QByteArray m_errText;
};
