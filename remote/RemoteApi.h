// The remote API's routes, under /api/v1 (docs/remote-api.md): pairing, the
// units, their settings, presets and histories. Every answer is JSON. A
// request that changes the unit is answered once the unit has acknowledged
// it, so a connection may wait; the connection is asked again whether it is
// still there when the answer comes.
#pragma once

#include "remote/HttpConnection.h"
#include "remote/HttpMessage.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

class CRemotePairing;
class CRemoteUnit;

// The cookie a paired browser sends its token in.
constexpr char kTokenCookie[] = "quenda_token";

class CRemoteApi {
public:
    // Both outlive the API.
    CRemoteApi(const std::vector<std::unique_ptr<CRemoteUnit>>& units, CRemotePairing& pairing);

    // Answers what needs no token (the phone page, pairing) and returns true; false for anything else.
    bool HandlePublic(CHttpConnection& connection, const HttpRequest& request);
    // Answers a request whose token has been checked.
    void Handle(CHttpConnection& connection, const HttpRequest& request);

    CRemoteUnit* FindUnit(const QString& id) const;
    // The path of a unit's event stream: /api/v1/units/{id}/events.
    bool IsEventsPath(const QStringList& path) const;

private:
    void Pair(CHttpConnection& connection, const HttpRequest& request);
    void ListUnits(CHttpConnection& connection);
    void HandleUnit(CHttpConnection& connection, const HttpRequest& request, CRemoteUnit& unit);
    void HandlePreset(CHttpConnection& connection, const HttpRequest& request, CRemoteUnit& unit);

    const std::vector<std::unique_ptr<CRemoteUnit>>& m_units;
    CRemotePairing& m_pairing;
};

// The body of a request as a JSON object; false after answering 415 or 400 with the reason.
bool ReadJsonBody(CHttpConnection& connection, const HttpRequest& request, QJsonObject& body);
