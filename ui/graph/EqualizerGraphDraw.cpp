#include "ui/graph/EqualizerGraph.h"

#include "model/ChannelEqualizer.h"
#include "ui/graph/EqualizerGraphPainting.h"

#include <QFont>
#include <QPainter>
#include <QPointF>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

const QColor kFrameColour(100, 100, 100);
const QColor kPlotFrameColour(62, 62, 62);
const QColor kGridColour(60, 60, 60);
const QColor kBandAreaColour(68, 86, 98);
constexpr qreal kCurvePenWidth = 2.0;
constexpr int kCurvePieceSegments = 16;
constexpr int kGainDivisions = 12;
constexpr int kLabelFontPixels = 11;
constexpr int kTextBoxSize = 200;

struct DbLabel {
    const char* text;
    int twelfths;   // y = (H div 12) * twelfths + offset
    int offset;
};
// Every label starts at the same x: a blank before one would push its end under the plot.
constexpr DbLabel kDbLabels[] = {
    {"+6", 2, 3}, {"0dB", 4, 3}, {"-6dB", 6, 5}, {"-12", 8, 2}, {"-18", 10, 2},
};
constexpr int kDbLabelX = 6;
constexpr int kTopLabelY = 5;

struct FreqLabel {
    const char* text;
    int hz;
    int shift;   // the label starts this far left of the frequency's x
};
constexpr FreqLabel kFreqLabels[] = {
    {"50", 50, 8}, {"100", 100, 10}, {"200", 200, 10}, {"500", 500, 10}, {"1K", 1000, 8},
    {"2K", 2000, 8}, {"5K", 5000, 8}, {"10K", 10000, 10}, {"20K", 20000, 15},
};
constexpr int kFirstFreqLabelX = 30;   // "20", whatever the plot's width

// A 1-pixel outline on the rectangle's own pixels (right and bottom edges excluded).
QRect OutlineRect(const PlotRect& r)
{
    return QRect(r.left, r.top, r.Width() - 1, r.Height() - 1);
}

