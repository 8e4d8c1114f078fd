#include "ProtocolFixture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

class Scheduler : public ProtocolTest {
protected:
    // The codes of the frames sent since the last call, "." for none.
    std::string Sent()
    {
        const Bytes codes = TakeSentCodes();
        if (codes.empty())
            return ".";
        std::string out;
        for (std::size_t i = 0; i < codes.size(); ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02X", codes[i]);
            out += (i ? "+" : "") + std::string(hex);
        }
        return out;
    }

    // One token per tick: what the tick sent, then what the woken owner sent.
    std::string Transcript(int ticks)
    {
        std::string out;
        for (int t = 0; t < ticks; ++t) {
            SchedulerTick();
            SchedulerSendNext();
            out += (out.empty() ? "" : " ") + Sent();
        }
        return out;
    }

    // Ticks whose frames went out, counted from 1.
    std::vector<int> SendTicks(int ticks)
    {
        std::vector<int> at;
        for (int t = 1; t <= ticks; ++t) {
            SchedulerTick();
            if (Sent() != ".")
                at.push_back(t);
        }
        return at;
    }

    // The 8 group bytes of the set-parameter frame sent as report i.
    Bytes GroupPayload(std::size_t i) const { return Bytes(m_sent[i].begin() + 12, m_sent[i].begin() + 20); }

    void Ack() { Feed(CMD_ACK, 0, 0, {}); }

    // Runs a command through its rounds: every attempt unanswered, the unit
    // answering a poll between the rounds.
    void RunRoundsUnanswered(int rounds)
    {
        const CommandSlot head = PendingList().front();
        const auto headStillWaits = [this, &head] {
            const Commands pending = PendingList();
            return !GetSchedulerStatus().stalled && !pending.empty() && pending.front() == head;
        };
        for (int r = 0; r < rounds; ++r) {
            for (int t = 0; t < 12 && headStillWaits(); ++t)
                Transcript(1);
            if (r + 1 < rounds)
                Feed(CMD_POLL, 0, 0, {0, 0, 0, 0});
            SchedulerSendNext();
        }
        m_sent.clear();
    }

};

TEST_F(Scheduler, NothingHappensBeforeTheFirstConnect)
{
    m_sink.connected = false;
    EXPECT_EQ(". . .", Transcript(3));
    EXPECT_TRUE(PendingList().empty());
}

TEST_F(Scheduler, DisconnectedTicksSendNothingAndKeepTheCommand)
{
    m_sink.connected = false;
    QueueSetParam(AREA_CHANNEL, 1, 2);
    EXPECT_EQ(". .", Transcript(2));
    EXPECT_EQ(Commands{ChannelGroup(1, 2)}, PendingList());
}

