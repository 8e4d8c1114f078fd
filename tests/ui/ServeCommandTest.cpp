// quenda serve over simulated units: which units it serves, the unit another
// program has, units that arrive later; ticks are driven by hand.
#include "ui/main/ServeCommand.h"

#include "remote/RemoteClients.h"
#include "remote/RemoteUnit.h"
#include "support/ChildProcess.h"
#include "transport/HidBackendSimulated.h"
#include "ui/common/UnitNames.h"
#include "ui/main/CommandRunner.h"

#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

SimulatedDeviceSpec Device(const char* path, const char* serial)
{
    SimulatedDeviceSpec spec;
    spec.path = path;
    spec.serial = serial;
    return spec;
}

class ServeCommand : public testing::Test {
protected:
    void SetUp() override
    {
        // the lock files and the pairing socket go to a folder of the test's
        m_runtime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", m_folder.path().toLocal8Bit());
        m_options.command = QuendaCommand::Serve;
        m_options.listenPort = FreeLocalPort();
    }

    void TearDown() override
    {
        for (const auto& holder : m_holders) {
            holder->CloseInput();
            holder->WaitForExit(10000);
        }
        qputenv("XDG_RUNTIME_DIR", m_runtime);
    }

    // Another program that holds the unit known by key.
    void HoldElsewhere(const std::string& key)
    {
        CChildProcess& holder = *m_holders.emplace_back(std::make_unique<CChildProcess>());
        ASSERT_TRUE(holder.Start(QStringLiteral(HOLD_UNIT_LOCK_EXECUTABLE), {m_folder.path(), QString::fromStdString(key)}));
        ASSERT_TRUE(holder.WaitForOutput("\n", 10000));
        ASSERT_EQ(holder.Out(), "held\n");
    }

    std::unique_ptr<CServeCommand> Serve()
    {
        return std::make_unique<CServeCommand>(m_backend, true, m_options, m_err);
    }

    QTemporaryDir m_folder;
    QByteArray m_runtime;
    CSimulatedHidBackend m_backend;
    CommandLineOptions m_options;
    QString m_errText;
    QTextStream m_err{&m_errText};
    std::vector<std::unique_ptr<CChildProcess>> m_holders;
};

TEST_F(ServeCommand, ServesEveryUnitAttached)
{
    m_backend.AddDevice(Device("/dev/hidraw-sim0", "QD-0001"));
    m_backend.AddDevice(Device("/dev/hidraw-sim1", "QD-0002"));
    const auto serve = Serve();
    ASSERT_EQ(serve->Start(), kExitDone) << m_errText.toStdString();
    EXPECT_EQ(serve->UnitsServed(), 2);
    EXPECT_TRUE(serve->Server().IsListening());
    EXPECT_TRUE(m_errText.startsWith(QStringLiteral("remote control at http://127.0.0.1:%1\n").arg(m_options.listenPort)))
        << m_errText.toStdString();
    EXPECT_TRUE(m_errText.contains(QStringLiteral("or enter the code %1 on the page").arg(serve->Pairing().CurrentOffer().code)));
}

TEST_F(ServeCommand, ServesOnlyTheUnitsNamed)
{
    m_backend.AddDevice(Device("/dev/hidraw-sim0", "QD-0001"));
    m_backend.AddDevice(Device("/dev/hidraw-sim1", "QD-0002"));
    m_options.devices = {QStringLiteral("QD-0002")};
    const auto serve = Serve();
    ASSERT_EQ(serve->Start(), kExitDone);
    EXPECT_EQ(serve->UnitsServed(), 1);
}

TEST_F(ServeCommand, AUnitNamedThatAnotherProgramHasEndsItWithExit6)
{
    m_backend.AddDevice(Device("/dev/hidraw-sim0", "QD-0001"));
    HoldElsewhere("QD-0001");
    m_options.devices = {QStringLiteral("QD-0001")};
    const auto serve = Serve();
    EXPECT_EQ(serve->Start(), kExitInUse);
    EXPECT_TRUE(m_errText.startsWith(QStringLiteral("quenda: another program (process %1) has QD-0001\n")
                                         .arg(m_holders[0]->ProcessId())))
        << m_errText.toStdString();
    EXPECT_FALSE(serve->Server().IsListening());
}

TEST_F(ServeCommand, ServingAllLeavesAUnitAnotherProgramHasToIt)
{
    m_backend.AddDevice(Device("/dev/hidraw-sim0", "QD-0001"));
    m_backend.AddDevice(Device("/dev/hidraw-sim1", "QD-0002"));
    HoldElsewhere("QD-0001");
    const auto serve = Serve();
    ASSERT_EQ(serve->Start(), kExitDone);
    EXPECT_EQ(serve->UnitsServed(), 1);
    EXPECT_TRUE(m_errText.contains(QStringLiteral("quenda: another program (process %1) has QD-0001\n")
                                       .arg(m_holders[0]->ProcessId())));
}

TEST_F(ServeCommand, EveryUnitAnotherProgramsEndsItWithExit6)
{
    m_backend.AddDevice(Device("/dev/hidraw-sim0", "QD-0001"));
    HoldElsewhere("QD-0001");
    EXPECT_EQ(Serve()->Start(), kExitInUse);
}

TEST_F(ServeCommand, AUnitPluggedInLaterIsServedAsItComes)
{
    const int later = m_backend.AddDevice(Device("/dev/hidraw-sim0", "QD-0001"), false);
    const auto serve = Serve();
    ASSERT_EQ(serve->Start(), kExitDone);
    EXPECT_EQ(serve->UnitsServed(), 0);
    m_backend.Plug(later);
    for (int i = 0; i < CServeCommand::kLookEveryTicks - 1; ++i)
        serve->Tick();
    EXPECT_EQ(serve->UnitsServed(), 0);   // looked for every two seconds
    serve->Tick();
    EXPECT_EQ(serve->UnitsServed(), 1);
}

TEST_F(ServeCommand, ANameTwoUnitsShareChoosesNeither)
{
    m_backend.AddDevice(Device("/dev/hidraw-sim0", "QD-0001"));
    m_backend.AddDevice(Device("/dev/hidraw-sim1", "QD-0002"));
    CUnitNames names;   // as settings from before names were kept apart may hold them
    names.SetName("QD-0001", QStringLiteral("Hall"));
    names.SetName("QD-0002", QStringLiteral("Hall"));
    m_options.devices = {QStringLiteral("Hall")};
    const auto serve = Serve();
    const int exit = serve->Start();
    names.SetName("QD-0001", QString());
    names.SetName("QD-0002", QString());
    EXPECT_EQ(exit, kExitUsage);
    EXPECT_TRUE(m_errText.startsWith(QStringLiteral("quenda: 2 attached units have the name Hall"))) << m_errText.toStdString();
}

}  // namespace
