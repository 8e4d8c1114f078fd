#include "ui/controls/GainFader.h"

#include "ui/controls/AccessibleControls.h"
#include "ui/controls/ResourceImage.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace {

// Turns every pixel of the key colour fully transparent; the rest of the image stays as it is.
void MakeKeyTransparent(QImage& image, QRgb key)
{
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::replace(line, line + image.width(), key, QRgb(0));
    }
}

// The key colour, or nothing transparent when the key pixel lies outside the image.
bool FindKeyColour(const QImage& image, std::uint32_t colour, int pixelX, int pixelY, QRgb* key)
{
    if (colour != CGainFader::kColourFromPixel) {
        *key = qRgb(qRed(colour), qGreen(colour), qBlue(colour));
        return true;
    }
    const qreal ratio = image.devicePixelRatio();
    const QPoint pixel(qRound(pixelX * ratio), qRound(pixelY * ratio));
    if (!image.rect().contains(pixel))
        return false;
    *key = image.pixel(pixel);
    return true;
}

QImage KeyImage(int id, bool transparent, std::uint32_t colour, int pixelX, int pixelY)
{
    const QImage loaded = LoadResourceImage(id);
    if (loaded.isNull())
        return {};
    QImage image = loaded.convertToFormat(QImage::Format_ARGB32);
    QRgb key = 0;
    if (transparent && FindKeyColour(image, colour, pixelX, pixelY, &key))
        MakeKeyTransparent(image, key);
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(loaded.devicePixelRatio());
    return image;
}

// Both faders show the same images, keyed alike: each is keyed once and shared.
QImage LoadKeyedImage(int id, bool transparent, std::uint32_t colour, int pixelX, int pixelY)
{
    static std::map<std::tuple<int, bool, std::uint32_t, int, int, qreal>, QImage> keyed;
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    auto [found, added] = keyed.try_emplace({id, transparent, colour, pixelX, pixelY, ratio});
    if (added)
        found->second = KeyImage(id, transparent, colour, pixelX, pixelY);
    return found->second;
}

// Loads an image and, unless activeId is 0, its active variant; false when either fails.
bool LoadKeyedPair(int imageId, int activeId, bool transparent, std::uint32_t colour, int pixelX, int pixelY,
                   QImage& image, QImage& active)
{
    image = LoadKeyedImage(imageId, transparent, colour, pixelX, pixelY);
    active = activeId != 0 ? LoadKeyedImage(activeId, transparent, colour, pixelX, pixelY) : QImage();
    return !image.isNull() && (activeId == 0 || !active.isNull());
}

QSize LogicalSize(const QImage& image)
{
    return image.deviceIndependentSize().toSize();
}

}  // namespace

namespace {
constexpr int kPageStep = 20;
}

CGainFader::CGainFader(QWidget* parent) : QAbstractSlider(parent)
{
    InstallControlsAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    setOrientation(Qt::Vertical);
    setRange(0, 100);
    setPageStep(kPageStep);
}

bool CGainFader::SetChannelImages(int imageId, int activeId, bool transparent,
                                     std::uint32_t colour, int pixelX, int pixelY)
{
    if (imageId == 0) {
        m_hasChannel = false;
        m_hasActiveChannel = false;
        m_channel = QImage();
        m_activeChannel = QImage();
        update();
        return true;
    }
    QImage channel;
    QImage active;
    if (!LoadKeyedPair(imageId, activeId, transparent, colour, pixelX, pixelY, channel, active))
        return false;
    m_channel = channel;
    m_activeChannel = active;
    m_hasActiveChannel = !active.isNull();
    m_width = LogicalSize(channel).width();
    m_height = LogicalSize(channel).height();
    resize(m_width, m_height);
    m_rect = rect();
    m_transparentChannel = transparent;
    m_hasChannel = true;
    update();
    return true;
}

bool CGainFader::SetThumbImages(int imageId, int activeId, bool transparent,
                                   std::uint32_t colour, int pixelX, int pixelY)
{
    if (imageId == 0) {
        m_hasThumb = false;
        m_hasActiveThumb = false;
        m_thumb = QImage();
        m_activeThumb = QImage();
        m_savedBackground = QImage();
        m_savedX = -1;
        update();
        return true;
    }
    QImage thumb;
    QImage active;
    if (!LoadKeyedPair(imageId, activeId, transparent, colour, pixelX, pixelY, thumb, active))
        return false;
    m_thumb = thumb;
    m_activeThumb = active;
    m_hasActiveThumb = !active.isNull();
    m_thumbWidth = LogicalSize(thumb).width();
    m_thumbHeight = LogicalSize(thumb).height();
    if (!m_hasChannel) {
        m_rect = rect();
        m_width = width();
        m_height = height();
    }
    m_transparentThumb = transparent;
    m_hasThumb = true;
    update();
    return true;
}

