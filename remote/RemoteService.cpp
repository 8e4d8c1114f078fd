#include "remote/RemoteService.h"

#include "remote/RemoteLog.h"

namespace {

constexpr char kEnabledKey[] = "remote/enabled";
constexpr char kNetworkKey[] = "remote/network";
constexpr char kPortKey[] = "remote/port";
constexpr char kCertificateKey[] = "remote/tlsCertificate";
constexpr char kKeyKey[] = "remote/tlsKey";

}  // namespace

CRemoteService::CRemoteService(CUnitAdapter& unit, QObject* parent)
    : QObject(parent), m_pairing(m_clock, m_settings), m_server(m_pairing, m_clock)
{
    m_server.AddUnit(unit);
}

CRemoteService::~CRemoteService()
{
    m_pairing.SaveLastUses();
}

RemoteChoices CRemoteService::Choices() const
{
    RemoteChoices choices;
    choices.enabled = m_settings.value(QLatin1String(kEnabledKey), false).toBool();
    choices.network = m_settings.value(QLatin1String(kNetworkKey), false).toBool();
    const int port = m_settings.value(QLatin1String(kPortKey), kDefaultRemotePort).toInt();
    choices.port = port >= 1 && port <= 65535 ? static_cast<quint16>(port) : kDefaultRemotePort;
    choices.tlsCertificateFile = m_settings.value(QLatin1String(kCertificateKey)).toString();
    choices.tlsKeyFile = m_settings.value(QLatin1String(kKeyKey)).toString();
    return choices;
}

bool CRemoteService::Apply(const RemoteChoices& choices)
{
    m_settings.setValue(QLatin1String(kEnabledKey), choices.enabled);
    m_settings.setValue(QLatin1String(kNetworkKey), choices.network);
    m_settings.setValue(QLatin1String(kPortKey), choices.port);
    m_settings.setValue(QLatin1String(kCertificateKey), choices.tlsCertificateFile);
    m_settings.setValue(QLatin1String(kKeyKey), choices.tlsKeyFile);
    m_error.clear();
    const bool wasListening = m_server.IsListening();
    m_server.Close();
    if (choices.enabled) {
        RemoteListen listen;
        listen.address = QHostAddress(choices.network ? QHostAddress::Any : QHostAddress::LocalHost);
        listen.port = choices.port;
        listen.tlsCertificateFile = choices.tlsCertificateFile;
        listen.tlsKeyFile = choices.tlsKeyFile;
        if (!m_server.Listen(listen, m_error))
            qCWarning(lcRemote).noquote() << m_error;
    }
    if (m_server.IsListening() != wasListening || m_server.IsListening())
        emit listeningChanged(m_server.IsListening());
    return m_error.isEmpty();
}

bool CRemoteService::Resume()
{
    const RemoteChoices choices = Choices();
    return !choices.enabled || Apply(choices);
}
