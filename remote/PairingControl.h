// How `quenda pair` reaches a running `quenda serve`: a local socket in the
// user's runtime folder that only the same user may open. One request, one
// line: "pair" is answered with a fresh pairing offer as one line of JSON (the
// address, the pairing link, the 6-digit code and the seconds it stays
// valid), "list" with the paired devices, "forget NAME" and "forget-all" with
// the devices forgotten.
#pragma once

#include <QByteArray>
#include <QLocalServer>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class CPairingControl : public QObject {
    Q_OBJECT
public:
    // What a request (its line, without the newline) is answered with: one line of JSON.
    using Answer = std::function<QByteArray(const QString& request)>;

    explicit CPairingControl(Answer answer, QObject* parent = nullptr);

    // Listens at SocketPath(); false with the reason when another server answers there or it cannot.
    bool Listen(QString& error);

    // $XDG_RUNTIME_DIR/quenda-serve (the temporary folder when there is no runtime folder).
    static QString SocketPath();

private:
    void OnConnection();

    Answer m_answer;
    QLocalServer m_server;
};

// Asks the running server (request: "pair", "list", "forget NAME", "forget-all"); false with the reason when none answers.
bool AskServe(const QString& request, QByteArray& answer, QString& error);

// A pairing offer as the server tells it, and as the terminal shows it: the
// address, the link with its QR code, and the code.
QByteArray PairingAnswer(const QString& address, const QString& link, const QString& code, int validSeconds);
// The lines for the terminal of an answer; false with the reason when it is not one.
bool PairingInstructions(const QByteArray& answer, QString& text, QString& error);
// The paired devices as serve tells them, and the lines for the terminal.
QByteArray DevicesAnswer(const QList<struct PairedDevice>& devices, int forgotten = -1);
bool DevicesText(const QByteArray& answer, QString& text, QString& error);
