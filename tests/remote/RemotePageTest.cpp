// The phone page as the remote server gives it: its files without a token,
// each with its type and a policy that keeps it to this server, and nothing
// else of the server opened by it.
#include "RemoteFixture.h"

#include "remote/RemotePage.h"

#include <QFile>

namespace {

QByteArray Resource(const QString& name)
{
    QFile file(QStringLiteral(":/remote/page/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll();
}

class RemotePage : public RemoteFixture {};

TEST_F(RemotePage, ThePageAndItsFilesNeedNoTokenAndCarryTheirTypeAndPolicy)
{
    struct Case {
        QByteArray path;
        QString file;
        QByteArray contentType;
    };
    const Case cases[] = {
        {"/", QStringLiteral("index.html"), "text/html; charset=utf-8"},
        {"/page/app.js", QStringLiteral("app.js"), "text/javascript; charset=utf-8"},
        {"/page/graph.js", QStringLiteral("graph.js"), "text/javascript; charset=utf-8"},
        {"/page/page.css", QStringLiteral("page.css"), "text/css; charset=utf-8"},
        {"/page/icon.svg", QStringLiteral("icon.svg"), "image/svg+xml"},
        {"/?x=1#pair=abc", QStringLiteral("index.html"), "text/html; charset=utf-8"},
    };
    for (const Case& c : cases) {
        RawClient client(Port());
        const auto answer = client.Request(RequestBytes("GET", c.path));
        ASSERT_TRUE(answer) << c.path.constData();
        EXPECT_EQ(answer->status, 200) << c.path.constData();
        EXPECT_EQ(answer->body, Resource(c.file)) << c.path.constData();
        EXPECT_EQ(answer->Header("Content-Type"), c.contentType) << c.path.constData();
        EXPECT_EQ(answer->Header("Content-Security-Policy"),
                  "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
                  "connect-src 'self' ws://127.0.0.1 wss://127.0.0.1; base-uri 'none'; form-action 'none'; "
                  "frame-ancestors 'none'")
            << c.path.constData();
        EXPECT_EQ(answer->Header("X-Content-Type-Options"), "nosniff") << c.path.constData();
        EXPECT_FALSE(answer->head.toLower().contains("access-control-")) << c.path.constData();
    }
}

TEST_F(RemotePage, ThePolicyNamesTheHostOnlyWhenItIsAPlainOne)
{
    EXPECT_EQ(PagePolicy("192.168.1.20:8710"),
              "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; connect-src 'self' "
              "ws://192.168.1.20:8710 wss://192.168.1.20:8710; base-uri 'none'; form-action 'none'; frame-ancestors 'none'");
    EXPECT_TRUE(PagePolicy("[::1]:8710").contains("ws://[::1]:8710 wss://[::1]:8710;"));
    for (const QByteArray& host : {QByteArray("evil; script-src *"), QByteArray("a b"), QByteArray(), QByteArray(300, 'a')})
        EXPECT_TRUE(PagePolicy(host).contains("connect-src 'self'; base-uri")) << host.constData();
}

TEST_F(RemotePage, OnlyThePagesOwnFilesAreServedWithoutAToken)
{
    struct Case {
        QByteArray method;
        QByteArray path;
        int status;
    };
    const Case cases[] = {
        {"GET", "/page/nothing.js", 401},
        {"GET", "/page/../api/v1/units", 401},
        {"GET", "/page/%2e%2e%2fopenapi.json", 401},
        {"GET", "/page", 401},
        {"GET", "/page/app.js/x", 401},
        {"GET", "/index.html", 401},
        {"GET", "/api/v1/units", 401},
        {"GET", "/api/v1/openapi.json", 401},
        {"POST", "/", 405},
        {"PUT", "/page/app.js", 405},
    };
    for (const Case& c : cases) {
        RawClient client(Port());
        const auto answer = client.Request(RequestBytes(c.method, c.path));
        ASSERT_TRUE(answer) << c.path.constData();
        EXPECT_EQ(answer->status, c.status) << c.method.constData() << ' ' << c.path.constData();
        EXPECT_FALSE(answer->body.contains("<html")) << c.path.constData();
    }
    RawClient client(Port());
    const auto refused = client.Request(RequestBytes("POST", "/"));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->Header("Allow"), "GET");
}

TEST_F(RemotePage, ThePageWeighsAtMost150KilobytesAsServed)
{
    qsizetype bytes = 0;
    for (const QString& name : PageFileNames())
        bytes += Resource(name).size();
    EXPECT_GT(bytes, 0);
    EXPECT_LE(bytes, 150 * 1024);
}

TEST_F(RemotePage, TheFilesAreTypedBySuffix)
{
    EXPECT_EQ(PageContentType(QStringLiteral("a.html")), "text/html; charset=utf-8");
    EXPECT_EQ(PageContentType(QStringLiteral("a.css")), "text/css; charset=utf-8");
    EXPECT_EQ(PageContentType(QStringLiteral("a.js")), "text/javascript; charset=utf-8");
    EXPECT_EQ(PageContentType(QStringLiteral("a.svg")), "image/svg+xml");
    EXPECT_EQ(PageContentType(QStringLiteral("a.bin")), "application/octet-stream");
    EXPECT_EQ(PageFileNames(), (QStringList{QStringLiteral("app.js"), QStringLiteral("graph.js"), QStringLiteral("icon.svg"),
                                             QStringLiteral("index.html"), QStringLiteral("page.css"), QStringLiteral("state.js"),
                                             QStringLiteral("texts.js")}));
}

}  // namespace
