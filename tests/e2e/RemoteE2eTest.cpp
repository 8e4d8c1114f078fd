// The window's remote control end to end: the window, two paired clients with
// event streams, and the simulated unit. Every change reaches the others with
// no tick driven in between, and goes to the unit as the same frames as the
// change made in the window.
#include "WindowOverLink.h"

#include "remote/RemoteClients.h"
#include "remote/RemoteService.h"
#include "ui/controls/GainFader.h"

namespace {

using Frames = std::vector<OutputReport>;

Frames Since(const Frames& all, std::size_t from)
{
    return Frames(all.begin() + static_cast<std::ptrdiff_t>(from), all.end());
}

// The frame bytes of the set-parameter and band commands among reports (polls left out).
std::vector<QByteArray> CommandFrames(const Frames& reports)
{
    std::vector<QByteArray> frames;
    for (const OutputReport& r : reports) {
        const std::uint8_t* frame = r.data() + 1;
        if (frame[0] == kSyncByte && frame[kFrameCode] != CMD_POLL)
            frames.emplace_back(reinterpret_cast<const char*>(r.data()), static_cast<qsizetype>(r.size()));
    }
    return frames;
}

class RemoteWindow : public ConnectedWindowTest {
protected:
    void SetUp() override
    {
        ConnectedWindowTest::SetUp();
        RemoteChoices choices;
        choices.enabled = true;
        choices.port = 0;   // a free port
        ASSERT_TRUE(Remote().Apply(choices)) << Remote().Error().toStdString();
    }

    CRemoteService& Remote() { return m_dlg->RemoteControl(); }
    quint16 Port() { return Remote().Server().Port(); }
    QString UnitId() { return QString::fromStdString(UnitKey(Unit().Link().OpenUnit())); }

    QByteArray Pair(const QString& name)
    {
        RawClient client(Port());
        const QByteArray body = QJsonDocument(QJsonObject{{QStringLiteral("code"), Remote().Pairing().CurrentOffer().code},
                                                          {QStringLiteral("name"), name}})
                                    .toJson(QJsonDocument::Compact);
        const auto answer = client.Request(RequestBytes("POST", "/api/v1/pair", {"Content-Type: application/json"}, body));
        EXPECT_TRUE(answer && answer->status == 200);
        return answer ? answer->Json().value(QStringLiteral("token")).toString().toLatin1() : QByteArray();
    }

    std::optional<HttpAnswer> Patch(const QByteArray& token, const QByteArray& body)
    {
        RawClient client(Port());
        return client.Request(RequestBytes("PATCH", "/api/v1/units/" + QUrl::toPercentEncoding(UnitId()) + "/settings",
                                           {"Authorization: Bearer " + token, "Content-Type: application/json"}, body));
    }
};

TEST_F(RemoteWindow, EveryChangeReachesTheOthersWhoeverMadeIt)
{
    const QByteArray phone = Pair(QStringLiteral("Phone"));
    const QByteArray tablet = Pair(QStringLiteral("Tablet"));
    EventClient phoneEvents(Port(), UnitId(), phone);
    EventClient tabletEvents(Port(), UnitId(), tablet);
    ASSERT_TRUE(phoneEvents.WaitFor(QStringLiteral("state")));
    ASSERT_TRUE(tabletEvents.WaitFor(QStringLiteral("state")));
    EXPECT_EQ(StatusShown(), QStringLiteral("Connected — 2 remote devices connected"));

    // the window's mute button: both clients hear of it
    Click(ControlIdsOf(0).mute);
    for (EventClient* client : {&phoneEvents, &tabletEvents}) {
        const auto change = client->WaitFor(QStringLiteral("change"));
        ASSERT_TRUE(change);
        EXPECT_EQ(change->value(QStringLiteral("current"))[QStringLiteral("channels")][0][QStringLiteral("mute")].toBool(), true);
    }

    // the phone's change: the tablet hears of it and the window shows it
    ASSERT_EQ(Patch(phone, R"({"channels": [{}, {"gainDb": -20}]})")->status, 200);
    const auto change = tabletEvents.WaitFor(QStringLiteral("change"));
    ASSERT_TRUE(change);
    EXPECT_EQ(change->value(QStringLiteral("current"))[QStringLiteral("channels")][1][QStringLiteral("gainDb")].toDouble(), -20.0);
    EXPECT_EQ(Text(ControlIdsOf(1).gainEdit), QStringLiteral("-20"));
    EXPECT_EQ(m_dlg->Fader(1)->GetInvertedPos(), 60);
    const auto echoed = phoneEvents.WaitFor(QStringLiteral("change"));   // the one who made it hears it too
    ASSERT_TRUE(echoed);

    // the window's undo takes the phone's step back, and both hear of it
    m_dlg->UndoAction()->trigger();
    for (EventClient* client : {&phoneEvents, &tabletEvents}) {
        const auto undone = client->WaitFor(QStringLiteral("change"));
        ASSERT_TRUE(undone);
        EXPECT_EQ(undone->value(QStringLiteral("current"))[QStringLiteral("channels")][1][QStringLiteral("gainDb")].toDouble(), 0.0);
    }
    EXPECT_EQ(Text(ControlIdsOf(1).gainEdit), QStringLiteral("0"));
}

TEST_F(RemoteWindow, AClientsChangeSendsTheFramesOfTheSameChangeInTheWindow)
{
    const QByteArray token = Pair(QStringLiteral("Phone"));
    struct Case {
        QByteArray patch;
        std::function<void()> inWindow;
    };
    const Case cases[] = {
        {R"({"channels": [{}, {"gainDb": -20}]})", [this] { TypeAndEnter(ControlIdsOf(1).gainEdit, QStringLiteral("-20")); }},
        {R"({"channels": [{"mute": true}]})", [this] { Click(ControlIdsOf(0).mute); }},
        {R"({"channels": [{}, {"noiseGateDb": -60}]})", [this] { Pick(ControlIdsOf(1).noiseGate, 70 - 40); }},
    };
    for (const Case& c : cases) {
        std::size_t from = m_backend.Written(0).size();
        ASSERT_EQ(Patch(token, c.patch)->status, 200) << c.patch.constData();
        const std::vector<QByteArray> remote = CommandFrames(Since(m_backend.Written(0), from));
        m_dlg->UndoAction()->trigger();
        Tick(2);
        from = m_backend.Written(0).size();
        c.inWindow();
        Tick(2);
        const std::vector<QByteArray> window = CommandFrames(Since(m_backend.Written(0), from));
        ASSERT_FALSE(remote.empty()) << c.patch.constData();
        EXPECT_EQ(remote, window) << c.patch.constData();
        EXPECT_EQ(m_dlg->UndoStack().count(), 1) << c.patch.constData();   // the window's step; the phone's was undone
        m_dlg->UndoAction()->trigger();
        Tick(2);
        m_dlg->UndoStack().clear();
    }
}

}  // namespace
