// The phone page: plain HTML, CSS and JavaScript from the resources under
// :/remote/page, served to anyone who asks, since its files hold nothing of a
// unit (the page asks the API, which wants a token). A Content-Security-Policy
// lets it load nothing from elsewhere and talk to this server alone.
#pragma once

#include <QByteArray>
#include <QStringList>

class CHttpConnection;
struct HttpRequest;

// The page's files as the server gives them: GET / is index.html, GET /page/NAME the others.
QStringList PageFileNames();
// The Content-Type of one of them, by its suffix.
QByteArray PageContentType(const QString& fileName);
// The policy for a page reached at this Host: scripts, styles and images from
// this server only, connections to it by HTTP and WebSocket, no frames, no forms.
QByteArray PagePolicy(const QByteArray& host);

// Answers a request for the page and returns true; false for any other path.
bool ServePage(CHttpConnection& connection, const HttpRequest& request);
