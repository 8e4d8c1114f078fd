// The remote server over real sockets on 127.0.0.1, serving a simulated unit:
// pairing and tokens, the refusals, the limits, the API's answers and the
// frames its changes send.
#include "RemoteFixture.h"

#include "protocol/Framing.h"
#include "remote/HttpConnection.h"

namespace {

QByteArray Json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray PairBody(const QString& code, const QString& name = QStringLiteral("Phone"))
{
    return Json({{QStringLiteral("code"), code}, {QStringLiteral("name"), name}});
}

// The set-parameter frames of a channel group among the frames the device took.
int GroupFrames(const std::vector<OutputReport>& frames, int channel, int group)
{
    int n = 0;
    for (const OutputReport& r : frames) {
        const std::uint8_t* frame = r.data() + 1;
        n += frame[0] == kSyncByte && frame[kFrameCode] == CMD_SET_PARAM && frame[kFrameA1] == AREA_CHANNEL &&
             frame[kFrameA3] == channel && frame[kFrameA4] == group;
    }
    return n;
}

class RemoteServer : public RemoteFixture {};

TEST_F(RemoteServer, PairingWithTheCodeGivesATokenAndTheCookie)
{
    const PairingOffer offer = m_pairing->CurrentOffer();
    ASSERT_EQ(offer.code.size(), 6);
    RawClient client(Port());
    const auto answer = client.Request(RequestBytes("POST", "/api/v1/pair", {"Content-Type: application/json"},
                                                    PairBody(offer.code, QStringLiteral("Kitchen tablet"))));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    const QByteArray token = answer->Json().value(QStringLiteral("token")).toString().toLatin1();
    EXPECT_EQ(token.size(), 43);   // 256 bits in base64url
    EXPECT_EQ(answer->Header("Set-Cookie"),
              "quenda_token=" + token + "; Path=/; Max-Age=34560000; HttpOnly; SameSite=Strict");
    ASSERT_EQ(m_pairing->Devices().size(), 1);
    EXPECT_EQ(m_pairing->Devices()[0].name, QStringLiteral("Kitchen tablet"));
    EXPECT_NE(m_pairing->Devices()[0].tokenHash, token);   // only the hash is kept
    EXPECT_EQ(m_pairing->Devices()[0].tokenHash, TokenHash(token));
    const auto units = Call("GET", "/api/v1/units", token);
    ASSERT_TRUE(units);
    EXPECT_EQ(units->status, 200);
}

TEST_F(RemoteServer, ThePairingLinksSecretPairsToo)
{
    const PairingOffer offer = m_pairing->CurrentOffer();
    EXPECT_EQ(m_server->PairingLink(offer),
              QStringLiteral("http://127.0.0.1:%1/#pair=%2").arg(Port()).arg(QString::fromLatin1(offer.secret)));
    RawClient client(Port());
    const auto answer = client.Request(RequestBytes("POST", "/api/v1/pair", {"Content-Type: application/json"},
                                                    PairBody(QString::fromLatin1(offer.secret))));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
}

TEST_F(RemoteServer, AUsedOrExpiredCodeIsRefused)
{
    const PairingOffer used = m_pairing->CurrentOffer();
    Pair();
    RawClient again(Port());
    auto answer = again.Request(RequestBytes("POST", "/api/v1/pair", {"Content-Type: application/json"}, PairBody(used.code)));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 403);
    EXPECT_EQ(answer->Json().value(QStringLiteral("error")).toString(), QStringLiteral("the pairing code is wrong, used or expired"));

    const PairingOffer expiring = m_pairing->CurrentOffer();
    m_clock.Advance(CRemotePairing::kOfferLifetimeMs);
    RawClient late(Port());
    answer = late.Request(RequestBytes("POST", "/api/v1/pair", {"Content-Type: application/json"}, PairBody(expiring.code)));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 403);
    EXPECT_EQ(m_pairing->Devices().size(), 1);
}

TEST_F(RemoteServer, FiveWrongCodesLockPairingForAMinute)
{
    const PairingOffer offer = m_pairing->CurrentOffer();
    const QString wrong = offer.code == QStringLiteral("000000") ? QStringLiteral("111111") : QStringLiteral("000000");
    RawClient client(Port());
    for (int i = 1; i <= 5; ++i) {
        const auto answer = client.Request(RequestBytes("POST", "/api/v1/pair", {"Content-Type: application/json"}, PairBody(wrong)));
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, i < 5 ? 403 : 429) << i;
    }
    // locked: even the right code is refused, and the answer says for how long
    auto answer = client.Request(RequestBytes("POST", "/api/v1/pair", {"Content-Type: application/json"}, PairBody(offer.code)));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 429);
    EXPECT_EQ(answer->Header("Retry-After"), "60");
    EXPECT_EQ(answer->Json().value(QStringLiteral("error")).toString(),
              QStringLiteral("pairing is locked for 60 s after 5 wrong codes"));
    m_clock.Advance(CRemotePairing::kLockMs);
    answer = client.Request(RequestBytes("POST", "/api/v1/pair", {"Content-Type: application/json"}, PairBody(offer.code)));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
}

