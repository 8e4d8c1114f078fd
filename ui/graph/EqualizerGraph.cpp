#include "ui/graph/EqualizerGraph.h"

#include "model/ChannelEqualizer.h"
#include "ui/graph/EqualizerGraphAccessible.h"
#include "ui/graph/EqualizerGraphPainting.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

const int kGraphGridHz[kGraphGridCount] = {
    20, 30, 40, 50, 60, 70, 80, 90, 100,
    200, 300, 400, 500, 600, 700, 800, 900, 1000,
    2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000,
};

CEqualizerGraph::CEqualizerGraph(QWidget* parent)
    : QWidget(parent), m_hDragCursor(Qt::SizeAllCursor)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    ShowKeysHelp();
    InstallGraphAccessibility();
}

CEqualizerGraph::~CEqualizerGraph() = default;

void CEqualizerGraph::Attach(CChannelEqualizer& equalizer, int channel)
{
    if (channel < 0 || channel >= kChannelCount)
        return;
    m_pEq = &equalizer;
    m_pSelBand = nullptr;
    // a band's hover and drag end with its selection
    m_hovered = BandHandle::None;
    m_dragged = BandHandle::None;
    m_nChannel = channel;
    m_bActive = 1;
    SetPlotLayout();
}

void CEqualizerGraph::SetPlotLayout()
{
    m_rcClient = {0, 0, width(), height()};
    m_rcPlot = {kPlotMarginLeft, kPlotMarginTop,
                std::max(kPlotMarginLeft, width() - kPlotMarginRight),
                std::max(kPlotMarginTop, height() - kPlotMarginBottom)};
    for (int i = 0; i < kGraphGridCount; ++i)
        m_gridX[i] = FreqToPlotX(kGraphGridHz[i], m_rcPlot.Width()) + kPlotInsetX;
    if (m_pEq != nullptr)
        m_pEq->SetPlotRect(m_rcPlot);
    update();
}

void CEqualizerGraph::Redraw()
{
    update(QRect(m_rcPlot.left, m_rcPlot.top, m_rcPlot.Width(), m_rcPlot.Height()));
}

void CEqualizerGraph::ReportChange()
{
    emit bandChanged(m_nChannel, m_nSelIndex);
    TellSelectedBand();
}

void CEqualizerGraph::resizeEvent(QResizeEvent* event)
{
    // a graph that has been laid out follows its new size; the caches go with the old one
    if (m_rcClient.Width() > 0 && (m_rcClient.Width() != width() || m_rcClient.Height() != height()))
        SetPlotLayout();
    QWidget::resizeEvent(event);
}

// A drag step repaints the plot alone; the frame around it is drawn when the paint reaches it.
void CEqualizerGraph::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (!ToQRect(m_rcPlot).contains(event->rect()))
        DrawFrame(painter);
    DrawPlot(painter);
    if (hasFocus())
        DrawFocusFrame(painter);
}
