#include "ui/graph/EqualizerGraph.h"

#include "model/ChannelEqualizer.h"

#include <QMouseEvent>

#include <cmath>

namespace {

PlotPoint ToPlotPoint(const QPointF& position)
{
    return {static_cast<int>(std::floor(position.x())), static_cast<int>(std::floor(position.y()))};
}

// The handles in the order the pointer is tried against them.
struct HandleArea {
    BandHandle handle;
    const PlotRect& (CFilter::*rect)() const;
};
constexpr HandleArea kHandleOrder[] = {
    {BandHandle::Centre, &CFilter::HandleRect},
    {BandHandle::LeftWidth, &CFilter::WidthRectL},
    {BandHandle::RightWidth, &CFilter::WidthRectR},
};

}  // namespace

void CEqualizerGraph::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_bActive)
        return;
    // a release that went to another window (a message box, say) still ends the drag
    if (!(event->buttons() & Qt::LeftButton) && IsDragging())
        OnButtonRelease();
    m_bHover = OnPointerMove(ToPlotPoint(event->position()));
    UpdateCursor();
}

void CEqualizerGraph::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    EndKeyBurst();   // a press is another action: the keys' step ends before it
    if (m_bActive)
        OnButtonPress(ToPlotPoint(event->position()));
    UpdateCursor();
}

void CEqualizerGraph::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (m_bActive)
        OnButtonRelease();
    UpdateCursor();
}

BandHandle CEqualizerGraph::HandleAt(PlotPoint p) const
{
    if (m_pSelBand != nullptr) {
        for (const HandleArea& area : kHandleOrder) {
            if ((m_pSelBand->*area.rect)().Contains(p))
                return area.handle;
        }
    }
    return BandHandle::None;
}

// The selected band's handles are tried in order: the pointer on one hovers it, otherwise a drag
// of it follows the pointer. A drag thus goes on over the handles after its own and stops at those
// before it. Only off all of them, with nothing dragged, can the pointer pick another band.
bool CEqualizerGraph::OnPointerMove(PlotPoint p)
{
    if (m_pSelBand != nullptr) {
        const BandHandle hit = HandleAt(p);
        for (const HandleArea& area : kHandleOrder) {
            if (hit == area.handle) {
                HoverHandle(area.handle, p);
                return true;
            }
            if (m_dragged == area.handle) {
                StepDrag(p);
                return false;
            }
        }
    }
    return PickBandAt(p);
}

// Over the centre a width drag only pauses; over a width handle a drag of the other one ends.
void CEqualizerGraph::HoverHandle(BandHandle handle, PlotPoint p)
{
    m_hovered = handle;
    if (handle != BandHandle::Centre && m_dragged != handle)
        m_dragged = BandHandle::None;
    if (m_dragged == handle)
        StepDrag(p);
}

// Only the parametric bands can be picked; the lowest band number wins where handles overlap,
// and off every handle a number that moved away from its own picks its band. A pick happens
// only while nothing is dragged, so the new band starts with its centre hovered.
bool CEqualizerGraph::PickBandAt(PlotPoint p)
{
    const int last = LastPickableBand();
    int picked = -1;
    for (int i = 0; i <= last && picked < 0; ++i) {
        if (m_pEq->GetAt(i).HandleRect().Contains(p))
            picked = i;
    }
    if (picked < 0 && last >= 0)
        picked = BandAtLabel(p);
    if (picked < 0 || picked > last)
        return false;
    m_pSelBand = &m_pEq->GetAt(picked);
    m_hovered = BandHandle::Centre;
    m_nSelIndex = picked;
    Redraw();
    return true;
}

void CEqualizerGraph::StepDrag(PlotPoint p)
{
    CFilter& band = *m_pSelBand;
    if (m_dragged == BandHandle::Centre)
        m_bChanged = band.Move(p);
    else
        m_bChanged = band.MoveWidth(p, m_dragged == BandHandle::LeftWidth ? WidthHandle::Left : WidthHandle::Right);
    if (m_bChanged) {
        Redraw();
        ReportChange();
    }
}

// Grabs the hovered handle; only a peaking band's width handles can be grabbed.
void CEqualizerGraph::OnButtonPress(PlotPoint p)
{
    if (!m_bHover || m_pSelBand == nullptr)
        return;
    if (m_hovered == BandHandle::Centre) {
        m_dragged = BandHandle::Centre;
        m_pSelBand->BeginMove(p);
    } else if (m_hovered != BandHandle::None && m_pSelBand->GetType() == FILTER_PEAK) {
        m_dragged = m_hovered;
    }
}

// Lets go of the hovered handle: the centre ends any drag with it, a width handle only its own.
void CEqualizerGraph::OnButtonRelease()
{
    if (m_pSelBand == nullptr)
        return;
    // the window makes the whole drag one step of its undo history
    if (IsDragging())
        emit dragFinished(m_nChannel, m_nSelIndex);
    if (m_hovered == BandHandle::None)
        return;
    if (m_hovered == BandHandle::Centre || m_dragged == m_hovered)
        m_dragged = BandHandle::None;
    m_hovered = BandHandle::None;
    m_bHover = false;
}

bool CEqualizerGraph::IsDragging() const
{
    return m_dragged != BandHandle::None;
}

void CEqualizerGraph::UpdateCursor()
{
    setCursor(m_bHover ? m_hDragCursor : QCursor(Qt::ArrowCursor));
}