TEST_F(RemoteServer, RequestsWithoutAKnownTokenAreRefused)
{
    const QByteArray token = Pair();
    const QByteArray forgotten = Pair(QStringLiteral("Old phone"));
    m_pairing->Forget(m_pairing->Devices()[1].id);
    struct Case {
        const char* what;
        QList<QByteArray> headers;
    };
    const Case cases[] = {
        {"no token", {}},
        {"a wrong token", {"Authorization: Bearer " + QByteArray(43, 'A')}},
        {"a forgotten token", {"Authorization: Bearer " + forgotten}},
        {"a wrong cookie", {"Cookie: quenda_token=" + QByteArray(43, 'B')}},
        {"a token as the wrong scheme", {"Authorization: Basic " + token}},
    };
    for (const Case& c : cases) {
        RawClient client(Port());
        const auto answer = client.Request(RequestBytes("GET", "/api/v1/units", c.headers));
        ASSERT_TRUE(answer) << c.what;
        EXPECT_EQ(answer->status, 401) << c.what;
        EXPECT_EQ(answer->Header("WWW-Authenticate"), "Bearer") << c.what;
        EXPECT_FALSE(answer->body.contains("units")) << c.what;
    }
    RawClient byCookie(Port());
    const auto answer = byCookie.Request(RequestBytes("GET", "/api/v1/units", {"Cookie: other=1; quenda_token=" + token}));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
}

TEST_F(RemoteServer, TheUnitsAreListedWithTheirIdentity)
{
    const auto answer = Call("GET", "/api/v1/units", Pair());
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    const QJsonArray units = answer->Json().value(QStringLiteral("units")).toArray();
    ASSERT_EQ(units.size(), 1);
    const QJsonObject unit = units[0].toObject();
    EXPECT_EQ(unit.value(QStringLiteral("id")).toString(), QStringLiteral("QD-TEST-1"));
    EXPECT_EQ(unit.value(QStringLiteral("serial")).toString(), QStringLiteral("QD-TEST-1"));
    EXPECT_EQ(unit.value(QStringLiteral("path")).toString(), QStringLiteral("/dev/hidraw-sim0"));
    EXPECT_EQ(unit.value(QStringLiteral("name")).toString(), QString());
    EXPECT_EQ(unit.value(QStringLiteral("connected")).toBool(), true);
    EXPECT_EQ(unit.value(QStringLiteral("language")).toString(), QStringLiteral("english"));
}

TEST_F(RemoteServer, AUnitsStateHoldsItsSettingsNamesAndCurves)
{
    ChannelBlock block = Block(0);
    block.bands[2].gainCode.Set(150);   // band 3 of CH A at +3 dB
    block.gain.Set(60);
    m_backend.Unit(0).SetCurrent(0, block);
    m_backend.Unit(0).SetPresetName(5, "Movie");
    Unit().ConnectButton();
    ConnectUnit();
    const auto answer = Call("GET", UnitPath(), Pair());
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->status, 200);
    const QJsonObject state = answer->Json();
    EXPECT_EQ(state.value(QStringLiteral("presetNames")).toArray()[4].toString(), QStringLiteral("Movie"));
    const QJsonObject chA = state.value(QStringLiteral("current"))[QStringLiteral("channels")][0].toObject();
    EXPECT_EQ(chA.value(QStringLiteral("gainDb")).toDouble(), -20.0);
    EXPECT_EQ(chA.value(QStringLiteral("bands"))[2][QStringLiteral("gainDb")].toDouble(), 3.0);
    const QJsonObject curves = state.value(QStringLiteral("curves")).toObject();
    EXPECT_EQ(curves.value(QStringLiteral("frequenciesHz")).toArray().size(), 241);
    EXPECT_EQ(curves.value(QStringLiteral("frequenciesHz"))[136].toDouble(), 1000.0);
    const QJsonObject curveA = curves.value(QStringLiteral("channels"))[0].toObject();
    const QJsonArray equalizer = curveA.value(QStringLiteral("equalizerDb")).toArray();
    ASSERT_EQ(equalizer.size(), 241);
    // the curve peaks at band 3's own frequency, 100 Hz, with its gain
    qsizetype peak = 0;
    for (qsizetype i = 1; i < equalizer.size(); ++i) {
        if (equalizer[i].toDouble() > equalizer[peak].toDouble())
            peak = i;
    }
    EXPECT_NEAR(curves.value(QStringLiteral("frequenciesHz"))[peak].toDouble(), 100.0, 3.0);
    EXPECT_NEAR(equalizer[peak].toDouble(), 3.0, 0.05);
    const QJsonObject handle = curveA.value(QStringLiteral("handles"))[2].toObject();
    EXPECT_EQ(handle.value(QStringLiteral("frequencyHz")).toInt(), 100);
    EXPECT_EQ(handle.value(QStringLiteral("gainDb")).toDouble(), 3.0);
    EXPECT_EQ(state.value(QStringLiteral("history"))[QStringLiteral("side")].toString(), QStringLiteral("A"));
}

