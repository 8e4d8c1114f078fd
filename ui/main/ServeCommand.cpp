#include "ui/main/ServeCommand.h"

#include "remote/RemoteLog.h"
#include "remote/RemoteUnit.h"
#include "transport/HidBackend.h"
#include "ui/common/UnitAdapter.h"
#include "ui/common/UnitLocks.h"
#include "ui/common/UnitNames.h"
#include "ui/main/CommandRunner.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// SIGTERM and SIGINT end the event loop: the handler writes a byte that the loop reads.
class CStopSignals {
public:
    CStopSignals()
    {
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, s_pipe) != 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(s_pipe[1], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [] {
            char signal = 0;
            if (read(s_pipe[1], &signal, 1) == 1) {
                qCInfo(lcRemote).noquote() << (signal == SIGTERM ? "stopping on SIGTERM" : "stopping on SIGINT");
                QCoreApplication::quit();
            }
        });
        struct sigaction action {};
        action.sa_handler = [](int signal) {
            const char byte = static_cast<char>(signal);
            [[maybe_unused]] const ssize_t written = write(s_pipe[0], &byte, 1);
        };
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGINT, &action, nullptr);
    }

    ~CStopSignals()
    {
        signal(SIGTERM, SIG_DFL);
        signal(SIGINT, SIG_DFL);
        m_notifier.reset();
        close(s_pipe[0]);
        close(s_pipe[1]);
    }

    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;

private:
    // A signal handler reaches nothing but this.
    static inline int s_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};

bool IsTheUnit(const HidInterfaceInfo& info)
{
    return info.vendor == kUnitVendorId && info.product == kUnitProductId && info.version == kUnitVersion;
}

QString UnitText(const HidInterfaceInfo& info)
{
    const std::string key = UnitKey(info);
    const QString name = CUnitNames().Name(key);
    return name.isEmpty() ? QString::fromStdString(key) : QStringLiteral("%1 (%2)").arg(name, QString::fromStdString(key));
}

}  // namespace

CServeCommand::CServeCommand(CHidBackend& backend, bool claimUnits, const CommandLineOptions& options, QTextStream& err)
    : m_backend(backend), m_claimUnits(claimUnits), m_options(options), m_err(err), m_pairing(m_clock, m_settings),
      m_server(m_pairing, m_clock), m_control([this](const QString& request) { return AnswerControl(request); })
{
    m_tick.setInterval(kTickMs);
    connect(&m_tick, &QTimer::timeout, this, &CServeCommand::Tick);
}

// The server, the broker and the units' remote sides go before the units.
CServeCommand::~CServeCommand()
{
    m_server.Close();
    m_mqtt.reset();
}

int CServeCommand::Start()
{
    int exitCode = kExitDone;
    if (!LookForUnits(true, exitCode))
        return exitCode;
    if (m_options.http && (exitCode = StartHttp()) != kExitDone)
        return exitCode;
    if (!m_options.mqttUrl.isEmpty() && (exitCode = StartMqtt()) != kExitDone)
        return exitCode;
    m_tick.start();
    return kExitDone;
}

int CServeCommand::StartHttp()
{
    RemoteListen listen;
    listen.address = m_options.listenAddress;
    if (m_options.listenPort != 0)
        listen.port = m_options.listenPort;
    listen.tlsCertificateFile = m_options.tlsCertificate;
    listen.tlsKeyFile = m_options.tlsKey;
    QString error;
    if (!m_server.Listen(listen, error)) {
        m_err << "quenda: " << error << '\n';
        m_err.flush();
        return listen.tlsCertificateFile.isEmpty() || error.startsWith(QStringLiteral("cannot listen")) ? kExitCannotListen
                                                                                                         : kExitFile;
    }
    if (!m_control.Listen(error))
        qCWarning(lcRemote).noquote() << error;
    PrintPairing();
    return kExitDone;
}

// The broker is connected in the background; one that refuses the user ends serve.
int CServeCommand::StartMqtt()
{
    MqttSettings settings;
    QString error;
    ReadMqttUrl(m_options.mqttUrl, settings, error);   // checked with the arguments
    settings.user = m_options.mqttUser;
    settings.prefix = m_options.mqttPrefix;
    settings.base = m_options.mqttBase;
    if (!m_options.mqttPasswordFile.isEmpty() && !ReadPasswordFile(m_options.mqttPasswordFile, settings.password, error)) {
        m_err << "quenda: " << error << '\n';
        m_err.flush();
        return kExitFile;
    }
    m_mqtt = std::make_unique<CMqttBridge>(settings, m_clock);
    connect(m_mqtt.get(), &CMqttBridge::refused, this, &CServeCommand::OnBrokerRefused);
    for (std::size_t i = 0; i < m_units.size(); ++i)
        m_mqtt->AddUnit(*m_units[i], m_unitInfos[i]);
    if (!m_mqtt->Start(error)) {
        m_err << "quenda: " << error << '\n';
        m_err.flush();
        return kExitBrokerRefused;
    }
    return kExitDone;
}

void CServeCommand::OnBrokerRefused(const QString& reason)
{
    m_err << "quenda: " << reason << '\n';
    m_err.flush();
    QCoreApplication::exit(kExitBrokerRefused);
}

int CServeCommand::Run()
{
    const int started = Start();
    if (started != kExitDone)
        return started;
    CStopSignals stop;
    const int code = QCoreApplication::exec();
    m_pairing.SaveLastUses();
    qCInfo(lcRemote) << "stopped";
    return code;
}

void CServeCommand::Tick()
{
    for (const auto& unit : m_units)
        unit->Unit().Tick();
    int ignored = kExitDone;
    if (++m_ticks % kLookEveryTicks == 0)
        LookForUnits(false, ignored);
}