TEST_F(Scheduler, SettersQueueTheFrameArgumentsAndNeverSend)
{
    struct Case { void (*queue)(CCommandScheduler&); CommandSlot command; };
    const Case cases[] = {
        {[](CCommandScheduler& s) { s.QueueSetParam(AREA_GLOBAL, 0, 7); }, {0xA1, 6, 0, 0, 7}},
        {[](CCommandScheduler& s) { s.QueueSetParam(AREA_CHANNEL, 1, 14); }, {0xA1, 4, 0, 1, 14}},
        {[](CCommandScheduler& s) { s.QueuePresetName(12); }, {0xA1, 5, 12, 0, 0}},
        {[](CCommandScheduler& s) { s.QueueWriteBands(AREA_CHANNEL, 1); }, {0xB0, 4, 0, 1, 0}},
        {[](CCommandScheduler& s) { s.QueueStorePreset(17); }, {0xA5, 0, 17, 0, 0}},
        {[](CCommandScheduler& s) { s.QueueRecallPreset(20); }, {0xA6, 0, 20, 0, 0}},
        {[](CCommandScheduler& s) { s.QueueReadSetup(); }, {0xA2, 6, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        Fresh();
        m_events.wakes = 0;
        c.queue(TheScheduler());
        EXPECT_EQ(Commands{c.command}, PendingList());
        EXPECT_EQ(1, m_events.wakes) << "the owner is told that it may send";
        EXPECT_TRUE(m_sent.empty());
    }
}

TEST_F(Scheduler, AddressesTheImageLacksAreNotQueued)
{
    QueueSetParam(AREA_CHANNEL, 2, 0);
    QueueSetParam(AREA_CHANNEL, 0, 16);
    QueueSetParam(AREA_GLOBAL, 0, 6);
    QueueSetParam(9, 0, 0);
    QueueWriteBands(AREA_GLOBAL, 0);
    QueueWriteBands(AREA_CHANNEL, 2);
    QueuePresetName(0);
    QueuePresetName(21);
    QueueStorePreset(0);
    QueueStorePreset(21);
    QueueRecallPreset(21);
    EXPECT_TRUE(PendingList().empty());
    EXPECT_EQ(0, m_events.wakes);
}

TEST_F(Scheduler, AChangeGoesOutAtOnceWhenTheLinkIsFree)
{
    QueueSetParam(AREA_CHANNEL, 0, 0);
    SchedulerSendNext();
    EXPECT_EQ("A1", Sent());
    Ack();
    EXPECT_TRUE(PendingList().empty());
    EXPECT_EQ((std::vector<Outcome>{{ChannelGroup(0, 0), CommandOutcome::Answered}}), TakeOutcomes());
}

TEST_F(Scheduler, TwoChangesInOneTickBothGoOutInOrder)
{
    QueueSetParam(AREA_CHANNEL, 0, 0);
    QueueSetParam(AREA_CHANNEL, 1, 0);
    EXPECT_EQ((Commands{ChannelGroup(0, 0), ChannelGroup(1, 0)}), PendingList());
    EXPECT_EQ("A1", Transcript(1));
    EXPECT_EQ(0, m_sent.size());
    Ack();
    SchedulerSendNext();
    ASSERT_EQ(1u, m_sent.size());
    EXPECT_EQ(1, m_sent[0][kFrameA3]);
    EXPECT_EQ(0, m_sent[0][kFrameA4]);
    m_sent.clear();
    Ack();
    EXPECT_TRUE(PendingList().empty());
}

TEST_F(Scheduler, AnAckEndsOnlyTheChangeInFlightNeverANewerOne)
{
    QueueSetParam(AREA_CHANNEL, 0, 5);
    SchedulerSendNext();
    m_sent.clear();
    QueueSetParam(AREA_CHANNEL, 0, 6);   // queued between the send and its ACK
    Ack();
    EXPECT_EQ(Commands{ChannelGroup(0, 6)}, PendingList());
    SchedulerSendNext();
    ASSERT_EQ(1u, m_sent.size());
    EXPECT_EQ(6, m_sent[0][kFrameA4]);
}

TEST_F(Scheduler, AFastFaderCostsOneFramePerSendCarryingTheLatestGain)
{
    QueueSetParam(AREA_CHANNEL, 0, 0);
    SchedulerSendNext();
    m_sent.clear();
    for (std::int16_t gain : {70, 75, 88}) {
        Image().channels[0].gain.Set(gain);
        QueueSetParam(AREA_CHANNEL, 0, 0);
    }
    EXPECT_EQ((Commands{ChannelGroup(0, 0), ChannelGroup(0, 0)}), PendingList()) << "one in flight, one waiting";
    Ack();
    SchedulerSendNext();
    ASSERT_EQ(1u, m_sent.size());
    EXPECT_EQ(88, m_sent[0][14]);
}

TEST_F(Scheduler, ABurstDrainsOneFramePerReply)
{
    for (int group = 0; group < 6; ++group)
        QueueSetParam(AREA_CHANNEL, 1, static_cast<std::uint8_t>(group));
    std::vector<int> groups;
    for (int reply = 0; reply < 6; ++reply) {
        SchedulerSendNext();
        SchedulerSendNext();   // a second wake sends nothing while a frame is in flight
        ASSERT_EQ(1u, m_sent.size()) << reply;
        groups.push_back(m_sent[0][kFrameA4]);
        m_sent.clear();
        Ack();
    }
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5}), groups);
    EXPECT_TRUE(PendingList().empty());
}

