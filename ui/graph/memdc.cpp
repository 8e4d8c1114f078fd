#include "ui/graph/memdc.h"

namespace {

QRect LogicalBounds(const QImage& image)
{
    return QRect(QPoint(0, 0), image.deviceIndependentSize().toSize());
}

QRect ToDevicePixels(const QRect& rect, qreal ratio)
{
    return QRect(qRound(rect.x() * ratio), qRound(rect.y() * ratio),
                 qRound(rect.width() * ratio), qRound(rect.height() * ratio));
}

}  // namespace

CMemDC::CMemDC(QImage& target, const QRect& rect, bool copyTarget, const QColor& background)
    : m_pTarget(&target),
      m_rect((rect.isEmpty() ? LogicalBounds(target) : rect) & LogicalBounds(target)),
      m_bMemDC(!m_rect.isEmpty())
{
    if (!m_bMemDC)
        return;
    const qreal ratio = target.devicePixelRatio();
    const QRect device = ToDevicePixels(m_rect, ratio) & target.rect();
    if (copyTarget) {
        m_bitmap = target.copy(device);
    } else {
        m_bitmap = QImage(device.size(), target.format());
        m_bitmap.fill(background);
    }
    m_bitmap.setDevicePixelRatio(ratio);
    m_painter.begin(&m_bitmap);
    m_painter.translate(-m_rect.topLeft());
}

CMemDC::~CMemDC()
{
    Flush();
}

void CMemDC::Flush()
{
    if (!m_bMemDC)
        return;
    m_bMemDC = false;
    m_painter.end();
    QPainter target(m_pTarget);
    target.setCompositionMode(QPainter::CompositionMode_Source);
    target.drawImage(m_rect.topLeft(), m_bitmap);
}
