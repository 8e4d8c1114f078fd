#include "ProtocolFixture.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

class Reply : public ProtocolTest {
protected:
    // A command in flight that a reply may end.
    void InFlight(const CommandSlot& command)
    {
        switch (command.code) {
        case CMD_READ_SETUP: QueueReadSetup(); break;
        case CMD_STORE_PRESET: QueueStorePreset(command.a2); break;
        case CMD_RECALL_PRESET: QueueRecallPreset(command.a2); break;
        case CMD_WRITE_BANDS: QueueWriteBands(command.a1, command.a3); break;
        default:
            if (command.a1 == AREA_PRESET_NAME)
                QueuePresetName(command.a2);
            else
                QueueSetParam(command.a1, command.a3, command.a4);
            break;
        }
        SchedulerSendNext();
        ASSERT_FALSE(m_sent.empty());
        m_sent.clear();
        TakeOutcomes();
    }

    void Pending() { InFlight(ChannelGroup(0, 0)); }

    static Bytes SetupPayload()
    {
        Bytes p(kSetupReplySize);
        for (int i = 0; i < kSetupGlobalBytes; ++i)
            p[i] = static_cast<std::uint8_t>(0x10 + i);
        for (int r = 0; r < kSetupNameRecords; ++r) {
            char name[17];
            std::snprintf(name, sizeof name, "Unit name %02d....", r);
            std::memcpy(p.data() + 12 + 16 * r, name, 16);
        }
        return p;
    }
};

TEST_F(Reply, SetupFillsGlobalsAndNamesAndQueuesRecallOfCurrentMemory)
{
    Bytes setup = SetupPayload();
    setup[10] = 2;   // channels linked
    InFlight(kSetup);
    Feed(CMD_READ_SETUP, kSetupWithGlobals, 0, setup);
    EXPECT_EQ(0, std::memcmp(GlobalBytes(Image().globals), setup.data(), 12));
    for (int i = 12; i < 64; ++i)
        EXPECT_EQ(0, GlobalBytes(Image().globals)[i]);
    EXPECT_STREQ("Unit name 00....", Image().names.records[0]);
    EXPECT_EQ(0, std::memcmp(Image().names.records[20], "Unit name 20....\0", 17));
    EXPECT_EQ(0, std::memcmp(Image().names.records[21], " USER 21    \0", 13));
    EXPECT_EQ(kChannelLinkedCode, Image().globals.channelLink);
    EXPECT_EQ(Commands{Recall(0)}, PendingList());
    EXPECT_EQ((std::vector<Outcome>{{kSetup, CommandOutcome::Answered}}), TakeOutcomes());
    EXPECT_TRUE(m_refreshes.empty());
}

TEST_F(Reply, SetupWithoutLinkClearsTheLinkFlag)
{
    Image().globals.channelLink = kChannelLinkedCode;
    Feed(CMD_READ_SETUP, kSetupWithGlobals, 0, SetupPayload());
    EXPECT_EQ(0x1A, Image().globals.channelLink);   // the setup's byte, not 2: not linked
}

TEST_F(Reply, NamesOnlySetupFillsRecordsOneToNineteen)
{
    Bytes names(kSetupNamesReplySize);
    for (std::size_t i = 0; i < names.size(); ++i)
        names[i] = static_cast<std::uint8_t>('A' + i % 26);
    Pending();
    Feed(CMD_READ_SETUP, kSetupNamesOnly, 0, names);
    EXPECT_EQ(0, std::memcmp(Image().names.records[0], " Current    ", 12));
    EXPECT_EQ(0, std::memcmp(Image().names.records[1], names.data() + 16, 15));
    EXPECT_EQ('\0', Image().names.records[1][15]);
    EXPECT_EQ(0, std::memcmp(Image().names.records[19], names.data() + 304, 15));
    EXPECT_EQ(0, std::memcmp(Image().names.records[20], " USER 20    ", 12));
    EXPECT_EQ(Commands{ChannelGroup(0, 0)}, PendingList());
    EXPECT_EQ(0, GlobalBytes(Image().globals)[0]);
}

