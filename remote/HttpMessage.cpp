#include "remote/HttpMessage.h"

#include <QUrlQuery>

#include <algorithm>

namespace {

constexpr QByteArrayView kLineEnd = "\r\n";
constexpr QByteArrayView kHeadEnd = "\r\n\r\n";
constexpr qsizetype kMaxMethodLength = 16;
constexpr qsizetype kMaxContentLengthDigits = 18;

RequestHead Refuse(int status, const char* reason)
{
    RequestHead head;
    head.status = RequestHead::Status::Refused;
    head.errorStatus = status;
    head.reason = reason;
    return head;
}

// A character of a method or a field name (RFC 9110 "tchar").
bool IsTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool IsToken(QByteArrayView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), IsTokenChar);
}

// Visible characters and blanks; no control character but the tab.
bool IsFieldValue(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u == '\t' || (u >= 0x20 && u != 0x7f);
    });
}

bool IsTarget(QByteArrayView text)
{
    return text.startsWith('/') && std::all_of(text.begin(), text.end(), [](char c) {
               const auto u = static_cast<unsigned char>(c);
               return u > 0x20 && u < 0x7f;
           });
}

QByteArray Trimmed(QByteArrayView text)
{
    return text.trimmed().toByteArray();
}

QStringList SplitPath(QByteArrayView target)
{
    qsizetype end = target.size();
    for (const char stop : {'?', '#'}) {
        const qsizetype at = target.indexOf(stop);
        if (at >= 0)
            end = std::min(end, at);
    }
    QStringList segments;
    const QByteArrayView path = target.first(end);
    for (const QByteArray& segment : path.toByteArray().split('/')) {
        if (!segment.isEmpty())
            segments << QString::fromUtf8(QByteArray::fromPercentEncoding(segment));
    }
    return segments;
}

// A head that has not ended yet is refused as soon as its request line cannot be one.
bool CanBeRequestLine(QByteArrayView start)
{
    const qsizetype space = start.indexOf(' ');
    const QByteArrayView method = space < 0 ? start.first(std::min(start.size(), kMaxMethodLength + 1)) : start.first(space);
    if (method.size() > kMaxMethodLength)
        return false;
    return std::all_of(method.begin(), method.end(), IsTokenChar);
}

bool ReadRequestLine(QByteArrayView line, HttpRequest& request, RequestHead& refusal)
{
    const qsizetype first = line.indexOf(' ');
    const qsizetype last = line.lastIndexOf(' ');
    if (first <= 0 || last <= first + 1) {
        refusal = Refuse(400, "the request line is not METHOD TARGET VERSION");
        return false;
    }
    const QByteArrayView method = line.first(first);
    const QByteArrayView target = line.sliced(first + 1, last - first - 1);
    const QByteArrayView version = line.sliced(last + 1);
    if (!IsToken(method) || method.size() > kMaxMethodLength) {
        refusal = Refuse(400, "the method is not a word");
        return false;
    }
    if (!IsTarget(target)) {
        refusal = Refuse(400, "the target is not a path");
        return false;
    }
    if (version != "HTTP/1.1" && version != "HTTP/1.0") {
        refusal = version.startsWith("HTTP/") ? Refuse(505, "only HTTP/1.1 and HTTP/1.0 are spoken")
                                               : Refuse(400, "the request line names no HTTP version");
        return false;
    }
    request.method = method.toByteArray();
    request.target = target.toByteArray();
    request.path = SplitPath(target);
    request.http10 = version == "HTTP/1.0";
    return true;
}

bool ReadContentLength(HttpRequest& request, RequestHead& refusal)
{
    QByteArray seen;
    for (const auto& [name, value] : request.headers) {
        if (name != "content-length")
            continue;
        if (value.isEmpty() || value.size() > kMaxContentLengthDigits ||
            !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            refusal = Refuse(400, "Content-Length is not a number");
            return false;
        }
        if (!seen.isEmpty() && seen != value) {
            refusal = Refuse(400, "Content-Length is given twice with different values");
            return false;
        }
        seen = value;
    }
    request.contentLength = seen.isEmpty() ? 0 : seen.toLongLong();
    if (request.contentLength > kMaxRequestBodyBytes) {
        refusal = Refuse(413, "the body is larger than 64 KiB");
        return false;
    }
    return true;
}

