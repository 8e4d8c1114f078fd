// A graph's "Fit bands to the measurement…": the fit dialog over the measurement
// the graph shows, the graph predicting what the fit's bands do while it is
// open, and the fit's bands and gain given to the channel (on the side of the
// A/B compare the unit has) as one step of the undo history.
#include "ui/main/MainWindow.h"

#include "ui/common/LinkTexts.h"
#include "ui/common/MessageBox.h"
#include "ui/common/UnitAdapter.h"
#include "ui/graph/EqualizerGraph.h"
#include "ui/settings/FilterFile.h"
#include "ui/settings/FitDialog.h"

void CMainWindow::FitBandsToMeasurement(int channel)
{
    CEqualizerGraph* graph = Graph(channel);
    if (!graph->HasMeasurement())
        return;
    if (!m_unit.Unit().IsConnected()) {
        ShowMessageBox(this, NotConnectedText(), QString::fromLatin1(kWarningCaption));
        return;
    }
    const ChannelBlock block = m_unit.Unit().Image().Channel(channel);
    auto* dialog = new CFitDialog(graph->Measured(), ChannelBandsOf(block), block.gain.Get(), channel, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &CFitDialog::predictionChanged, graph, &CEqualizerGraph::ShowPrediction);
    connect(dialog, &QDialog::finished, graph, &CEqualizerGraph::EndPrediction);
    connect(dialog, &QDialog::accepted, this, [this, dialog, channel] {
        const EqualizerFit& fit = dialog->Fit();
        AsOneStep([&] {
            ChangeSettings([&](CSettingsEdit& edit) { edit.ReplaceChannelBands(channel, fit.bands, fit.gainCode); });
        });
    });
    // below the graph, so that the prediction stays in sight
    dialog->adjustSize();
    dialog->move(mapToGlobal(QPoint(graph->geometry().center().x() - dialog->width() / 2, graph->geometry().bottom())));
    dialog->open();
}