TEST_F(Scheduler, AnIdleLinkSendsOnlyAPollOnEveryThirdTick)
{
    EXPECT_EQ(". . A9 . . A9 . . A9 . . A9", Transcript(12));
}

TEST_F(Scheduler, APollHoldsTheLinkUntilItsReplyOrTheNextTick)
{
    Transcript(3);   // the poll went out on the third tick
    QueueSetParam(AREA_CHANNEL, 0, 1);
    SchedulerSendNext();
    EXPECT_EQ(".", Sent());
    Feed(CMD_POLL, 0, 0, {0x10, 0x20, 0, 0});
    SchedulerSendNext();
    EXPECT_EQ("A1", Sent());
    Ack();
    EXPECT_EQ(". . A9", Transcript(3));   // never answered
    QueueSetParam(AREA_CHANNEL, 0, 2);
    SchedulerSendNext();
    EXPECT_EQ(".", Sent());
    EXPECT_EQ("A1", Transcript(1));
}

TEST_F(Scheduler, UnansweredChangeIsResentEveryOtherTickThenKeptPendingAndReported)
{
    QueueSetParam(AREA_CHANNEL, 0, 5);
    SchedulerSendNext();
    EXPECT_EQ("A1", Sent());
    EXPECT_EQ(". A1 . A1 . A1 . . . A9 . .", Transcript(12));
    EXPECT_EQ(Commands{ChannelGroup(0, 5)}, PendingList());
    EXPECT_EQ((std::vector<Outcome>{{ChannelGroup(0, 5), CommandOutcome::NotAnswered}}), TakeOutcomes());
    const SchedulerStatus status = GetSchedulerStatus();
    EXPECT_TRUE(status.stalled);
    EXPECT_EQ(1, status.pending);
    EXPECT_EQ(0, status.failed);
}

TEST_F(Scheduler, AStalledChangeIsTriedAgainWhenTheUnitAnswersAnything)
{
    QueueSetParam(AREA_CHANNEL, 0, 5);
    QueueSetParam(AREA_CHANNEL, 1, 5);
    RunRoundsUnanswered(1);
    QueueSetParam(AREA_GLOBAL, 0, 5);   // waits behind the stalled one
    SchedulerSendNext();
    EXPECT_EQ(".", Sent());
    Feed(CMD_POLL, 0, 0, {0, 0, 0, 0});
    EXPECT_FALSE(GetSchedulerStatus().stalled);
    SchedulerSendNext();
    ASSERT_EQ(1u, m_sent.size());
    EXPECT_EQ(0, m_sent[0][kFrameA3]);
    m_sent.clear();
    Ack();
    SchedulerSendNext();
    EXPECT_EQ(1, m_sent[0][kFrameA3]);
    EXPECT_EQ((Commands{ChannelGroup(1, 5), GlobalItem(5)}), PendingList());
}

TEST_F(Scheduler, ACommandNoRoundGotAnsweredIsDroppedReportedAndForgottenOnItsNextChange)
{
    QueueSetParam(AREA_CHANNEL, 1, 0);
    QueueSetParam(AREA_CHANNEL, 1, 2);
    RunRoundsUnanswered(3);
    EXPECT_EQ(Commands{ChannelGroup(1, 2)}, PendingList()) << "the next one goes on";
    EXPECT_EQ(Commands{ChannelGroup(1, 0)}, FailedList());
    const std::vector<Outcome> outcomes = TakeOutcomes();
    ASSERT_EQ(3u, outcomes.size());
    EXPECT_EQ((Outcome{ChannelGroup(1, 0), CommandOutcome::NotAnswered}), outcomes[0]);
    EXPECT_EQ((Outcome{ChannelGroup(1, 0), CommandOutcome::NotAnswered}), outcomes[1]);
    EXPECT_EQ((Outcome{ChannelGroup(1, 0), CommandOutcome::Dropped}), outcomes[2]);
    const SchedulerStatus status = GetSchedulerStatus();
    EXPECT_EQ(1, status.failed);
    EXPECT_EQ(ChannelGroup(1, 0), status.firstFailed);
    QueueSetParam(AREA_CHANNEL, 1, 0);
    EXPECT_TRUE(FailedList().empty());
}

