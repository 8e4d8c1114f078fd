// The graphs' "Import filters…" and "Export filters…" on the real window over
// the link to the simulated unit: the file dialog and the choice of a file's
// channel replaced by hooks, the window's timer and the unit's clock driven
// tick by tick.
#include "WindowOverLink.h"

#include "model/FilterExport.h"
#include "ui/common/Language.h"
#include "ui/graph/EqualizerGraph.h"
#include "ui/settings/FilterFile.h"
#include "ui/settings/FilterFiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <string>

namespace {

constexpr std::size_t kGroupBytes = kGroupCount * kGroupSize;

class FilterFilesE2e : public WindowOverLinkTest {
protected:
    void SetUp() override
    {
        WindowOverLinkTest::SetUp();
        ASSERT_TRUE(m_dir.isValid());
        FilterPrompts prompts;
        prompts.pickFile = [this](bool forSaving) {
            m_pickedForSaving.push_back(forSaving);
            return m_fileName;
        };
        prompts.chooseSection = [this](const QStringList& sections) {
            m_offeredSections = sections;
            return m_sectionChoice;
        };
        SetFilterPromptsHook(prompts);
        OpenWindow();
        Connect();
        m_messages.clear();
    }

    void TearDown() override
    {
        SetFilterPromptsHook({});
        SetCurrentLanguage(kEnglish);
        WindowOverLinkTest::TearDown();
    }

    QString File(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    void Write(const char* name, const std::string& text)
    {
        m_fileName = File(name);
        QFile file(m_fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
    }

    bool SameGroups(const ChannelBlock& a, const ChannelBlock& b) const
    {
        return std::memcmp(&a, &b, kGroupBytes) == 0;
    }

    QTemporaryDir m_dir;
    QString m_fileName;
    int m_sectionChoice = 0;
    QStringList m_offeredSections;
    std::vector<bool> m_pickedForSaving;
};

const std::string kAutoEq =
    "Preamp: -5.0 dB\n"
    "Filter 1: ON LSC Fc 105 Hz Gain 6.2 dB Q 0.70\n"
    "Filter 2: ON PK Fc 160 Hz Gain -2.9 dB Q 0.49\n"
    "Filter 3: ON LP Fc 16000 Hz\n"
    "Filter 4: ON HSC Fc 10000 Hz Gain 3.1 dB Q 0.70\n";

TEST_F(FilterFilesE2e, OverAGraphTheMenuOffersThatChannelsFilterFiles)
{
    const QStringList overGraph = MenuAt(GraphCentre(1));
    ASSERT_GE(overGraph.size(), 5);
    EXPECT_EQ(overGraph.mid(0, 5), (QStringList{"Import filters…", "Export filters…", "", "Undo", "Redo"}));
    const QStringList elsewhere = MenuAt(QPoint(5, 5));
    ASSERT_FALSE(elsewhere.isEmpty());
    EXPECT_EQ(elsewhere.first(), "Undo");

    Click(kIdLanguage);
    EXPECT_EQ(MenuAt(GraphCentre(0)).mid(0, 2), (QStringList{"导入滤波器…", "导出滤波器…"}));
}

TEST_F(FilterFilesE2e, ImportFromTheMenuIsOneUndoStepAndTheUnitFollows)
{
    Write("autoeq.txt", kAutoEq);
    const ChannelBlock before = m_unit.Current(1);
    const ChannelBlock otherBefore = m_unit.Current(0);
    MenuAt(GraphCentre(1), QStringLiteral("Import filters…"));
    Tick(5);

    EXPECT_EQ(m_pickedForSaving, std::vector<bool>{false});
    const ChannelBlock after = m_unit.Current(1);
    EXPECT_EQ(after.gain.Get(), 75);
    EXPECT_EQ(after.bands[0].freqHz.Get(), 83);
    EXPECT_EQ(after.bands[0].type, FILTER_LOW_SHELF);
    EXPECT_EQ(after.bands[0].slope, kSlope12dBPerOct);
    EXPECT_EQ(after.bands[1].bwCode.Get(), 124);
    EXPECT_EQ(after.bands[2].freqHz.Get(), 13000);
    EXPECT_EQ(after.bands[2].type, FILTER_HIGH_SHELF);
    EXPECT_EQ(after.bands[3].gainCode.Get(), kFlatGainCode);
    EXPECT_TRUE(SameGroups(m_unit.Current(0), otherBefore));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].caption, "Import filters");
    EXPECT_EQ(m_messages[0].text, "took 3 of the file's filters into CH B, bands 4..12 flat, gain -5 dB\n"
                                  "largest difference from the file's curve: 0.19 dB at 14453 Hz\n"
                                  "line 4: refused: LP is not a peaking or shelf filter");
    EXPECT_EQ(m_dlg->UndoStack().count(), 1);

