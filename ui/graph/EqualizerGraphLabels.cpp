// The graph's words over the plot: the number of each parametric band at its handle and the
// selected band's readout. Both stay whole inside the plot at every size; numbers of bands
// close together move apart, each band keeping its number where nothing crowds it, and the
// readout has a dark background of its own, so that the curves under it do not blur it.
#include "ui/graph/EqualizerGraph.h"

#include "model/ChannelEqualizer.h"
#include "ui/graph/EqualizerGraphPainting.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int kLabelGap = 1;           // pixels kept free between two numbers
constexpr int kLabelShiftsTried = 8;   // rows of numbers a crowded number may move up or down
constexpr int kReadoutPadding = 3;
constexpr qreal kReadoutCorner = 3.0;
const QColor kReadoutBackground(0, 0, 0, 200);

// A number sits in its band's handle: at the handle's left end where the handle ends at the
// plot's right edge or the band at the top of the range, at its right end at the bottom of it,
// else in its middle.
int BandLabelAlignment(CFilter& band, const PlotRect& plot)
{
    if (band.HandleRect().right == plot.right)
        return Qt::AlignLeft;
    const int hz = band.CurrentFreq();
    if (hz <= kMinFreqHz)
        return Qt::AlignRight;
    if (hz >= kMaxFreqHz)
        return Qt::AlignLeft;
    return Qt::AlignHCenter;
}

// How far r has to move to lie inside bounds (where it fits).
QPoint ShiftInside(const QRect& r, const QRect& bounds)
{
    const auto along = [](int low, int high, int boundLow, int boundHigh) {
        if (low < boundLow)
            return boundLow - low;
        return high > boundHigh ? boundHigh - high : 0;
    };
    return {along(r.left(), r.right(), bounds.left(), bounds.right()),
            along(r.top(), r.bottom(), bounds.top(), bounds.bottom())};
}

}  // namespace

// From band 1 up: a number that would touch one placed before it tries the rows above and
// below its place, nearest first, and stays where it is when none is free.
std::vector<CEqualizerGraph::BandLabel> CEqualizerGraph::PlaceBandLabels() const
{
    std::vector<BandLabel> labels;
    if (m_pEq == nullptr)
        return labels;
    const QFontMetrics metrics(GraphFont());
    const QRect plot = ToQRect(m_rcPlot);
    const int last = std::min(kLastParametricBand, m_pEq->GetSize() - 1);
    const auto isFree = [&labels](const QRect& at) {
        return std::none_of(labels.begin(), labels.end(), [&at](const BandLabel& placed) {
            return placed.text.adjusted(-kLabelGap, -kLabelGap, kLabelGap, kLabelGap).intersects(at);
        });
    };
    for (int i = 0; i <= last; ++i) {
        CFilter& band = m_pEq->GetAt(i);
        const QRect box = ToQRect(band.HandleRect());
        const int flags = Qt::AlignTop | BandLabelAlignment(band, m_rcPlot);
        const QRect text = metrics.boundingRect(box, flags, QString::number(i + 1));
        const QPoint inside = ShiftInside(text, plot);
        const int row = text.height() + kLabelGap;
        QPoint shift = inside;
        for (int k = 0; k <= kLabelShiftsTried && !isFree(text.translated(shift)); ++k) {
            for (int tried : {inside.y() - (k + 1) * row, inside.y() + (k + 1) * row}) {
                const QRect at = text.translated(inside.x(), tried);
                if (plot.contains(at) && isFree(at)) {
                    shift.setY(tried);
                    break;
                }
            }
        }
        if (!isFree(text.translated(shift)))
            shift = inside;
        labels.push_back({box.translated(shift), flags, text.translated(shift)});
    }
    return labels;
}

QRect CEqualizerGraph::BandLabelRect(int band) const
{
    const std::vector<BandLabel> labels = PlaceBandLabels();
    return band >= 0 && band < static_cast<int>(labels.size()) ? labels[static_cast<std::size_t>(band)].text : QRect();
}

// The band whose number moved away from its handle to p, or -1.
int CEqualizerGraph::BandAtLabel(PlotPoint p) const
{
    const std::vector<BandLabel> labels = PlaceBandLabels();
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (labels[i].text.contains(p.x, p.y))
            return static_cast<int>(i);
    }
    return -1;
}

// From band 12 down to band 1, so that where numbers still meet the lower one ends on top.
void CEqualizerGraph::DrawBandLabels(QPainter& painter) const
{
    painter.setPen(Qt::white);
    const std::vector<BandLabel> labels = PlaceBandLabels();
    for (int i = static_cast<int>(labels.size()) - 1; i >= 0; --i) {
        const BandLabel& label = labels[static_cast<std::size_t>(i)];
        painter.drawText(label.box, label.flags, QString::number(i + 1));
    }
}

QRect CEqualizerGraph::ReadoutRect() const
{
    if (m_pSelBand == nullptr)
        return {};
    const QRect box = ToQRect(m_pSelBand->TextRect());
    const QRect text = QFontMetrics(GraphFont())
                           .boundingRect(box, Qt::AlignTop | Qt::AlignHCenter, QString::fromStdString(m_pSelBand->Describe()));
    const QRect padded = text.adjusted(-kReadoutPadding, -kReadoutPadding, kReadoutPadding, kReadoutPadding);
    return padded.translated(ShiftInside(padded, ToQRect(m_rcPlot)));
}

// The readout, two lines centred over or under the band's handle, on its own background.
void CEqualizerGraph::DrawReadout(QPainter& painter, CFilter& band) const
{
    const QString text = QString::fromStdString(band.Describe());
    const QRect box = ToQRect(band.TextRect());
    const int flags = Qt::AlignTop | Qt::AlignHCenter;
    const QRect padded = ReadoutRect();
    const QRect unmoved = painter.fontMetrics().boundingRect(box, flags, text).adjusted(
        -kReadoutPadding, -kReadoutPadding, kReadoutPadding, kReadoutPadding);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kReadoutBackground);
    painter.drawRoundedRect(QRectF(padded), kReadoutCorner, kReadoutCorner);
    painter.restore();
    painter.setPen(Qt::white);
    painter.drawText(box.translated(padded.topLeft() - unmoved.topLeft()), flags, text);
}