TEST_F(RemoteServer, APatchOfOneGainSendsItsGroupOnceAndIsOneUndoStep)
{
    const QByteArray token = Pair();
    const std::size_t before = Frames().size();
    const auto answer = Call("PATCH", UnitPath() + "/settings", token,
                             R"({"channels": [{"gainDb": -20}, {}]})");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_EQ(answer->Json().value(QStringLiteral("applied")).toBool(), true);
    EXPECT_EQ(Block(0).gain.Get(), 60);
    EXPECT_EQ(m_backend.Unit(0).Current(0).gain.Get(), 60);   // the unit has it: the answer waited for its ack
    const std::vector<OutputReport> all = Frames();
    const std::vector<OutputReport> frames(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
    EXPECT_EQ(GroupFrames(frames, 0, kGroupGain), 1);
    EXPECT_EQ(GroupFrames(frames, 1, kGroupGain), 0);
    EXPECT_EQ(m_adapter->Actions().ActiveHistory().count(), 1);
    m_adapter->Actions().Undo();
    EXPECT_EQ(Block(0).gain.Get(), 80);
}

TEST_F(RemoteServer, APatchOfOneBandChangesThatBandAlone)
{
    const ChannelBlock before = Block(1);
    const auto answer = Call("PATCH", UnitPath() + "/settings", Pair(),
                             R"({"channels": [{}, {"bands": [{}, {}, {"gainDb": 3}]}]})");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    ChannelBlock expected = before;
    expected.bands[2].gainCode.Set(150);
    EXPECT_EQ(std::memcmp(BlockBytes(Block(1)), BlockBytes(expected), kGroupCount * kGroupSize), 0);
    EXPECT_EQ(m_backend.Unit(0).Current(1).bands[2].gainCode.Get(), 150);
    EXPECT_EQ(Block(0).bands[2].gainCode.Get(), kFlatGainCode);
}

TEST_F(RemoteServer, BadBodiesAreRefusedNamingWhy)
{
    const QByteArray token = Pair();
    struct Case {
        QByteArray body;
        QByteArray contentType;
        int status;
        const char* error;
    };
    const Case cases[] = {
        {R"({"channels": [{"gainDb": 20}]})", "application/json", 422,
         "current.channels[0].gainDb: 20 is outside -80..10"},
        {R"({"channels": [{"loudness": 1}]})", "application/json", 422, "current.channels[0].loudness: unknown field"},
        {R"({"channels": [{}, {"bands": [{}, {}, {"gainDb": 0.05}]}]})", "application/json", 422,
         "current.channels[1].bands[2].gainDb: 0.05 is not a multiple of 0.1"},
        {R"({"channels": [{"gainDb": -20})", "application/json", 400,
         "malformed JSON: unterminated array at byte 29"},
        {R"([1, 2])", "application/json", 400, "the body is not a JSON object"},
        {R"({"channels": []})", "text/plain", 415, "the body must be application/json"},
    };
    for (const Case& c : cases) {
        const auto answer = Call("PATCH", UnitPath() + "/settings", token, c.body, {"Content-Type: " + c.contentType});
        ASSERT_TRUE(answer) << c.body.constData();
        EXPECT_EQ(answer->status, c.status) << c.body.constData();
        EXPECT_EQ(answer->Json().value(QStringLiteral("error")).toString().toStdString(), c.error) << c.body.constData();
    }
    EXPECT_EQ(Block(0).gain.Get(), 80);
    EXPECT_EQ(m_adapter->Actions().ActiveHistory().count(), 0);
}

TEST_F(RemoteServer, OversizeHeadsAndBodiesAreRefusedBeforeTheyAreRead)
{
    const QByteArray token = Pair();
    RawClient big(Port());
    big.Send("GET /api/v1/units HTTP/1.1\r\nX-Filler: " + QByteArray(9000, 'x'));
    auto answer = big.Read();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 431);
    EXPECT_TRUE(big.WaitClosed());

    RawClient huge(Port());
    huge.Send("PATCH " + UnitPath() + "/settings HTTP/1.1\r\nAuthorization: Bearer " + token +
              "\r\nContent-Type: application/json\r\nContent-Length: 65537\r\n\r\n{");
    answer = huge.Read();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 413);
    EXPECT_EQ(answer->Json().value(QStringLiteral("error")).toString(), QStringLiteral("the body is larger than 64 KiB"));
    EXPECT_TRUE(huge.WaitClosed());
}

