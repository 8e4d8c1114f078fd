// The "Remote control…" dialog: the switch, who may reach the server, the
// pairing link's QR code and the code, the paired devices, in both languages.
#include "UnitFixture.h"

#include "remote/QrCode.h"
#include "remote/RemoteClients.h"
#include "remote/RemoteService.h"
#include "ui/main/RemoteDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpServer>
#include <QTest>
#include <QTreeWidget>

namespace {

QPushButton* Button(QDialog& dialog, const QString& text)
{
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

class RemoteDialogTest : public UnitFixture {
protected:
    void SetUp() override
    {
        UnitFixture::SetUp();
        m_service = std::make_unique<CRemoteService>(*m_adapter);
        RemoteChoices off;
        off.port = FreeLocalPort();
        m_service->Apply(off);
        m_port = off.port;
    }

    void TearDown() override
    {
        m_service->Apply({});
        m_service->Pairing().ForgetAll();
        m_service.reset();
        UnitFixture::TearDown();
    }

    std::unique_ptr<CRemoteService> m_service;
    quint16 m_port = 0;
};

TEST_F(RemoteDialogTest, IsOffUntilTheSwitchIsOn)
{
    CRemoteDialog dialog(*m_service);
    EXPECT_FALSE(dialog.Switch()->isChecked());
    EXPECT_FALSE(m_service->IsListening());
    EXPECT_EQ(dialog.CodeShown(), QString());
    dialog.Switch()->click();
    ASSERT_TRUE(m_service->IsListening());
    EXPECT_EQ(m_service->Server().BaseUrl(), QStringLiteral("http://127.0.0.1:%1").arg(m_port));
    EXPECT_TRUE(m_service->Choices().enabled);
    // the choice is kept for the next start
    CRemoteService next(*m_adapter);
    EXPECT_TRUE(next.Choices().enabled);
    EXPECT_FALSE(next.Choices().network);
    EXPECT_EQ(next.Choices().port, m_port);
}

TEST_F(RemoteDialogTest, ShowsTheCodeAndTheLinkAsAQrCode)
{
    CRemoteDialog dialog(*m_service);
    dialog.Switch()->click();
    const PairingOffer offer = m_service->Pairing().CurrentOffer();
    EXPECT_EQ(dialog.CodeShown(), offer.code);
    EXPECT_EQ(dialog.LinkShown(), QStringLiteral("http://127.0.0.1:%1/#pair=%2").arg(m_port).arg(QString::fromLatin1(offer.secret)));
    const std::optional<QrCode> qr = EncodeQr(dialog.LinkShown().toUtf8());
    ASSERT_TRUE(qr);
    EXPECT_EQ(dialog.QrShown().convertToFormat(QImage::Format_RGB32), QrImage(*qr, 4).convertToFormat(QImage::Format_RGB32));
    // a device paired with it gets a new code shown
    QByteArray token;
    ASSERT_EQ(m_service->Pairing().Pair(offer.code, QStringLiteral("Phone"), token), PairOutcome::Paired);
    EXPECT_NE(dialog.CodeShown(), offer.code);
    EXPECT_EQ(dialog.CodeShown(), m_service->Pairing().CurrentOffer().code);
    // "New code" gives up the one shown
    const QByteArray shown = m_service->Pairing().CurrentOffer().secret;
    Button(dialog, QStringLiteral("New code"))->click();
    EXPECT_NE(m_service->Pairing().CurrentOffer().secret, shown);
    EXPECT_EQ(dialog.CodeShown(), m_service->Pairing().CurrentOffer().code);
}

TEST_F(RemoteDialogTest, ThisNetworkListensOnEveryAddress)
{
    CRemoteDialog dialog(*m_service);
    dialog.Switch()->click();
    dialog.NetworkChoice()->click();
    ASSERT_TRUE(m_service->IsListening());
    EXPECT_TRUE(m_service->Choices().network);
    // the address shown is one another device can reach, never the loopback unless there is nothing else
    EXPECT_TRUE(m_service->Server().BaseUrl().endsWith(QStringLiteral(":%1").arg(m_port)));
}

TEST_F(RemoteDialogTest, APortInUseIsToldAndNothingListens)
{
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress(QHostAddress::LocalHost), m_port));
    CRemoteDialog dialog(*m_service);
    dialog.Switch()->click();
    EXPECT_FALSE(m_service->IsListening());
    EXPECT_FALSE(dialog.ErrorLine()->isHidden());
    EXPECT_EQ(dialog.ErrorLine()->text(),
              QStringLiteral("cannot listen on 127.0.0.1:%1: The bound address is already in use").arg(m_port));
}

TEST_F(RemoteDialogTest, PairedDevicesAreListedAndForgotten)
{
    QByteArray phone;
    QByteArray tablet;
    ASSERT_EQ(m_service->Pairing().Pair(m_service->Pairing().CurrentOffer().code, QStringLiteral("Phone"), phone),
              PairOutcome::Paired);
    ASSERT_EQ(m_service->Pairing().Pair(m_service->Pairing().CurrentOffer().code, QStringLiteral("Tablet"), tablet),
              PairOutcome::Paired);
    CRemoteDialog dialog(*m_service);
    QTreeWidget* devices = dialog.Devices();
    ASSERT_EQ(devices->topLevelItemCount(), 2);
    EXPECT_EQ(devices->topLevelItem(0)->text(0), QStringLiteral("Phone"));
    EXPECT_EQ(devices->topLevelItem(1)->text(0), QStringLiteral("Tablet"));
    EXPECT_FALSE(devices->topLevelItem(0)->text(1).isEmpty());   // its last use
    QPushButton* forget = Button(dialog, QStringLiteral("Forget"));
    EXPECT_FALSE(forget->isEnabled());
    devices->setCurrentItem(devices->topLevelItem(0));
    EXPECT_TRUE(forget->isEnabled());
    forget->click();
    ASSERT_EQ(devices->topLevelItemCount(), 1);
    EXPECT_EQ(devices->topLevelItem(0)->text(0), QStringLiteral("Tablet"));
    ASSERT_EQ(m_service->Pairing().Devices().size(), 1);
    EXPECT_FALSE(m_service->Pairing().Authenticate(phone).has_value());
    EXPECT_TRUE(m_service->Pairing().Authenticate(tablet).has_value());
    Button(dialog, QStringLiteral("Forget all"))->click();
    EXPECT_EQ(devices->topLevelItemCount(), 0);
    EXPECT_TRUE(m_service->Pairing().Devices().isEmpty());
}

TEST_F(RemoteDialogTest, SpeaksTheWindowsLanguage)
{
    CRemoteDialog dialog(*m_service);
    SetCurrentLanguage(kChinese);
    FollowLanguage();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("远程控制"));
    EXPECT_EQ(dialog.Switch()->text(), QStringLiteral("允许已配对的手机、平板和脚本控制设备"));
    EXPECT_EQ(dialog.NetworkChoice()->text(), QStringLiteral("本网络"));
    EXPECT_NE(Button(dialog, QStringLiteral("全部忘记")), nullptr);
    EXPECT_EQ(dialog.Devices()->headerItem()->text(1), QStringLiteral("最近使用"));
    SetCurrentLanguage(kEnglish);
    FollowLanguage();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Remote control"));
}

}  // namespace
