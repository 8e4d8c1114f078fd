// A graph's "Show measurement…" and "Hide measurement": a measured response of
// a room or a microphone on the channel's graph, with the result the channel's
// equalizer gives it. Only the graph changes, never the unit's settings, so
// neither is a step of the undo history. While one is shown the menu offers to
// fit the bands to it (MainWindowFit.cpp).
#include "ui/main/MainWindow.h"

#include "ui/common/Language.h"
#include "ui/common/MessageBox.h"
#include "ui/graph/EqualizerGraph.h"
#include "ui/settings/MeasurementFile.h"

#include <QDir>
#include <QMenu>

void CMainWindow::AddMeasurementActions(QMenu& menu, int channel)
{
    menu.addAction(tr("Show measurement…"), this, [this, channel] { ShowMeasurement(channel); });
    if (Graph(channel)->HasMeasurement()) {
        menu.addAction(tr("Hide measurement"), this, [this, channel] { HideMeasurement(channel); });
        menu.addAction(tr("Fit bands to the measurement…"), this, [this, channel] { FitBandsToMeasurement(channel); });
    }
    menu.addSeparator();
}

void CMainWindow::ShowMeasurement(int channel)
{
    const QString fileName = PickMeasurementFile(this);
    if (fileName.isEmpty())
        return;
    Measurement measurement;
    SettingsError error;
    if (!ReadMeasurementFile(fileName, measurement, error)) {
        ShowMessageBox(this, tr("The measurement cannot be shown: %1").arg(error.Text()), tr("Show measurement"));
        return;
    }
    Graph(channel)->ShowMeasurement(measurement.points);
    const QStringList notes = MeasurementNotes(measurement);
    if (notes.isEmpty())
        return;
    QStringList lines{tr("%1 is shown on %2.").arg(QDir::toNativeSeparators(fileName), ShownChannelName(channel))};
    lines << notes;
    ShowMessageBox(this, lines.join(QLatin1Char('\n')), tr("Show measurement"));
}

void CMainWindow::HideMeasurement(int channel)
{
    Graph(channel)->HideMeasurement();
}