// A unit that answers everything but one kind of command: its polls and every
// other change are answered as they arrive.
struct IgnoredCase {
    const char* name;
    CommandSlot ignored;
    void (*queue)(CCommandScheduler&);
    int changeLeavesAt;       // ticks after the ignored command's first send
    std::vector<int> sends;   // the ticks the ignored command went out
    bool listedAsFailed;      // a setting not applied; a store or recall is told by its outcome
};

class SchedulerAgainstAUnitIgnoring : public Scheduler, public testing::WithParamInterface<IgnoredCase> {
protected:
    struct Frame {
        int tick;
        std::uint8_t code;
        std::uint8_t a1;
    };

    // Sends what may go, answers it as the unit would, and again until nothing more goes out.
    void SendAndAnswer(int tick, const CommandSlot& ignored)
    {
        for (SchedulerSendNext(); !m_sent.empty(); SchedulerSendNext()) {
            std::vector<Frame> sent;
            for (const Report& r : m_sent)
                if (r[0] == kSyncByte && r[1] == kSyncByte && r[2] == kSyncByte)
                    sent.push_back({tick, r[kFrameCode], r[kFrameA1]});
            m_sent.clear();
            for (const Frame& f : sent) {
                m_frames.push_back(f);
                if (f.code == CMD_POLL)
                    Feed(CMD_POLL, 0, 0, {0, 0, 0, 0});
                else if (f.code != ignored.code || f.a1 != ignored.a1)
                    Ack();
            }
        }
    }

    void Run(int fromTick, int toTick, const CommandSlot& ignored)
    {
        for (int t = fromTick; t <= toTick; ++t) {
            SchedulerTick();
            SendAndAnswer(t, ignored);
        }
    }

    std::vector<int> TicksOf(std::uint8_t code, std::uint8_t a1) const
    {
        std::vector<int> ticks;
        for (const Frame& f : m_frames)
            if (f.code == code && f.a1 == a1)
                ticks.push_back(f.tick);
        return ticks;
    }

    std::vector<Frame> m_frames;
};

TEST_P(SchedulerAgainstAUnitIgnoring, AChangeWaitsNoLongerThanTheIgnoredCommandsGiveUpTime)
{
    const IgnoredCase& c = GetParam();
    const CommandSlot before = ChannelGroup(1, 0), during = ChannelGroup(0, 5), after = ChannelGroup(1, 2);
    // a setup read starts a connect, which drops what was pending: nothing is made before it
    const bool changeBefore = c.ignored.code != CMD_READ_SETUP;
    if (changeBefore)
        QueueSetParam(AREA_CHANNEL, 1, 0);
    c.queue(TheScheduler());
    SendAndAnswer(0, c.ignored);
    QueueSetParam(AREA_CHANNEL, 0, 5);   // made while the ignored command waits
    Run(1, c.changeLeavesAt, c.ignored);

    EXPECT_EQ(c.sends, TicksOf(c.ignored.code, c.ignored.a1));
    const std::vector<int> expected = changeBefore ? std::vector<int>{0, c.changeLeavesAt}
                                                   : std::vector<int>{c.changeLeavesAt};
    EXPECT_EQ(expected, TicksOf(CMD_SET_PARAM, AREA_CHANNEL)) << "the change made before goes first";
    std::vector<Outcome> outcomes = TakeOutcomes();
    // a command with rounds reports each unanswered one before it is given up
    std::erase_if(outcomes, [](const Outcome& o) { return o.outcome == CommandOutcome::NotAnswered; });
    ASSERT_GE(outcomes.size(), 2u);
    if (changeBefore) {
        EXPECT_EQ((Outcome{before, CommandOutcome::Answered}), outcomes.front());
    }
    EXPECT_EQ((Outcome{c.ignored, CommandOutcome::Dropped}), outcomes[outcomes.size() - 2]);
    EXPECT_EQ((Outcome{during, CommandOutcome::Answered}), outcomes.back());
    EXPECT_EQ(c.listedAsFailed ? Commands{c.ignored} : Commands{}, FailedList());

    // After the give-up a change goes out at once, and the ignored command never again.
    m_frames.clear();
    QueueSetParam(AREA_CHANNEL, 1, 2);
    SendAndAnswer(c.changeLeavesAt, c.ignored);
    EXPECT_EQ(std::vector<int>{c.changeLeavesAt}, TicksOf(CMD_SET_PARAM, AREA_CHANNEL));
    Run(c.changeLeavesAt + 1, c.changeLeavesAt + 300, c.ignored);
    EXPECT_TRUE(TicksOf(c.ignored.code, c.ignored.a1).empty());
    EXPECT_TRUE(PendingList().empty());
    EXPECT_EQ((Outcome{after, CommandOutcome::Answered}), TakeOutcomes().back());
}

