// Codes outside every defined range arrive through the reply path (recall,
// notch tables, setup with the global bytes and the names) and the window is
// refreshed from them: it shows plain numbers or placeholders and never reads
// outside a table (the address and undefined-behaviour sanitizers watch the
// reads).
#include "ui/MainWindowFixture.h"

#include "protocol/ReplyHandling.h"
#include "ui/controls/ControlId.h"
#include "ui/controls/MeterLamp.h"
#include "ui/main/MainWindowControls.h"
#include "ui/presets/PresetLoadDialog.h"
#include "ui/presets/PresetList.h"

#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A window whose unit's replies the test thread feeds, as the reader thread would.
class ReplyFedWindow : public MainWindowFixture {
protected:
    // A recall of both channels, then both notch tables, each refresh handled by the window.
    void FeedUnitState(const Bytes& blocks)
    {
        FeedReply(CMD_RECALL_PRESET, 0, 0, blocks);
        for (std::uint8_t c = 0; c < kChannelCount; ++c) {
            const auto notches =
                blocks.begin() + static_cast<std::ptrdiff_t>(sizeof(ChannelBlock) * c + kNotchTableOffset);
            FeedReply(CMD_POLL, kStatusNotches, c, Bytes(notches, notches + kNotchReplySize));
        }
    }
};

Bytes SetupReply(std::uint8_t globalByte, const std::vector<std::string>& names)
{
    Bytes payload(kSetupReplySize, 0);
    std::fill_n(payload.begin(), kSetupGlobalBytes, globalByte);
    for (std::size_t r = 0; r < names.size(); ++r)
        std::memcpy(payload.data() + kSetupGlobalBytes + kPresetNameWireSize * r, names[r].data(),
                    std::min<std::size_t>(names[r].size(), kPresetNameWireSize));
    return payload;
}

struct FillCase {
    const char* what;
    std::uint8_t even, odd;   // bytes at even and odd offsets of the 348
    // What both channels show: gain, threshold, attack, release, ratio; the
    // placeholders of speed, gate, shift and notch count.
    const char* gain;
    const char* threshold;
    const char* attack;
    const char* release;
    const char* ratio;
    const char* speed;
    const char* gate;
    const char* shift;
    const char* notchCount;
};

void PrintTo(const FillCase& c, std::ostream* os) { *os << c.what; }

class OutOfRangeFill : public ReplyFedWindow, public testing::WithParamInterface<FillCase> {
protected:
    void SetUp() override
    {
        ReplyFedWindow::SetUp();
        Open().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dlg.get()));
    }

    void ExpectShown(int channel, const FillCase& c)
    {
        EXPECT_EQ(Text(kIdGainEdit + channel), c.gain);
        EXPECT_EQ(Text(CompEdit(channel, kThreshold)), c.threshold);
        EXPECT_EQ(Text(CompEdit(channel, kAttack)), c.attack);
        EXPECT_EQ(Text(CompEdit(channel, kRelease)), c.release);
        EXPECT_EQ(Text(CompEdit(channel, kRatio)), c.ratio);
        const int gate = channel == 0 ? kIdGateA : kIdGateB;
        const int shift = channel == 0 ? kIdShiftA : kIdShiftB;
        const int notchCount = channel == 0 ? kIdNotchCountA : kIdNotchCountB;
        for (auto [id, raw] : {std::pair{gate, c.gate}, std::pair{shift, c.shift}, std::pair{notchCount, c.notchCount}}) {
            EXPECT_EQ(ListIndex(id) == -1, *raw != '\0') << id;
            EXPECT_EQ(m_dlg->List(id)->placeholderText(), raw) << id;
        }
    }
};

// Every byte of both blocks (bands, widths, types, slopes and notches included)
// and the meter bytes are out of range; the window refreshes, paints and runs its timer.
TEST_P(OutOfRangeFill, RecallAndNotchTablesShowAsRawNumbers)
{
    const FillCase& c = GetParam();
    Bytes blocks(kRecallReplySize);
    for (std::size_t i = 0; i < blocks.size(); ++i)
        blocks[i] = i % 2 == 0 ? c.even : c.odd;
    FeedUnitState(blocks);
    FeedReply(CMD_POLL, 0, 0, {c.even, c.odd, c.even, c.odd});   // meter bytes
    EXPECT_FALSE(m_dlg->grab().isNull());
    m_dlg->OnTimer();
    for (auto [channel, meter] : {std::pair{0, c.even}, std::pair{1, c.odd}}) {
        const int bottom = channel == 0 ? kIdLampA : kIdLampB;
        EXPECT_EQ(m_dlg->Lamp(bottom)->IsLit(), (meter & 0x7F) >= 2) << channel;
        EXPECT_EQ(m_dlg->Lamp(bottom + 8)->IsLit(), (meter & 0x7F) >= 57) << channel;
        EXPECT_EQ(m_dlg->Lamp(bottom + kOverloadLamp)->IsLit(), (meter & 0x80) != 0) << channel;
    }
    for (int channel = 0; channel < kChannelCount; ++channel) {
        SCOPED_TRACE(channel);
        ExpectShown(channel, c);
    }
    EXPECT_EQ(ListIndex(kIdDetectSpeed), -1);
    EXPECT_EQ(m_dlg->List(kIdDetectSpeed)->placeholderText(), c.speed);
    EXPECT_TRUE(ShowsImage(kIdMute, c.even != 0 ? 139 : 140));   // any non-zero mute byte is muted
    EXPECT_TRUE(m_messages.empty());
}