void CGainFader::SetMargins(int left, int top, int right, int bottom)
{
    m_marginLeft = left;
    m_marginTop = top;
    m_marginRight = right;
    m_marginBottom = bottom;
}

void CGainFader::SetVertical(bool vertical)
{
    // Only the vertical fader exists; a request for a horizontal one is ignored.
    if (vertical)
        m_vertical = true;
}

// A new range puts the knob at its top.
void CGainFader::SetRange(int min, int max, bool redraw)
{
    setRange(min, max);
    setValue(min);
    if (redraw)
        update();
}

int CGainFader::PosToPixel(int pos) const
{
    const long long travel = m_height - m_marginTop - m_marginBottom - m_thumbHeight;
    const long long range = maximum() - minimum();
    const long long offset = range == 0 ? 0 : travel * (pos - minimum()) / range;
    return m_marginTop + m_thumbHeight / 2 + static_cast<int>(offset);
}

int CGainFader::PixelToPos(int y) const
{
    const int travel = m_height - m_marginBottom - m_marginTop - m_thumbHeight;
    if (travel <= 0)
        return minimum();
    const double fraction = double(y - m_marginTop - m_thumbHeight / 2) / travel;
    return static_cast<int>(minimum() + fraction * (maximum() - minimum()));
}

int CGainFader::TopEnd() const
{
    return m_marginTop + m_thumbHeight / 2;
}

int CGainFader::BottomEnd() const
{
    return m_height - m_marginBottom - m_thumbHeight / 2;
}

int CGainFader::ConfinePixel(int y) const
{
    return std::max(TopEnd(), std::min(y, BottomEnd()));
}

void CGainFader::OnTimer(int timerId)
{
    if (timerId != kMovingTimerId)
        return;
    if (m_moving) {
        m_moving = false;
        emit faderMoving(value());
    }
}

void CGainFader::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_movingTimer.timerId())
        OnTimer(kMovingTimerId);
    else
        QAbstractSlider::timerEvent(event);
}

void CGainFader::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractSlider::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_buttonDown = true;
    const int y = event->position().toPoint().y();
    const int centre = PosToPixel(value());
    m_grabOffset = std::abs(y - centre) <= m_thumbHeight / 2 ? y - centre : 0;
    const int p = ConfinePixel(y - m_grabOffset);
    if (p != centre) {
        // A press beside the thumb moves it one step towards the pointer; no drag.
        triggerAction(value() > PixelToPos(p) ? SliderSingleStepSub : SliderSingleStepAdd);
        m_buttonDown = false;
        m_moving = true;
    }
    m_movingTimer.start(kMovingPeriodMs, this);
    update();
}

void CGainFader::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_buttonDown)
        return;
    const int p = ConfinePixel(event->position().toPoint().y() - m_grabOffset);
    if (p == TopEnd())
        setValue(minimum());
    if (p != PosToPixel(value())) {
        SetPos(PixelToPos(p));
        m_moving = true;
    }
}

void CGainFader::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractSlider::mouseReleaseEvent(event);
        return;
    }
    update();
    const bool dragged = m_buttonDown;
    m_buttonDown = false;
    m_moving = false;
    m_movingTimer.stop();
    if (dragged)
        emit faderMoved(value());
}

// The keys move the knob as the slider's actions; left and right keep it where it is.
void CGainFader::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_PageUp: triggerAction(SliderPageStepSub); break;
    case Qt::Key_PageDown: triggerAction(SliderPageStepAdd); break;
    case Qt::Key_End: triggerAction(SliderToMaximum); break;
    case Qt::Key_Home: triggerAction(SliderToMinimum); break;
    case Qt::Key_Up: triggerAction(SliderSingleStepSub); break;
    case Qt::Key_Down: triggerAction(SliderSingleStepAdd); break;
    case Qt::Key_Left:
    case Qt::Key_Right: break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    emit faderMoved(value());
}

// One step per whole notch, however the notch arrives in pieces; every wheel event is reported.
void CGainFader::wheelEvent(QWheelEvent* event)
{
    const int accumulated = std::clamp(m_wheelAccum + event->angleDelta().y(), -kWheelNotch, kWheelNotch);
    m_wheelAccum = static_cast<std::int16_t>(accumulated);
    if (m_wheelAccum == -kWheelNotch) {
        triggerAction(SliderSingleStepAdd);
        m_wheelAccum = 0;
    } else if (m_wheelAccum == kWheelNotch) {
        triggerAction(SliderSingleStepSub);
        m_wheelAccum = 0;
    }
    event->accept();
    emit faderMoved(value());
}

