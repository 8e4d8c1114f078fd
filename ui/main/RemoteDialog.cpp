#include "ui/main/RemoteDialog.h"

#include "remote/QrCode.h"
#include "remote/RemoteService.h"
#include "ui/common/Language.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kQrModulePixels = 4;
constexpr int kCountdownMs = 1000;
constexpr int kCodePointSize = 20;
constexpr int kFirstUserPort = 1024;
constexpr int kLastPort = 65535;
constexpr int kDeviceIdRole = Qt::UserRole;
constexpr int kMinimumWidth = 520;

}  // namespace

CRemoteDialog::CRemoteDialog(CRemoteService& service, QWidget* parent) : QDialog(parent), m_service(service)
{
    BuildLayout();
    ApplyLanguage();
    ShowChoices();
    ShowOffer();
    ShowDevices();
    m_countdown.setInterval(kCountdownMs);
    connect(&m_countdown, &QTimer::timeout, this, &CRemoteDialog::ShowValidity);
    m_countdown.start();
    connect(m_switch, &QCheckBox::toggled, this, &CRemoteDialog::ApplyChoices);
    connect(m_network, &QRadioButton::toggled, this, &CRemoteDialog::ApplyChoices);
    connect(m_port, &QSpinBox::editingFinished, this, &CRemoteDialog::ApplyChoices);
    connect(m_certificate, &QLineEdit::editingFinished, this, &CRemoteDialog::ApplyChoices);
    connect(m_key, &QLineEdit::editingFinished, this, &CRemoteDialog::ApplyChoices);
    connect(m_chooseCertificate, &QPushButton::clicked, this, [this] { ChooseFile(m_certificate, tr("HTTPS certificate")); });
    connect(m_chooseKey, &QPushButton::clicked, this, [this] { ChooseFile(m_key, tr("Key of the certificate")); });
    connect(m_newCode, &QPushButton::clicked, this, [this] { m_service.Pairing().FreshOffer(); });
    connect(m_forget, &QPushButton::clicked, this, &CRemoteDialog::ForgetSelected);
    connect(m_forgetAll, &QPushButton::clicked, this, &CRemoteDialog::ForgetAll);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_devices, &QTreeWidget::itemSelectionChanged, this, [this] { m_forget->setEnabled(!m_devices->selectedItems().isEmpty()); });
    connect(&m_service.Pairing(), &CRemotePairing::offerChanged, this, &CRemoteDialog::ShowOffer);
    connect(&m_service.Pairing(), &CRemotePairing::devicesChanged, this, &CRemoteDialog::ShowDevices);
    connect(&m_service, &CRemoteService::listeningChanged, this, &CRemoteDialog::ShowOffer);
}