TEST_F(RemoteServer, The33rdConnectionIsTurnedAway)
{
    const QByteArray token = Pair();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_server->OpenConnections() == 0; }, kAnswerWaitMs));
    std::vector<std::unique_ptr<RawClient>> clients;
    for (int i = 0; i < CRemoteServer::kMaxConnections; ++i) {
        clients.push_back(std::make_unique<RawClient>(Port()));
        ASSERT_TRUE(clients.back()->IsConnected());
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_server->OpenConnections() == CRemoteServer::kMaxConnections; }, kAnswerWaitMs));
    RawClient extra(Port());
    const auto answer = extra.Read();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 503);
    EXPECT_TRUE(extra.WaitClosed());
    // one of them leaves: there is room again
    clients.pop_back();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_server->OpenConnections() < CRemoteServer::kMaxConnections; }, kAnswerWaitMs));
    const auto units = Call("GET", "/api/v1/units", token);
    ASSERT_TRUE(units);
    EXPECT_EQ(units->status, 200);
}

TEST_F(RemoteServer, AClientSendingAByteASecondIsCutOffAndTheUnitKeepsWorking)
{
    const QByteArray token = Pair();
    RawClient slow(Port());
    const QByteArray request = RequestBytes("GET", "/api/v1/units", {"Authorization: Bearer " + token});
    for (int second = 0; second < 10; ++second) {
        slow.Send(request.mid(second, 1));
        QTest::qWait(20);   // the server takes the byte
        // beside it, a change goes to the unit as ever
        if (second == 5) {
            const auto answer = Call("PATCH", UnitPath() + "/settings", token, R"({"channels": [{"mute": true}]})");
            ASSERT_TRUE(answer);
            EXPECT_EQ(answer->status, 200);
            EXPECT_EQ(m_backend.Unit(0).Current(0).mute, 1);
        }
        m_clock.Advance(1000);
        m_server->Housekeep();
    }
    const auto answer = slow.Read();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 408);
    EXPECT_TRUE(slow.WaitClosed());
}

TEST_F(RemoteServer, AnIdleConnectionIsClosedAfterAMinute)
{
    const QByteArray token = Pair();
    RawClient client(Port());
    auto answer = client.Request(RequestBytes("GET", "/api/v1/units", {"Authorization: Bearer " + token}));
    ASSERT_TRUE(answer);
    m_clock.Advance(CHttpConnection::kIdleLimitMs - 1);
    m_server->Housekeep();
    answer = client.Request(RequestBytes("GET", "/api/v1/units", {"Authorization: Bearer " + token}));
    ASSERT_TRUE(answer);   // kept alive: still open after 59.999 s
    EXPECT_EQ(answer->status, 200);
    m_clock.Advance(CHttpConnection::kIdleLimitMs);
    m_server->Housekeep();
    EXPECT_TRUE(client.WaitClosed());
}

TEST_F(RemoteServer, MoreThanFiftyRequestsASecondFromOneDeviceAreRefused)
{
    const QByteArray token = Pair();
    const QByteArray other = Pair(QStringLiteral("Other"));
    RawClient client(Port());
    const QByteArray request = RequestBytes("GET", "/api/v1/units", {"Authorization: Bearer " + token});
    for (int i = 0; i < CRemoteServer::kRequestsPerSecond; ++i) {
        const auto answer = client.Request(request);
        ASSERT_TRUE(answer);
        ASSERT_EQ(answer->status, 200) << i;
    }
    auto answer = client.Request(request);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 429);
    EXPECT_EQ(answer->Header("Retry-After"), "1");
    // another device has its own allowance
    answer = Call("GET", "/api/v1/units", other);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    m_clock.Advance(100);   // five more in a tenth of a second
    answer = client.Request(request);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
}

