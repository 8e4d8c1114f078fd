// quenda serve and quenda pair as the user runs them: the real program over
// the demo's simulated unit, reached with real sockets on 127.0.0.1, stopped
// with SIGTERM; its own settings and runtime folders are the test's.
#include "RunProgram.h"

#include "remote/RemoteClients.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ServeProgram : public testing::Test {
protected:
    void SetUp() override
    {
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_folder.filePath(QStringLiteral("run")));
        m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_folder.filePath(QStringLiteral("config")));
        QDir().mkpath(m_folder.filePath(QStringLiteral("run")));
        QFile::setPermissions(m_folder.filePath(QStringLiteral("run")), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        m_port = FreeLocalPort();
    }

    // Starts serve and waits for its pairing lines.
    bool StartServe(QStringList arguments)
    {
        arguments << QStringLiteral("--listen") << QStringLiteral("127.0.0.1:%1").arg(m_port);
        if (!m_serve.Start(QStringLiteral(QUENDA_EXECUTABLE), arguments, CChildProcess::Output::Separate, m_environment))
            return false;
        return QTest::qWaitFor([&] { return m_serve.Err().contains("or enter the code") || !m_serve.IsRunning(); }, 20000) &&
               m_serve.IsRunning();
    }

    static QString Code(const QByteArray& text)
    {
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("enter the code ([0-9]{6}) ")).match(QString::fromUtf8(text));
        return m.captured(1);
    }

    QTemporaryDir m_folder;
    QProcessEnvironment m_environment;
    quint16 m_port = 0;
    CChildProcess m_serve;
};

TEST_F(ServeProgram, PrintsThePairingServesAndStopsOnSigterm)
{
    ASSERT_TRUE(StartServe({QStringLiteral("--demo"), QStringLiteral("serve")})) << m_serve.Err().constData();
    const QString address = QStringLiteral("http://127.0.0.1:%1").arg(m_port);
    EXPECT_TRUE(m_serve.Err().contains(("quenda serve: serving /dev/hidraw-sim0\n")));
    EXPECT_TRUE(m_serve.Err().contains(("remote control at " + address + "\n").toUtf8()));
    EXPECT_TRUE(m_serve.Err().contains(("pair a device by opening this link (or scanning the code) within 5 minutes:\n" + address + "/#pair=").toUtf8()));
    EXPECT_TRUE(m_serve.Err().contains("\u2588\u2588\u2588\u2588"));   // the QR code's quiet zone
    const QString first = Code(m_serve.Err());
    ASSERT_EQ(first.size(), 6);

    // quenda pair asks the running serve for a fresh offer
    const Ran pair = RunProgram({QStringLiteral("pair")}, m_environment);
    EXPECT_EQ(pair.exit, 0);
    const QString fresh = Code(QByteArray::fromStdString(pair.out));
    ASSERT_EQ(fresh.size(), 6) << pair.out;
    EXPECT_NE(pair.out.find(("remote control at " + address + "\n").toStdString()), std::string::npos);

    // the fresh code pairs; the first one is given up
    RawClient client(m_port);
    const auto old = client.Request(RequestBytes("POST", "/api/v1/pair", {"Content-Type: application/json"},
                                                 R"({"code":")" + first.toLatin1() + R"(","name":"Old"})"));
    ASSERT_TRUE(old);
    EXPECT_EQ(old->status, fresh == first ? 200 : 403);
    const auto paired = client.Request(RequestBytes("POST", "/api/v1/pair", {"Content-Type: application/json"},
                                                    R"({"code":")" + fresh.toLatin1() + R"(","name":"Script"})"));
    ASSERT_TRUE(paired);
    ASSERT_EQ(paired->status, 200);
    const QByteArray token = paired->Json().value(QStringLiteral("token")).toString().toLatin1();
    const auto units = client.Request(RequestBytes("GET", "/api/v1/units", {"Authorization: Bearer " + token}));
    ASSERT_TRUE(units);
    EXPECT_EQ(units->status, 200);
    EXPECT_EQ(units->Json().value(QStringLiteral("units"))[0][QStringLiteral("path")].toString(), QStringLiteral("/dev/hidraw-sim0"));

    // a headless serve lists its devices and forgets one: its token stops working at once
    const Ran listed = RunProgram({QStringLiteral("pair"), QStringLiteral("--list")}, m_environment);
    EXPECT_EQ(listed.exit, 0);
    EXPECT_EQ(listed.out.rfind("Script  paired ", 0), 0u) << listed.out;
    const Ran forgot = RunProgram({QStringLiteral("pair"), QStringLiteral("--forget"), QStringLiteral("Script")}, m_environment);
    EXPECT_EQ(forgot.exit, 0);
    EXPECT_EQ(forgot.out, "forgot 1 device(s)\nno device is paired\n");
    const auto refused = client.Request(RequestBytes("GET", "/api/v1/units", {"Authorization: Bearer " + token}));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 401);

    ::kill(static_cast<pid_t>(m_serve.ProcessId()), SIGTERM);
    EXPECT_EQ(m_serve.WaitForExit(10000), 0);
    EXPECT_TRUE(m_serve.Err().endsWith("quenda serve: stopping on SIGTERM\nquenda serve: stopped\n")) << m_serve.Err().constData();

    const Ran none = RunProgram({QStringLiteral("pair")}, m_environment);
    EXPECT_EQ(none.exit, 7);
    EXPECT_EQ(none.err.rfind("quenda: no quenda serve answers at " +
                                 m_folder.filePath(QStringLiteral("run/quenda-serve")).toStdString(), 0),
              0u)
        << none.err;
}

