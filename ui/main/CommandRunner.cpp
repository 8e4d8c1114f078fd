#include "ui/main/CommandRunner.h"

#include "ui/common/LinkTexts.h"
#include "ui/common/PresetNameCodec.h"
#include "ui/common/UnitAdapter.h"

#include <QEventLoop>
#include <QTimer>

namespace {

constexpr int kTickMs = 100;

bool ReadsFile(QuendaCommand command)
{
    return command == QuendaCommand::Import || command == QuendaCommand::Restore;
}

QString Hex4(int value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

}  // namespace

CCommandRunner::CCommandRunner(CUnitAdapter& unit, const CommandLineOptions& options, QTextStream& out,
                               QTextStream& err)
    : m_unit(unit), m_options(options), m_out(out), m_err(err), m_transfer(unit)
{
    connect(&m_unit, &CUnitAdapter::commandFinished, this, &CCommandRunner::OnCommandFinished);
    connect(&m_unit, &CUnitAdapter::connectionChanged, this, &CCommandRunner::OnConnectionChanged);
    connect(&m_transfer, &CSettingsTransfer::PresetStarted, this, &CCommandRunner::OnProgress);
    connect(&m_transfer, &CSettingsTransfer::Finished, this, &CCommandRunner::OnTransferFinished);
}

void CCommandRunner::Start()
{
    if (ReadsFile(m_options.command) && !ReadFile())
        return;
    if (!Connect()) {
        const CHidLink& link = m_unit.Unit().Link();
        if (link.Problem() == LinkProblem::InUse)
            Fail(kExitInUse, QStringLiteral("the unit at %1 is in use by another program: %2")
                                 .arg(QString::fromStdString(link.DevicePath()), UnitHolderText(link.Holder())));
        else if (link.Problem() == LinkProblem::NoPermission)
            Fail(kExitNoPermission, QStringLiteral("the unit at %1 is attached but this user may not open it; install "
                                                   "the quenda package, or install its udev rule with:\n  %2\nthen "
                                                   "unplug the unit and plug it in again")
                                        .arg(QString::fromStdString(link.DevicePath()), UdevRuleInstallCommand()));
        else
            Fail(kExitNoUnit, QStringLiteral("no unit found (USB %1:%2 version %3)")
                                  .arg(Hex4(kUnitVendorId), Hex4(kUnitProductId), Hex4(kUnitVersion)));
    }
}

// The whole file is checked before anything is sent.
bool CCommandRunner::ReadFile()
{
    SettingsError error;
    if (!ReadSettingsFile(m_options.file, m_file, error)) {
        Fail(kExitFile, error.Text());
        return false;
    }
    if (m_options.command == QuendaCommand::Import && !m_file.current) {
        Fail(kExitFile, QStringLiteral("%1 holds no current settings").arg(m_options.file));
        return false;
    }
    if (m_options.command == QuendaCommand::Restore && !m_file.presets) {
        Fail(kExitFile, QStringLiteral("%1 holds no presets").arg(m_options.file));
        return false;
    }
    return true;
}

bool CCommandRunner::Connect()
{
    CUnit& unit = m_unit.Unit();
    unit.Start();
    m_started = true;
    unit.ConnectButton();
    return unit.IsConnected();
}

// The transfer tells a unit lost during its work itself.
void CCommandRunner::OnConnectionChanged(const ConnectionEvent& event)
{
    if (event.kind == ConnectionEvent::Kind::Lost && !IsFinished() && !m_transfer.IsRunning())
        Fail(kExitNotAnswering, QStringLiteral("the unit was disconnected"));
}

void CCommandRunner::Tick()
{
    if (IsFinished())
        return;
    m_unit.Unit().Tick();
    m_transfer.Tick();
    if (!m_connected && ++m_ticks > kConnectTicks)
        Fail(kExitNotAnswering, QStringLiteral("the unit does not answer"));
}

// Connected once the current memory, recalled after the setup, has come.
void CCommandRunner::OnCommandFinished(const CommandSlot& command, CommandOutcome outcome)
{
    if (m_connected || IsFinished() || !m_started)
        return;
    if (outcome != CommandOutcome::Answered) {
        Fail(kExitNotAnswering, QStringLiteral("the unit does not answer"));
        return;
    }
    if (command.code == CMD_RECALL_PRESET && command.a2 == 0) {
        m_connected = true;
        RunCommand();
    }
}

void CCommandRunner::RunCommand()
{
    switch (m_options.command) {
    case QuendaCommand::Info: PrintInfo(); break;
    case QuendaCommand::Export: ExportCurrent(); break;
    case QuendaCommand::Backup: m_transfer.StartBackup(); break;
    case QuendaCommand::Import: m_transfer.StartImport(*m_file.current); break;
    case QuendaCommand::Restore: m_transfer.StartRestore(m_file); break;
    case QuendaCommand::Window: break;
    }
}

void CCommandRunner::PrintInfo()
{
    m_out << "unit found: USB " << Hex4(kUnitVendorId) << ':' << Hex4(kUnitProductId) << " version "
          << Hex4(kUnitVersion) << " at " << QString::fromStdString(m_unit.Unit().Link().DevicePath()) << '\n';
    m_out << "preset names:\n";
    for (int n = 1; n <= kUserPresetCount; ++n)
        m_out << QStringLiteral("%1  %2\n").arg(n, 2).arg(ReadPresetName(m_unit.Unit().Image(), n));
    m_out.flush();
    Done(QString());
}

void CCommandRunner::ExportCurrent()
{
    WriteFile(CaptureSettings(m_unit.Unit().Image(), QStringLiteral(QUENDA_VERSION), TheUnitIdentity()),
              QStringLiteral("wrote the current settings to %1"));
}

// done names the file with %1.
void CCommandRunner::WriteFile(const SettingsFile& settings, const QString& done)
{
    SettingsError error;
    if (WriteSettingsFile(m_options.file, settings, error))
        Done(done.arg(m_options.file));
    else
        Fail(kExitFile, error.Text());
}

void CCommandRunner::OnProgress(int preset)
{
    const bool reading = m_options.command == QuendaCommand::Backup;
    m_err << "quenda: " << (reading ? "reading" : "writing") << " preset " << preset << " of " << kUserPresetCount
          << '\n';
    m_err.flush();
}

void CCommandRunner::OnTransferFinished(CSettingsTransfer::Result result)
{
    if (result == CSettingsTransfer::Result::LinkLost) {
        Fail(kExitNotAnswering, QStringLiteral("the unit was disconnected"));
        return;
    }
    if (result != CSettingsTransfer::Result::Done) {
        Fail(kExitNotAnswering, QStringLiteral("the unit does not answer"));
        return;
    }
    if (m_options.command == QuendaCommand::Import) {
        Done(QStringLiteral("sent the current settings of %1 to the unit").arg(m_options.file));
    } else if (m_options.command == QuendaCommand::Restore) {
        Done(QStringLiteral("wrote the 20 presets of %1 into the unit").arg(m_options.file));
    } else {
        WriteFile(m_transfer.Backup(), QStringLiteral("wrote 20 presets and the current settings to %1"));
    }
}

void CCommandRunner::Fail(int code, const QString& reason)
{
    m_err << "quenda: " << reason << '\n';
    m_err.flush();
    m_exit = code;
}

void CCommandRunner::Done(const QString& message)
{
    if (!message.isEmpty()) {
        m_err << "quenda: " << message << '\n';
        m_err.flush();
    }
    m_exit = kExitDone;
}

int CCommandRunner::Run()
{
    Start();
    QEventLoop loop;
    QTimer tick;
    connect(&tick, &QTimer::timeout, &loop, [this, &loop] {
        Tick();
        if (IsFinished())
            loop.quit();
    });
    connect(&m_unit, &CUnitAdapter::commandFinished, &loop, [this, &loop] {
        if (IsFinished())
            loop.quit();
    });
    tick.start(kTickMs);
    if (!IsFinished())
        loop.exec();
    return ExitCode();
}