TEST_F(RemoteServer, ACrossOriginUpgradeIsForbidden)
{
    const QByteArray token = Pair();
    RawClient client(Port());
    const auto answer = client.Request(RequestBytes(
        "GET", UnitPath() + "/events",
        {"Upgrade: websocket", "Connection: Upgrade", "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==",
         "Sec-WebSocket-Version: 13", "Origin: http://evil.example", "Cookie: quenda_token=" + token}));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 403);
    EXPECT_TRUE(client.WaitClosed());
    EXPECT_EQ(m_server->ConnectedDevices(), 0);
}

TEST_F(RemoteServer, AnUpgradeWithoutATokenIsUnauthorized)
{
    RawClient client(Port());
    const auto answer = client.Request(RequestBytes(
        "GET", UnitPath() + "/events",
        {"Upgrade: websocket", "Connection: Upgrade", "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==",
         "Sec-WebSocket-Version: 13", "Origin: http://127.0.0.1"}));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 401);
    EXPECT_TRUE(client.WaitClosed());
}

TEST_F(RemoteServer, AnEventStreamStartsWithTheStateAndTellsChanges)
{
    const QByteArray token = Pair();
    EventClient events(Port(), m_remoteUnit->Id(), token, QStringLiteral("http://127.0.0.1:%1").arg(Port()));
    const auto state = events.WaitFor(QStringLiteral("state"));
    ASSERT_TRUE(state);
    EXPECT_EQ(state->value(QStringLiteral("current"))[QStringLiteral("channels")][0][QStringLiteral("gainDb")].toDouble(), 0.0);
    EXPECT_EQ(m_server->ConnectedDevices(), 1);
    // a change made as the window makes it
    m_adapter->Actions().Change([](CSettingsEdit& edit) { edit.Set(1, ChannelField::Mute, 1); });
    const auto change = events.WaitFor(QStringLiteral("change"));
    ASSERT_TRUE(change);
    EXPECT_EQ(change->value(QStringLiteral("cause")).toString(), QStringLiteral("edited"));
    const QJsonArray channels = change->value(QStringLiteral("current"))[QStringLiteral("channels")].toArray();
    ASSERT_EQ(channels.size(), 2);
    EXPECT_EQ(channels[0].toObject(), QJsonObject());
    EXPECT_EQ(channels[1].toObject(), (QJsonObject{{QStringLiteral("mute"), true}}));
    EXPECT_EQ(change->value(QStringLiteral("history"))[QStringLiteral("canUndo")].toBool(), true);
}

TEST_F(RemoteServer, ForgettingADeviceEndsItsStreamAndItsRequests)
{
    const QByteArray token = Pair();
    EventClient events(Port(), m_remoteUnit->Id(), token);
    ASSERT_TRUE(events.WaitFor(QStringLiteral("state")));
    m_pairing->Forget(m_pairing->Devices()[0].id);
    ASSERT_TRUE(QTest::qWaitFor([&] { return events.Socket().state() == QAbstractSocket::UnconnectedState; }, kAnswerWaitMs));
    EXPECT_EQ(events.Socket().closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);
    EXPECT_EQ(events.Socket().closeReason(), QStringLiteral("this device was forgotten"));
    const auto answer = Call("GET", "/api/v1/units", token);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 401);
}

}  // namespace

