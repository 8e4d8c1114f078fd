// A measured response on the graph, and beside it the result the channel's
// equalizer gives it: one value per pixel column of the plot, the measurement
// resampled once per plot width and the equalizer's curve added on every redraw.
#include "ui/graph/EqualizerGraph.h"

#include "model/ChannelEqualizer.h"
#include "ui/graph/EqualizerGraphPainting.h"

#include <QEvent>
#include <QPainter>

#include <cmath>

namespace {

// Apart from both channels' curves and the band area, and bright on the black plot.
const QColor kMeasuredColour(0, 200, 230);
const QColor kPredictedColour(255, 200, 0);
const QColor kLegendBackground(0, 0, 0, 170);
const QColor kLegendText(220, 220, 220);
constexpr qreal kMeasuredPenWidth = 1.5;
constexpr qreal kPredictedPenWidth = 2.0;
constexpr int kLegendInset = 6;      // from the plot's left and bottom edges
constexpr int kLegendPadding = 4;
constexpr int kLegendSwatch = 16;    // the length of a line's sample

QPen CurvePen(const QColor& colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
}

}  // namespace

void CEqualizerGraph::ShowMeasurement(std::vector<MeasurementPoint> points)
{
    m_measured = std::move(points);
    m_measuredWidth = -1;
    Redraw();
}

void CEqualizerGraph::HideMeasurement()
{
    m_measured.clear();
    m_measuredColumns.clear();
    m_measuredWidth = -1;
    Redraw();
}

const std::vector<double>& CEqualizerGraph::MeasuredColumns()
{
    const int width = m_rcPlot.Width();
    if (m_measuredWidth != width) {
        m_measuredColumns = MeasurementColumns(m_measured, width);
        m_measuredWidth = width;
    }
    return m_measuredColumns;
}

std::vector<double> CEqualizerGraph::PredictedColumns()
{
    std::vector<double> predicted = MeasuredColumns();
    if (m_pEq == nullptr)
        return predicted;
    const std::vector<double> equalizer = GridColumns(m_pEq->ParametricResponse(), m_rcPlot.Width());
    for (std::size_t x = 0; x < predicted.size(); ++x)
        predicted[x] += equalizer[x];
    return predicted;
}

void CEqualizerGraph::changeEvent(QEvent* event)
{
    // the legend speaks the interface's language
    if (event->type() == QEvent::LanguageChange && HasMeasurement())
        Redraw();
    QWidget::changeEvent(event);
}

void CEqualizerGraph::DrawMeasurement(QPainter& painter)
{
    if (!HasMeasurement())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(QRect(m_rcPlot.left, m_rcPlot.top, m_rcPlot.Width(), m_rcPlot.Height()), Qt::ReplaceClip);
    // as the curve points do, a column's value addresses the centre of its pixel
    painter.translate(0.5, 0.5);
    painter.setPen(CurvePen(kMeasuredColour, kMeasuredPenWidth));
    DrawColumns(painter, MeasuredColumns());
    painter.setPen(CurvePen(kPredictedColour, kPredictedPenWidth));
    DrawColumns(painter, PredictedColumns());
    painter.restore();
    DrawMeasurementLegend(painter);
}

// Each run of columns the measurement reaches is one line.
void CEqualizerGraph::DrawColumns(QPainter& painter, const std::vector<double>& columns) const
{
    std::vector<QPointF> run;
    run.reserve(columns.size());
    const int h = m_rcPlot.Height();
    for (std::size_t x = 0; x <= columns.size(); ++x) {
        if (x < columns.size() && !std::isnan(columns[x])) {
            run.emplace_back(static_cast<double>(x) + kPlotInsetX, GainToPlotY(columns[x], h) + kPlotInsetY);
            continue;
        }
        DrawPolylineInPieces(painter, run.data(), static_cast<int>(run.size()));
        run.clear();
    }
}

// "Measured" and "Predicted" with a sample of their lines, in the plot's lower left
// corner: below the lowest a band's handle goes (-12 dB), right of the dB labels.
void CEqualizerGraph::DrawMeasurementLegend(QPainter& painter) const
{
    const QString names[] = {tr("Measured"), tr("Predicted")};
    const QColor colours[] = {kMeasuredColour, kPredictedColour};
    painter.save();
    painter.setFont(GraphFont());
    const QFontMetrics metrics = painter.fontMetrics();
    const int line = metrics.height();
    const int textWidth = std::max(metrics.horizontalAdvance(names[0]), metrics.horizontalAdvance(names[1]));
    const QRect box(m_rcPlot.left + kLegendInset, m_rcPlot.bottom - kLegendInset - 2 * line - 2 * kLegendPadding,
                    kLegendSwatch + textWidth + 3 * kLegendPadding, 2 * line + 2 * kLegendPadding);
    painter.fillRect(box, kLegendBackground);
    for (int i = 0; i < 2; ++i) {
        const int top = box.top() + kLegendPadding + i * line;
        const int x = box.left() + kLegendPadding;
        painter.setPen(CurvePen(colours[i], kPredictedPenWidth));
        painter.drawLine(x, top + line / 2, x + kLegendSwatch, top + line / 2);
        painter.setPen(kLegendText);
        painter.drawText(QRect(x + kLegendSwatch + kLegendPadding, top, textWidth, line), Qt::AlignLeft | Qt::AlignVCenter,
                         names[i]);
    }
    painter.restore();
}
