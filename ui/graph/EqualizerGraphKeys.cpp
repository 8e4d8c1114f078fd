// The equalizer graph from the keyboard: Tab and the number row pick a band, the arrow keys,
// Page Up/Down and Home edit it with the limits of a drag, and a burst of key edits of one
// band ends, like a drag, as one step of the window's undo history.
#include "ui/graph/EqualizerGraph.h"

#include "model/ChannelEqualizer.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QTimerEvent>

#include <algorithm>

namespace {

constexpr int kShiftSteps = 10;
constexpr int kFocusFrameInset = 2;
const QColor kFocusFrameColour(220, 220, 220);

// The band a key of the number row picks: 1..9, 0 for band 10, - and = for 11 and 12; -1 for any other key.
int BandOfKey(int key)
{
    if (key >= Qt::Key_1 && key <= Qt::Key_9)
        return key - Qt::Key_1;
    switch (key) {
    case Qt::Key_0: return 9;
    case Qt::Key_Minus: return 10;
    case Qt::Key_Equal: return 11;
    default: return -1;
    }
}

bool IsEditKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
        return true;
    default:
        return false;
    }
}

// One step of the key's direction: Right, Up and Page Up (wider) count up.
int Direction(int key)
{
    return key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_PageUp ? 1 : -1;
}

QString KeysHelp()
{
    return CEqualizerGraph::tr("Drag a band's number, or use the keys:\n"
                               "Tab, Shift+Tab: next, previous band\n"
                               "1 to 9, 0, -, =: bands 1 to 12\n"
                               "Left, Right: frequency\n"
                               "Up, Down: gain\n"
                               "Page Up, Page Down: wider, narrower\n"
                               "Home: 0 dB\n"
                               "with Shift: ten steps at a time");
}

}  // namespace

void CEqualizerGraph::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const int pick = BandOfKey(key);
    const bool otherModifier = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!m_bActive || otherModifier || (pick < 0 && !IsEditKey(key))) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (IsDragging())
        return;
    if (pick >= 0)
        PickBand(pick);
    else if (m_pSelBand == nullptr)
        PickBand(0);   // the first key shows which band the keys edit before it changes anything
    else if (EditSelectedBand(key, event->modifiers() & Qt::ShiftModifier ? kShiftSteps : 1))
        OnKeyEdit();
}

// Tab walks the bands; past the last one (or before the first) the focus leaves the graph.
bool CEqualizerGraph::focusNextPrevChild(bool next)
{
    if (m_bActive && hasFocus()) {
        const int last = LastPickableBand();
        const int to = m_pSelBand == nullptr ? (next ? 0 : last) : m_nSelIndex + (next ? 1 : -1);
        if (to >= 0 && to <= last) {
            PickBand(to);
            return true;
        }
    }
    return QWidget::focusNextPrevChild(next);
}

// Coming in by Tab picks the first band, by Shift+Tab the last.
void CEqualizerGraph::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    if (m_bActive && event->reason() == Qt::TabFocusReason)
        PickBand(0);
    else if (m_bActive && event->reason() == Qt::BacktabFocusReason)
        PickBand(LastPickableBand());
    update();
}

void CEqualizerGraph::focusOutEvent(QFocusEvent* event)
{
    EndKeyBurst();
    QWidget::focusOutEvent(event);
    update();
}

void CEqualizerGraph::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_keyBurst.timerId())
        EndKeyBurst();
    else
        QWidget::timerEvent(event);
}

// The keys' tooltip and the measurement's legend speak the interface's language.
void CEqualizerGraph::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        ShowKeysHelp();
        if (HasMeasurement())
            Redraw();
    }
    QWidget::changeEvent(event);
}

void CEqualizerGraph::EndKeyBurst()
{
    if (!m_keyBurstOpen)
        return;
    m_keyBurst.stop();
    m_keyBurstOpen = false;
    emit dragFinished(m_nChannel, m_nSelIndex);
}

// The keys pick among the parametric bands the equalizer holds.
int CEqualizerGraph::LastPickableBand() const
{
    return std::min(kLastParametricBand, m_pEq->GetSize() - 1);
}

// Another band ends the burst of the one before; the pointer hovers none of the new band's handles.
void CEqualizerGraph::PickBand(int index)
{
    if (index > LastPickableBand())
        return;
    if (m_pSelBand != &m_pEq->GetAt(index))
        EndKeyBurst();
    m_pSelBand = &m_pEq->GetAt(index);
    m_nSelIndex = index;
    m_hovered = BandHandle::None;
    m_bHover = false;
    UpdateCursor();
    Redraw();
    TellSelectedBand();
}

// Each edit goes through the band's own limits, the ones a drag meets; only a peaking band has a width.
bool CEqualizerGraph::EditSelectedBand(int key, int steps)
{
    CFilter& band = *m_pSelBand;
    const int by = Direction(key) * steps;
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        return band.PlaceCentre(StepGridHz(band.CurrentFreq(), by), band.GainDb());
    case Qt::Key_Up:
    case Qt::Key_Down:
        return band.PlaceCentre(band.CurrentFreq(), GainCodeToDb(band.GainCode() + by));
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return band.GetType() == FILTER_PEAK &&
               band.SetWidthOctaves(BwCodeToOctaves(OctavesToBwCode(band.BandwidthOct()) + by));
    default:
        return band.PlaceCentre(band.CurrentFreq(), 0.0);
    }
}

// The change goes to the unit at once; the burst's timer starts again.
void CEqualizerGraph::OnKeyEdit()
{
    Redraw();
    m_keyBurstOpen = true;
    m_keyBurst.start(kKeyBurstMs, this);
    ReportChange();
}

void CEqualizerGraph::DrawFocusFrame(QPainter& painter) const
{
    painter.setPen(QPen(kFocusFrameColour, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(kFocusFrameInset, kFocusFrameInset, -kFocusFrameInset - 1, -kFocusFrameInset - 1));
}

void CEqualizerGraph::ShowKeysHelp()
{
    setToolTip(KeysHelp());
}