INSTANTIATE_TEST_SUITE_P(Commands, SchedulerAgainstAUnitIgnoring, testing::Values(
    IgnoredCase{"store", Store(1), [](CCommandScheduler& s) { s.QueueStorePreset(1); }, 144, {0, 36, 72, 108}, false},
    IgnoredCase{"recall", Recall(1), [](CCommandScheduler& s) { s.QueueRecallPreset(1); }, 144, {0, 36, 72, 108},
                false},
    IgnoredCase{"preset name", CommandSlot{CMD_SET_PARAM, AREA_PRESET_NAME, 3, 0, 0},
                [](CCommandScheduler& s) { s.QueuePresetName(3); }, 28,
                {0, 2, 4, 6, 10, 12, 14, 16, 20, 22, 24, 26}, true},
    IgnoredCase{"band write", CommandSlot{CMD_WRITE_BANDS, AREA_CHANNEL, 0, 1, 0},
                [](CCommandScheduler& s) { s.QueueWriteBands(AREA_CHANNEL, 1); }, 256,
                {0, 21, 42, 63, 86, 107, 128, 149, 172, 193, 214, 235}, true},
    IgnoredCase{"setup read", CommandSlot{CMD_READ_SETUP, kSetupWithGlobals, 0, 0, 0},
                [](CCommandScheduler& s) { s.QueueReadSetup(); }, 196,
                {0, 16, 32, 48, 66, 82, 98, 114, 132, 148, 164, 180}, true}),
    [](const testing::TestParamInfo<IgnoredCase>& info) {
        std::string name = info.param.name;
        name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
        return name;
    });

TEST_F(Scheduler, StoreAndRecallWaitForEarlierChangesWhichKeepTheirBytes)
{
    Image().channels[0].gain.Set(70);
    QueueSetParam(AREA_CHANNEL, 0, 0);
    QueueStorePreset(4);
    Image().channels[0].gain.Set(60);   // changed after OK: not part of the stored preset
    QueueSetParam(AREA_CHANNEL, 0, 0);
    QueueRecallPreset(9);
    EXPECT_EQ((Commands{ChannelGroup(0, 0), Store(4), ChannelGroup(0, 0), Recall(9)}), PendingList());
    SchedulerSendNext();
    EXPECT_EQ(70, m_sent[0][14]);
    m_sent.clear();
    Ack();
    SchedulerSendNext();
    EXPECT_EQ("A5", Sent());
    Feed(CMD_STORE_PRESET, 0, 0, {});
    SchedulerSendNext();
    EXPECT_EQ(60, m_sent[0][14]);
    m_sent.clear();
    Ack();
    SchedulerSendNext();
    EXPECT_EQ("A6", Sent());
}

