#include "remote/RemoteApi.h"

#include "protocol/ParameterImage.h"
#include "remote/RemotePage.h"
#include "remote/RemotePairing.h"
#include "remote/RemoteUnit.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>

namespace {

const QString kApi = QStringLiteral("api");
const QString kVersion = QStringLiteral("v1");
constexpr char kOpenApiResource[] = ":/remote/openapi.json";
// A paired browser keeps its token for 400 days, the longest a browser keeps a cookie.
constexpr int kCookieSeconds = 400 * 24 * 60 * 60;

QJsonObject Error(const QString& text)
{
    return {{QStringLiteral("error"), text}};
}

QJsonObject FieldError(const QString& field, const QString& text)
{
    return {{QStringLiteral("error"), QStringLiteral("%1: %2").arg(field, text)}, {QStringLiteral("field"), field}};
}

// The path below /api/v1, or nothing when the request is not for the API.
std::optional<QStringList> ApiPath(const QStringList& path)
{
    if (path.size() < 2 || path[0] != kApi || path[1] != kVersion)
        return std::nullopt;
    return path.mid(2);
}

bool IsJson(const HttpRequest& request)
{
    const QByteArray type = request.Header("content-type").toLower();
    const qsizetype semicolon = type.indexOf(';');
    return (semicolon < 0 ? type : type.first(semicolon)).trimmed() == "application/json";
}

void NotFound(CHttpConnection& connection, const QString& what)
{
    connection.RespondJson(404, Error(what));
}

// The method is not one the path takes.
void NotAllowed(CHttpConnection& connection, const QByteArray& allowed)
{
    connection.RespondJson(405, Error(QStringLiteral("this path takes %1").arg(QString::fromLatin1(allowed))),
                           {{"Allow", allowed}});
}

// A request's answer that may come later: the connection may be gone by then.
RemoteReply ReplyTo(CHttpConnection& connection)
{
    QPointer<CHttpConnection> target(&connection);
    return [target](int status, const QJsonObject& body) {
        if (target)
            target->RespondJson(status, body);
    };
}

bool StringMember(CHttpConnection& connection, const QJsonObject& body, const char* key, QString& out)
{
    const QJsonValue value = body.value(QLatin1String(key));
    if (!value.isString()) {
        connection.RespondJson(422, FieldError(QLatin1String(key), value.isUndefined() ? QStringLiteral("missing")
                                                                                      : QStringLiteral("not a string")));
        return false;
    }
    out = value.toString();
    return true;
}

bool OnlyKeys(CHttpConnection& connection, const QJsonObject& body, const QStringList& keys)
{
    for (auto it = body.begin(); it != body.end(); ++it) {
        if (!keys.contains(it.key())) {
            connection.RespondJson(422, FieldError(it.key(), QStringLiteral("unknown field")));
            return false;
        }
    }
    return true;
}

QByteArray TokenCookie(const QByteArray& token, bool secure)
{
    QByteArray cookie = QByteArray(kTokenCookie) + '=' + token + "; Path=/; Max-Age=" + QByteArray::number(kCookieSeconds) +
                        "; HttpOnly; SameSite=Strict";
    if (secure)
        cookie += "; Secure";
    return cookie;
}

}  // namespace

