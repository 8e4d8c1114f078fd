// HTTP/1.1 as the remote server speaks it, over bytes only: the head of a
// request read from what a client has sent so far, within fixed bounds, and a
// response put together. No socket here, so a fuzzer and a test feed it
// directly.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QStringList>

// A request's head (request line and header fields) is at most this long.
constexpr qsizetype kMaxRequestHeadBytes = 8 * 1024;
// A request's body is at most this long.
constexpr qsizetype kMaxRequestBodyBytes = 64 * 1024;
// Header fields a request may carry.
constexpr int kMaxHeaderFields = 64;

using HttpHeaders = QList<QPair<QByteArray, QByteArray>>;

struct HttpRequest {
    QByteArray method;     // as sent: "GET", "PATCH", ...
    QByteArray target;     // as sent: "/api/v1/units?x=1"
    QStringList path;      // the target's path split at "/" and percent-decoded: {"api", "v1", "units"}
    HttpHeaders headers;   // names in lower case, values without surrounding blanks
    qsizetype contentLength = 0;
    bool http10 = false;
    QByteArray body;

    // The value of a field, empty when it is missing; several of one name are joined by ", ".
    QByteArray Header(QByteArrayView lowerName) const;
    bool HasHeader(QByteArrayView lowerName) const;
    // The client wants the connection kept after this request.
    bool KeepAlive() const;
    // A WebSocket opening handshake (GET with Upgrade: websocket).
    bool IsWebSocketUpgrade() const;
    // The value of one cookie of the Cookie fields, empty when there is none.
    QByteArray Cookie(QByteArrayView name) const;
    // The decoded value of a parameter of the target's query, empty when there is none.
    QString Query(const QString& name) const;
};

struct RequestHead {
    enum class Status {
        Incomplete,   // the head has not all come yet, and may still fit
        Complete,     // request is filled in; the body follows the head
        Refused,      // answer errorStatus with reason, then close
    };
    Status status = Status::Incomplete;
    int errorStatus = 0;   // 400, 413, 431, 501 or 505
    QByteArray reason;
    qsizetype headLength = 0;   // bytes of the head, its blank line included
    HttpRequest request;
};

// Reads the head at the start of data, all the client has sent so far.
RequestHead ParseRequestHead(QByteArrayView data);

// "OK", "Not Found", ... for the statuses the server sends.
QByteArray StatusReason(int status);

// A whole response with Content-Length; keepAlive false adds "Connection: close".
QByteArray HttpResponse(int status, const HttpHeaders& headers, QByteArrayView contentType, QByteArrayView body,
                        bool keepAlive);