bool ReadHeaderLine(QByteArrayView line, HttpRequest& request, RequestHead& refusal)
{
    if (line.startsWith(' ') || line.startsWith('\t')) {
        refusal = Refuse(400, "a header field is folded over two lines");
        return false;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0 || !IsToken(line.first(colon))) {
        refusal = Refuse(400, "a header line is not NAME: VALUE");
        return false;
    }
    const QByteArrayView value = line.sliced(colon + 1);
    if (!IsFieldValue(value)) {
        refusal = Refuse(400, "a header value holds a control character");
        return false;
    }
    if (request.headers.size() >= kMaxHeaderFields) {
        refusal = Refuse(431, "more than 64 header fields");
        return false;
    }
    request.headers.append({line.first(colon).toByteArray().toLower(), Trimmed(value)});
    return true;
}

}  // namespace

QByteArray HttpRequest::Header(QByteArrayView lowerName) const
{
    QByteArray joined;
    for (const auto& [name, value] : headers) {
        if (name != lowerName)
            continue;
        if (!joined.isEmpty())
            joined += ", ";
        joined += value;
    }
    return joined;
}

bool HttpRequest::HasHeader(QByteArrayView lowerName) const
{
    return std::any_of(headers.begin(), headers.end(), [&](const auto& field) { return field.first == lowerName; });
}

bool HttpRequest::KeepAlive() const
{
    const QList<QByteArray> options = Header("connection").toLower().split(',');
    const auto has = [&](QByteArrayView option) {
        return std::any_of(options.begin(), options.end(), [&](const QByteArray& o) { return o.trimmed() == option; });
    };
    return http10 ? has("keep-alive") : !has("close");
}

bool HttpRequest::IsWebSocketUpgrade() const
{
    return method == "GET" && Header("upgrade").toLower() == "websocket";
}

QByteArray HttpRequest::Cookie(QByteArrayView wanted) const
{
    for (const auto& [name, value] : headers) {
        if (name != "cookie")
            continue;
        for (const QByteArray& pair : value.split(';')) {
            const qsizetype equals = pair.indexOf('=');
            if (equals > 0 && pair.first(equals).trimmed() == wanted)
                return pair.sliced(equals + 1).trimmed();
        }
    }
    return {};
}

QString HttpRequest::Query(const QString& name) const
{
    const qsizetype question = target.indexOf('?');
    if (question < 0)
        return {};
    return QUrlQuery(QString::fromUtf8(target.sliced(question + 1))).queryItemValue(name, QUrl::FullyDecoded);
}

RequestHead ParseRequestHead(QByteArrayView data)
{
    const qsizetype end = data.first(std::min(data.size(), kMaxRequestHeadBytes)).indexOf(kHeadEnd);
    if (end < 0) {
        if (!CanBeRequestLine(data))
            return Refuse(400, "this is not an HTTP request");
        if (data.size() >= kMaxRequestHeadBytes)
            return Refuse(431, "the request head is larger than 8 KiB");
        return {};
    }
    RequestHead head;
    HttpRequest& request = head.request;
    const QByteArrayView text = data.first(end);
    qsizetype at = 0;
    bool first = true;
    while (at <= text.size()) {
        qsizetype lineEnd = text.indexOf(kLineEnd, at);
        if (lineEnd < 0)
            lineEnd = text.size();
        const QByteArrayView line = text.sliced(at, lineEnd - at);
        const bool read = first ? ReadRequestLine(line, request, head) : ReadHeaderLine(line, request, head);
        if (!read)
            return head;
        first = false;
        at = lineEnd + kLineEnd.size();
    }
    if (request.HasHeader("transfer-encoding"))
        return Refuse(501, "chunked and other transfer codings are not supported; send Content-Length");
    if (!ReadContentLength(request, head))
        return head;
    head.status = RequestHead::Status::Complete;
    head.headLength = end + kHeadEnd.size();
    return head;
}

QByteArray StatusReason(int status)
{
    switch (status) {
    case 101: return "Switching Protocols";
    case 200: return "OK";
    case 204: return "No Content";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 409: return "Conflict";
    case 413: return "Content Too Large";
    case 415: return "Unsupported Media Type";
    case 422: return "Unprocessable Content";
    case 429: return "Too Many Requests";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    case 505: return "HTTP Version Not Supported";
    default: return "Unknown";
    }
}

QByteArray HttpResponse(int status, const HttpHeaders& headers, QByteArrayView contentType, QByteArrayView body,
                        bool keepAlive)
{
    QByteArray response = "HTTP/1.1 " + QByteArray::number(status) + ' ' + StatusReason(status) + "\r\n";
    if (!contentType.isEmpty())
        response += "Content-Type: " + contentType.toByteArray() + "\r\n";
    response += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    response += "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n";
    for (const auto& [name, value] : headers)
        response += name + ": " + value + "\r\n";
    if (!keepAlive)
        response += "Connection: close\r\n";
    response += "\r\n";
    response += body;
    return response;
}
