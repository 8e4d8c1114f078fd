// "Remote control…": the switch that lets paired phones, tablets and scripts
// reach the unit, whether only this computer or the network may, the address
// with the pairing link as a QR code and the 6-digit code (each valid for five
// minutes and one pairing), the optional HTTPS certificate, and the paired
// devices with their last use, each of which can be forgotten.
#pragma once

#include <QDialog>
#include <QTimer>

class CRemoteService;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTreeWidget;

class CRemoteDialog : public QDialog {
    Q_OBJECT
public:
    // The service outlives the dialog.
    CRemoteDialog(CRemoteService& service, QWidget* parent = nullptr);

    // What the dialog shows now, for tests: the code, the link, the QR code's picture.
    QString CodeShown() const;
    QString LinkShown() const;
    QImage QrShown() const;
    QTreeWidget* Devices() const { return m_devices; }
    QCheckBox* Switch() const { return m_switch; }
    QRadioButton* NetworkChoice() const { return m_network; }
    QLabel* ErrorLine() const { return m_error; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void BuildLayout();
    void ApplyLanguage();
    void ApplyChoices();
    void ShowChoices();
    void ShowOffer();
    void ShowValidity();
    void ShowDevices();
    void ForgetSelected();
    void ForgetAll();
    void ChooseFile(QLineEdit* edit, const QString& title);

    CRemoteService& m_service;
    QCheckBox* m_switch = nullptr;
    QRadioButton* m_thisComputer = nullptr;
    QRadioButton* m_network = nullptr;
    QLabel* m_portLabel = nullptr;
    QSpinBox* m_port = nullptr;
    QGroupBox* m_tlsGroup = nullptr;
    QLabel* m_certificateLabel = nullptr;
    QLineEdit* m_certificate = nullptr;
    QPushButton* m_chooseCertificate = nullptr;
    QLabel* m_keyLabel = nullptr;
    QLineEdit* m_key = nullptr;
    QPushButton* m_chooseKey = nullptr;
    QLabel* m_error = nullptr;
    QLabel* m_addressLabel = nullptr;
    QLabel* m_address = nullptr;
    QLabel* m_qr = nullptr;
    QLabel* m_link = nullptr;
    QLabel* m_codeLabel = nullptr;
    QLabel* m_code = nullptr;
    QLabel* m_validity = nullptr;
    QPushButton* m_newCode = nullptr;
    QLabel* m_devicesLabel = nullptr;
    QTreeWidget* m_devices = nullptr;
    QPushButton* m_forget = nullptr;
    QPushButton* m_forgetAll = nullptr;
    QPushButton* m_close = nullptr;
    QTimer m_countdown;
};
