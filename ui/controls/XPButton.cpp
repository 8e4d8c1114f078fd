#include "ui/controls/XPButton.h"

#include "ui/controls/ResourceImage.h"

#include <QPainter>

namespace {
constexpr QSize kDefaultLampSize(21, 13);
}

CXPButton::CXPButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void CXPButton::SetLampImages(int litId, int darkId)
{
    m_idLit = litId;
    m_idDark = darkId;
    m_imgLit = LoadResourceImage(litId);
    m_imgDark = LoadResourceImage(darkId);
    FitAndRedraw();
}

// The meters set every lamp on every tick: only a change is worth a repaint.
void CXPButton::SetLit(bool lit)
{
    if (lit == m_bLit)
        return;
    m_bLit = lit;
    FitAndRedraw();
}

QSize CXPButton::sizeHint() const
{
    const QImage& image = CurrentImage();
    return image.isNull() ? kDefaultLampSize : image.deviceIndependentSize().toSize();
}

const QImage& CXPButton::CurrentImage() const
{
    return m_bLit ? m_imgLit : m_imgDark;
}

void CXPButton::FitAndRedraw()
{
    const QImage& image = CurrentImage();
    if (!image.isNull())
        resize(image.deviceIndependentSize().toSize());
    repaint();
}

void CXPButton::paintEvent(QPaintEvent*)
{
    const QImage& image = CurrentImage();
    if (image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), image);
}
