// Reading a request's head within its bounds, and the response bytes.
#include "remote/HttpMessage.h"

#include <gtest/gtest.h>

namespace {

struct HeadCase {
    const char* name;
    QByteArray data;
    RequestHead::Status status;
    int errorStatus;
    const char* reason;
};

class RequestHeadCases : public testing::TestWithParam<HeadCase> {};

TEST_P(RequestHeadCases, AreReadOrRefusedWithTheirReason)
{
    const HeadCase& c = GetParam();
    const RequestHead head = ParseRequestHead(c.data);
    EXPECT_EQ(head.status, c.status);
    EXPECT_EQ(head.errorStatus, c.errorStatus);
    EXPECT_EQ(head.reason.toStdString(), c.reason);
}

const HeadCase kHeadCases[] = {
    {"whole", "GET /api/v1/units HTTP/1.1\r\nHost: a\r\n\r\n", RequestHead::Status::Complete, 0, ""},
    {"not all there yet", "GET /api/v1/units HTTP/1.1\r\nHost:", RequestHead::Status::Incomplete, 0, ""},
    {"one byte", "G", RequestHead::Status::Incomplete, 0, ""},
    {"a TLS hello on the plain port", QByteArray("\x16\x03\x01\x02\x00\x01", 6), RequestHead::Status::Refused, 400,
     "this is not an HTTP request"},
    {"head too long", "GET / HTTP/1.1\r\nX: " + QByteArray(kMaxRequestHeadBytes, 'x'), RequestHead::Status::Refused, 431,
     "the request head is larger than 8 KiB"},
    {"no version", "GET /\r\n\r\n", RequestHead::Status::Refused, 400, "the request line is not METHOD TARGET VERSION"},
    {"HTTP/2 preface", "PRI * HTTP/2.0\r\n\r\n", RequestHead::Status::Refused, 400, "the target is not a path"},
    {"an unknown version", "GET / HTTP/3.0\r\n\r\n", RequestHead::Status::Refused, 505, "only HTTP/1.1 and HTTP/1.0 are spoken"},
    {"a folded header", "GET / HTTP/1.1\r\nX: a\r\n  b\r\n\r\n", RequestHead::Status::Refused, 400,
     "a header field is folded over two lines"},
    {"a header without colon", "GET / HTTP/1.1\r\nHost a\r\n\r\n", RequestHead::Status::Refused, 400,
     "a header line is not NAME: VALUE"},
    {"a control character", QByteArray("GET / HTTP/1.1\r\nX: a\x01" "b\r\n\r\n"), RequestHead::Status::Refused, 400,
     "a header value holds a control character"},
    {"chunked", "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", RequestHead::Status::Refused, 501,
     "chunked and other transfer codings are not supported; send Content-Length"},
    {"two lengths", "POST / HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n", RequestHead::Status::Refused, 400,
     "Content-Length is given twice with different values"},
    {"a negative length", "POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n", RequestHead::Status::Refused, 400,
     "Content-Length is not a number"},
    {"a body too large", "POST / HTTP/1.1\r\nContent-Length: 65537\r\n\r\n", RequestHead::Status::Refused, 413,
     "the body is larger than 64 KiB"},
    {"the largest body", "POST / HTTP/1.1\r\nContent-Length: 65536\r\n\r\n", RequestHead::Status::Complete, 0, ""},
    {"a length past 64 bits", "POST / HTTP/1.1\r\nContent-Length: 99999999999999999999\r\n\r\n", RequestHead::Status::Refused,
     400, "Content-Length is not a number"},
};

INSTANTIATE_TEST_SUITE_P(Heads, RequestHeadCases, testing::ValuesIn(kHeadCases),
                         [](const testing::TestParamInfo<HeadCase>& info) { return std::to_string(info.index); });

TEST(RequestHead, GivesTheFieldsThePathAndTheHeadLength)
{
    const QByteArray data = "PATCH /api/v1/units/%2Fdev%2Fhidraw3/settings?x=1 HTTP/1.1\r\n"
                            "Host: 10.0.0.2:8710\r\nCookie: a=1; quenda_token=abc \r\nCONTENT-LENGTH: 2\r\n\r\n{}";
    const RequestHead head = ParseRequestHead(data);
    ASSERT_EQ(head.status, RequestHead::Status::Complete);
    EXPECT_EQ(head.headLength, data.size() - 2);
    const HttpRequest& request = head.request;
    EXPECT_EQ(request.method, "PATCH");
    EXPECT_EQ(request.path, (QStringList{"api", "v1", "units", "/dev/hidraw3", "settings"}));
    EXPECT_EQ(request.Header("host"), "10.0.0.2:8710");
    EXPECT_EQ(request.contentLength, 2);
    EXPECT_EQ(request.Cookie("quenda_token"), "abc");
    EXPECT_EQ(request.Cookie("missing"), "");
    EXPECT_EQ(request.Query(QStringLiteral("x")), QStringLiteral("1"));
    EXPECT_EQ(request.Query(QStringLiteral("drag")), QString());
    EXPECT_TRUE(request.KeepAlive());
    EXPECT_FALSE(request.IsWebSocketUpgrade());
}

TEST(RequestHead, TellsKeepAliveAndUpgrades)
{
    EXPECT_FALSE(ParseRequestHead("GET / HTTP/1.1\r\nConnection: close\r\n\r\n").request.KeepAlive());
    EXPECT_FALSE(ParseRequestHead("GET / HTTP/1.0\r\n\r\n").request.KeepAlive());
    EXPECT_TRUE(ParseRequestHead("GET / HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\n").request.KeepAlive());
    EXPECT_TRUE(ParseRequestHead("GET /e HTTP/1.1\r\nUpgrade: WebSocket\r\nConnection: Upgrade\r\n\r\n").request.IsWebSocketUpgrade());
    EXPECT_FALSE(ParseRequestHead("POST /e HTTP/1.1\r\nUpgrade: websocket\r\n\r\n").request.IsWebSocketUpgrade());
}

TEST(RequestHead, TakesNoMoreThan64HeaderFields)
{
    QByteArray data = "GET / HTTP/1.1\r\n";
    for (int i = 0; i <= kMaxHeaderFields; ++i)
        data += "X-" + QByteArray::number(i) + ": 1\r\n";
    const RequestHead head = ParseRequestHead(data + "\r\n");
    EXPECT_EQ(head.status, RequestHead::Status::Refused);
    EXPECT_EQ(head.errorStatus, 431);
}

TEST(HttpResponse, IsAWholeResponseWithItsLength)
{
    EXPECT_EQ(HttpResponse(404, {{"Allow", "GET"}}, "application/json", R"({"error":"x"})", true),
              "HTTP/1.1 404 Not Found\r\nContent-Type: application/json\r\nContent-Length: 13\r\n"
              "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\nAllow: GET\r\n\r\n{\"error\":\"x\"}");
    EXPECT_TRUE(HttpResponse(200, {}, {}, {}, false).contains("\r\nConnection: close\r\n\r\n"));
}

}  // namespace