    m_dlg->UndoStack().undo();
    Tick(5);
    EXPECT_TRUE(SameGroups(m_unit.Current(1), before)) << "the unit has its bands and gain back";
    m_dlg->UndoStack().redo();
    Tick(5);
    EXPECT_TRUE(SameGroups(m_unit.Current(1), after));
}

TEST_F(FilterFilesE2e, TheReportSpeaksTheWindowsLanguage)
{
    Write("autoeq.txt", kAutoEq);
    Click(kIdLanguage);
    m_dlg->ImportFilters(1);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].caption, "导入滤波器");
    EXPECT_EQ(m_messages[0].text, "已将文件中的 3 个滤波器导入 通道 B,频段 4..12 为平直,增益 -5 dB\n"
                                  "与文件曲线的最大差异:14453 Hz 处 0.19 dB\n"
                                  "第 4 行:拒绝:LP 不是峰值或搁架滤波器");
}

struct LongReport {
    int language;
    const char* caption;
    std::string text;   // FILE stands for the file's name
};

// A file of mostly other lines: ten of the lines not taken are named, then how
// many more there are; what was adjusted is always told.
TEST_F(FilterFilesE2e, ALongReportNamesTenLinesNotTakenAndCountsTheRest)
{
    std::string text;
    for (int n = 1; n <= 25; ++n)
        text += "noise " + std::to_string(n) + "\n";
    text += "Filter: ON PK Fc 1000 Hz Gain 20 dB Q 1\n";
    for (int n = 1; n <= 3; ++n)
        text += "Filter: OFF PK Fc 500 Hz Gain 3 dB Q 1\n";
    Write("noisy.txt", text);
    std::string refusedEnglish;
    std::string refusedChinese;
    for (int line = 1; line <= 10; ++line) {
        refusedEnglish += "line " + std::to_string(line) + ": refused: not a filter, preamp or channel line\n";
        refusedChinese += "第 " + std::to_string(line) + " 行:拒绝:不是滤波器、前级增益或声道行\n";
    }
    const LongReport reports[] = {
        {kEnglish, "Import filters",
         "took 1 of the file's filters into CH A, bands 2..12 flat\n"
         "largest difference from the file's curve: 8.00 dB at 1000 Hz\n" +
             refusedEnglish +
             "line 26: adjusted: gain limited to +12.0 dB\n"
             "… and 18 more"},
        {kChinese, "导入滤波器",
         "已将文件中的 1 个滤波器导入 通道 A,频段 2..12 为平直\n"
         "与文件曲线的最大差异:1000 Hz 处 8.00 dB\n" +
             refusedChinese +
             "第 26 行:已调整:增益限制为 +12.0 dB\n"
             "…… 另有 18 行"},
    };
    for (const LongReport& report : reports) {
        SetCurrentLanguage(report.language);
        FollowLanguage();
        m_messages.clear();
        m_dlg->ImportFilters(0);
        ASSERT_EQ(m_messages.size(), 1u);
        EXPECT_EQ(m_messages[0].caption, QString::fromUtf8(report.caption));
        EXPECT_EQ(m_messages[0].text.toStdString(), report.text);
    }
}

