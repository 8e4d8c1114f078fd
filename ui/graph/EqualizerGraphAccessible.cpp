#include "ui/graph/EqualizerGraphAccessible.h"

#include "model/ChannelEqualizer.h"
#include "ui/common/Accessibility.h"
#include "ui/common/Language.h"
#include "ui/graph/EqualizerGraph.h"

#include <QAccessibleWidget>

#include <cstdlib>

namespace {

class CAccessibleGraph : public QAccessibleWidget {
public:
    explicit CAccessibleGraph(CEqualizerGraph* graph) : QAccessibleWidget(graph, QAccessible::Chart) {}

    QString text(QAccessible::Text t) const override
    {
        const auto* graph = static_cast<const CEqualizerGraph*>(widget());
        if (t == QAccessible::Name && graph->accessibleName().isEmpty())
            return graph->SpokenName();
        if (t == QAccessible::Value)
            return graph->SpokenBand();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* GraphInterface(const QString& className, QObject* object)
{
    if (object == nullptr || className != QLatin1String(CEqualizerGraph::staticMetaObject.className()))
        return nullptr;
    return new CAccessibleGraph(static_cast<CEqualizerGraph*>(object));
}

// Whole hertz below 1 kHz, kHz with two decimals from there.
QString FrequencyText(int hz)
{
    if (hz >= 1000)
        return CEqualizerGraph::tr("%1 kHz").arg(QString::number(hz / 1000.0, 'f', 2));
    return CEqualizerGraph::tr("%1 Hz").arg(hz);
}

// Tenths of a dB from the gain code, so that 0 dB reads 0.0 dB and every other gain has its sign.
QString GainText(int gainCode)
{
    const int tenths = gainCode - kFlatGainCode;
    const QString sign = tenths > 0 ? QStringLiteral("+") : tenths < 0 ? QStringLiteral("-") : QString();
    const QString number = QStringLiteral("%1.%2").arg(std::abs(tenths) / 10).arg(std::abs(tenths) % 10);
    return CEqualizerGraph::tr("%1 dB").arg(sign + number);
}

// A peaking band's width; a shelf's kind and slope as the graph draws it (12 dB or else 6 dB per octave).
QString ShapeText(CFilter& band)
{
    const int slope = band.Band()->slope == kSlope12dBPerOct ? 12 : 6;
    switch (band.Band()->type) {
    case FILTER_LOW_SHELF: return CEqualizerGraph::tr("low shelf, %1 dB per octave").arg(slope);
    case FILTER_HIGH_SHELF: return CEqualizerGraph::tr("high shelf, %1 dB per octave").arg(slope);
    default: return CEqualizerGraph::tr("%1 octaves").arg(QString::number(band.BandwidthOct(), 'f', 2));
    }
}

}  // namespace

void InstallGraphAccessibility()
{
    InstallAccessibleFactory(&GraphInterface);
}

QString CEqualizerGraph::SpokenName() const
{
    return m_nChannel == 0 ? tr("CH A equalizer") : tr("CH B equalizer");
}

QString CEqualizerGraph::SpokenBand() const
{
    if (m_pSelBand == nullptr || m_pSelBand->Band() == nullptr)
        return tr("no band selected");
    CFilter& band = *m_pSelBand;
    return tr("%1 band %2, %3, %4, %5")
        .arg(ShownChannelName(m_nChannel), QString::number(m_nSelIndex + 1), FrequencyText(band.CurrentFreq()), GainText(band.GainCode()),
             ShapeText(band));
}

void CEqualizerGraph::TellSelectedBand()
{
    QAccessibleValueChangeEvent event(this, SpokenBand());
    TellAccessibility(event);
}
