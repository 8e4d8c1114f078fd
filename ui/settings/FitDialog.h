// "Fit bands to the measurement…": the options of a fit of a channel's bands to
// the measurement its graph shows (the target, the range, the largest boost,
// the bands to use), the fit made again as each of them changes, its result
// told (RMS before → after, the gain lowered for a boost) and the response of
// its bands handed on, so that the graph predicts what they will do. Apply
// accepts the dialog; the window applies the fit.
#pragma once

#include "model/EqualizerFit.h"

#include <QDialog>
#include <QTimer>

class QComboBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;

class CFitDialog : public QDialog {
    Q_OBJECT
public:
    // The measurement as the graph shows it, and the channel's bands and gain as they are.
    CFitDialog(const CMeasurementCurve& measurement, const ChannelBands& bands, int gainCode, int channel,
               QWidget* parent = nullptr);

    FitOptions Options() const;
    const EqualizerFit& Fit() const { return m_fit; }
    // Makes the fit the options ask for now rather than once the events queued are handled.
    void FitNow();
    QPushButton* ApplyButton() const;

signals:
    // The response of the fit's bands (or of the channel's own, when no fit can be made).
    void predictionChanged(const Response& bands);

private:
    void CreateOptions();
    void ChooseTarget();
    void ShowReport();
    QString ReportText() const;

    CMeasurementCurve m_measurement;
    CMeasurementCurve m_target;   // empty: flat
    ChannelBands m_bands;
    int m_gainCode;
    int m_channel;
    EqualizerFit m_fit;
    QTimer m_fitSoon;   // one fit for every option changed before the events queued are handled

    QComboBox* m_targetList = nullptr;
    QSpinBox* m_lowHz = nullptr;
    QSpinBox* m_highHz = nullptr;
    QDoubleSpinBox* m_maxBoost = nullptr;
    QSpinBox* m_bandCount = nullptr;
    QLabel* m_report = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};