TEST_F(Scheduler, EveryFrameThatLeftIsLoggedWithItsBytesAndNoPoll)
{
    BandParams& band3 = Image().channels[0].bands[2];
    band3.freqHz.Set(1000);
    band3.gainCode.Set(150);
    band3.bwCode.Set(95);
    band3.slope = 1;
    band3.type = 2;
    QueueSetParam(AREA_CHANNEL, 0, 5);
    QueueRecallPreset(9);
    SchedulerSendNext();
    Ack();
    SchedulerSendNext();
    Feed(CMD_RECALL_PRESET, 0, 0, {});
    Transcript(3);   // polls only
    EXPECT_EQ(m_events.frames,
              (std::vector<std::string>{"sent channel 0 group 5: e8 03 96 00 5f 00 01 02", "sent recall of preset 9"}));
}

TEST_F(Scheduler, AFrameThatCouldNotBeWrittenIsNotLoggedAsSent)
{
    SetWriteReport([](const std::uint8_t*) { return false; });
    QueueSetParam(AREA_CHANNEL, 1, 0);
    SchedulerSendNext();
    EXPECT_TRUE(m_events.frames.empty());
}

TEST_F(Scheduler, APresetNameIsACommandLikeTheOthersAndRetried)
{
    std::memcpy(Image().names.records[4], "Live room 2\0xyzABCDEFG", 22);
    QueuePresetName(4);
    SchedulerSendNext();
    ASSERT_EQ(1u, m_sent.size());
    const Bytes head = {0x5A, 0x5A, 0x5A, 0x00, 0x53, 0xA1, 0x05, 0x04, 0x00, 0x00, 0x10, 0x00};
    EXPECT_TRUE(std::equal(head.begin(), head.end(), m_sent[0].begin()));
    EXPECT_EQ(0, std::memcmp(m_sent[0].data() + 12, "Live room 2\0xyzA", 16));
    EXPECT_EQ(0xAA, m_sent[0][29]);
    EXPECT_EQ(0, m_sent[0][30]);
    m_sent.clear();
    EXPECT_EQ(". A1", Transcript(2)) << "not acknowledged: sent again";
    Ack();
    EXPECT_TRUE(PendingList().empty());
}

TEST_F(Scheduler, PresetNameGoesOutWithSixteenBytesOfItsRecord)
{
    QueuePresetName(21);
    SchedulerSendNext();
    EXPECT_TRUE(m_sent.empty());
    std::memcpy(Image().names.records[4], "Live room 2\0xyzABCDEFG", 22);
    QueuePresetName(4);
    SchedulerSendNext();
    ASSERT_EQ(1u, m_sent.size());
    EXPECT_EQ(0, std::memcmp(m_sent[0].data() + 12, "Live room 2\0xyzA", 16));
}

TEST_F(Scheduler, ConnectDropsWhatWasPendingAndForgetsFailures)
{
    QueueSetParam(AREA_CHANNEL, 0, 3);
    RunRoundsUnanswered(3);
    QueueSetParam(AREA_CHANNEL, 0, 4);
    QueueStorePreset(2);
    TakeOutcomes();
    QueueReadSetup();
    EXPECT_EQ(Commands{kSetup}, PendingList());
    EXPECT_TRUE(FailedList().empty());
    EXPECT_EQ((std::vector<Outcome>{{ChannelGroup(0, 4), CommandOutcome::Cleared},
                                    {Store(2), CommandOutcome::Cleared}}),
              TakeOutcomes());
    SchedulerSendNext();
    ASSERT_EQ(1u, m_sent.size());
    const Bytes setup = {0x5A, 0x5A, 0x5A, 0x00, 0x53, 0xA2, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0xAD, 0xAA};
    EXPECT_TRUE(std::equal(setup.begin(), setup.end(), m_sent[0].begin()));
}

