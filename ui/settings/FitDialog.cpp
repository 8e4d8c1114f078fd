#include "ui/settings/FitDialog.h"

#include "ui/common/MessageBox.h"
#include "ui/settings/FitReport.h"
#include "ui/settings/MeasurementFile.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <cmath>

namespace {

constexpr double kBoostStepDb = 0.5;
constexpr int kFlatTarget = 0;   // the target list's first entry; a file's is the second
constexpr int kReportWidth = 480;
constexpr int kReportLines = 5;   // bands used, RMS, largest difference, the gain's two lines

}  // namespace

CFitDialog::CFitDialog(const CMeasurementCurve& measurement, const ChannelBands& bands, int gainCode, int channel,
                       QWidget* parent)
    : QDialog(parent), m_measurement(measurement), m_bands(bands), m_gainCode(gainCode), m_channel(channel)
{
    setWindowTitle(tr("Fit bands to the measurement"));
    m_fitSoon.setSingleShot(true);
    m_fitSoon.setInterval(0);
    connect(&m_fitSoon, &QTimer::timeout, this, &CFitDialog::FitNow);
    CreateOptions();
    m_fitSoon.start();
}

// Whole hertz within what the measurement spans and the unit's 20 Hz .. 20 kHz.
void CFitDialog::CreateOptions()
{
    const FitRange span = FitRangeOf(m_measurement, FitOptions{});
    const int lowest = static_cast<int>(std::ceil(span.lowHz));
    const int highest = std::max(lowest, static_cast<int>(std::floor(span.highHz)));

    m_targetList = new QComboBox(this);
    m_targetList->setObjectName(QStringLiteral("target"));
    m_targetList->addItem(tr("Flat"));
    auto* choose = new QPushButton(tr("Choose a target curve…"), this);
    choose->setObjectName(QStringLiteral("chooseTarget"));
    auto* target = new QHBoxLayout;
    target->addWidget(m_targetList, 1);
    target->addWidget(choose);

    const auto hzEdit = [&](const char* name, int value) {
        auto* edit = new QSpinBox(this);
        edit->setObjectName(QLatin1String(name));
        edit->setRange(lowest, highest);
        edit->setValue(value);
        edit->setSuffix(tr(" Hz"));
        return edit;
    };
    m_lowHz = hzEdit("lowHz", lowest);
    m_highHz = hzEdit("highHz", highest);
    auto* range = new QHBoxLayout;
    range->addWidget(m_lowHz, 1);
    range->addWidget(new QLabel(tr("to"), this));
    range->addWidget(m_highHz, 1);

    m_maxBoost = new QDoubleSpinBox(this);
    m_maxBoost->setObjectName(QStringLiteral("maxBoost"));
    m_maxBoost->setRange(0.0, kMaxFitBoostDb);
    m_maxBoost->setSingleStep(kBoostStepDb);
    m_maxBoost->setDecimals(1);
    m_maxBoost->setSuffix(tr(" dB"));
    m_maxBoost->setSpecialValueText(tr("none: cuts only"));

    m_bandCount = new QSpinBox(this);
    m_bandCount->setObjectName(QStringLiteral("bands"));
    m_bandCount->setRange(kMinFitBands, kMaxFitBands);
    m_bandCount->setValue(kMaxFitBands);

    m_report = new QLabel(this);
    m_report->setObjectName(QStringLiteral("report"));
    m_report->setWordWrap(true);
    m_report->setMinimumWidth(kReportWidth);
    m_report->setMinimumHeight(m_report->fontMetrics().lineSpacing() * kReportLines);
    m_report->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_buttons = new QDialogButtonBox(this);
    m_buttons->addButton(tr("Apply"), QDialogButtonBox::AcceptRole);
    m_buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(tr("Target:"), target);
    form->addRow(tr("Range:"), range);
    form->addRow(tr("Largest boost:"), m_maxBoost);
    form->addRow(tr("Bands to use:"), m_bandCount);
    form->addRow(m_report);
    form->addRow(m_buttons);

    const auto fitSoon = [this] { m_fitSoon.start(); };
    connect(m_targetList, &QComboBox::currentIndexChanged, this, fitSoon);
    connect(choose, &QPushButton::clicked, this, &CFitDialog::ChooseTarget);
    connect(m_lowHz, &QSpinBox::valueChanged, this, fitSoon);
    connect(m_highHz, &QSpinBox::valueChanged, this, fitSoon);
    connect(m_maxBoost, &QDoubleSpinBox::valueChanged, this, fitSoon);
    connect(m_bandCount, &QSpinBox::valueChanged, this, fitSoon);
}

FitOptions CFitDialog::Options() const
{
    FitOptions options;
    options.range = FitRange{static_cast<double>(m_lowHz->value()), static_cast<double>(m_highHz->value())};
    options.maxBoostDb = m_maxBoost->value();
    options.bands = m_bandCount->value();
    return options;
}

QPushButton* CFitDialog::ApplyButton() const
{
    for (QAbstractButton* button : m_buttons->buttons())
        if (m_buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
            return qobject_cast<QPushButton*>(button);
    return nullptr;
}

// A target read in full replaces the one before; one that cannot be read leaves it.
void CFitDialog::ChooseTarget()
{
    const QString fileName = PickMeasurementFile(this, tr("Choose a target curve"));
    if (fileName.isEmpty())
        return;
    Measurement read;
    SettingsError error;
    if (!ReadMeasurementFile(fileName, read, error)) {
        ShowMessageBox(this, tr("The target curve cannot be used: %1").arg(error.Text()), windowTitle());
        return;
    }
    m_target = CMeasurementCurve(read.points);
    if (m_targetList->count() == 1)
        m_targetList->addItem(QString());
    m_targetList->setItemText(1, QFileInfo(fileName).fileName());
    m_targetList->setItemData(1, fileName);
    m_targetList->setCurrentIndex(1);
    m_fitSoon.start();
}

void CFitDialog::FitNow()
{
    m_fitSoon.stop();
    const CMeasurementCurve flat;
    const CMeasurementCurve& target = m_targetList->currentIndex() == kFlatTarget ? flat : m_target;
    m_fit = FitBands(m_measurement, target, Options(), m_bands, m_gainCode);
    ShowReport();
    emit predictionChanged(BandsResponse(m_fit.bands));
}

void CFitDialog::ShowReport()
{
    m_report->setText(ReportText());
    ApplyButton()->setEnabled(m_fit.problem == FitProblem::None && !m_fit.alreadyWithin);
}

QString CFitDialog::ReportText() const
{
    if (m_fit.problem != FitProblem::None)
        return FitProblemText(m_fit.problem, m_measurement, Options());
    QStringList lines{FitRmsLine(m_fit), FitLargestLine(m_fit)};
    if (m_fit.alreadyWithin)
        lines.prepend(FitAlreadyWithinLine(m_channel));
    else
        lines.prepend(tr("%n band(s) used", "", m_fit.used));
    if (const QString gain = FitGainLine(m_fit, m_channel); !gain.isEmpty())
        lines << gain;
    return lines.join(QLatin1Char('\n'));
}