TEST_F(Reply, ShortOrUnknownSetupChangesNothing)
{
    const PresetNameTable before = Image().names;
    InFlight(kSetup);
    Feed(CMD_READ_SETUP, kSetupWithGlobals, 0, Bytes(kSetupReplySize - 1, 0x41));
    Feed(CMD_READ_SETUP, kSetupNamesOnly, 0, Bytes(kSetupNamesReplySize - 1, 0x41));
    Feed(CMD_READ_SETUP, 7, 0, Bytes(kSetupReplySize, 0x41));
    EXPECT_EQ(0, std::memcmp(&before, &Image().names, sizeof before));
    EXPECT_EQ(0, GlobalBytes(Image().globals)[0]);
    EXPECT_EQ(Commands{kSetup}, PendingList());
    EXPECT_TRUE(TakeOutcomes().empty());
}

TEST_F(Reply, RecallReplacesBothBlocksAndPostsFullRefresh)
{
    Bytes blocks(kRecallReplySize);
    for (std::size_t i = 0; i < blocks.size(); ++i)
        blocks[i] = static_cast<std::uint8_t>(i * 3);
    InFlight(Recall(7));
    Feed(CMD_RECALL_PRESET, 0, 0, blocks);
    EXPECT_EQ(0, std::memcmp(BlockBytes(Image().channels[0]), blocks.data(), 174));
    EXPECT_EQ(0, std::memcmp(BlockBytes(Image().channels[1]), blocks.data() + 174, 174));
    EXPECT_EQ((std::vector<int>{0xFF}), m_refreshes);
    EXPECT_TRUE(PendingList().empty());
    EXPECT_EQ((std::vector<Outcome>{{Recall(7), CommandOutcome::Answered}}), TakeOutcomes());
}

TEST_F(Reply, UnaskedRecallIsAppliedAllTheSame)
{
    Pending();
    Feed(CMD_RECALL_PRESET, 0, 0, Bytes(kRecallReplySize, 0x09));
    EXPECT_EQ(0x0909, Image().channels[1].gain.Get());
    EXPECT_EQ((std::vector<int>{0xFF}), m_refreshes);
    EXPECT_EQ(Commands{ChannelGroup(0, 0)}, PendingList());
}

TEST_F(Reply, ShortRecallIsNotApplied)
{
    InFlight(Recall(2));
    Feed(CMD_RECALL_PRESET, 0, 0, Bytes(kRecallReplySize - 1, 0x07));
    EXPECT_EQ(80, Image().channels[1].gain.Get());
    EXPECT_TRUE(m_refreshes.empty());
    EXPECT_EQ(Commands{Recall(2)}, PendingList());
}

// A reply ends only the command in flight that it answers.
TEST_F(Reply, EachReplyEndsOnlyTheCommandItAnswers)
{
    struct Case { std::uint8_t code; CommandSlot inFlight; bool ends; };
    const Case cases[] = {
        {0xAA, ChannelGroup(1, 4), true}, {0xAA, GlobalItem(8), true}, {0xAA, PresetName(3), true},
        {0xA3, Bands(0), true}, {0xB0, Bands(1), true}, {0xA4, Store(2), true}, {0xA5, Store(20), true},
        {0xAA, Store(2), false}, {0xAA, Bands(0), false}, {0xB0, ChannelGroup(0, 1), false},
        {0xA5, ChannelGroup(0, 1), false}, {0xA3, Recall(4), false},
        {0xA1, ChannelGroup(0, 0), false}, {0x00, ChannelGroup(0, 0), false}, {0xAF, ChannelGroup(0, 0), false},
        {0xA7, ChannelGroup(0, 0), false},
    };
    for (const Case& c : cases) {
        Fresh();
        InFlight(c.inFlight);
        Feed(c.code, 0, 0, {1, 2, 3, 4});
        EXPECT_EQ(c.ends ? Commands{} : Commands{c.inFlight}, PendingList()) << std::hex << int(c.code);
        const std::vector<Outcome> ended = {{c.inFlight, CommandOutcome::Answered}};
        EXPECT_EQ(c.ends ? ended : std::vector<Outcome>{}, TakeOutcomes()) << std::hex << int(c.code);
        m_sent.clear();
        SchedulerSendNext();
        EXPECT_TRUE(m_sent.empty()) << "nothing left to send, or still in flight: " << std::hex << int(c.code);
    }
    EXPECT_TRUE(m_refreshes.empty());
    EXPECT_EQ(0, Image().meterBytes[0].load());
}