// Per attempt, ticks waited for the reply before the command goes out again.
TEST_F(Scheduler, EachCommandWaitsItsOwnBudgetPerAttempt)
{
    struct Case { const char* name; void (*queue)(CCommandScheduler&); std::vector<int> resends; };
    const Case cases[] = {
        {"set parameter", [](CCommandScheduler& s) { s.QueueSetParam(AREA_GLOBAL, 0, 8); }, {2, 4, 6}},
        {"preset name", [](CCommandScheduler& s) { s.QueuePresetName(1); }, {2, 4, 6}},
        {"setup", [](CCommandScheduler& s) { s.QueueReadSetup(); }, {16, 32, 48}},
        {"bands", [](CCommandScheduler& s) { s.QueueWriteBands(AREA_CHANNEL, 0); }, {21, 42, 63}},
        {"store", [](CCommandScheduler& s) { s.QueueStorePreset(3); }, {36, 72, 108}},
        {"recall", [](CCommandScheduler& s) { s.QueueRecallPreset(3); }, {36, 72, 108}},
    };
    for (const Case& c : cases) {
        Fresh();
        c.queue(TheScheduler());
        SchedulerSendNext();
        ASSERT_FALSE(m_sent.empty()) << c.name;
        m_sent.clear();
        const std::vector<int> sends = SendTicks(c.resends.back());
        EXPECT_EQ(c.resends, sends) << c.name;
        EXPECT_FALSE(GetSchedulerStatus().stalled) << c.name;
        SendTicks(c.resends[0]);
        if (c.resends[0] == 36) {
            EXPECT_TRUE(PendingList().empty()) << c.name << ": told after one round, and given up";
        } else {
            EXPECT_TRUE(GetSchedulerStatus().stalled) << c.name << ": four attempts make a round";
        }
    }
}

TEST_F(Scheduler, AFrameThatCouldNotBeWrittenGoesOutWholeOnTheNextTick)
{
    int writes = 0;
    SetWriteReport([&](const std::uint8_t* data) {
        if (++writes == 2)
            return false;   // the band write's second report is refused
        Report r;
        std::copy(data, data + kReportSize, r.begin());
        m_sent.push_back(r);
        return true;
    });
    QueueWriteBands(AREA_CHANNEL, 1);
    SchedulerSendNext();
    EXPECT_EQ(1u, m_sent.size());
    m_sent.clear();
    EXPECT_EQ(Commands{Bands(1)}, PendingList());
    SchedulerTick();
    ASSERT_EQ(2u, m_sent.size()) << "both reports of the retry";
    EXPECT_EQ(CMD_WRITE_BANDS, m_sent[0][kFrameCode]);
}

// Group 15 carries the Notch Clear request of the channel whose button was
// pressed, whatever other group-15 change is queued before it.
TEST_F(Scheduler, NotchClearTravelsWithItsOwnChannelsGroupFifteen)
{
    Image().channels[1].notchBypass = 1;
    QueueSetParam(AREA_CHANNEL, 1, 15);   // CH B notch bypass
    QueueSetParam(AREA_CHANNEL, 0, 15, true);   // CH A Notch Clear
    Image().channels[0].detectSpeed = 2;
    Image().channels[1].detectSpeed = 2;
    QueueSetParam(AREA_CHANNEL, 0, 15);   // detection speed, before the clear went out
    EXPECT_EQ((Commands{ChannelGroup(1, 15), ChannelGroup(0, 15)}), PendingList());
    SchedulerSendNext();
    EXPECT_EQ((Bytes{0, 2, 0, 0, 0, 1, 0, 0}), GroupPayload(0));
    m_sent.clear();
    Ack();
    SchedulerSendNext();
    EXPECT_EQ((Bytes{1, 2, 0, 0, 0, 0, 0, 0}), GroupPayload(0));
    m_sent.clear();
    SchedulerTick();
    SchedulerTick();   // not acknowledged: the retry carries the clear again
    ASSERT_EQ(1u, m_sent.size());
    EXPECT_EQ(1, m_sent[0][12]);
}

