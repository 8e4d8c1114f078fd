// A measured response on the graph, and beside it the result the channel's
// equalizer gives it (or a fit of its bands, while one is made): one value per
// pixel column of the plot, the measurement resampled and drawn once per plot
// width, the equalizer's curve added to it on every redraw.
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
constexpr qreal kPredictedPenWidth = 4.0;   // wider than the measured line it lies under
constexpr int kLegendInset = 6;      // from the plot's left and bottom edges
constexpr int kLegendPadding = 4;
constexpr int kLegendSwatch = 16;    // the length of a line's sample

// A point this close to the straight line between the points kept around it is left out.
constexpr double kStraightTolerance = 0.2;   // pixels
constexpr std::size_t kMaxStraightSpan = 32;   // columns one line may stand for

QPen CurvePen(const QColor& colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
}

// Whether the line from run[from] to run[to] passes within the tolerance of every point between.
bool IsStraight(const std::vector<QPointF>& run, std::size_t from, std::size_t to)
{
    const QPointF a = run[from];
    const QPointF b = run[to];
    for (std::size_t i = from + 1; i < to; ++i) {
        const double t = (run[i].x() - a.x()) / (b.x() - a.x());
        if (std::abs(a.y() + (b.y() - a.y()) * t - run[i].y()) > kStraightTolerance)
            return false;
    }
    return true;
}

// The stroker spends most of a line's time on its joins: a run of columns keeps only the
// points where it bends.
std::vector<QPointF> BendsOf(const std::vector<QPointF>& run)
{
    std::vector<QPointF> bends;
    if (run.empty())
        return bends;
    bends.push_back(run.front());
    std::size_t from = 0;
    for (std::size_t to = 2; to < run.size(); ++to) {
        if (to - from > kMaxStraightSpan || !IsStraight(run, from, to)) {
            from = to - 1;
            bends.push_back(run[from]);
        }
    }
    if (run.size() > 1)
        bends.push_back(run.back());
    return bends;
}

}  // namespace

void CEqualizerGraph::ShowMeasurement(std::span<const MeasurementPoint> points)
{
    m_measured = CMeasurementCurve(points);
    m_measuredWidth = -1;
    Redraw();
}

void CEqualizerGraph::HideMeasurement()
{
    m_measured = CMeasurementCurve();
    m_prediction.reset();
    m_measuredColumns.clear();
    m_measuredOverlay = QImage();
    m_measuredWidth = -1;
    Redraw();
}

// The columns and the line drawn from them follow the plot's width.
const std::vector<double>& CEqualizerGraph::MeasuredColumns()
{
    const int width = m_rcPlot.Width();
    if (m_measuredWidth != width) {
        m_measuredColumns = m_measured.Columns(width);
        m_measuredOverlay = QImage();
        m_measuredWidth = width;
    }
    return m_measuredColumns;
}

// The measurement does not change with the bands: its line is drawn once per width.
const QImage& CEqualizerGraph::MeasuredOverlay()
{
    const std::vector<double>& columns = MeasuredColumns();
    const qreal ratio = devicePixelRatioF();
    const QSize size = QSize(m_rcPlot.Width(), m_rcPlot.Height()) * ratio;
    if (!m_measuredOverlay.isNull() && m_measuredOverlay.size() == size)
        return m_measuredOverlay;
    m_measuredOverlay = QImage(size, QImage::Format_ARGB32_Premultiplied);
    m_measuredOverlay.setDevicePixelRatio(ratio);
    m_measuredOverlay.fill(Qt::transparent);
    QPainter painter(&m_measuredOverlay);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(CurvePen(kMeasuredColour, kMeasuredPenWidth));
    DrawColumns(painter, columns, QPointF(0.5, kPlotInsetY - m_rcPlot.top + 0.5));
    return m_measuredOverlay;
}

void CEqualizerGraph::ShowPrediction(const Response& bands)
{
    m_prediction = bands;
    Redraw();
}

void CEqualizerGraph::EndPrediction()
{
    m_prediction.reset();
    Redraw();
}

std::vector<double> CEqualizerGraph::PredictedColumns()
{
    std::vector<double> predicted = MeasuredColumns();
    if (m_pEq == nullptr && !m_prediction)
        return predicted;
    const Response bands = m_prediction ? *m_prediction : m_pEq->ParametricResponse();
    const std::vector<double> equalizer = GridColumns(bands, m_rcPlot.Width());
    for (std::size_t x = 0; x < predicted.size(); ++x)
        predicted[x] += equalizer[x];
    return predicted;
}

void CEqualizerGraph::DrawMeasurement(QPainter& painter)
{
    if (!HasMeasurement())
        return;
    // the prediction under the measurement: where the bands are flat the two lines are one,
    // the thinner measured line drawn inside the wider predicted one
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(QRect(m_rcPlot.left, m_rcPlot.top, m_rcPlot.Width(), m_rcPlot.Height()), Qt::ReplaceClip);
    painter.setPen(CurvePen(kPredictedColour, kPredictedPenWidth));
    DrawColumns(painter, PredictedColumns(), QPointF(m_rcPlot.left + 0.5, kPlotInsetY + 0.5));
    painter.restore();
    painter.drawImage(QPoint(m_rcPlot.left, m_rcPlot.top), MeasuredOverlay());
    DrawMeasurementLegend(painter);
}

// Each run of columns the measurement reaches is one line; column x at 0 dB is drawn at
// origin + (x, GainToPlotY(0)). As the curve points do, the origin addresses pixel centres.
void CEqualizerGraph::DrawColumns(QPainter& painter, const std::vector<double>& columns, QPointF origin) const
{
    std::vector<QPointF> run;
    run.reserve(columns.size());
    const int h = m_rcPlot.Height();
    for (std::size_t x = 0; x <= columns.size(); ++x) {
        if (x < columns.size() && !std::isnan(columns[x])) {
            run.push_back(origin + QPointF(static_cast<double>(x), GainToPlotY(columns[x], h)));
            continue;
        }
        const std::vector<QPointF> bends = BendsOf(run);
        DrawPolylineInPieces(painter, bends.data(), static_cast<int>(bends.size()));
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