void CRemoteDialog::BuildLayout()
{
    m_switch = new QCheckBox(this);
    m_thisComputer = new QRadioButton(this);
    m_network = new QRadioButton(this);
    m_port = new QSpinBox(this);
    m_port->setRange(kFirstUserPort, kLastPort);
    m_portLabel = new QLabel(this);
    m_portLabel->setBuddy(m_port);
    m_certificate = new QLineEdit(this);
    m_certificateLabel = new QLabel(this);
    m_certificateLabel->setBuddy(m_certificate);
    m_chooseCertificate = new QPushButton(this);
    m_key = new QLineEdit(this);
    m_keyLabel = new QLabel(this);
    m_keyLabel->setBuddy(m_key);
    m_chooseKey = new QPushButton(this);
    m_error = new QLabel(this);
    m_error->setWordWrap(true);
    m_error->setStyleSheet(QStringLiteral("color: #d03030;"));
    m_addressLabel = new QLabel(this);
    m_address = new QLabel(this);
    m_address->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_addressLabel->setBuddy(m_address);
    m_qr = new QLabel(this);
    m_qr->setAlignment(Qt::AlignCenter);
    m_link = new QLabel(this);
    m_link->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_link->setWordWrap(true);
    m_codeLabel = new QLabel(this);
    m_code = new QLabel(this);
    m_code->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont codeFont = m_code->font();
    codeFont.setPointSize(kCodePointSize);
    codeFont.setBold(true);
    m_code->setFont(codeFont);
    m_codeLabel->setBuddy(m_code);
    m_validity = new QLabel(this);
    m_newCode = new QPushButton(this);
    m_devicesLabel = new QLabel(this);
    m_devices = new QTreeWidget(this);
    m_devices->setColumnCount(2);
    m_devices->setRootIsDecorated(false);
    m_devices->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_devicesLabel->setBuddy(m_devices);
    m_forget = new QPushButton(this);
    m_forget->setEnabled(false);
    m_forgetAll = new QPushButton(this);
    m_close = new QPushButton(this);

    auto* reach = new QHBoxLayout;
    reach->addWidget(m_thisComputer);
    reach->addWidget(m_network);
    reach->addStretch();
    reach->addWidget(m_portLabel);
    reach->addWidget(m_port);
    m_tlsGroup = new QGroupBox(this);
    auto* tls = new QGridLayout(m_tlsGroup);
    tls->addWidget(m_certificateLabel, 0, 0);
    tls->addWidget(m_certificate, 0, 1);
    tls->addWidget(m_chooseCertificate, 0, 2);
    tls->addWidget(m_keyLabel, 1, 0);
    tls->addWidget(m_key, 1, 1);
    tls->addWidget(m_chooseKey, 1, 2);
    auto* pairing = new QFormLayout;
    pairing->addRow(m_addressLabel, m_address);
    pairing->addRow(m_codeLabel, m_code);
    pairing->addRow(QString(), m_validity);
    pairing->addRow(QString(), m_newCode);
    auto* offer = new QHBoxLayout;
    offer->addWidget(m_qr);
    offer->addLayout(pairing, 1);
    auto* deviceButtons = new QHBoxLayout;
    deviceButtons->addWidget(m_forget);
    deviceButtons->addWidget(m_forgetAll);
    deviceButtons->addStretch();
    deviceButtons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_switch);
    layout->addLayout(reach);
    layout->addWidget(m_tlsGroup);
    layout->addWidget(m_error);
    layout->addLayout(offer);
    layout->addWidget(m_link);
    layout->addWidget(m_devicesLabel);
    layout->addWidget(m_devices, 1);
    layout->addLayout(deviceButtons);
    setMinimumWidth(kMinimumWidth);
}

void CRemoteDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ApplyLanguage();
    QDialog::changeEvent(event);
}

void CRemoteDialog::ApplyLanguage()
{
    setWindowTitle(tr("Remote control"));
    m_switch->setText(tr("Let paired phones, tablets and scripts control the unit"));
    m_thisComputer->setText(tr("Only this computer"));
    m_network->setText(tr("This network"));
    m_portLabel->setText(tr("Port:"));
    m_certificateLabel->setText(tr("HTTPS certificate:"));
    m_keyLabel->setText(tr("Key:"));
    m_tlsGroup->setTitle(tr("HTTPS (optional)"));
    m_chooseCertificate->setText(tr("Choose…"));
    m_chooseCertificate->setAccessibleName(tr("Choose the HTTPS certificate"));
    m_chooseKey->setText(tr("Choose…"));
    m_chooseKey->setAccessibleName(tr("Choose the key of the certificate"));
    m_addressLabel->setText(tr("Address:"));
    m_codeLabel->setText(tr("Pairing code:"));
    m_newCode->setText(tr("New code"));
    m_devicesLabel->setText(tr("Paired devices:"));
    m_devices->setHeaderLabels({tr("Name"), tr("Last use")});
    m_forget->setText(tr("Forget"));
    m_forgetAll->setText(tr("Forget all"));
    m_close->setText(tr("Close"));
    m_qr->setAccessibleName(tr("QR code of the pairing link"));
    ShowOffer();
    ShowDevices();
}