TEST_F(Scheduler, GroupFifteenCarriesTheFirstNotchAuxWord)
{
    Image().channels[1].staticNotchCount = 4;
    Image().channels[1].notchBypass = 1;
    Image().channels[1].notches[0].aux.Set(0x1234);
    QueueSetParam(AREA_CHANNEL, 1, 15);
    SchedulerSendNext();
    EXPECT_EQ((Bytes{0, 0, 0, 4, 0, 1, 0x34, 0x12}), GroupPayload(0));
}

// A retried command may be answered twice; the late second answer belongs to
// no newer command.
TEST_F(Scheduler, ALateSecondAckOfARetriedChangeDoesNotEndTheNextChange)
{
    QueueSetParam(AREA_CHANNEL, 0, 1);
    SchedulerSendNext();
    Transcript(2);   // no ACK yet: sent a second time
    Ack();           // the first send's ACK, late
    QueueSetParam(AREA_CHANNEL, 0, 2);
    SchedulerSendNext();
    m_sent.clear();
    Ack();   // the second send's ACK
    EXPECT_EQ(Commands{ChannelGroup(0, 2)}, PendingList());
    Ack();
    EXPECT_TRUE(PendingList().empty());
}

TEST_F(Scheduler, ALateSecondRecallReplyIsNotAppliedOverNewerChanges)
{
    Bytes preset(kRecallReplySize, 0);
    std::memcpy(preset.data(), BlockBytes(Image().channels[0]), sizeof(ChannelBlock));
    std::memcpy(preset.data() + sizeof(ChannelBlock), BlockBytes(Image().channels[1]), sizeof(ChannelBlock));
    preset[2] = 50;   // CH A gain of the preset
    QueueRecallPreset(6);
    SchedulerSendNext();
    SendTicks(36);   // unanswered: recalled a second time
    Feed(CMD_RECALL_PRESET, 0, 0, preset);
    EXPECT_EQ(50, Image().channels[0].gain.Get());
    Image().channels[0].gain.Set(77);   // the user changes the gain afterwards
    m_refreshes.clear();
    Feed(CMD_RECALL_PRESET, 0, 0, preset);
    EXPECT_EQ(77, Image().channels[0].gain.Get());
    EXPECT_TRUE(m_refreshes.empty());
}

TEST_F(Scheduler, ALateAnswerToADroppedCommandTakesItOffTheFailures)
{
    QueueSetParam(AREA_GLOBAL, 0, 5);
    RunRoundsUnanswered(3);
    ASSERT_EQ(Commands{GlobalItem(5)}, FailedList());
    TakeOutcomes();
    Ack();
    EXPECT_TRUE(FailedList().empty());
    EXPECT_EQ((std::vector<Outcome>{{GlobalItem(5), CommandOutcome::Answered}}), TakeOutcomes());
}

TEST_F(Scheduler, AFullPendingSetRefusesAndReportsTheCommand)
{
    m_sink.connected = false;
    for (std::size_t i = 0; i < kPendingCapacity; ++i)
        QueueStorePreset(static_cast<std::uint8_t>(1 + i % kUserPresetCount));
    TakeOutcomes();
    QueueSetParam(AREA_CHANNEL, 0, 0);
    EXPECT_EQ(kPendingCapacity, PendingList().size());
    EXPECT_EQ((std::vector<Outcome>{{ChannelGroup(0, 0), CommandOutcome::Refused}}), TakeOutcomes());
    EXPECT_EQ(Commands{ChannelGroup(0, 0)}, FailedList());
}

TEST_F(Scheduler, StatusSaysWhatWaitsOnceItWaitedAWholeTick)
{
    QueueSetParam(AREA_CHANNEL, 0, 0);
    QueueSetParam(AREA_CHANNEL, 0, 1);
    SchedulerSendNext();
    EXPECT_FALSE(GetSchedulerStatus().waiting);
    SchedulerTick();
    EXPECT_FALSE(GetSchedulerStatus().waiting);
    SchedulerTick();
    const SchedulerStatus status = GetSchedulerStatus();
    EXPECT_TRUE(status.waiting);
    EXPECT_EQ(2, status.pending);
}

}  // namespace
