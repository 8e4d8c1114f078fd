// Runs the program against a simulated unit with some settings made, connects
// as a user would, lets it run for a few seconds and saves the window as a PNG;
// with a measurement file, CH A's bands are set against it and its graph shows
// it as "Show measurement…" does ("-" for none); with "fit" after it, CH A's
// graph shows it with the bands as they were, "Fit bands to the measurement…"
// is open with a boost of 3 dB allowed above 40 Hz (the speaker's own roll-off
// left alone), and the shot is of the screen around the window and the dialog
// (give Xvfb a screen large enough: xvfb-run -s "-screen 0 1400x1200x24"); with
// a size instead, the window is made that large first.
//   quenda_screenshot OUT.png [english|chinese] [MEASUREMENT|- [fit|WIDTHxHEIGHT]]
#include "transport/HidBackendSimulated.h"
#include "ui/controls/ControlId.h"
#include "ui/common/UnitAdapter.h"
#include "ui/main/MainWindow.h"
#include "ui/settings/MeasurementFile.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int kConnectAfterMs = 300;
constexpr int kLanguageAfterMs = 1200;
constexpr int kMeasurementAfterMs = 1500;
constexpr int kFitAfterMs = 2000;
constexpr int kShotAfterMs = 4000;
constexpr double kFitBoostDb = 3.0;
constexpr int kFitLowHz = 40;
constexpr int kShotMargin = 8;

// A unit someone has been working on: a few bands boosted and cut, some gain and compression.
void PrepareUnit(CSimulatedUnit& unit)
{
    const int gains[kChannelCount][kBandCount] = {
        {120, 150, 138, 120, 104, 96, 120, 128, 140, 120, 112, 132},
        {132, 120, 110, 100, 120, 126, 146, 120, 120, 92, 120, 120},
    };
    for (int c = 0; c < kChannelCount; ++c) {
        ChannelBlock block = unit.Current(c);
        for (int k = 0; k < kBandCount; ++k)
            block.bands[k].gainCode.Set(static_cast<std::int16_t>(gains[c][k]));
        block.bands[4].bwCode.Set(80);
        block.gain.Set(static_cast<std::int16_t>(74 + 4 * c));
        block.compThreshold = static_cast<std::uint8_t>(30 + c);
        block.compAttack = 15;
        block.compRelease = 2;
        block.compRatio = 3;
        block.staticNotchCount = 4;
        block.gateThreshold = 20;
        unit.SetCurrent(c, block);
    }
}

// CH A's bands as someone tuning a room sets them against its measurement: the two lowest
// modes cut, the dip after them lifted a little, the midrange and treble evened out.
void PrepareCorrection(CSimulatedUnit& unit)
{
    struct Band {
        int hz;
        int gainCode;
        int bwCode;
        int type;
    };
    constexpr Band kBands[kBandCount] = {
        {42, 40, 25, 0},     {68, 60, 25, 0},    {110, 150, 45, 0},  {180, 80, 55, 0},
        {320, 150, 95, 0},   {630, 120, 32, 0},  {1000, 120, 32, 0}, {1600, 120, 32, 0},
        {2600, 95, 95, 0},   {5200, 150, 95, 0}, {8000, 150, 0, 2},  {16000, 120, 32, 0},
    };
    ChannelBlock block = unit.Current(0);
    for (int k = 0; k < kBandCount; ++k) {
        BandParams& band = block.bands[k];
        band.freqHz.Set(static_cast<std::int16_t>(kBands[k].hz));
        band.gainCode.Set(static_cast<std::int16_t>(kBands[k].gainCode));
        band.bwCode.Set(static_cast<std::int16_t>(kBands[k].bwCode));
        band.type = static_cast<std::uint8_t>(kBands[k].type);
        band.slope = 0;
    }
    unit.SetCurrent(0, block);
}

// The screen around the window and its open dialog.
bool SaveScreenAround(CMainWindow& dlg, const QString& out)
{
    QRect area = dlg.frameGeometry();
    for (QWidget* child : dlg.findChildren<QDialog*>())
        if (child->isVisible())
            area |= child->frameGeometry();
    area.adjust(-kShotMargin, -kShotMargin, kShotMargin, kShotMargin);
    return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(out);
}

void ClickControl(CMainWindow& dlg, int id)
{
    if (auto* button = qobject_cast<QAbstractButton*>(dlg.Control(id)))
        button->click();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT.png [english|chinese] [MEASUREMENT|- [fit|WIDTHxHEIGHT]]\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const bool chinese = argc > 2 && QString::fromLatin1(argv[2]) == QStringLiteral("chinese");
    const QString measurement = argc > 3 && QString::fromLatin1(argv[3]) != QStringLiteral("-")
                                    ? QString::fromLocal8Bit(argv[3])
                                    : QString();
    const bool fit = argc > 4 && QString::fromLatin1(argv[4]) == QStringLiteral("fit");
    const QStringList size = argc > 4 && !fit ? QString::fromLatin1(argv[4]).split(QLatin1Char('x')) : QStringList();

    CSimulatedHidBackend backend;
    CSimulatedUnit& simulated = backend.Unit(backend.AddDevice(SimulatedDeviceSpec{}));
    PrepareUnit(simulated);
    if (!measurement.isEmpty() && !fit)
        PrepareCorrection(simulated);
    backend.StartClock();
    CUnitAdapter unit(backend);
    QSettings().remove(QLatin1String(CMainWindow::kGeometryKey));   // the window opens at its design size
    CMainWindow dlg(unit);
    dlg.show();
    if (size.size() == 2)
        dlg.resize(size[0].toInt(), size[1].toInt());

    QTimer::singleShot(kConnectAfterMs, &dlg, [&dlg] { ClickControl(dlg, 1048); });
    if (chinese)
        QTimer::singleShot(kLanguageAfterMs, &dlg, [&dlg] { ClickControl(dlg, 1055); });
    if (!measurement.isEmpty()) {
        SetMeasurementFileHook([measurement] { return measurement; });
        QTimer::singleShot(kMeasurementAfterMs, &dlg, [&dlg] { dlg.ShowMeasurement(0); });
    }
    if (fit) {
        QTimer::singleShot(kFitAfterMs, &dlg, [&dlg] {
            dlg.FitBandsToMeasurement(0);
            if (auto* boost = dlg.findChild<QDoubleSpinBox*>(QStringLiteral("maxBoost")))
                boost->setValue(kFitBoostDb);
            if (auto* low = dlg.findChild<QSpinBox*>(QStringLiteral("lowHz")))
                low->setValue(kFitLowHz);
        });
    }
    int result = 0;
    QTimer::singleShot(kShotAfterMs, &dlg, [&] {
        result = (fit ? SaveScreenAround(dlg, out) : dlg.grab().save(out)) ? 0 : 1;
        for (QDialog* child : dlg.findChildren<QDialog*>())
            child->close();
        dlg.close();
    });
    dlg.exec();
    return result;
}
