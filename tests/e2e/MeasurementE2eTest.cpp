// A graph's "Show measurement…" and "Hide measurement" on the real window over
// the link to the simulated unit, the file dialog replaced by a hook: the
// entries of the context menu, the graph that shows the file, the boxes that
// tell what a file had to say or why it cannot be shown, and the unit's
// settings and the undo history left alone.
#include "MeasurementWindow.h"

#include <QFile>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>

namespace {

const std::string kRoom =
    "* Measurement data measured by REW V5.20.13\n"
    "* Freq(Hz) SPL(dB) Phase(degrees)\n"
    "40.0 88.0 -120.0\n"
    "110.0 70.0 -60.0\n"
    "200.0 78.0 -20.0\n"
    "2000.0 82.0 10.0\n"
    "12000.0 74.0 80.0\n";

using MeasurementE2e = MeasurementWindowTest;

TEST_F(MeasurementE2e, TheGraphsMenuOffersToShowAndOnceShownToHide)
{
    const QStringList overGraph = MenuAt(GraphCentre(0));
    ASSERT_GE(overGraph.size(), 8);
    EXPECT_EQ(overGraph.mid(0, 8), (QStringList{"Import filters…", "Export filters…", "", "Undo", "Redo", "",
                                                "Show measurement…", ""}));
    EXPECT_FALSE(MenuAt(QPoint(5, 5)).contains("Show measurement…")) << "away from the graphs";

    Pick("room.txt", kRoom);
    MenuAt(GraphCentre(1), QStringLiteral("Show measurement…"));
    EXPECT_EQ(m_picks, 1);
    EXPECT_TRUE(GraphOf(1).HasMeasurement());
    EXPECT_FALSE(GraphOf(0).HasMeasurement());
    EXPECT_EQ(MenuAt(GraphCentre(1)).mid(6, 4),
              (QStringList{"Show measurement…", "Hide measurement", "Fit bands to the measurement…", ""}));
    EXPECT_EQ(MenuAt(GraphCentre(0)).mid(6, 2), (QStringList{"Show measurement…", ""}));

    Click(kIdLanguage);
    EXPECT_EQ(MenuAt(GraphCentre(1)).mid(6, 2), (QStringList{"显示测量曲线…", "隐藏测量曲线"}));
    MenuAt(GraphCentre(1), QStringLiteral("隐藏测量曲线"));
    EXPECT_FALSE(GraphOf(1).HasMeasurement());
    EXPECT_EQ(MenuAt(GraphCentre(1)).mid(6, 2), (QStringList{"显示测量曲线…", ""}));
}

// Only the graph changes: nothing goes to the unit and nothing is a step to undo.
TEST_F(MeasurementE2e, ShowingAndHidingChangeNothingInTheUnit)
{
    const ChannelBlock before = m_unit.Current(0);
    Pick("room.txt", kRoom);
    m_dlg->ShowMeasurement(0);
    Tick(3);
    EXPECT_TRUE(GraphOf(0).HasMeasurement());
    EXPECT_TRUE(m_messages.empty()) << "a file without remarks is shown without a box";
    // 200 Hz .. 2 kHz, from 78 dB up to 82 dB, averages 80 dB, which is put on 0 dB
    const std::vector<double>& measured = GraphOf(0).MeasuredColumns();
    EXPECT_NEAR(measured[FreqToPlotX(1000, GraphOf(0).PlotArea().Width())], -2.0 + 4.0 * std::log10(5.0), 0.01);

    m_dlg->HideMeasurement(0);
    Tick(3);
    EXPECT_FALSE(GraphOf(0).HasMeasurement());
    EXPECT_EQ(m_dlg->UndoStack().count(), 0);
    EXPECT_EQ(LastQueued(), (SlotBytes{0, 0, 0, 0, 0}));
    const ChannelBlock after = m_unit.Current(0);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
}

TEST_F(MeasurementE2e, WhatTheFileHadToSayIsToldInTheWindowsLanguage)
{
    const QString file = Pick("remarks.txt", "Freq SPL\n20 10\nnoise\n50 12\n50 13\nhum\n100 20\n");
    const struct {
        int channel;
        QString caption;
        QString text;
    } told[] = {
        {0, QStringLiteral("Show measurement"),
         file + " is shown on CH A.\n"
                "2 lines without a point skipped\n"
                "1 point at a frequency given before left out\n"
                "no point between 200 Hz and 2 kHz: the average of all points is at 0 dB"},
        {1, QStringLiteral("显示测量曲线"),
         file + " 已显示在 通道 B 上。\n"
                "跳过了 2 行没有数据点的内容\n"
                "略去了 1 个频率重复的数据点\n"
                "200 Hz 至 2 kHz 之间没有数据点:以全部数据点的平均值为 0 dB"},
    };
    for (const auto& [channel, caption, text] : told) {
        m_messages.clear();
        m_dlg->ShowMeasurement(channel);
        ASSERT_EQ(m_messages.size(), 1u);
        EXPECT_EQ(m_messages[0].caption, caption);
        EXPECT_EQ(m_messages[0].text, text);
        EXPECT_TRUE(GraphOf(channel).HasMeasurement());
        Click(kIdLanguage);
    }
}

TEST_F(MeasurementE2e, ACancelledDialogChangesNothing)
{
    m_fileName.clear();
    m_dlg->ShowMeasurement(0);
    EXPECT_EQ(m_picks, 1);
    EXPECT_FALSE(GraphOf(0).HasMeasurement());
    EXPECT_TRUE(m_messages.empty());
}

std::string PointLines(int count)
{
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += std::to_string(20 + i) + ".5 75\n";
    return text;
}

// A pipe nobody writes, a device, a folder, a huge file, too many or too few points: a
// sentence, not a frozen window, and the measurement shown before stays.
TEST_F(MeasurementE2e, WhatCannotBeShownIsToldWhyAndTheGraphKeepsWhatItShowed)
{
    Pick("room.txt", kRoom);
    m_dlg->ShowMeasurement(0);
    const std::vector<double> shown = GraphOf(0).MeasuredColumns();

    const QString pipe = m_dir.filePath(QStringLiteral("pipe.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString huge = m_dir.filePath(QStringLiteral("huge.txt"));
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(kMaxMeasurementFileBytes + 1));
    }
    const QString many = Pick("many.txt", PointLines(100'001));
    const QString few = Pick("few.txt", "* one point in range\n10 70\n1000 80\n25000 60\n");
    const QString missing = m_dir.filePath(QStringLiteral("missing.txt"));
    std::vector<std::pair<QString, QString>> picked{
        {huge, QStringLiteral("8.0 MiB is larger than a measurement file can be (at most 8 MiB)")},
        {many, QStringLiteral("holds more than 100000 points, the most a measurement may have")},
        {few, QStringLiteral("holds fewer than 2 points between 20 Hz and 20 kHz")},
        {missing, QStringLiteral("cannot open the file: No such file or directory")},
    };
    for (const QString& notRegular : {pipe, QStringLiteral("/dev/zero"), m_dir.path()})
        picked.emplace_back(notRegular, QStringLiteral("not a regular file"));
    for (const auto& [file, reason] : picked) {
        m_fileName = file;
        m_messages.clear();
        m_dlg->ShowMeasurement(0);
        ASSERT_EQ(m_messages.size(), 1u) << file.toStdString();
        EXPECT_EQ(m_messages[0].caption, "Show measurement");
        EXPECT_EQ(m_messages[0].text, "The measurement cannot be shown: " + file + ": " + reason);
    }
    const std::vector<double>& kept = GraphOf(0).MeasuredColumns();
    ASSERT_EQ(kept.size(), shown.size());
    for (std::size_t x = 0; x < shown.size(); ++x)
        ASSERT_TRUE(kept[x] == shown[x] || (std::isnan(kept[x]) && std::isnan(shown[x]))) << "column " << x;

    SetCurrentLanguage(kChinese);
    m_fileName = few;
    m_messages.clear();
    m_dlg->ShowMeasurement(0);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, "无法显示该测量曲线:" + few + "：20 Hz 至 20 kHz 之间的数据点少于 2 个");
}

}  // namespace
