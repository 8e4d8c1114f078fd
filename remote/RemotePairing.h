// Who may use the remote server: pairing a device with a short-lived offer
// (a 6-digit code, or the secret of the pairing link), and the paired devices'
// tokens. A token is 256 random bits, kept only as its SHA-256 hash with the
// device's name and last use; comparing goes over every stored hash in
// constant time. Five wrong codes lock pairing for a minute.
#pragma once

#include "remote/RemoteClock.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class QSettings;

struct PairingOffer {
    QString code;         // 6 digits
    QByteArray secret;    // the pairing link's, 128 bits in base64url
    qint64 expiresAtMs = 0;
};

struct PairedDevice {
    QByteArray id;          // a short handle for forgetting it, never the token
    QString name;
    QByteArray tokenHash;   // SHA-256 of the token
    QDateTime paired;
    QDateTime lastUse;
};

enum class PairOutcome {
    Paired,
    WrongCode,   // no offer matches, or it expired or was used
    Locked,      // too many wrong codes lately
    BadName,     // the device name is empty, too long or holds control characters
};

class CRemotePairing : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kOfferLifetimeMs = 5 * 60 * 1000;
    static constexpr int kWrongCodesBeforeLock = 5;
    static constexpr qint64 kLockMs = 60 * 1000;
    static constexpr int kMaxDeviceNameLength = 64;
    static constexpr int kMaxDevices = 100;
    static constexpr int kTokenBytes = 32;
    static constexpr int kSecretBytes = 16;
    // Last use is written to the settings at most this often per device.
    static constexpr qint64 kLastUseSaveMs = 60 * 1000;

    // settings keeps the devices (group "remote/devices"); the clock and the settings outlive the pairing.
    CRemotePairing(const CRemoteClock& clock, QSettings& settings, QObject* parent = nullptr);

    // The offer in force, a new one when there is none or it ran out or was used.
    PairingOffer CurrentOffer();
    // A new offer in place of the one in force.
    PairingOffer FreshOffer();
    // Milliseconds the offer in force stays valid; 0 when there is none.
    qint64 OfferLeftMs() const;

    // Pairs a device with the code or the link's secret. On success token holds
    // the device's token (shown to it once, never stored) and the offer is used up.
    PairOutcome Pair(const QString& code, const QString& deviceName, QByteArray& token);
    // Milliseconds until pairing is possible again; 0 when it is not locked.
    qint64 LockedForMs() const;

    // The device the token belongs to, and its last use noted; nothing for an unknown or forgotten token.
    std::optional<QByteArray> Authenticate(QByteArrayView token);

    QList<PairedDevice> Devices() const { return m_devices; }
    QString DeviceName(const QByteArray& id) const;
    void Forget(const QByteArray& id);
    void ForgetAll();
    // Writes the last uses not written yet.
    void SaveLastUses();

signals:
    void devicesChanged();
    void offerChanged(const PairingOffer& offer);
    // A device was forgotten: its connections must end.
    void deviceForgotten(const QByteArray& id);

private:
    bool OfferValid() const;
    bool Matches(const QString& code) const;
    bool NoteWrongCode();
    void Load();
    void Save();

    const CRemoteClock& m_clock;
    QSettings& m_settings;
    std::optional<PairingOffer> m_offer;
    int m_wrongCodes = 0;
    qint64 m_lockedUntilMs = 0;
    QList<PairedDevice> m_devices;
    QList<qint64> m_lastUseSavedAtMs;   // per device, when its last use was written
};

// SHA-256 of a token.
QByteArray TokenHash(QByteArrayView token);
// Compares two byte strings of equal length in time that does not depend on where they differ.
bool ConstantTimeEquals(QByteArrayView a, QByteArrayView b);
