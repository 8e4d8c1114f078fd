// Pairing offers and paired devices: what is kept of a device, for how long an
// offer holds, the lock, and the names a device may have.
#include "remote/RemotePairing.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

class ManualClock : public CRemoteClock {
public:
    qint64 NowMs() const override { return now; }
    QDateTime NowUtc() const override { return QDateTime(QDate(2026, 12, 11), QTime(9, 0), Qt::UTC).addMSecs(now); }
    qint64 now = 5'000;
};

class Pairing : public testing::Test {
protected:
    std::unique_ptr<QSettings> Settings() const
    {
        return std::make_unique<QSettings>(m_folder.filePath(QStringLiteral("pairing.ini")), QSettings::IniFormat);
    }

    QByteArray PairAs(CRemotePairing& pairing, const QString& name)
    {
        QByteArray token;
        EXPECT_EQ(pairing.Pair(pairing.CurrentOffer().code, name, token), PairOutcome::Paired);
        return token;
    }

    QTemporaryDir m_folder;
    ManualClock m_clock;
};

TEST_F(Pairing, KeepsTheHashNameAndUseOfADeviceAndNeverItsToken)
{
    QByteArray token;
    {
        const auto settings = Settings();
        CRemotePairing pairing(m_clock, *settings);
        token = PairAs(pairing, QStringLiteral("  Pixel 8  "));
    }
    QFile file(m_folder.filePath(QStringLiteral("pairing.ini")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray kept = file.readAll();
    EXPECT_FALSE(kept.contains(token));
    EXPECT_TRUE(kept.contains(TokenHash(token).toHex()));

    const auto settings = Settings();
    CRemotePairing again(m_clock, *settings);   // the next start
    ASSERT_EQ(again.Devices().size(), 1);
    EXPECT_EQ(again.Devices()[0].name, QStringLiteral("Pixel 8"));
    const std::optional<QByteArray> device = again.Authenticate(token);
    ASSERT_TRUE(device);
    EXPECT_EQ(*device, again.Devices()[0].id);
    EXPECT_FALSE(again.Authenticate(token.left(42) + (token.endsWith('A') ? "B" : "A")));
    EXPECT_FALSE(again.Authenticate(QByteArray()));
}

TEST_F(Pairing, AnOfferHoldsFiveMinutesAndOnePairing)
{
    const auto settings = Settings();
    CRemotePairing pairing(m_clock, *settings);
    const PairingOffer offer = pairing.CurrentOffer();
    EXPECT_EQ(offer.code.size(), 6);
    EXPECT_EQ(offer.secret.size(), 22);   // 128 bits in base64url
    EXPECT_EQ(pairing.CurrentOffer().code, offer.code);   // the same until it ends
    EXPECT_EQ(pairing.OfferLeftMs(), CRemotePairing::kOfferLifetimeMs);
    m_clock.now += CRemotePairing::kOfferLifetimeMs - 1;
    EXPECT_EQ(pairing.OfferLeftMs(), 1);
    m_clock.now += 1;
    EXPECT_EQ(pairing.OfferLeftMs(), 0);
    QByteArray token;
    EXPECT_EQ(pairing.Pair(offer.code, QStringLiteral("Late"), token), PairOutcome::WrongCode);
    const PairingOffer next = pairing.CurrentOffer();
    EXPECT_NE(next.secret, offer.secret);
    EXPECT_EQ(pairing.Pair(QString::fromLatin1(next.secret), QStringLiteral("Phone"), token), PairOutcome::Paired);
    EXPECT_EQ(pairing.Pair(next.code, QStringLiteral("Second"), token), PairOutcome::WrongCode);
    EXPECT_EQ(pairing.Devices().size(), 1);
}

TEST_F(Pairing, ABadNameIsRefusedWithoutUsingTheOfferUp)
{
    const auto settings = Settings();
    CRemotePairing pairing(m_clock, *settings);
    const PairingOffer offer = pairing.CurrentOffer();
    QByteArray token;
    for (const QString& name : {QString(), QStringLiteral("   "), QString(65, QLatin1Char('x')), QStringLiteral("a\tb")})
        EXPECT_EQ(pairing.Pair(offer.code, name, token), PairOutcome::BadName) << name.toStdString();
    EXPECT_EQ(pairing.Pair(offer.code, QString(64, QLatin1Char('x')), token), PairOutcome::Paired);
}

TEST_F(Pairing, FiveWrongCodesLockEvenTheRightOneForAMinute)
{
    const auto settings = Settings();
    CRemotePairing pairing(m_clock, *settings);
    const PairingOffer offer = pairing.CurrentOffer();
    const QString wrong = offer.code == QStringLiteral("123456") ? QStringLiteral("654321") : QStringLiteral("123456");
    QByteArray token;
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(pairing.Pair(wrong, QStringLiteral("x"), token), PairOutcome::WrongCode);
    EXPECT_EQ(pairing.Pair(wrong, QStringLiteral("x"), token), PairOutcome::Locked);
    EXPECT_EQ(pairing.LockedForMs(), CRemotePairing::kLockMs);
    EXPECT_EQ(pairing.Pair(offer.code, QStringLiteral("x"), token), PairOutcome::Locked);
    m_clock.now += CRemotePairing::kLockMs;
    EXPECT_EQ(pairing.Pair(offer.code, QStringLiteral("x"), token), PairOutcome::Paired);
}

TEST_F(Pairing, TheDeviceUnusedLongestMakesRoomPastAHundred)
{
    const auto settings = Settings();
    CRemotePairing pairing(m_clock, *settings);
    const QByteArray first = PairAs(pairing, QStringLiteral("First"));
    for (int i = 1; i < CRemotePairing::kMaxDevices; ++i) {
        m_clock.now += CRemotePairing::kLastUseSaveMs;
        PairAs(pairing, QStringLiteral("Device %1").arg(i));
    }
    m_clock.now += CRemotePairing::kLastUseSaveMs;
    ASSERT_TRUE(pairing.Authenticate(first));   // used now: the second one is unused longest
    PairAs(pairing, QStringLiteral("One more"));
    ASSERT_EQ(pairing.Devices().size(), CRemotePairing::kMaxDevices);
    EXPECT_TRUE(pairing.Authenticate(first));
    EXPECT_EQ(pairing.Devices()[0].name, QStringLiteral("First"));
    EXPECT_EQ(pairing.Devices()[1].name, QStringLiteral("Device 2"));
}

TEST_F(Pairing, ForgettingOneLeavesTheOthers)
{
    const auto settings = Settings();
    CRemotePairing pairing(m_clock, *settings);
    const QByteArray phone = PairAs(pairing, QStringLiteral("Phone"));
    const QByteArray tablet = PairAs(pairing, QStringLiteral("Tablet"));
    QList<QByteArray> forgotten;
    QObject::connect(&pairing, &CRemotePairing::deviceForgotten, [&](const QByteArray& id) { forgotten << id; });
    const QByteArray phoneId = pairing.Devices()[0].id;
    pairing.Forget(phoneId);
    EXPECT_EQ(forgotten, QList<QByteArray>{phoneId});
    EXPECT_FALSE(pairing.Authenticate(phone));
    EXPECT_TRUE(pairing.Authenticate(tablet));
    const auto reread = Settings();
    CRemotePairing again(m_clock, *reread);
    ASSERT_EQ(again.Devices().size(), 1);
    EXPECT_EQ(again.Devices()[0].name, QStringLiteral("Tablet"));
}

TEST(TokenCompare, TellsEqualBytesOnly)
{
    EXPECT_TRUE(ConstantTimeEquals("abc", "abc"));
    EXPECT_FALSE(ConstantTimeEquals("abc", "abd"));
    EXPECT_FALSE(ConstantTimeEquals("abc", "ab"));
    EXPECT_TRUE(ConstantTimeEquals("", ""));
}

}  // namespace