void CGainFader::focusInEvent(QFocusEvent* event)
{
    QAbstractSlider::focusInEvent(event);
    update();
}

void CGainFader::focusOutEvent(QFocusEvent* event)
{
    QAbstractSlider::focusOutEvent(event);
    update();
}

CGainFader::Reading CGainFader::ReadingAt(int invertedPos) const
{
    if (m_readingOf)
        return m_readingOf(invertedPos);
    return {static_cast<double>(invertedPos), QString::number(invertedPos)};
}

void CGainFader::MoveToReading(double value)
{
    int nearest = minimum();
    for (int pos = minimum(); pos <= maximum(); ++pos) {
        const double off = std::abs(ReadingAt(maximum() - pos).value - value);
        if (off < std::abs(ReadingAt(maximum() - nearest).value - value))
            nearest = pos;
    }
    SetPos(nearest);
    emit faderMoved(this->value());
}

QSize CGainFader::sizeHint() const
{
    return m_hasChannel ? QSize(m_width, m_height) : QAbstractSlider::sizeHint();
}

QRect CGainFader::DeviceRect(const QRect& logical) const
{
    const qreal ratio = m_buffer.devicePixelRatio();
    return QRect(qRound(logical.x() * ratio), qRound(logical.y() * ratio),
                 qRound(logical.width() * ratio), qRound(logical.height() * ratio));
}

void CGainFader::PrepareBuffer()
{
    const QRect area = m_rect.isValid() ? m_rect : rect();
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(area.size()) * ratio).toSize();
    if (m_buffer.size() == pixels && m_buffer.devicePixelRatio() == ratio)
        return;
    m_buffer = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    m_buffer.setDevicePixelRatio(ratio);
    m_buffer.fill(Qt::transparent);
    m_savedX = -1;
}

void CGainFader::DrawChannel(QPainter& painter)
{
    // Copying keyed pixels leaves them transparent, so the parent shows through there.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const int split = m_hasActiveChannel ? std::clamp(PosToPixel(value()), 0, m_height) : 0;
    if (split > 0) {
        const QRect upper(0, 0, m_width, split);
        painter.drawImage(upper, m_activeChannel,
                          QRectF(upper.topLeft() * m_activeChannel.devicePixelRatio(),
                                 QSizeF(upper.size()) * m_activeChannel.devicePixelRatio()));
    }
    const QRect lower(0, split, m_width, m_height - split);
    painter.drawImage(lower, m_channel,
                      QRectF(QPointF(lower.topLeft()) * m_channel.devicePixelRatio(),
                             QSizeF(lower.size()) * m_channel.devicePixelRatio()));
}

void CGainFader::RestoreThumbBackground(QPainter& painter)
{
    if (m_savedX == -1)
        return;
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(m_savedX, m_savedY), m_savedBackground);
    m_savedX = -1;
}

void CGainFader::DrawThumb(QPainter& painter)
{
    if (!m_hasThumb)
        return;
    const QRect thumbRect(m_marginLeft, PosToPixel(value()) - m_thumbHeight / 2, m_thumbWidth,
                          m_thumbHeight);
    if (!m_hasChannel || m_transparentChannel) {
        m_savedBackground = m_buffer.copy(DeviceRect(thumbRect));
        m_savedBackground.setDevicePixelRatio(m_buffer.devicePixelRatio());
        m_savedX = thumbRect.x();
        m_savedY = thumbRect.y();
    }
    const QImage& thumb = m_buttonDown && m_hasActiveThumb ? m_activeThumb : m_thumb;
    painter.setCompositionMode(m_transparentThumb ? QPainter::CompositionMode_SourceOver
                                                  : QPainter::CompositionMode_Source);
    painter.drawImage(thumbRect.topLeft(), thumb);
}

void CGainFader::paintEvent(QPaintEvent*)
{
    PrepareBuffer();
    {
        QPainter painter(&m_buffer);
        if (!m_transparentChannel) {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.fillRect(QRect(QPoint(0, 0), m_buffer.deviceIndependentSize().toSize()),
                             palette().window());
        }
        if (m_hasChannel)
            DrawChannel(painter);
        RestoreThumbBackground(painter);
        DrawThumb(painter);
    }
    QPainter(this).drawImage(m_rect.isValid() ? m_rect.topLeft() : QPoint(0, 0), m_buffer);
}