namespace {

TEST_F(RemoteServer, PresetsAreRecalledStoredAndNamedWithTheUnitsOutcome)
{
    const QByteArray token = Pair();
    UnitBlocks preset{DefaultChannelBlock(), DefaultChannelBlock()};
    preset[0].gain.Set(50);
    m_backend.Unit(0).SetPreset(7, preset);
    auto answer = Call("POST", UnitPath() + "/presets/7/recall", token);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_EQ(answer->Json(), (QJsonObject{{QStringLiteral("outcome"), QStringLiteral("done")},
                                           {QStringLiteral("message"), QStringLiteral("Preset 7 loaded")}}));
    EXPECT_EQ(Block(0).gain.Get(), 50);

    answer = Call("POST", UnitPath() + "/presets/3/store", token);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_EQ(answer->Json().value(QStringLiteral("message")).toString(), QStringLiteral("Preset 3 saved"));
    EXPECT_EQ(m_backend.Unit(0).Preset(3)[0].gain.Get(), 50);

    answer = Call("PUT", UnitPath() + "/presets/3/name", token, R"({"name": "Movie"})");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    const UnitName name = m_backend.Unit(0).PresetName(3);
    EXPECT_EQ(std::string(name.data(), 5), "Movie");
    EXPECT_EQ(name[5], '\0');
}

TEST_F(RemoteServer, PresetRequestsOutsideTheirRangesAreRefused)
{
    const QByteArray token = Pair();
    struct Case {
        QByteArray method;
        QByteArray path;
        QByteArray body;
        int status;
        const char* error;
    };
    const Case cases[] = {
        {"POST", "/presets/21/recall", {}, 404, "presets are numbered 1 to 20"},
        {"POST", "/presets/0/store", {}, 404, "presets are numbered 1 to 20"},
        {"GET", "/presets/3/recall", {}, 405, "this path takes POST"},
        {"PUT", "/presets/3/name", R"({"name": "ABCDEFGHIJKLMNOP"})", 422,
         "name: a preset name is text GBK can hold, at most 15 GBK bytes, without control characters"},
        {"PUT", "/presets/3/name", R"({"name": "A\u0007"})", 422,
         "name: a preset name is text GBK can hold, at most 15 GBK bytes, without control characters"},
        {"PUT", "/presets/3/name", R"({"title": "A"})", 422, "title: unknown field"},
        {"PUT", "/presets/3/name", R"({"name": 5})", 422, "name: not a string"},
    };
    for (const Case& c : cases) {
        const auto answer = Call(c.method, UnitPath() + c.path, token, c.body);
        ASSERT_TRUE(answer) << c.path.constData();
        EXPECT_EQ(answer->status, c.status) << c.path.constData();
        EXPECT_EQ(answer->Json().value(QStringLiteral("error")).toString().toStdString(), c.error) << c.path.constData();
    }
    EXPECT_EQ(m_backend.Unit(0).CommandsReceived(CMD_RECALL_PRESET), 1u);   // the connect's recall alone
}

TEST_F(RemoteServer, UndoRedoAndTheCompareActOnTheUnitsHistories)
{
    const QByteArray token = Pair();
    ASSERT_EQ(Call("PATCH", UnitPath() + "/settings", token, R"({"channels": [{"gainDb": -10}]})")->status, 200);
    m_adapter->Actions().Change([](CSettingsEdit& edit) { edit.Set(0, ChannelField::Mute, 1); });   // as the window's button
    auto answer = Call("POST", UnitPath() + "/undo", token);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_EQ(Block(0).mute, 0);
    EXPECT_EQ(Block(0).gain.Get(), 70);
    answer = Call("POST", UnitPath() + "/undo", token);
    EXPECT_EQ(Block(0).gain.Get(), 80);
    EXPECT_EQ(answer->Json().value(QStringLiteral("history")).toObject(),
              (QJsonObject{{QStringLiteral("side"), QStringLiteral("A")},
                           {QStringLiteral("canUndo"), false},
                           {QStringLiteral("canRedo"), true}}));
    answer = Call("POST", UnitPath() + "/redo", token);
    EXPECT_EQ(Block(0).gain.Get(), 70);
    answer = Call("POST", UnitPath() + "/compare/switch", token);
    EXPECT_EQ(m_adapter->Actions().ActiveSide(), CompareSide::B);
    EXPECT_EQ(answer->Json().value(QStringLiteral("history"))[QStringLiteral("side")].toString(), QStringLiteral("B"));
}

TEST_F(RemoteServer, ChangesWaitForAConnectedUnit)
{
    const QByteArray token = Pair();
    Unit().ConnectButton();   // the user disconnects
    Settle();
    ASSERT_FALSE(Unit().IsConnected());
    const auto answer = Call("PATCH", UnitPath() + "/settings", token, R"({"channels": [{"gainDb": -10}]})");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 409);
    EXPECT_EQ(answer->Json().value(QStringLiteral("error")).toString(), QStringLiteral("the unit is not connected"));
    EXPECT_EQ(Block(0).gain.Get(), 80);
    EXPECT_EQ(Call("GET", UnitPath(), token)->Json().value(QStringLiteral("connected")).toBool(), false);
}