QColor FromRgb(std::uint32_t rgb)
{
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

void DrawTextAt(QPainter& painter, int x, int y, const char* text)
{
    painter.drawText(QRect(x, y, kTextBoxSize, kTextBoxSize), Qt::AlignLeft | Qt::AlignTop,
                     QString::fromLatin1(text));
}

void DrawCurve(QPainter& painter, const std::array<PlotPointF, kGridSize>& curve, std::uint32_t argb)
{
    std::array<QPointF, kGridSize> points;
    for (int i = 0; i < kGridSize; ++i)
        points[i] = QPointF(curve[i].x, curve[i].y);
    painter.setPen(QPen(QColor::fromRgba(argb), kCurvePenWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    DrawPolylineInPieces(painter, points.data(), kGridSize);
}

}  // namespace

QRect ToQRect(const PlotRect& r)
{
    return QRect(r.left, r.top, r.Width(), r.Height());
}

QFont GraphFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(kLabelFontPixels);
    return font;
}

// The anti-aliasing rasterizer slows down with the square of the cells on one scanline, so
// a long flat curve goes out in short pieces; neighbours share a segment, so every joint is
// drawn as a join of one of them.
void DrawPolylineInPieces(QPainter& painter, const QPointF* points, int count)
{
    for (int first = 0; first < count - 1; first += kCurvePieceSegments - 1)
        painter.drawPolyline(points + first, std::min(kCurvePieceSegments, count - 1 - first) + 1);
}

// The control outside the plot: black, its frame and the axes' labels.
void CEqualizerGraph::DrawFrame(QPainter& painter) const
{
    painter.fillRect(rect(), Qt::black);
    painter.setPen(kFrameColour);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(OutlineRect(m_rcClient));

    painter.setFont(GraphFont());
    painter.setBackground(Qt::black);
    painter.setBackgroundMode(Qt::OpaqueMode);
    const int h = m_rcPlot.Height();
    DrawTextAt(painter, kDbLabelX, m_rcClient.top + kTopLabelY, "+12");
    for (const DbLabel& label : kDbLabels)
        DrawTextAt(painter, kDbLabelX, h / kGainDivisions * label.twelfths + label.offset, label.text);
    DrawTextAt(painter, kDbLabelX, h, "-24");

    DrawTextAt(painter, kFirstFreqLabelX, m_rcPlot.bottom, "20");
    for (const FreqLabel& label : kFreqLabels) {
        const int x = FreqToPlotX(label.hz, m_rcPlot.Width()) + kPlotInsetX - label.shift;
        DrawTextAt(painter, x, m_rcPlot.bottom, label.text);
    }
}

// Later steps paint over earlier ones: area of the selected band, grid, curves, labels, handles, text.
void CEqualizerGraph::DrawPlot(QPainter& painter)
{
    const QRect plot = ToQRect(m_rcPlot);
    if (plot.isEmpty())
        return;
    painter.save();
    painter.setClipRect(plot);
    painter.fillRect(plot, Qt::black);
    painter.setPen(kPlotFrameColour);
    painter.setBrush(Qt::black);
    painter.drawRect(OutlineRect(m_rcPlot));
    if (m_pSelBand != nullptr) {
        painter.setPen(kBandAreaColour);
        painter.setBrush(kBandAreaColour);
        const auto& poly = m_pSelBand->Polygon();
        std::array<QPoint, kGridSize + 2> points;
        for (std::size_t i = 0; i < poly.size(); ++i)
            points[i] = QPoint(poly[i].x, poly[i].y);
        painter.drawPolygon(points.data(), static_cast<int>(points.size()));
    }
    DrawGrid(painter);
    if (m_pEq != nullptr) {
        m_pEq->ComputeCurves();
        DrawCurves(painter, *m_pEq);
        DrawMeasurement(painter);
        painter.setFont(GraphFont());
        painter.setBackgroundMode(Qt::TransparentMode);
        DrawBandLabels(painter);
        if (m_pSelBand != nullptr)
            DrawSelectedBand(painter, *m_pSelBand);
    }
    painter.restore();
}

// Thirty-eight lines: drawing them costs less than keeping them in an image and blending it in.
void CEqualizerGraph::DrawGrid(QPainter& painter) const
{
    const int w = m_rcPlot.Width();
    const int h = m_rcPlot.Height();
    painter.setPen(kGridColour);
    // entry 0 (20 Hz) is the plot's left edge
    for (int i = 1; i < kGraphGridCount; ++i)
        painter.drawLine(m_gridX[i], m_rcPlot.top, m_gridX[i], m_rcPlot.top + h - 1);
    // the last division falls on the plot's bottom edge, just outside the plot's pixels
    for (int i = 1; i < kGainDivisions; ++i) {
        const int y = m_rcPlot.top + static_cast<int>(static_cast<double>(h) / kGainDivisions * i);
        painter.drawLine(m_rcPlot.left, y, m_rcPlot.left + w - 1, y);
    }
}

void CEqualizerGraph::DrawCurves(QPainter& painter, const CChannelEqualizer& eq) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(ToQRect(m_rcPlot), Qt::ReplaceClip);
    // curve points address pixel centres
    painter.translate(0.5, 0.5);
    DrawCurve(painter, eq.CurveA(), eq.GetCurveColour());
    DrawCurve(painter, eq.CurveB(), eq.GetCurve2Colour());
    painter.restore();
}

void CEqualizerGraph::DrawSelectedBand(QPainter& painter, CFilter& band) const
{
    if (band.GetType() == FILTER_PEAK) {
        painter.setPen(FromRgb(m_pEq->GetHandleColour()));
        painter.setBrush(kBandAreaColour);
        painter.drawRect(OutlineRect(band.WidthRectL()));
        painter.drawRect(OutlineRect(band.WidthRectR()));
    }
    DrawReadout(painter, band);
}