bool CServeCommand::Wanted(const HidInterfaceInfo& info) const
{
    if (m_options.devices.isEmpty())
        return true;
    for (const QString& device : m_options.devices) {
        if (!UnitsKnownAs({info}, device).empty())
            return true;
    }
    return false;
}

// A name several attached units have chooses none of them, as for every command.
bool CServeCommand::NamesAreUnique(const std::vector<HidInterfaceInfo>& attached)
{
    for (const QString& device : m_options.devices) {
        const std::vector<HidInterfaceInfo> matching = UnitsKnownAs(attached, device);
        if (matching.size() > 1) {
            m_err << "quenda: " << SharedNameText(device, matching) << '\n';
            m_err.flush();
            return false;
        }
    }
    return true;
}

bool CServeCommand::LookForUnits(bool starting, int& exitCode)
{
    std::vector<HidInterfaceInfo> attached;
    try {
        attached = m_backend.Enumerate();
    } catch (const std::bad_alloc&) {
        return true;   // looked for again on a later tick
    }
    if (starting && !NamesAreUnique(attached)) {
        exitCode = kExitUsage;
        return false;
    }
    bool inUse = false;
    for (const HidInterfaceInfo& info : attached) {
        if (!IsTheUnit(info) || !Wanted(info) || m_served.count(UnitKey(info)) > 0)
            continue;
        if (!Serve(info, starting, exitCode))
            return false;
        inUse = inUse || exitCode == kExitInUse;
    }
    if (starting && m_units.empty()) {
        if (inUse)
            return false;   // every unit is another program's
        qCInfo(lcRemote).noquote() << (m_options.devices.isEmpty() ? QStringLiteral("no unit attached yet: waiting for one")
                                                                   : QStringLiteral("waiting for %1").arg(m_options.devices.join(QStringLiteral(", "))));
    }
    exitCode = kExitDone;
    return true;
}

// A unit another program has is left to it: serve ends at start when the unit was named.
bool CServeCommand::Serve(const HidInterfaceInfo& info, bool starting, int& exitCode)
{
    auto adapter = std::make_unique<CUnitAdapter>(m_backend);
    CUnit& unit = adapter->Unit();
    if (m_claimUnits)
        unit.Link().ClaimUnitsThrough(std::make_unique<CUnitLocks>());
    unit.Link().ChooseUnit(UnitKey(info));
    unit.Start();
    unit.ConnectButton();
    if (!unit.IsConnected()) {
        const LinkProblem problem = unit.Link().Problem();
        const bool told = !m_toldInUse.insert(UnitKey(info)).second;
        if (!told || starting) {
            const QString why = problem == LinkProblem::InUse
                                    ? QStringLiteral("another program (process %1) has %2").arg(unit.Link().Holder().processId).arg(UnitText(info))
                                : problem == LinkProblem::NoPermission ? QStringLiteral("no permission to open %1").arg(UnitText(info))
                                                                       : QStringLiteral("cannot open %1").arg(UnitText(info));
            m_err << "quenda: " << why << '\n';
            m_err.flush();
        }
        exitCode = problem == LinkProblem::InUse ? kExitInUse : problem == LinkProblem::NoPermission ? kExitNoPermission : kExitNoUnit;
        return !(starting && !m_options.devices.isEmpty());
    }
    const QString text = UnitText(info);
    connect(adapter.get(), &CUnitAdapter::connectionChanged, this, [text](const ConnectionEvent& event) {
        if (event.kind == ConnectionEvent::Kind::Lost)
            qCWarning(lcRemote).noquote() << text << "is gone: waiting for it to come back";
        else if (event.kind == ConnectionEvent::Kind::Reconnected)
            qCInfo(lcRemote).noquote() << text << "is back";
    });
    qCInfo(lcRemote).noquote() << "serving" << text;
    m_server.AddUnit(*adapter, info);
    if (m_mqtt)
        m_mqtt->AddUnit(*adapter, info);
    m_served.insert(UnitKey(info));
    m_units.push_back(std::move(adapter));
    m_unitInfos.push_back(info);
    exitCode = kExitDone;
    return true;
}

QByteArray CServeCommand::FreshPairingAnswer()
{
    const PairingOffer offer = m_pairing.FreshOffer();
    qCInfo(lcRemote) << "a fresh pairing offer was asked for";
    return PairingAnswer(m_server.BaseUrl(), m_server.PairingLink(offer), offer.code,
                         static_cast<int>(CRemotePairing::kOfferLifetimeMs / 1000));
}

// What quenda pair asks: a fresh offer, the devices, or devices to forget.
QByteArray CServeCommand::AnswerControl(const QString& request)
{
    if (request == QLatin1String("list"))
        return DevicesAnswer(m_pairing.Devices());
    if (request == QLatin1String("forget-all")) {
        const int n = static_cast<int>(m_pairing.Devices().size());
        m_pairing.ForgetAll();
        return DevicesAnswer(m_pairing.Devices(), n);
    }
    if (request.startsWith(QLatin1String("forget "))) {
        const QString name = request.mid(7);
        int n = 0;
        for (const PairedDevice& device : m_pairing.Devices()) {
            if (device.name == name) {
                m_pairing.Forget(device.id);
                ++n;
            }
        }
        return DevicesAnswer(m_pairing.Devices(), n);
    }
    return FreshPairingAnswer();
}

void CServeCommand::PrintPairing()
{
    QString text;
    QString error;
    if (PairingInstructions(FreshPairingAnswer(), text, error))
        m_err << text;
    else
        m_err << "quenda: " << error << '\n';
    m_err.flush();
}