// The unit loses the change and is unplugged while the client waits.
TEST_F(RemoteServer, APatchDuringAnUnplugIsAnsweredGatewayTimeoutAndNotApplied)
{
    const QByteArray token = Pair();
    SimulatedFaults lost;
    lost.dropCommand = 1.0;
    m_backend.Unit(0).SetFaults(lost);
    RawClient client(Port());
    client.Send(RequestBytes("PATCH", UnitPath() + "/settings", {"Authorization: Bearer " + token, "Content-Type: application/json"},
                             R"({"channels": [{"gainDb": -30}]})"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Block(0).gain.Get() == 50; }, kAnswerWaitMs));
    m_backend.Unplug(0);
    const auto answer = client.Read();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 504);
    EXPECT_EQ(answer->Json(), (QJsonObject{{QStringLiteral("applied"), false},
                                           {QStringLiteral("error"), QStringLiteral("the unit did not acknowledge the change")}}));
    // plugged in again, the unit's own settings come back, as they do in the window
    m_backend.Unit(0).SetFaults({});
    m_backend.Plug(0);
    for (int i = 0; i < 60 && (!Unit().IsConnected() || PendingCount() > 0); ++i) {
        Unit().Tick();
        m_backend.Tick();
        Settle();
    }
    ASSERT_TRUE(Unit().IsConnected());
    EXPECT_EQ(m_backend.Unit(0).Current(0).gain.Get(), 80);
    EXPECT_EQ(Block(0).gain.Get(), 80);
}

TEST_F(RemoteServer, MetersGoOnlyToStreamsThatAskedForThem)
{
    const QByteArray token = Pair();
    EventClient metered(Port(), m_remoteUnit->Id(), token);
    EventClient plain(Port(), m_remoteUnit->Id(), token);
    ASSERT_TRUE(metered.WaitFor(QStringLiteral("state")));
    ASSERT_TRUE(plain.WaitFor(QStringLiteral("state")));
    metered.Socket().sendTextMessage(QStringLiteral(R"({"meters": true})"));
    QTest::qWait(20);   // the server takes the message
    std::optional<QJsonObject> meters;
    for (int i = 0; i < 100 && !meters; ++i) {
        m_clock.Advance(CRemoteUnit::kMeterPeriodMs);
        Unit().Tick();
        m_backend.Tick();
        Settle();
        QCoreApplication::processEvents();
        for (const QJsonObject& message : metered.messages) {
            if (message.value(QStringLiteral("type")).toString() == QStringLiteral("meters"))
                meters = message;
        }
    }
    ASSERT_TRUE(meters);
    const QJsonArray channels = meters->value(QStringLiteral("channels")).toArray();
    ASSERT_EQ(channels.size(), 2);
    for (const QJsonValue channel : channels) {
        const QJsonArray lamps = channel[QStringLiteral("lamps")].toArray();
        ASSERT_EQ(lamps.size(), 10);
        int level = 0;
        for (int j = 0; j < 9; ++j)
            level = lamps[j].toBool() ? j + 1 : level;
        EXPECT_EQ(channel[QStringLiteral("level")].toInt(), level);
        EXPECT_EQ(channel[QStringLiteral("overload")].toBool(), lamps[9].toBool());
    }
    for (const QJsonObject& message : plain.messages)
        EXPECT_NE(message.value(QStringLiteral("type")).toString(), QStringLiteral("meters"));
}

TEST_F(RemoteServer, AStreamRefusesMessagesItDoesNotKnow)
{
    EventClient events(Port(), m_remoteUnit->Id(), Pair());
    ASSERT_TRUE(events.WaitFor(QStringLiteral("state")));
    events.Socket().sendTextMessage(QStringLiteral(R"({"gain": 3})"));
    const auto error = events.WaitFor(QStringLiteral("error"));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->value(QStringLiteral("error")).toString(), QStringLiteral(R"(a message is {"meters": true} or {"meters": false})"));
}

TEST_F(RemoteServer, TheApiDescribesItselfInOpenApi)
{
    const auto answer = Call("GET", "/api/v1/openapi.json", Pair());
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    const QJsonObject api = answer->Json();
    EXPECT_TRUE(api.value(QStringLiteral("openapi")).toString().startsWith(QStringLiteral("3.")));
    const QJsonObject paths = api.value(QStringLiteral("paths")).toObject();
    for (const char* path : {"/pair", "/units", "/units/{id}", "/units/{id}/settings", "/units/{id}/presets/{n}/recall",
                             "/units/{id}/presets/{n}/store", "/units/{id}/presets/{n}/name", "/units/{id}/undo",
                             "/units/{id}/redo", "/units/{id}/compare/switch", "/units/{id}/events", "/openapi.json"})
        EXPECT_TRUE(paths.contains(QLatin1String(path))) << path;
    EXPECT_EQ(Call("GET", "/api/v1/openapi.json", "not a token")->status, 401);
}

}  // namespace

