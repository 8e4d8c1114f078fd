// A graph's "Fit bands to the measurement…" on the real window over the link
// to the simulated unit: the menu entry while a measurement is shown, the
// dialog whose every option makes the fit again and moves the graph's
// prediction, its report in both languages, a target curve chosen, Apply as one
// undo step on the side of the A/B compare the unit has, and Cancel changing
// nothing.
#include "MeasurementWindow.h"

#include "ui/settings/FitDialog.h"
#include "ui/settings/FitReport.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <cmath>
#include <cstring>
#include <string>

namespace {

// A room of modes and a dip, as REW exports it: 300 points from 20 Hz to 20 kHz.
std::string RoomText()
{
    std::string text = "* Measurement data measured by REW V5.20.13\n* Freq(Hz) SPL(dB) Phase(degrees)\n";
    for (int i = 0; i < 300; ++i) {
        const double hz = 20.0 * std::pow(1000.0, i / 299.0);
        const auto resonance = [hz](double f0, double db, double q) {
            const double x = q * (hz / f0 - f0 / hz);
            return db / (1.0 + x * x);
        };
        const double db = 80.0 + resonance(45.0, 8.0, 4.0) + resonance(120.0, -8.0, 3.0) + resonance(3000.0, 4.0, 2.0);
        text += std::to_string(hz) + " " + std::to_string(db) + " 0\n";
    }
    return text;
}

// The settings groups of two channel blocks (the notch table the unit grows is left aside).
bool SameGroups(const ChannelBlock& a, const ChannelBlock& b)
{
    return std::memcmp(&a, &b, kGroupCount * kGroupSize) == 0;
}

bool SameBand(const BandParams& a, const BandParams& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class FitE2e : public MeasurementWindowTest {
protected:
    void ShowRoom(int channel)
    {
        Pick("room.txt", RoomText());
        m_dlg->ShowMeasurement(channel);
        ASSERT_TRUE(GraphOf(channel).HasMeasurement());
    }

    // The dialog the menu entry opened, its first fit made.
    CFitDialog* OpenFit(int channel)
    {
        MenuAt(GraphCentre(channel), QStringLiteral("Fit bands to the measurement…"));
        QCoreApplication::processEvents();
        return m_dlg->findChild<CFitDialog*>();
    }

    template <class Widget>
    static Widget& Option(CFitDialog& dialog, const char* name)
    {
        auto* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return *widget;
    }

    static QString Report(CFitDialog& dialog) { return Option<QLabel>(dialog, "report").text(); }

    // The graph's prediction is the measurement through the dialog's fit.
    void ExpectPredictionOf(CFitDialog& dialog, int channel)
    {
        ASSERT_TRUE(GraphOf(channel).IsShowingPrediction());
        const std::vector<double>& measured = GraphOf(channel).MeasuredColumns();
        const std::vector<double> predicted = GraphOf(channel).PredictedColumns();
        const std::vector<double> bands = GridColumns(BandsResponse(dialog.Fit().bands), GraphOf(channel).PlotArea().Width());
        for (std::size_t x = 0; x < predicted.size(); ++x) {
            if (!std::isnan(measured[x])) {
                ASSERT_DOUBLE_EQ(predicted[x], measured[x] + bands[x]) << "column " << x;
            }
        }
    }
};

TEST_F(FitE2e, TheMenuOffersTheFitWhileAMeasurementIsShown)
{
    EXPECT_FALSE(MenuAt(GraphCentre(0)).contains("Fit bands to the measurement…"));
    ShowRoom(0);
    const QStringList menu = MenuAt(GraphCentre(0));
    const qsizetype hide = menu.indexOf("Hide measurement");
    ASSERT_GE(hide, 0);
    EXPECT_EQ(menu.mid(hide, 3), (QStringList{"Hide measurement", "Fit bands to the measurement…", ""}));
    EXPECT_FALSE(MenuAt(GraphCentre(1)).contains("Fit bands to the measurement…")) << "CH B shows none";
    Click(kIdLanguage);
    EXPECT_TRUE(MenuAt(GraphCentre(0)).contains("将频段拟合到测量曲线…"));
}

TEST_F(FitE2e, EveryOptionFitsAgainAndThePredictionFollows)
{
    ShowRoom(1);
    const ChannelBlock before = m_unit.Current(1);
    CFitDialog* dialog = OpenFit(1);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->Fit().problem, FitProblem::None);
    EXPECT_EQ(dialog->Fit().used, kBandCount);
    EXPECT_TRUE(dialog->ApplyButton()->isEnabled());
    ExpectPredictionOf(*dialog, 1);
    EXPECT_EQ(Option<QSpinBox>(*dialog, "lowHz").value(), 20);
    EXPECT_EQ(Option<QSpinBox>(*dialog, "highHz").value(), 20000);
    EXPECT_EQ(Option<QDoubleSpinBox>(*dialog, "maxBoost").text(), "none: cuts only");
    for (const BandParams& band : dialog->Fit().bands)
        EXPECT_LE(band.gainCode.Get(), kFlatGainCode);

    // each option changed is one fit, made once the events queued are handled
    Option<QSpinBox>(*dialog, "bands").setValue(3);
    Option<QDoubleSpinBox>(*dialog, "maxBoost").setValue(4.5);
    EXPECT_EQ(dialog->Fit().used, kBandCount) << "not yet";
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog->Fit().used, 3);
    EXPECT_TRUE(Report(*dialog).startsWith("3 bands used\nRMS difference from the target: ")) << Report(*dialog).toStdString();
    ExpectPredictionOf(*dialog, 1);

