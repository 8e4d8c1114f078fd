#include "WindowControlPlaces.h"

#include "ui/main/MainWindowControls.h"
#include "ui/main/MainWindowTexts.h"

#include <gtest/gtest.h>

#include <set>

namespace {

struct FormatCase {
    QString (*format)(int);
    int code;
    const char* text;
};

class DisplayFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(DisplayFormat, ShowsTheCodeAsTheUnitMeansIt)
{
    const FormatCase& c = GetParam();
    EXPECT_EQ(c.format(c.code).toStdString(), c.text);
}

INSTANTIATE_TEST_SUITE_P(Codes, DisplayFormat, testing::Values(
    FormatCase{GainText, 80, "0"},
    FormatCase{GainText, 0, "-80"},
    FormatCase{GainText, 90, "10"},
    FormatCase{GainText, 89, "9"},
    FormatCase{CompThresholdText, 59, "OFF"},
    FormatCase{CompThresholdText, 58, "18"},
    FormatCase{CompThresholdText, 0, "-40"},
    FormatCase{CompAttackText, 0, "5ms"},
    FormatCase{CompAttackText, 95, "100ms"},
    FormatCase{CompReleaseText, 0, "Atkx2"},
    FormatCase{CompReleaseText, 3, "Atkx8"},
    FormatCase{CompReleaseText, 4, "Atkx16"},
    FormatCase{CompReleaseText, 5, "Atkx32"},
    FormatCase{CompReleaseText, 6, "6"},        // only a unit sends this: the raw code
    FormatCase{CompReleaseText, 255, "255"},
    FormatCase{CompRatioText, 0, "1:1"},
    FormatCase{CompRatioText, 125, "126:1"},
    FormatCase{CompRatioText, 126, "127:1"},
    FormatCase{CompRatioText, 127, "Inf:1"},
    FormatCase{CompRatioText, 200, "200"}));

TEST(NoiseGateList, EntryIsSeventyMinusTheCodeAndUnknownCodesSelectNothing)
{
    const QStringList entries = NoiseGateEntries();
    ASSERT_EQ(entries.size(), 71);
    EXPECT_EQ(entries.front().toStdString(), "-30dB");
    EXPECT_EQ(entries[69].toStdString(), "-99dB");
    EXPECT_EQ(entries.back().toStdString(), "OFF");
    EXPECT_EQ(NoiseGateEntry(1), 69);
    EXPECT_EQ(NoiseGateEntry(0), 70);
    EXPECT_EQ(NoiseGateEntry(70), 0);
    EXPECT_EQ(NoiseGateEntry(71), -1);
    EXPECT_EQ(NoiseGateEntry(255), -1);
}

TEST(FixedLists, HoldTheirEntriesInOrder)
{
    EXPECT_EQ(StaticNotchEntries(), QStringList({"0", "1", "2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_EQ(FreqShiftEntries(), QStringList({"OFF", "2Hz", "4Hz", "6Hz", "8Hz"}));
}

class LanguageLists : public testing::Test {
protected:
    void TearDown() override { SetCurrentLanguage(kEnglish); }
};

TEST_F(LanguageLists, KeepTheirBlanksInBothLanguages)
{
    SetCurrentLanguage(kEnglish);
    EXPECT_EQ(DetectSpeedEntries(), QStringList({"Fast", "Default", "Slowest"}));
    EXPECT_EQ(PanelLockEntries(), QStringList({"UnLock  ", "1st Lock", "2st Lock"}));
    EXPECT_EQ(ChannelLinkEntries(), QStringList({"UnLink  ", "A&B Link"}));
    EXPECT_EQ(RangeMessage(), "Data out of range");
    SetCurrentLanguage(kChinese);
    EXPECT_EQ(DetectSpeedEntries(), QStringList({"快 速", "默 认", "慢 速"}));
    EXPECT_EQ(PanelLockEntries(), QStringList({"解  锁", "一级锁", "二级锁"}));
    EXPECT_EQ(ChannelLinkEntries(), QStringList({"取消联调", "A&B联调"}));
    EXPECT_EQ(RangeMessage(), "数据超出范围");
}

TEST_F(LanguageLists, AnyLanguageOtherThanZeroIsChinese)
{
    SetCurrentLanguage(7);
    EXPECT_EQ(CurrentLanguage(), kChinese);
    EXPECT_EQ(DetectSpeedEntries(), QStringList({"快 速", "默 认", "慢 速"}));
}

TEST(ButtonImages, FollowTheLanguageAndState)
{
    EXPECT_EQ(NotchBypassImage(kEnglish, false), 193);
    EXPECT_EQ(NotchBypassImage(kEnglish, true), 194);
    EXPECT_EQ(NotchBypassImage(kChinese, false), 186);
    EXPECT_EQ(NotchBypassImage(kChinese, true), 187);
    EXPECT_EQ(PeqBypassImage(kEnglish, false), 197);
    EXPECT_EQ(PeqBypassImage(kEnglish, true), 198);
    EXPECT_EQ(PeqBypassImage(kChinese, false), 190);
    EXPECT_EQ(PeqBypassImage(kChinese, true), 191);
    EXPECT_EQ(MuteImage(true), 139);
    EXPECT_EQ(MuteImage(false), 140);
}

struct LocaleCase {
    const char* name;
    int id;
    int language;
};

class StartLanguage : public testing::TestWithParam<LocaleCase> {};

TEST_P(StartLanguage, OnlyChinaAndTaiwanStartInChinese)
{
    const LocaleCase& c = GetParam();
    const int id = LocaleId(QLocale(QString::fromLatin1(c.name)));
    EXPECT_EQ(id, c.id);
    EXPECT_EQ(LanguageForLocaleId(id), c.language);
}

INSTANTIATE_TEST_SUITE_P(Locales, StartLanguage, testing::Values(
    LocaleCase{"zh_CN", 0x0804, kChinese},
    LocaleCase{"zh_TW", 0x0404, kChinese},
    LocaleCase{"zh_HK", 0x0C04, kEnglish},
    LocaleCase{"zh_SG", 0x1004, kEnglish},
    LocaleCase{"en_US", 0x0409, kEnglish},
    LocaleCase{"de_DE", 0x0409, kEnglish}));

TEST(EditNumbers, ReadTheLeadingNumberOfTheText)
{
    EXPECT_DOUBLE_EQ(LeadingDecimal("9.9"), 9.9);
    EXPECT_DOUBLE_EQ(LeadingDecimal("-3.5"), -3.5);
    EXPECT_DOUBLE_EQ(LeadingDecimal("12ab"), 12.0);
    EXPECT_DOUBLE_EQ(LeadingDecimal(""), 0.0);
    EXPECT_DOUBLE_EQ(LeadingDecimal("OFF"), 0.0);
    EXPECT_DOUBLE_EQ(LeadingDecimal("--5"), 0.0);
    EXPECT_EQ(static_cast<int>(LeadingDecimal("9.9") + 80.0), 89);
    EXPECT_EQ(static_cast<int>(LeadingDecimal("-39.5") + 40.0), 0);
    EXPECT_EQ(LeadingInteger("-39.5"), -39);
    EXPECT_EQ(LeadingInteger("20ms"), 20);
    EXPECT_EQ(LeadingInteger("ms"), 0);
    EXPECT_EQ(LeadingInteger("99999999999999999999999"), 1'000'000'000'000LL);
}

TEST(MainWindowControls, GivesEveryControlOneIdAndFitsTheVisibleOnesInTheWindow)
{
    std::set<int> ids;
    int right = 0, bottom = 0;
    for (const ControlSpec& item : AllControlSpecs()) {
        EXPECT_TRUE(ids.insert(item.id).second) << item.id;
        if (item.flags & kItemHidden)
            continue;
        const int cy = item.kind == ItemKind::DropDown ? 13 : item.cy;
        right = std::max(right, item.x + item.cx);
        bottom = std::max(bottom, item.y + cy);
    }
    EXPECT_EQ(ids.size(), 92u);
    EXPECT_EQ(right, 682);    // the connect button
    EXPECT_EQ(bottom, 417);   // the CH B group boxes
    ASSERT_NE(FindControlSpec(kIdCompEdit + 2), nullptr);   // CH A's compressor release
    EXPECT_TRUE(FindControlSpec(kIdCompEdit + 2)->flags & kItemReadOnly);
    EXPECT_TRUE(FindControlSpec(kIdChannelLink)->flags & kItemHidden);
    EXPECT_EQ(FindControlSpec(4242), nullptr);
}

}  // namespace
