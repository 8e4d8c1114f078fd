#include "ui/graph/CFStatic.h"

#include "model/KTVEQ.h"
#include "ui/controls/WindowMessage.h"

#include <QMouseEvent>

#include <cmath>

namespace {

PlotPoint ToPlotPoint(const QPointF& position)
{
    return {static_cast<int>(std::floor(position.x())), static_cast<int>(std::floor(position.y()))};
}

// Which of a band's three handles lie under the pointer.
struct HandleHits {
    bool centre;
    bool left;
    bool right;
};

HandleHits HitTest(const CFilter& band, PlotPoint p)
{
    return {band.HandleRect().Contains(p), band.WidthRectL().Contains(p), band.WidthRectR().Contains(p)};
}

void SetHover(CFilter& band, int centre, int left, int right)
{
    band.m_bHoverCentre = centre;
    band.m_bHoverLeft = left;
    band.m_bHoverRight = right;
}

}  // namespace

void CFStatic::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_bActive)
        return;
    // a release that went to another window (a message box, say) still ends the drag
    if (!(event->buttons() & Qt::LeftButton) && IsDragging())
        OnButtonRelease();
    m_bHover = OnPointerMove(ToPlotPoint(event->position()));
    UpdateCursor();
}

void CFStatic::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    if (m_bActive)
        OnButtonPress(ToPlotPoint(event->position()));
    UpdateCursor();
}

void CFStatic::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (m_bActive)
        OnButtonRelease();
    UpdateCursor();
}

// The rules are tried in order; the selected band's own handles win over every other band's.
int CFStatic::OnPointerMove(PlotPoint p)
{
    if (CFilter* s = m_pSelBand) {
        const HandleHits hit = HitTest(*s, p);
        if (!hit.centre && s->m_bDragCentre) {
            DragCentre(p);
            return 0;
        }
        if (hit.centre) {
            SetHover(*s, 1, 0, 0);
            if (s->m_bDragCentre)
                DragCentre(p);
            return 1;
        }
        if (!hit.left && s->m_bDragLeft) {
            DragWidth(p);
            return 0;
        }
        if (hit.left) {
            SetHover(*s, 0, 1, 0);
            s->m_bDragRight = 0;
            if (s->m_bDragLeft)
                DragWidth(p);
            return 1;
        }
        if (!hit.right && s->m_bDragRight) {
            DragWidth(p);
            return 0;
        }
        if (hit.right) {
            SetHover(*s, 0, 0, 1);
            s->m_bDragLeft = 0;
            if (s->m_bDragRight)
                DragWidth(p);
            return 1;
        }
    }
    return PickBandAt(p) ? 1 : 0;
}

// Only the parametric bands can be picked; the lowest band number wins where handles overlap.
bool CFStatic::PickBandAt(PlotPoint p)
{
    const int last = std::min(g_LastPeqBand, m_pEq->GetSize() - 1);
    for (int i = 0; i <= last; ++i) {
        CFilter& band = m_pEq->GetAt(i);
        if (!band.HandleRect().Contains(p))
            continue;
        m_pSelBand = &band;
        band.m_bHoverCentre = 1;
        m_nSelIndex = i;
        Redraw();
        return true;
    }
    return false;
}

void CFStatic::DragCentre(PlotPoint p)
{
    m_bChanged = m_pSelBand->Move(p);
    if (m_bChanged) {
        Redraw();
        ReportChange();
    }
}

void CFStatic::DragWidth(PlotPoint p)
{
    m_bChanged = m_pSelBand->MoveWidth(p);
    if (m_bChanged) {
        Redraw();
        ReportChange();
    }
}

void CFStatic::OnButtonPress(PlotPoint p)
{
    if (!m_bHover || m_pSelBand == nullptr)
        return;
    CFilter& s = *m_pSelBand;
    if (s.m_bHoverCentre) {
        s.m_bDragCentre = 1;
        s.BeginMove(p);
    } else if (s.GetType() == FILTER_PEAK) {
        if (s.m_bHoverLeft)
            s.m_bDragLeft = 1;
        else if (s.m_bHoverRight)
            s.m_bDragRight = 1;
    }
}

void CFStatic::OnButtonRelease()
{
    if (m_pSelBand == nullptr)
        return;
    // the window makes the whole drag one step of its undo history
    if (IsDragging() && m_pParent != nullptr)
        PostWindowMessage(m_pParent, WM_GRAPH_DRAG_DONE, m_nSelIndex, m_nChannel);
    CFilter& s = *m_pSelBand;
    if (s.m_bHoverCentre) {
        SetHover(s, 0, 0, 0);
        s.m_bDragCentre = 0;
        s.m_bDragLeft = 0;
        s.m_bDragRight = 0;
        m_bHover = 0;
        return;
    }
    if (s.m_bHoverLeft) {
        s.m_bDragLeft = 0;
        s.m_bHoverLeft = 0;
        m_bHover = 0;
    }
    if (s.m_bHoverRight) {
        s.m_bHoverRight = 0;
        s.m_bDragRight = 0;
        m_bHover = 0;
    }
}

bool CFStatic::IsDragging() const
{
    return m_pSelBand != nullptr
        && (m_pSelBand->m_bDragCentre || m_pSelBand->m_bDragLeft || m_pSelBand->m_bDragRight);
}

void CFStatic::UpdateCursor()
{
    setCursor(m_bHover ? m_hDragCursor : QCursor(Qt::ArrowCursor));
}