    Option<QSpinBox>(*dialog, "lowHz").setValue(30);
    Option<QSpinBox>(*dialog, "highHz").setValue(200);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog->Fit().range.lowHz, 30.0);
    EXPECT_EQ(dialog->Fit().range.highHz, 200.0);
    ExpectPredictionOf(*dialog, 1);

    // a range the fit cannot use says why, and Apply waits for a better one
    Option<QSpinBox>(*dialog, "lowHz").setValue(300);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog->Fit().problem, FitProblem::RangeOutsideAudio);
    EXPECT_EQ(Report(*dialog), "the range 300–200 Hz is not one within 20–20000 Hz");
    EXPECT_FALSE(dialog->ApplyButton()->isEnabled());
    ExpectPredictionOf(*dialog, 1);   // the channel's own bands

    dialog->reject();
    QCoreApplication::processEvents();
    EXPECT_FALSE(GraphOf(1).IsShowingPrediction());
    Tick(5);
    EXPECT_TRUE(SameGroups(m_unit.Current(1), before)) << "Cancel sends nothing";
    EXPECT_EQ(m_dlg->UndoStack().count(), 0);
}

TEST_F(FitE2e, ApplyIsOneUndoStepAndTheUnitFollows)
{
    ShowRoom(0);
    const ChannelBlock before = m_unit.Current(0);
    const ChannelBlock otherBefore = m_unit.Current(1);
    CFitDialog* dialog = OpenFit(0);
    ASSERT_NE(dialog, nullptr);
    Option<QDoubleSpinBox>(*dialog, "maxBoost").setValue(6.0);
    QCoreApplication::processEvents();
    const EqualizerFit fit = dialog->Fit();
    ASSERT_GT(fit.gainLoweredDb, 0) << "the room's dip wants a boost";
    EXPECT_TRUE(Report(*dialog).endsWith("\n" + FitGainLine(fit, 0)));
    QTest::mouseClick(dialog->ApplyButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_FALSE(GraphOf(0).IsShowingPrediction());
    EXPECT_EQ(m_dlg->findChild<CFitDialog*>(), nullptr) << "the dialog is gone";
    Tick(5);

    const ChannelBlock after = m_unit.Current(0);
    for (int k = 0; k < kBandCount; ++k)
        EXPECT_TRUE(SameBand(after.bands[k], fit.bands[k])) << "band " << k + 1;
    EXPECT_EQ(after.gain.Get(), before.gain.Get() - fit.gainLoweredDb);
    EXPECT_TRUE(SameGroups(m_unit.Current(1), otherBefore));
    EXPECT_EQ(m_dlg->UndoStack().count(), 1);

    m_dlg->UndoStack().undo();
    Tick(5);
    EXPECT_TRUE(SameGroups(m_unit.Current(0), before)) << "the bands and gain back";
    m_dlg->UndoStack().redo();
    Tick(5);
    EXPECT_TRUE(SameGroups(m_unit.Current(0), after));

    // the measurement with the fitted bands: nothing left to do
    CFitDialog* again = OpenFit(0);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->Fit().alreadyWithin) << Report(*again).toStdString();
    EXPECT_FALSE(again->ApplyButton()->isEnabled());
    again->reject();
}