namespace {

// The text messages of server frames (unmasked; FIN set; lengths of 7, 16 and 64 bits).
QList<QJsonObject> ServerMessages(const QByteArray& bytes)
{
    QList<QJsonObject> messages;
    qsizetype at = 0;
    while (at + 2 <= bytes.size()) {
        const auto b1 = static_cast<quint8>(bytes[at + 1]);
        qsizetype length = b1 & 0x7f;
        qsizetype header = 2;
        if (length == 126) {
            length = (static_cast<quint8>(bytes[at + 2]) << 8) | static_cast<quint8>(bytes[at + 3]);
            header = 4;
        } else if (length == 127) {
            length = 0;
            for (int i = 0; i < 8; ++i)
                length = (length << 8) | static_cast<quint8>(bytes[at + 2 + i]);
            header = 10;
        }
        if (at + header + length > bytes.size())
            break;
        if ((static_cast<quint8>(bytes[at]) & 0x0f) == 0x1)
            messages << QJsonDocument::fromJson(bytes.mid(at + header, length)).object();
        at += header + length;
    }
    return messages;
}

// A client that stops reading falls behind: the server queues nothing more for it, and once it
// reads again it gets the whole state instead of the changes it missed.
TEST_F(RemoteServer, AClientThatFallsBehindGetsTheStateAgainInsteadOfABacklog)
{
    const QByteArray token = Pair();
    RawClient client(Port());
    client.Socket().setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    client.Send(RequestBytes("GET", UnitPath() + "/events",
                             {"Upgrade: websocket", "Connection: Upgrade", "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==",
                              "Sec-WebSocket-Version: 13", "Authorization: Bearer " + token}));
    QByteArray received;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        received += client.Socket().readAll();
        return received.contains("\r\n\r\n") && ServerMessages(received.mid(received.indexOf("\r\n\r\n") + 4)).size() == 1;
    }, kAnswerWaitMs));
    received.clear();
    client.Socket().setReadBufferSize(1);   // the client reads no more
    constexpr int kChanges = 400;
    for (int i = 0; i < kChanges; ++i) {
        m_adapter->Actions().Change([i](CSettingsEdit& edit) {
            BandParams band = edit.Band(0, i % kBandCount);
            band.gainCode.Set(static_cast<std::int16_t>(60 + i % 120));
            edit.SetBand(0, i % kBandCount, band);
        });
        QCoreApplication::processEvents();
    }
    Settle();
    client.Socket().setReadBufferSize(0);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        received += client.Socket().readAll();
        const QList<QJsonObject> messages = ServerMessages(received);
        return !messages.isEmpty() && messages.last().value(QStringLiteral("type")).toString() == QStringLiteral("state");
    }, 20000));
    int changes = 0;
    for (const QJsonObject& message : ServerMessages(received))
        changes += message.value(QStringLiteral("type")).toString() == QStringLiteral("change");
    EXPECT_LT(changes, kChanges);   // the backlog was not sent
    const QJsonObject state = ServerMessages(received).last();
    EXPECT_EQ(state.value(QStringLiteral("current"))[QStringLiteral("channels")][0][QStringLiteral("bands")][(kChanges - 1) % kBandCount]
                  [QStringLiteral("gainDb")].toDouble(),
              codecs::kBandGain.linear->Value(60 + (kChanges - 1) % 120));
}

}  // namespace

namespace {

// A finger on a band sends a change per frame; the drag is one undo step, as a drag in the window is.
TEST_F(RemoteServer, TheChangesOfADragAreOneUndoStep)
{
    const QByteArray token = Pair();
    m_adapter->Actions().Change([](CSettingsEdit& edit) { edit.Set(1, ChannelField::Mute, 1); });   // a step before
    for (const char* gain : {"-10", "-20", "-30"}) {
        const auto answer = Call("PATCH", UnitPath() + "/settings?drag=1", token,
                                 QByteArray(R"({"channels": [{"gainDb": )") + gain + "}]}");
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 200);
    }
    EXPECT_EQ(m_adapter->Actions().ActiveHistory().count(), 1);   // the drag's step is still open
    EXPECT_TRUE(m_adapter->Actions().IsEditOpen());
    const auto end = Call("PATCH", UnitPath() + "/settings", token, "{}");
    ASSERT_TRUE(end);
    EXPECT_EQ(end->Json().value(QStringLiteral("changed")).toBool(), false);
    EXPECT_FALSE(m_adapter->Actions().IsEditOpen());
    EXPECT_EQ(m_adapter->Actions().ActiveHistory().count(), 2);
    EXPECT_EQ(m_backend.Unit(0).Current(0).gain.Get(), 50);
    m_adapter->Actions().Undo();
    EXPECT_EQ(Block(0).gain.Get(), 80);   // the whole drag undone at once
    EXPECT_EQ(Block(1).mute, 1);          // and nothing before it
}

}  // namespace