TEST_F(ServeProgram, AnAddressInUseEndsItWithExit7)
{
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress(QHostAddress::LocalHost), m_port));
    const Ran run = RunProgram({QStringLiteral("--demo"), QStringLiteral("serve"), QStringLiteral("--listen"),
                                QStringLiteral("127.0.0.1:%1").arg(m_port)},
                               m_environment);
    EXPECT_EQ(run.exit, 7);
    EXPECT_NE(run.err.find(QStringLiteral("quenda: cannot listen on 127.0.0.1:%1: The bound address is already in use\n")
                               .arg(m_port)
                               .toStdString()),
              std::string::npos)
        << run.err;
}

TEST_F(ServeProgram, ServesHttpsWithTheCertificateGiven)
{
    const QString certificate = m_folder.filePath(QStringLiteral("cert.pem"));
    const QString key = m_folder.filePath(QStringLiteral("key.pem"));
    CChildProcess openssl;
    ASSERT_TRUE(openssl.Start(QStringLiteral("openssl"), {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                                              QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                                              QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                                              QStringLiteral("-keyout"), key, QStringLiteral("-out"), certificate}));
    ASSERT_EQ(openssl.WaitForExit(60000), 0) << openssl.Err().constData();
    ASSERT_TRUE(StartServe({QStringLiteral("--demo"), QStringLiteral("serve"), QStringLiteral("--tls-cert"), certificate,
                            QStringLiteral("--tls-key"), key}))
        << m_serve.Err().constData();
    EXPECT_TRUE(m_serve.Err().contains(QStringLiteral("remote control at https://127.0.0.1:%1\n").arg(m_port).toUtf8()));
    QSslSocket client;
    client.setPeerVerifyMode(QSslSocket::VerifyNone);
    client.connectToHostEncrypted(QStringLiteral("127.0.0.1"), m_port);
    ASSERT_TRUE(client.waitForEncrypted(10000)) << client.errorString().toStdString();
    client.write("GET /api/v1/units HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return client.canReadLine(); }, kAnswerWaitMs));
    EXPECT_EQ(client.readLine(), "HTTP/1.1 401 Unauthorized\r\n");
}

TEST_F(ServeProgram, ACertificateThatCannotBeReadEndsItWithExit5)
{
    const Ran run = RunProgram({QStringLiteral("--demo"), QStringLiteral("serve"), QStringLiteral("--listen"),
                                QStringLiteral("127.0.0.1:%1").arg(m_port), QStringLiteral("--tls-cert"), QStringLiteral("/"),
                                QStringLiteral("--tls-key"), QStringLiteral("/nonexistent.pem")},
                               m_environment);
    EXPECT_EQ(run.exit, 5);
    EXPECT_NE(run.err.find("quenda: /: not a regular file\n"), std::string::npos) << run.err;
}

struct ServeRefusal {
    QStringList arguments;
    const char* reason;
};

class ServeArguments : public testing::TestWithParam<ServeRefusal> {};

TEST_P(ServeArguments, AreRefusedInOneLine)
{
    const Ran run = RunProgram(GetParam().arguments);
    EXPECT_EQ(run.exit, 1);
    EXPECT_EQ(run.err, std::string("quenda: ") + GetParam().reason + "\nTry 'quenda --help'.\n");
    EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, ServeArguments,
    testing::Values(
        ServeRefusal{{QStringLiteral("serve"), QStringLiteral("--listen"), QStringLiteral("127.0.0.1")},
                     "--listen takes ADDRESS:PORT, such as 127.0.0.1:8710 or 0.0.0.0:8710, not 127.0.0.1"},
        ServeRefusal{{QStringLiteral("serve"), QStringLiteral("--listen"), QStringLiteral("localhost:80000")},
                     "--listen takes ADDRESS:PORT, such as 127.0.0.1:8710 or 0.0.0.0:8710, not localhost:80000"},
        ServeRefusal{{QStringLiteral("serve"), QStringLiteral("--tls-cert"), QStringLiteral("c.pem")},
                     "--tls-cert and --tls-key go together"},
        ServeRefusal{{QStringLiteral("info"), QStringLiteral("--listen"), QStringLiteral("0.0.0.0:8710")},
                     "--listen, --tls-cert, --tls-key and the --mqtt options belong to serve"},
        ServeRefusal{{QStringLiteral("info"), QStringLiteral("--mqtt"), QStringLiteral("mqtt://h")},
                     "--listen, --tls-cert, --tls-key and the --mqtt options belong to serve"},
        ServeRefusal{{QStringLiteral("serve"), QStringLiteral("--mqtt"), QStringLiteral("http://broker:1883")},
                     "--mqtt takes mqtt://HOST[:PORT] or mqtts://HOST[:PORT], not http://broker:1883"},
        ServeRefusal{{QStringLiteral("serve"), QStringLiteral("--mqtt-user"), QStringLiteral("q")},
                     "--mqtt-user, --mqtt-password-file, --mqtt-prefix and --mqtt-base go with --mqtt"},
        ServeRefusal{{QStringLiteral("serve"), QStringLiteral("--mqtt"), QStringLiteral("mqtt://h"),
                      QStringLiteral("--mqtt-password-file"), QStringLiteral("p")},
                     "--mqtt-password-file goes with --mqtt-user"},
        ServeRefusal{{QStringLiteral("serve"), QStringLiteral("--listen"), QStringLiteral("none")},
                     "--listen none serves nothing without --mqtt"},
        ServeRefusal{{QStringLiteral("serve"), QStringLiteral("--mqtt"), QStringLiteral("mqtt://h"),
                      QStringLiteral("--mqtt-prefix"), QStringLiteral("home/#")},
                     "a topic prefix is words between '/', without + or #, not \"home/#\""},
        ServeRefusal{{QStringLiteral("info"), QStringLiteral("--device"), QStringLiteral("A"), QStringLiteral("--device"),
                      QStringLiteral("B")},
                     "--device is given once, but to serve"},
        ServeRefusal{{QStringLiteral("--demo"), QStringLiteral("pair")}, "pair asks the running serve: it takes no --device or --demo"},
        ServeRefusal{{QStringLiteral("serve"), QStringLiteral("--list")}, "--list, --forget and --forget-all belong to pair"},
        ServeRefusal{{QStringLiteral("pair"), QStringLiteral("--list"), QStringLiteral("--forget-all")},
                     "pair takes one of --list, --forget and --forget-all"},
        ServeRefusal{{QStringLiteral("pair"), QStringLiteral("--forget"), QStringLiteral(" ")},
                     "--forget needs a device's name (see pair --list)"},
        ServeRefusal{{QStringLiteral("serve"), QStringLiteral("now")}, "unexpected argument: now"}),
    [](const testing::TestParamInfo<ServeRefusal>& info) { return std::to_string(info.index); });

}  // namespace
