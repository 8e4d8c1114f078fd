#include "remote/RemotePairing.h"

#include "remote/RemoteLog.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QSettings>

#include <algorithm>

namespace {

constexpr char kDevicesArray[] = "remote/devices";
constexpr char kIdKey[] = "id";
constexpr char kNameKey[] = "name";
constexpr char kHashKey[] = "tokenHash";
constexpr char kPairedKey[] = "paired";
constexpr char kLastUseKey[] = "lastUse";
constexpr int kCodeDigits = 6;
constexpr int kIdBytes = 6;

QByteArray RandomBytes(int n)
{
    QByteArray bytes(n, Qt::Uninitialized);
    QRandomGenerator* random = QRandomGenerator::system();
    for (char& b : bytes)
        b = static_cast<char>(random->bounded(256));
    return bytes;
}

QByteArray Base64Url(const QByteArray& bytes)
{
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

QString RandomCode()
{
    return QStringLiteral("%1").arg(QRandomGenerator::system()->bounded(1000000), kCodeDigits, 10, QLatin1Char('0'));
}

bool IsDeviceName(const QString& name)
{
    if (name.isEmpty() || name.size() > CRemotePairing::kMaxDeviceNameLength)
        return false;
    return std::none_of(name.begin(), name.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

}  // namespace

QByteArray TokenHash(QByteArrayView token)
{
    return QCryptographicHash::hash(token, QCryptographicHash::Sha256);
}

bool ConstantTimeEquals(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

CRemotePairing::CRemotePairing(const CRemoteClock& clock, QSettings& settings, QObject* parent)
    : QObject(parent), m_clock(clock), m_settings(settings)
{
    Load();
}

bool CRemotePairing::OfferValid() const
{
    return m_offer && m_clock.NowMs() < m_offer->expiresAtMs;
}

PairingOffer CRemotePairing::CurrentOffer()
{
    return OfferValid() ? *m_offer : FreshOffer();
}

PairingOffer CRemotePairing::FreshOffer()
{
    m_offer = PairingOffer{RandomCode(), Base64Url(RandomBytes(kSecretBytes)), m_clock.NowMs() + kOfferLifetimeMs};
    emit offerChanged(*m_offer);
    return *m_offer;
}

qint64 CRemotePairing::OfferLeftMs() const
{
    return OfferValid() ? m_offer->expiresAtMs - m_clock.NowMs() : 0;
}

qint64 CRemotePairing::LockedForMs() const
{
    return std::max<qint64>(0, m_lockedUntilMs - m_clock.NowMs());
}

bool CRemotePairing::Matches(const QString& code) const
{
    if (!OfferValid())
        return false;
    const QByteArray given = code.toUtf8();
    // both are compared, whichever was given, so that the time tells nothing
    const bool isCode = ConstantTimeEquals(given, m_offer->code.toUtf8());
    const bool isSecret = ConstantTimeEquals(given, m_offer->secret);
    return isCode || isSecret;
}

// True when this wrong code locked pairing.
bool CRemotePairing::NoteWrongCode()
{
    if (++m_wrongCodes < kWrongCodesBeforeLock)
        return false;
    m_wrongCodes = 0;
    m_lockedUntilMs = m_clock.NowMs() + kLockMs;
    return true;
}

PairOutcome CRemotePairing::Pair(const QString& code, const QString& deviceName, QByteArray& token)
{
    if (LockedForMs() > 0)
        return PairOutcome::Locked;
    if (!Matches(code)) {
        if (!NoteWrongCode())
            return PairOutcome::WrongCode;
        qCWarning(lcRemote) << "pairing is locked for a minute after" << kWrongCodesBeforeLock << "wrong codes";
        return PairOutcome::Locked;
    }
    const QString name = deviceName.trimmed();
    if (!IsDeviceName(name))
        return PairOutcome::BadName;
    m_wrongCodes = 0;
    m_offer.reset();
    token = Base64Url(RandomBytes(kTokenBytes));
    const QDateTime now = m_clock.NowUtc();
    if (m_devices.size() >= kMaxDevices) {   // the one unused longest makes room
        const auto oldest = std::min_element(m_devices.begin(), m_devices.end(),
                                             [](const PairedDevice& a, const PairedDevice& b) { return a.lastUse < b.lastUse; });
        m_lastUseSavedAtMs.removeAt(oldest - m_devices.begin());
        m_devices.erase(oldest);
    }
    m_devices.append({Base64Url(RandomBytes(kIdBytes)), name, TokenHash(token), now, now});
    m_lastUseSavedAtMs.append(m_clock.NowMs());
    Save();
    qCInfo(lcRemote).noquote() << "paired" << name;
    emit devicesChanged();
    emit offerChanged(CurrentOffer());
    return PairOutcome::Paired;
}

std::optional<QByteArray> CRemotePairing::Authenticate(QByteArrayView token)
{
    if (token.isEmpty())
        return std::nullopt;
    const QByteArray hash = TokenHash(token);
    qsizetype found = -1;
    for (qsizetype i = 0; i < m_devices.size(); ++i) {
        if (ConstantTimeEquals(hash, m_devices[i].tokenHash))
            found = i;
    }
    if (found < 0)
        return std::nullopt;
    PairedDevice& device = m_devices[found];
    device.lastUse = m_clock.NowUtc();
    if (m_clock.NowMs() - m_lastUseSavedAtMs[found] >= kLastUseSaveMs) {
        m_lastUseSavedAtMs[found] = m_clock.NowMs();
        Save();
        emit devicesChanged();
    }
    return device.id;
}

QString CRemotePairing::DeviceName(const QByteArray& id) const
{
    for (const PairedDevice& device : m_devices) {
        if (device.id == id)
            return device.name;
    }
    return {};
}

void CRemotePairing::Forget(const QByteArray& id)
{
    for (qsizetype i = 0; i < m_devices.size(); ++i) {
        if (m_devices[i].id != id)
            continue;
        qCInfo(lcRemote).noquote() << "forgot" << m_devices[i].name;
        m_devices.removeAt(i);
        m_lastUseSavedAtMs.removeAt(i);
        Save();
        emit devicesChanged();
        emit deviceForgotten(id);
        return;
    }
}

void CRemotePairing::ForgetAll()
{
    const QList<PairedDevice> devices = std::exchange(m_devices, {});
    qCInfo(lcRemote) << "forgot every device";
    m_lastUseSavedAtMs.clear();
    Save();
    emit devicesChanged();
    for (const PairedDevice& device : devices)
        emit deviceForgotten(device.id);
}

void CRemotePairing::SaveLastUses()
{
    Save();
}

void CRemotePairing::Load()
{
    m_devices.clear();
    const int n = m_settings.beginReadArray(QLatin1String(kDevicesArray));
    for (int i = 0; i < n && m_devices.size() < kMaxDevices; ++i) {
        m_settings.setArrayIndex(i);
        PairedDevice device;
        device.id = m_settings.value(QLatin1String(kIdKey)).toByteArray();
        device.name = m_settings.value(QLatin1String(kNameKey)).toString();
        device.tokenHash = QByteArray::fromHex(m_settings.value(QLatin1String(kHashKey)).toByteArray());
        device.paired = m_settings.value(QLatin1String(kPairedKey)).toDateTime();
        device.lastUse = m_settings.value(QLatin1String(kLastUseKey)).toDateTime();
        // a record that lost its hash can never be matched: it is left out
        if (!device.id.isEmpty() && device.tokenHash.size() == 32)
            m_devices.append(device);
    }
    m_settings.endArray();
    m_lastUseSavedAtMs = QList<qint64>(m_devices.size(), m_clock.NowMs());
}

void CRemotePairing::Save()
{
    m_settings.remove(QLatin1String(kDevicesArray));
    m_settings.beginWriteArray(QLatin1String(kDevicesArray), static_cast<int>(m_devices.size()));
    for (int i = 0; i < m_devices.size(); ++i) {
        const PairedDevice& device = m_devices[i];
        m_settings.setArrayIndex(i);
        m_settings.setValue(QLatin1String(kIdKey), device.id);
        m_settings.setValue(QLatin1String(kNameKey), device.name);
        m_settings.setValue(QLatin1String(kHashKey), device.tokenHash.toHex());
        m_settings.setValue(QLatin1String(kPairedKey), device.paired);
        m_settings.setValue(QLatin1String(kLastUseKey), device.lastUse);
    }
    m_settings.endArray();
    m_settings.sync();
}