// AEh asks for the frame in flight again: it goes out on the next tick.
TEST_F(Reply, RetryRequestSendsTheCommandAgainOnTheNextTick)
{
    Pending();
    Feed(CMD_CLEAR_WAIT, 0, 0, {});
    SchedulerSendNext();
    EXPECT_TRUE(m_sent.empty());
    SchedulerTick();
    ASSERT_EQ(1u, m_sent.size());
    EXPECT_EQ(CMD_SET_PARAM, m_sent[0][kFrameCode]);
    EXPECT_EQ(Commands{ChannelGroup(0, 0)}, PendingList());
}

TEST_F(Reply, NotchStatusFillsOneChannelsTable)
{
    Bytes notches(kNotchReplySize);
    for (std::size_t i = 0; i < notches.size(); ++i)
        notches[i] = static_cast<std::uint8_t>(0x80 + i);
    const ChannelBlock a = Image().channels[0];
    const ChannelBlock bBefore = Image().channels[1];
    Pending();
    Feed(CMD_POLL, kStatusNotches, 1, notches);
    EXPECT_EQ(0, std::memcmp(&a, &Image().channels[0], sizeof a));
    EXPECT_EQ(0, std::memcmp(&bBefore, &Image().channels[1], 126));
    EXPECT_EQ(0, std::memcmp(BlockBytes(Image().channels[1]) + 126, notches.data(), 48));
    EXPECT_EQ((std::vector<int>{0xFE}), m_refreshes);
    EXPECT_EQ(Commands{ChannelGroup(0, 0)}, PendingList());
}

TEST_F(Reply, NotchStatusForChannelTwoOrShortIsIgnored)
{
    const ChannelBlock a = Image().channels[0], b = Image().channels[1];
    Feed(CMD_POLL, kStatusNotches, 2, Bytes(kNotchReplySize, 0x55));
    Feed(CMD_POLL, kStatusNotches, 0xFF, Bytes(kNotchReplySize, 0x55));
    Feed(CMD_POLL, kStatusNotches, 0, Bytes(kNotchReplySize - 1, 0x55));
    EXPECT_EQ(0, std::memcmp(&a, &Image().channels[0], sizeof a));
    EXPECT_EQ(0, std::memcmp(&b, &Image().channels[1], sizeof b));
    EXPECT_TRUE(m_refreshes.empty());
    EXPECT_EQ(0, Image().meterBytes[0].load());
}

TEST_F(Reply, MeterStatusStoresFourBytes)
{
    Pending();
    Feed(CMD_POLL, 0, 0, {0x85, 0x20, 0x01, 0x02});
    Feed(CMD_POLL, 3, 1, {0x86, 0x21, 0x03});   // short: ignored
    EXPECT_EQ(0x85, Image().meterBytes[0].load());
    EXPECT_EQ(0x20, Image().meterBytes[1].load());
    EXPECT_EQ(0x01, Image().meterBytes[2].load());
    EXPECT_EQ(0x02, Image().meterBytes[3].load());
    EXPECT_TRUE(m_refreshes.empty());
    EXPECT_EQ(Commands{ChannelGroup(0, 0)}, PendingList());
}

class Meters : public Reply {
protected:
    void SetUp() override
    {
        Reply::SetUp();
        m_events.lamps = [this](int channel, const MeterLamps& lamps) {
            ASSERT_GE(channel, 0);
            ASSERT_LT(channel, 2);
            for (int lamp = 0; lamp < kLampsPerChannel; ++lamp)
                m_lamps[channel][lamp] = lamps[lamp] ? '#' : '.';
        };
    }

    std::string Lamps(int channel) const { return std::string(m_lamps[channel], kLampsPerChannel); }

    char m_lamps[2][kLampsPerChannel + 1] = {"??????????", "??????????"};
};

