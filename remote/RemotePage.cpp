#include "remote/RemotePage.h"

#include "remote/HttpConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <optional>

namespace {

const QString kPageFolder = QStringLiteral(":/remote/page");
const QString kPageSegment = QStringLiteral("page");
const QString kIndex = QStringLiteral("index.html");
constexpr qsizetype kMaxHostLength = 255;

// A host name, an IPv4 address or a bracketed IPv6 one, with its port: nothing that could end a directive.
bool IsPlainHost(const QByteArray& host)
{
    return !host.isEmpty() && host.size() <= kMaxHostLength && std::all_of(host.begin(), host.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
               c == ':' || c == '[' || c == ']';
    });
}

// The file a path names: "" for / and NAME for /page/NAME; nothing for any other path.
std::optional<QString> PageFileOf(const QStringList& path)
{
    if (path.isEmpty())
        return kIndex;
    if (path.size() == 2 && path[0] == kPageSegment && PageFileNames().contains(path[1]))
        return path[1];
    return std::nullopt;
}

}  // namespace

QStringList PageFileNames()
{
    return QDir(kPageFolder).entryList(QDir::Files, QDir::Name);
}

QByteArray PageContentType(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix();
    if (suffix == QLatin1String("html"))
        return "text/html; charset=utf-8";
    if (suffix == QLatin1String("css"))
        return "text/css; charset=utf-8";
    if (suffix == QLatin1String("js"))
        return "text/javascript; charset=utf-8";
    if (suffix == QLatin1String("svg"))
        return "image/svg+xml";
    return "application/octet-stream";
}

QByteArray PagePolicy(const QByteArray& host)
{
    QByteArray connect = "'self'";
    if (IsPlainHost(host))
        connect += " ws://" + host + " wss://" + host;
    return "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; connect-src " + connect +
           "; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";
}

bool ServePage(CHttpConnection& connection, const HttpRequest& request)
{
    const std::optional<QString> name = PageFileOf(request.path);
    if (!name)
        return false;
    if (request.method != "GET") {
        connection.RespondJson(405, {{QStringLiteral("error"), QStringLiteral("this path takes GET")}}, {{"Allow", "GET"}});
        return true;
    }
    QFile file(kPageFolder + QLatin1Char('/') + *name);
    if (!file.open(QIODevice::ReadOnly)) {
        connection.RespondJson(404, {{QStringLiteral("error"), QStringLiteral("no such file")}});
        return true;
    }
    connection.Respond(200, PageContentType(*name), file.readAll(),
                       {{"Content-Security-Policy", PagePolicy(request.Header("host"))}, {"Referrer-Policy", "no-referrer"}});
    return true;
}