// The fit goes into the side of the A/B compare the unit has, as every change does.
TEST_F(FitE2e, AppliedOnTheSideTheUnitHas)
{
    ShowRoom(0);
    m_dlg->SwitchCompareSide();
    Tick(5);
    ASSERT_EQ(m_dlg->ActiveCompareSide(), CompareSide::B);
    CFitDialog* dialog = OpenFit(0);
    ASSERT_NE(dialog, nullptr);
    const EqualizerFit fit = dialog->Fit();
    dialog->accept();
    Tick(5);
    EXPECT_TRUE(SameBand(m_unit.Current(0).bands[0], fit.bands[0]));
    EXPECT_EQ(m_dlg->UndoStack().count(), 1) << "B's history";
    m_dlg->SwitchCompareSide();
    Tick(5);
    EXPECT_EQ(m_dlg->UndoStack().count(), 0) << "A's history";
    EXPECT_FALSE(SameBand(m_unit.Current(0).bands[0], fit.bands[0])) << "A as it was";
}

TEST_F(FitE2e, ATargetCurveFromAFile)
{
    ShowRoom(0);
    CFitDialog* dialog = OpenFit(0);
    ASSERT_NE(dialog, nullptr);
    const double flatBefore = dialog->Fit().before.rmsDb;
    Pick("house.txt", "20 6\n100 6\n300 0\n20000 -3\n");
    QTest::mouseClick(&Option<QPushButton>(*dialog, "chooseTarget"), Qt::LeftButton);
    QCoreApplication::processEvents();
    const QComboBox& target = Option<QComboBox>(*dialog, "target");
    EXPECT_EQ(target.currentIndex(), 1);
    EXPECT_EQ(target.currentText(), "house.txt");
    EXPECT_NE(dialog->Fit().before.rmsDb, flatBefore);
    ExpectPredictionOf(*dialog, 0);

    // back to flat, and a file that is no curve leaves the target as it was
    Option<QComboBox>(*dialog, "target").setCurrentIndex(0);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog->Fit().before.rmsDb, flatBefore);
    Pick("empty.txt", "no curve here\n");
    QTest::mouseClick(&Option<QPushButton>(*dialog, "chooseTarget"), Qt::LeftButton);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text.left(33), "The target curve cannot be used: ");
    EXPECT_EQ(target.itemText(1), "house.txt");
    EXPECT_EQ(target.currentIndex(), 0);
    dialog->reject();
}

TEST_F(FitE2e, TheReportSpeaksTheWindowsLanguage)
{
    ShowRoom(0);
    Click(kIdLanguage);
    MenuAt(GraphCentre(0), QStringLiteral("将频段拟合到测量曲线…"));
    QCoreApplication::processEvents();
    CFitDialog* dialog = m_dlg->findChild<CFitDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "将频段拟合到测量曲线");
    const EqualizerFit& fit = dialog->Fit();
    const QString rms = QStringLiteral("与目标的均方根差异:%1 dB → %2 dB")
                            .arg(fit.before.rmsDb, 0, 'f', 2)
                            .arg(fit.after.rmsDb, 0, 'f', 2);
    EXPECT_TRUE(Report(*dialog).contains(rms)) << Report(*dialog).toStdString();
    EXPECT_EQ(dialog->ApplyButton()->text(), "应用");
    dialog->reject();
}

TEST_F(FitE2e, WithoutTheUnitTheFitIsNotOffered)
{
    ShowRoom(0);
    Click(kIdConnect);
    Tick(3);
    ASSERT_FALSE(Unit().IsConnected());
    m_messages.clear();
    m_dlg->FitBandsToMeasurement(0);
    EXPECT_EQ(m_dlg->findChild<CFitDialog*>(), nullptr);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].caption, "Warning");
}

}  // namespace