TEST_F(Meters, LevelLampThresholds)
{
    struct Case { std::uint8_t meter; const char* lamps; };
    const Case cases[] = {
        {0x00, ".........."}, {0x01, ".........."}, {0x02, "#........."}, {0x0F, "##........"},
        {0x15, "###......."}, {0x2A, "########.."}, {0x38, "########.."}, {0x39, "#########."},
        {0x7F, "#########."}, {0x80, ".........#"}, {0xB9, "##########"},
        // just below and at every threshold
        {0x0E, "#........."}, {0x14, "##........"}, {0x1A, "###......."}, {0x1B, "####......"},
        {0x20, "####......"}, {0x21, "#####....."}, {0x23, "#####....."}, {0x24, "######...."},
        {0x26, "######...."}, {0x27, "#######..."}, {0x29, "#######..."},
    };
    for (const Case& c : cases) {
        MeterDisplay().SetShown(1, 0);
        Image().meterBytes[1].store(c.meter);
        RefreshMeters();
        EXPECT_EQ(c.lamps, Lamps(1)) << std::hex << int(c.meter);
        EXPECT_EQ(".........." , Lamps(0));
    }
}

TEST_F(Meters, OverloadShowsForOneTick)
{
    Image().meterBytes[0].store(0x80);
    RefreshMeters();
    EXPECT_EQ(".........#", Lamps(0));
    EXPECT_EQ(0x00, Image().meterBytes[0].load());
    RefreshMeters();
    EXPECT_EQ("..........", Lamps(0));
}

TEST_F(Meters, ShownLevelFallsByThreePerTick)
{
    Image().meterBytes[0].store(60);
    RefreshMeters();
    EXPECT_EQ(60, MeterDisplay().Shown(0));
    Image().meterBytes[0].store(0);
    RefreshMeters();
    EXPECT_EQ(57, MeterDisplay().Shown(0));
    EXPECT_EQ("#########.", Lamps(0));
    RefreshMeters();
    EXPECT_EQ(54, MeterDisplay().Shown(0));
    EXPECT_EQ("########..", Lamps(0));
    for (int i = 0; i < 17; ++i)
        RefreshMeters();
    EXPECT_EQ(3, MeterDisplay().Shown(0));
    RefreshMeters();
    EXPECT_EQ(0, MeterDisplay().Shown(0));
    RefreshMeters();
    EXPECT_EQ(0, MeterDisplay().Shown(0));
}

TEST_F(Meters, RisingLevelIsShownAtOnce)
{
    MeterDisplay().SetShown(1, 10);
    Image().meterBytes[1].store(0x80 | 40);
    RefreshMeters();
    EXPECT_EQ(40, MeterDisplay().Shown(1));
    EXPECT_EQ("#######..#", Lamps(1));
    EXPECT_EQ(40, Image().meterBytes[1].load());
}

// The display itself does not look at the link: the unit darkens it when it goes (below).
TEST_F(Meters, LastLevelStaysWhileDisconnected)
{
    m_sink.connected = false;
    Image().meterBytes[0].store(30);
    RefreshMeters();
    RefreshMeters();
    EXPECT_EQ(30, MeterDisplay().Shown(0));
    EXPECT_EQ("####......", Lamps(0));
}

TEST_F(Meters, DarkenPutsOutEveryLampAtOnceAndForgetsTheLevels)
{
    Image().meterBytes[0].store(0x80 | 60);
    Image().meterBytes[1].store(30);
    RefreshMeters();
    ASSERT_EQ("##########", Lamps(0));
    ASSERT_EQ("####......", Lamps(1));
    Image().meterBytes[0].store(0x80 | 60);   // a status reply that came after the tick
    Image().meterBytes[3].store(9);
    MeterDisplay().Darken();
    EXPECT_EQ("..........", Lamps(0));
    EXPECT_EQ("..........", Lamps(1));
    for (int c = 0; c < kChannelCount; ++c)
        EXPECT_EQ(0, MeterDisplay().Shown(c)) << c;
    for (int b = 0; b < kMeterByteCount; ++b)
        EXPECT_EQ(0, Image().meterBytes[b].load()) << b;
    RefreshMeters();
    EXPECT_EQ("..........", Lamps(0)) << "nothing falls from the last level";
    EXPECT_EQ("..........", Lamps(1));
}

}  // namespace
