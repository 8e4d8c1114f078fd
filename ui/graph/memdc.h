// Off-screen drawing buffer: callers draw in the target's own coordinates, and the
// finished drawing reaches the target in one copy, so the target never shows a half-drawn state.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>

class CMemDC {
public:
    // A buffer over rect of target (logical coordinates; an empty rect means the whole
    // target), starting from the target's pixels under rect when copyTarget is set,
    // otherwise filled with background.
    CMemDC(QImage& target, const QRect& rect, bool copyTarget, const QColor& background = Qt::black);
    ~CMemDC();
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    QPainter& Painter() { return m_painter; }
    QPainter* operator->() { return &m_painter; }
    const QRect& Rect() const { return m_rect; }

    // Copies the buffer back to the target at the rectangle; later calls do nothing.
    void Flush();

private:
    QImage m_bitmap;
    QImage* m_pTarget;
    QRect m_rect;
    QPainter m_painter;
    bool m_bMemDC;   // the buffer still has to reach the target
};