void CRemoteDialog::ShowChoices()
{
    const RemoteChoices choices = m_service.Choices();
    const QSignalBlocker blockSwitch(m_switch);
    const QSignalBlocker blockNetwork(m_network);
    m_switch->setChecked(choices.enabled);
    (choices.network ? m_network : m_thisComputer)->setChecked(true);
    m_port->setValue(choices.port);
    m_certificate->setText(choices.tlsCertificateFile);
    m_key->setText(choices.tlsKeyFile);
}

void CRemoteDialog::ApplyChoices()
{
    RemoteChoices choices;
    choices.enabled = m_switch->isChecked();
    choices.network = m_network->isChecked();
    choices.port = static_cast<quint16>(m_port->value());
    choices.tlsCertificateFile = m_certificate->text().trimmed();
    choices.tlsKeyFile = m_key->text().trimmed();
    if (choices == m_service.Choices() && m_service.IsListening() == choices.enabled)
        return;
    m_service.Apply(choices);
    ShowOffer();
}

// While the server listens, the offer in force; a new one when it ran out or was used.
void CRemoteDialog::ShowOffer()
{
    const bool listening = m_service.IsListening();
    m_error->setText(m_service.Error());
    m_error->setVisible(!m_service.Error().isEmpty());
    for (QWidget* part : std::initializer_list<QWidget*>{m_address, m_qr, m_link, m_code, m_validity, m_newCode})
        part->setEnabled(listening);
    if (!listening) {
        m_address->setText(tr("Remote control is off"));
        m_code->clear();
        m_link->clear();
        m_qr->clear();
        m_validity->clear();
        return;
    }
    const PairingOffer offer = m_service.Pairing().CurrentOffer();
    const QString link = m_service.Server().PairingLink(offer);
    m_address->setText(m_service.Server().BaseUrl());
    m_code->setText(offer.code);
    m_link->setText(link);
    const std::optional<QrCode> qr = EncodeQr(link.toUtf8());
    m_qr->setPixmap(qr ? QPixmap::fromImage(QrImage(*qr, kQrModulePixels)) : QPixmap());
    ShowValidity();
}

void CRemoteDialog::ShowValidity()
{
    if (!m_service.IsListening())
        return;
    const qint64 left = m_service.Pairing().OfferLeftMs();
    if (left <= 0) {
        m_service.Pairing().FreshOffer();   // shows itself through offerChanged
        return;
    }
    const qint64 seconds = (left + 999) / 1000;
    m_validity->setText(tr("Valid for %1:%2 and one device")
                            .arg(seconds / 60)
                            .arg(seconds % 60, 2, 10, QLatin1Char('0')));
}

void CRemoteDialog::ShowDevices()
{
    m_devices->clear();
    const QLocale locale = CurrentLanguage() == kChinese ? QLocale(QLocale::Chinese, QLocale::China) : QLocale();
    for (const PairedDevice& device : m_service.Pairing().Devices()) {
        auto* item = new QTreeWidgetItem(m_devices, {device.name, locale.toString(device.lastUse.toLocalTime(), QLocale::ShortFormat)});
        item->setData(0, kDeviceIdRole, device.id);
    }
    m_forget->setEnabled(false);
    m_forgetAll->setEnabled(m_devices->topLevelItemCount() > 0);
}

void CRemoteDialog::ForgetSelected()
{
    const QList<QTreeWidgetItem*> selected = m_devices->selectedItems();
    if (!selected.isEmpty())
        m_service.Pairing().Forget(selected.first()->data(0, kDeviceIdRole).toByteArray());
}

void CRemoteDialog::ForgetAll()
{
    m_service.Pairing().ForgetAll();
}

void CRemoteDialog::ChooseFile(QLineEdit* edit, const QString& title)
{
    const QString file = QFileDialog::getOpenFileName(this, title, edit->text(), tr("PEM files (*.pem *.crt *.key);;All files (*)"));
    if (file.isEmpty())
        return;
    edit->setText(file);
    ApplyChoices();
}

QString CRemoteDialog::CodeShown() const
{
    return m_code->text();
}

QString CRemoteDialog::LinkShown() const
{
    return m_link->text();
}

QImage CRemoteDialog::QrShown() const
{
    return m_qr->pixmap().toImage();
}
