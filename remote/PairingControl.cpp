#include "remote/PairingControl.h"

#include "remote/QrCode.h"
#include "remote/RemotePairing.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

namespace {

constexpr qint64 kMaxRequestBytes = 256;
constexpr qint64 kMaxAnswerBytes = 4096;
constexpr int kWaitMs = 2000;

}  // namespace

CPairingControl::CPairingControl(Answer answer, QObject* parent) : QObject(parent), m_answer(std::move(answer))
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    m_server.setMaxPendingConnections(4);
    connect(&m_server, &QLocalServer::newConnection, this, &CPairingControl::OnConnection);
}

QString CPairingControl::SocketPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("quenda-serve"));
}

// A socket left by a server that was killed is taken over; one that answers belongs to a running server.
bool CPairingControl::Listen(QString& error)
{
    const QString path = SocketPath();
    if (m_server.listen(path))
        return true;
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(kWaitMs)) {
        error = QStringLiteral("another quenda serve answers at %1: quenda pair reaches that one").arg(path);
        return false;
    }
    QLocalServer::removeServer(path);
    if (m_server.listen(path))
        return true;
    error = QStringLiteral("%1: %2").arg(path, m_server.errorString());
    return false;
}

void CPairingControl::OnConnection()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // a client that says nothing is let go
        QTimer::singleShot(kWaitMs, socket, &QLocalSocket::abort);
        connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
            if (socket->bytesAvailable() > kMaxRequestBytes) {
                socket->abort();
                return;
            }
            if (!socket->canReadLine())
                return;
            const QString request = QString::fromUtf8(socket->readLine(kMaxRequestBytes)).chopped(1);
            socket->write(m_answer(request) + '\n');
            socket->disconnectFromServer();
        });
    }
}

bool AskServe(const QString& request, QByteArray& answer, QString& error)
{
    const QString path = CPairingControl::SocketPath();
    QLocalSocket socket;
    socket.setReadBufferSize(kMaxAnswerBytes);
    socket.connectToServer(path);
    if (!socket.waitForConnected(kWaitMs)) {
        error = QStringLiteral("no quenda serve answers at %1: %2").arg(path, socket.errorString());
        return false;
    }
    socket.write(request.toUtf8() + '\n');
    while (!socket.canReadLine() && socket.bytesAvailable() < kMaxAnswerBytes) {
        if (!socket.waitForReadyRead(kWaitMs)) {
            error = QStringLiteral("quenda serve did not answer at %1").arg(path);
            return false;
        }
    }
    answer = socket.readLine(kMaxAnswerBytes).trimmed();
    return true;
}

QByteArray PairingAnswer(const QString& address, const QString& link, const QString& code, int validSeconds)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("address"), address},
                                     {QStringLiteral("link"), link},
                                     {QStringLiteral("code"), code},
                                     {QStringLiteral("validSeconds"), validSeconds}})
        .toJson(QJsonDocument::Compact);
}

bool PairingInstructions(const QByteArray& answer, QString& text, QString& error)
{
    const QJsonObject offer = QJsonDocument::fromJson(answer).object();
    const QString address = offer.value(QStringLiteral("address")).toString();
    const QString link = offer.value(QStringLiteral("link")).toString();
    const QString code = offer.value(QStringLiteral("code")).toString();
    const std::optional<QrCode> qr = EncodeQr(link.toUtf8());
    if (address.isEmpty() || link.isEmpty() || code.isEmpty() || !qr) {
        error = QStringLiteral("quenda serve gave no pairing offer");
        return false;
    }
    const int minutes = offer.value(QStringLiteral("validSeconds")).toInt() / 60;
    text = QStringLiteral("remote control at %1\n"
                          "pair a device by opening this link (or scanning the code) within %2 minutes:\n%3\n%4"
                          "or enter the code %5 on the page at %1\n")
               .arg(address)
               .arg(minutes)
               .arg(link, QrForTerminal(*qr), code);
    return true;
}

QByteArray DevicesAnswer(const QList<PairedDevice>& devices, int forgotten)
{
    QJsonArray list;
    for (const PairedDevice& device : devices) {
        list.append(QJsonObject{{QStringLiteral("name"), device.name},
                                {QStringLiteral("paired"), device.paired.toString(Qt::ISODate)},
                                {QStringLiteral("lastUse"), device.lastUse.toString(Qt::ISODate)}});
    }
    QJsonObject answer{{QStringLiteral("devices"), list}};
    if (forgotten >= 0)
        answer.insert(QStringLiteral("forgotten"), forgotten);
    return QJsonDocument(answer).toJson(QJsonDocument::Compact);
}

bool DevicesText(const QByteArray& answer, QString& text, QString& error)
{
    const QJsonObject object = QJsonDocument::fromJson(answer).object();
    if (!object.value(QStringLiteral("devices")).isArray()) {
        error = QStringLiteral("quenda serve gave no list of devices");
        return false;
    }
    text.clear();
    if (object.contains(QStringLiteral("forgotten")))
        text += QStringLiteral("forgot %1 device(s)\n").arg(object.value(QStringLiteral("forgotten")).toInt());
    const QJsonArray devices = object.value(QStringLiteral("devices")).toArray();
    if (devices.isEmpty())
        text += QStringLiteral("no device is paired\n");
    for (const QJsonValue device : devices) {
        text += QStringLiteral("%1  paired %2, last used %3\n")
                    .arg(device[QStringLiteral("name")].toString(), device[QStringLiteral("paired")].toString(),
                         device[QStringLiteral("lastUse")].toString());
    }
    return true;
}