// Offsets: gain 2-3, threshold 16, attack 17, release 18, ratio 19, gate 8,
// shift 6, speed 121 (odd), notch count 123 (odd).
INSTANTIATE_TEST_SUITE_P(Codes, OutOfRangeFill, testing::Values(
    FillCase{"all FFh", 0xFF, 0xFF, "-81", "215", "260ms", "255", "255", "255", "255", "255", "255"},
    FillCase{"all 80h", 0x80, 0x80, "-32720", "88", "133ms", "128", "128", "128", "128", "128", "128"},
    FillCase{"all 7Fh", 0x7F, 0x7F, "32559", "87", "132ms", "127", "Inf:1", "127", "127", "127", "127"},
    FillCase{"16-bit -32768", 0x00, 0x80, "-32848", "-40", "133ms", "Atkx2", "128", "128", "", "", "128"}));

class OutOfRange : public ReplyFedWindow {};

TEST_F(OutOfRange, RandomRecallsNeverLeaveTheWindowBroken)
{
    Open().show();
    std::mt19937 random(348);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 50; ++round) {
        Bytes blocks(kRecallReplySize);
        for (std::uint8_t& b : blocks)
            b = static_cast<std::uint8_t>(byte(random));
        FeedUnitState(blocks);
        m_dlg->grab();
        const ChannelBlock a = Block(0);
        EXPECT_EQ(Text(kIdGainEdit), QString::number(a.gain.Get() - 80)) << round;
        EXPECT_EQ(Text(CompEdit(0, kRatio)), a.compRatio == 127 ? QString("Inf:1")
                                             : a.compRatio > 127 ? QString::number(a.compRatio)
                                                                 : QString::number(a.compRatio + 1) + ":1")
            << round;
    }
}

class OutOfRangeSetup : public ReplyFedWindow {
protected:
    void SetUp() override
    {
        ReplyFedWindow::SetUp();
        Open().show();
    }

    void FeedSetup(const Bytes& payload)
    {
        FeedReply(CMD_READ_SETUP, kSetupWithGlobals, 0, payload);
        FeedUnitState(Bytes(kRecallReplySize, 0));
    }
};

TEST_F(OutOfRangeSetup, GlobalBytesOutsideTheirCodesShowAsPlaceholders)
{
    for (const std::uint8_t code : {std::uint8_t{0xFF}, std::uint8_t{0x80}, std::uint8_t{3}}) {
        FeedSetup(SetupReply(code, {}));
        EXPECT_EQ(ListIndex(kIdPanelLock), -1) << int(code);
        EXPECT_EQ(m_dlg->List(kIdPanelLock)->placeholderText(), QString::number(code));
        EXPECT_EQ(CurrentLanguage(), 1);   // any non-zero byte is Chinese
        EXPECT_EQ(m_dlg->List(kIdChannelLink)->currentIndex(), 0);
        EXPECT_FALSE(m_dlg->grab().isNull());
    }
}

// Names as the unit may send them: sixteen bytes without a NUL, bytes GBK
// leaves undefined, lead bytes without their trail byte.
TEST_F(OutOfRangeSetup, NamesWithoutNulOrWithInvalidGbkShowHarmlessly)
{
    const std::vector<std::string> names = {
        std::string(16, '\xff'),
        "ABCDEFGHIJKLMNOP",
        std::string("A\xff" "B\0\0\0\0\0\0\0\0\0\0\0\0\0", 16),
        std::string("ABCDEFGHIJKLMNO\x81", 16),
        std::string(16, '\x80'),
        std::string("\x01\x02\x1b\x7f" "ab\xfe\xfe\xfe", 9),
    };
    FeedSetup(SetupReply(0, names));
    CPresetLoadDialog load(m_dlg.get(), *m_adapter);
    load.show();
    auto* list = qobject_cast<CPresetList*>(FindControl(&load, IDC_PRESET_LIST));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->RowName(1), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(list->RowName(2), "A?B");
    EXPECT_EQ(list->RowName(3), "ABCDEFGHIJKLMNO");
    EXPECT_EQ(list->RowName(4), QString(16, QChar(0x20AC)));   // 80h is the euro sign in GBK
    EXPECT_EQ(list->RowName(5), "????ab?");   // FEFEh is private use; the lone lead byte at the end is dropped
    for (int n = 1; n <= kUserPresetCount; ++n)
        EXPECT_LE(list->RowName(n).size(), kPresetNameWireSize) << n;
    EXPECT_FALSE(load.grab().isNull());
}

TEST_F(OutOfRangeSetup, NamesOnlyReplyWithoutNulsStaysInsideItsRecords)
{
    Bytes payload(kSetupNamesReplySize, 0xFF);
    FeedReply(CMD_READ_SETUP, kSetupNamesOnly, 0, payload);
    for (int r = 1; r <= 19; ++r) {
        ImageLock lock(Image().mutex);
        EXPECT_EQ(Image().names.records[r][kPresetNameWireSize - 1], '\0') << r;
    }
    CPresetLoadDialog load(m_dlg.get(), *m_adapter);
    auto* list = qobject_cast<CPresetList*>(FindControl(&load, IDC_PRESET_LIST));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->RowName(1), QString(15, '?'));
    EXPECT_EQ(list->RowName(20), " USER 20    ");
}

}  // namespace