TEST_F(FilterFilesE2e, AFileOfMoreFilterLinesThanTheBoundIsRefusedInOneLine)
{
    std::string text;
    for (int n = 0; n <= kMaxFilterLines; ++n)
        text += "Filter: ON PK Fc 1000 Hz Gain 1 dB Q 1\n";
    Write("huge.txt", text);
    const ChannelBlock before = m_unit.Current(0);
    for (const auto& [language, refusal] :
         {std::pair{kEnglish, "The file cannot be imported: FILE: 1001 filter lines are more than a filter file may "
                              "have (at most 1000)"},
          std::pair{kChinese, "无法导入该文件:FILE：1001 行滤波器超出了滤波器文件的上限(最多 1000 行)"}}) {
        SetCurrentLanguage(language);
        FollowLanguage();
        m_messages.clear();
        m_dlg->ImportFilters(0);
        ASSERT_EQ(m_messages.size(), 1u);
        EXPECT_EQ(m_messages[0].text, QString::fromUtf8(refusal).replace(QStringLiteral("FILE"), m_fileName));
    }
    Tick(3);
    EXPECT_TRUE(SameGroups(m_unit.Current(0), before));
    EXPECT_EQ(m_dlg->UndoStack().count(), 0);
}

TEST_F(FilterFilesE2e, ExportWritesTheChannelAsFilterText)
{
    m_fileName = File("cha.txt");
    MenuAt(GraphCentre(0), QStringLiteral("Export filters…"));
    EXPECT_EQ(m_pickedForSaving, std::vector<bool>{true});
    QFile file(m_fileName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const ChannelBlock a = m_unit.Current(0);
    EXPECT_EQ(file.readAll().toStdString(), FilterTextOf(ChannelBandsOf(a), a.gain.Get()));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].caption, "Export filters");
    EXPECT_EQ(m_messages[0].text, "The filters were written to " + m_fileName);
    EXPECT_EQ(m_dlg->UndoStack().count(), 0);
}

TEST_F(FilterFilesE2e, AFileForSeveralChannelsAsksWhichAndCancellingChangesNothing)
{
    Write("apo.txt", "Channel: L\nFilter: ON PK Fc 2000 Hz Gain 4 dB Q 2\n"
                     "Channel: R\nFilter: ON PK Fc 500 Hz Gain -6 dB Q 2\n");
    m_sectionChoice = -1;
    const ChannelBlock before = m_unit.Current(0);
    m_dlg->ImportFilters(0);
    Tick(3);
    EXPECT_EQ(m_offeredSections, (QStringList{"L", "R"}));
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(m_dlg->UndoStack().count(), 0);
    EXPECT_TRUE(SameGroups(m_unit.Current(0), before));

    m_sectionChoice = 1;
    m_dlg->ImportFilters(0);
    Tick(5);
    EXPECT_EQ(m_unit.Current(0).bands[0].freqHz.Get(), 500);
    EXPECT_EQ(m_unit.Current(0).bands[0].gainCode.Get(), 60);
    EXPECT_EQ(m_dlg->UndoStack().count(), 1);
}

TEST_F(FilterFilesE2e, AFileThatCannotBeReadIsToldAndNothingChanges)
{
    m_fileName = m_dir.path();
    m_dlg->ImportFilters(1);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, "The file cannot be imported: " + m_dir.path() + ": not a regular file");
    Write("lp.txt", "Filter: ON LP Fc 100 Hz\n");
    m_dlg->ImportFilters(1);
    ASSERT_EQ(m_messages.size(), 2u);
    EXPECT_EQ(m_messages[1].text, m_fileName + " holds no peaking or shelf filter and no preamp.");
    EXPECT_EQ(m_dlg->UndoStack().count(), 0);
}

// The window's note texts are the reader's own, made translatable.
TEST(FilterNoteTexts, AreTheReadersInEnglish)
{
    for (int r = 0; r <= static_cast<int>(FilterReason::PreampLimited); ++r) {
        const FilterNote note{7, FilterNoteKind::Adjusted, static_cast<FilterReason>(r), "X1", -3.2};
        EXPECT_EQ(FilterNoteLine(note).toStdString(), "line 7: adjusted: " + FilterNoteText(note)) << "reason " << r;
    }
}

}  // namespace
