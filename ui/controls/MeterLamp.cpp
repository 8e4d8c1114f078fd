#include "ui/controls/MeterLamp.h"

#include "ui/common/Accessibility.h"
#include "ui/controls/AccessibleControls.h"
#include "ui/controls/ResourceImage.h"

#include <QAccessible>
#include <QPainter>

namespace {
constexpr QSize kDefaultLampSize(21, 13);
}

CMeterLamp::CMeterLamp(QWidget* parent) : QAbstractButton(parent)
{
    InstallControlsAccessibility();
    setFocusPolicy(Qt::NoFocus);
}

void CMeterLamp::SetLampImages(int litId, int darkId)
{
    m_idLit = litId;
    m_idDark = darkId;
    m_decoded = {};
    FitAndRedraw();
}

// The meters set every lamp on every tick: only a change is worth a repaint.
void CMeterLamp::SetLit(bool lit)
{
    if (lit == m_bLit)
        return;
    m_bLit = lit;
    FitAndRedraw();
    QAccessibleValueChangeEvent event(this, SpokenState());
    TellAccessibility(event);
}

QString CMeterLamp::SpokenState() const
{
    return m_bLit ? tr("lit") : tr("dark");
}

QSize CMeterLamp::sizeHint() const
{
    const QImage& image = CurrentImage();
    return image.isNull() ? kDefaultLampSize : image.deviceIndependentSize().toSize();
}

const QImage& CMeterLamp::CurrentImage() const
{
    const int state = m_bLit ? 1 : 0;
    if (!m_decoded[state]) {
        m_faces[state] = LoadResourceImage(m_bLit ? m_idLit : m_idDark);
        m_decoded[state] = true;
    }
    return m_faces[state];
}

void CMeterLamp::FitAndRedraw()
{
    const QImage& image = CurrentImage();
    if (!image.isNull())
        resize(image.deviceIndependentSize().toSize());
    update();
}

void CMeterLamp::paintEvent(QPaintEvent*)
{
    const QImage& image = CurrentImage();
    if (image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), image);
}