bool ReadJsonBody(CHttpConnection& connection, const HttpRequest& request, QJsonObject& body)
{
    if (!IsJson(request)) {
        connection.RespondJson(415, Error(QStringLiteral("the body must be application/json")));
        return false;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(request.body, &error);
    if (error.error != QJsonParseError::NoError) {
        connection.RespondJson(400, Error(QStringLiteral("malformed JSON: %1 at byte %2").arg(error.errorString()).arg(error.offset)));
        return false;
    }
    if (!document.isObject()) {
        connection.RespondJson(400, Error(QStringLiteral("the body is not a JSON object")));
        return false;
    }
    body = document.object();
    return true;
}

CRemoteApi::CRemoteApi(const std::vector<std::unique_ptr<CRemoteUnit>>& units, CRemotePairing& pairing)
    : m_units(units), m_pairing(pairing)
{
}

CRemoteUnit* CRemoteApi::FindUnit(const QString& id) const
{
    for (const auto& unit : m_units) {
        if (unit->Id() == id)
            return unit.get();
    }
    return nullptr;
}

bool CRemoteApi::IsEventsPath(const QStringList& path) const
{
    const std::optional<QStringList> api = ApiPath(path);
    return api && api->size() == 3 && (*api)[0] == QLatin1String("units") && (*api)[2] == QLatin1String("events");
}

bool CRemoteApi::HandlePublic(CHttpConnection& connection, const HttpRequest& request)
{
    if (ServePage(connection, request))
        return true;
    const std::optional<QStringList> api = ApiPath(request.path);
    if (!api || *api != QStringList{QStringLiteral("pair")})
        return false;
    if (request.method != "POST")
        NotAllowed(connection, "POST");
    else
        Pair(connection, request);
    return true;
}

void CRemoteApi::Pair(CHttpConnection& connection, const HttpRequest& request)
{
    QJsonObject body;
    QString code;
    QString name;
    if (!ReadJsonBody(connection, request, body) ||
        !OnlyKeys(connection, body, {QStringLiteral("code"), QStringLiteral("name")}) ||
        !StringMember(connection, body, "code", code) || !StringMember(connection, body, "name", name))
        return;
    QByteArray token;
    switch (m_pairing.Pair(code, name, token)) {
    case PairOutcome::Paired:
        connection.RespondJson(200, {{QStringLiteral("token"), QString::fromLatin1(token)}},
                               {{"Set-Cookie", TokenCookie(token, connection.IsSecure())}});
        return;
    case PairOutcome::WrongCode:
        connection.RespondJson(403, Error(QStringLiteral("the pairing code is wrong, used or expired")));
        return;
    case PairOutcome::Locked: {
        const qint64 seconds = (m_pairing.LockedForMs() + 999) / 1000;
        connection.RespondJson(429, Error(QStringLiteral("pairing is locked for %1 s after 5 wrong codes").arg(seconds)),
                               {{"Retry-After", QByteArray::number(seconds)}});
        return;
    }
    case PairOutcome::BadName:
        connection.RespondJson(422, FieldError(QStringLiteral("name"),
                                               QStringLiteral("1 to 64 characters without control characters")));
        return;
    }
}

void CRemoteApi::Handle(CHttpConnection& connection, const HttpRequest& request)
{
    const std::optional<QStringList> api = ApiPath(request.path);
    if (!api || api->isEmpty()) {
        NotFound(connection, QStringLiteral("no such path"));
        return;
    }
    if (*api == QStringList{QStringLiteral("openapi.json")}) {
        if (request.method != "GET") {
            NotAllowed(connection, "GET");
            return;
        }
        QFile file{QLatin1String(kOpenApiResource)};
        file.open(QIODevice::ReadOnly);
        connection.Respond(200, "application/json", file.readAll());
        return;
    }
    if ((*api)[0] != QLatin1String("units")) {
        NotFound(connection, QStringLiteral("no such path"));
        return;
    }
    if (api->size() == 1) {
        if (request.method != "GET")
            NotAllowed(connection, "GET");
        else
            ListUnits(connection);
        return;
    }
    CRemoteUnit* unit = FindUnit((*api)[1]);
    if (!unit) {
        NotFound(connection, QStringLiteral("no unit %1").arg((*api)[1]));
        return;
    }
    HandleUnit(connection, request, *unit);
}

void CRemoteApi::ListUnits(CHttpConnection& connection)
{
    QJsonArray units;
    for (const auto& unit : m_units)
        units.append(unit->Summary());
    connection.RespondJson(200, {{QStringLiteral("units"), units}});
}

void CRemoteApi::HandleUnit(CHttpConnection& connection, const HttpRequest& request, CRemoteUnit& unit)
{
    const QStringList rest = ApiPath(request.path)->mid(2);
    if (rest.isEmpty()) {
        if (request.method != "GET")
            NotAllowed(connection, "GET");
        else
            connection.RespondJson(200, unit.State());
        return;
    }
    const QString& what = rest[0];
    if (what == QLatin1String("presets")) {
        HandlePreset(connection, request, unit);
        return;
    }
    if (rest.size() == 1 && what == QLatin1String("settings")) {
        QJsonObject patch;
        if (request.method != "PATCH")
            NotAllowed(connection, "PATCH");
        else if (ReadJsonBody(connection, request, patch))
            unit.PatchSettings(patch, request.Query(QStringLiteral("drag")) == QLatin1String("1"), ReplyTo(connection));
        return;
    }
    const bool undo = rest == QStringList{QStringLiteral("undo")};
    const bool redo = rest == QStringList{QStringLiteral("redo")};
    const bool compare = rest == QStringList{QStringLiteral("compare"), QStringLiteral("switch")};
    if (!undo && !redo && !compare) {
        NotFound(connection, QStringLiteral("no such path"));
        return;
    }
    if (request.method != "POST") {
        NotAllowed(connection, "POST");
        return;
    }
    if (undo)
        unit.Undo(ReplyTo(connection));
    else if (redo)
        unit.Redo(ReplyTo(connection));
    else
        unit.SwitchCompareSide(ReplyTo(connection));
}

// /presets/{n}/recall, /presets/{n}/store (POST) and /presets/{n}/name (PUT {"name": "..."}).
void CRemoteApi::HandlePreset(CHttpConnection& connection, const HttpRequest& request, CRemoteUnit& unit)
{
    const QStringList rest = ApiPath(request.path)->mid(3);
    bool number = false;
    const int n = rest.isEmpty() ? 0 : rest[0].toInt(&number);
    if (rest.size() != 2 || !number || n < 1 || n > kUserPresetCount) {
        NotFound(connection, QStringLiteral("presets are numbered 1 to %1").arg(kUserPresetCount));
        return;
    }
    const QString& action = rest[1];
    if (action == QLatin1String("name")) {
        QJsonObject body;
        QString name;
        if (request.method != "PUT")
            NotAllowed(connection, "PUT");
        else if (ReadJsonBody(connection, request, body) && OnlyKeys(connection, body, {QStringLiteral("name")}) &&
                 StringMember(connection, body, "name", name))
            unit.NamePreset(n, name, ReplyTo(connection));
        return;
    }
    if (action != QLatin1String("recall") && action != QLatin1String("store")) {
        NotFound(connection, QStringLiteral("no such path"));
        return;
    }
    if (request.method != "POST")
        NotAllowed(connection, "POST");
    else if (action == QLatin1String("recall"))
        unit.RecallPreset(n, ReplyTo(connection));
    else
        unit.StorePreset(n, ReplyTo(connection));
}
