#include "ui/controls/SkinnedButton.h"

#include "ui/controls/AccessibleControls.h"
#include "ui/controls/ResourceImage.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr QSize kDefaultFaceSize(60, 30);
}

CSkinnedButton::CSkinnedButton(QWidget* parent) : QAbstractButton(parent)
{
    InstallControlsAccessibility();
    m_hHandCursor = LoadResourceCursor(kHandCursorId, kHandHotX, kHandHotY, &m_hasHandCursor);
    if (m_hasHandCursor)
        setCursor(m_hHandCursor);
    setMouseTracking(true);
}

void CSkinnedButton::SetImages(int normalId, int downId, int overId)
{
    // the window shows a button's state again on every change near it: the same faces cost nothing
    const std::array<int, 3> ids{normalId, downId, overId};
    if (ids == m_imageIds)
        return;
    m_imageIds = ids;
    m_decoded = {};
    update();
}

void CSkinnedButton::ShowSwitch(int imageId, bool on)
{
    SetImages(imageId, imageId, imageId);
    setChecked(on);
}

QString CSkinnedButton::SpokenState() const
{
    if (!isCheckable())
        return QString();
    return isChecked() ? tr("on") : tr("off");
}

QSize CSkinnedButton::sizeHint() const
{
    const QImage& normal = FaceImage(kNormal);
    return normal.isNull() ? kDefaultFaceSize : normal.deviceIndependentSize().toSize();
}

const QImage& CSkinnedButton::FaceImage(Face face) const
{
    if (!m_decoded[face]) {
        m_faces[face] = LoadResourceImage(m_imageIds[face]);
        m_decoded[face] = true;
    }
    return m_faces[face];
}

// The normal face also serves as the disabled one.
const QImage& CSkinnedButton::FaceToDraw() const
{
    if (!isEnabled())
        return FaceImage(kNormal);
    if (isDown())
        return FaceImage(kDown);
    if (m_bOver && !FaceImage(kOver).isNull())
        return FaceImage(kOver);
    return FaceImage(kNormal);
}

void CSkinnedButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QImage& face = FaceToDraw();
    // Where the button is larger than its face, or the face is missing, the button colour shows.
    if (face.isNull() || face.deviceIndependentSize().toSize() != size())
        painter.fillRect(rect(), palette().button());
    if (!face.isNull())
        painter.drawImage(QPoint(0, 0), face);
}

void CSkinnedButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractButton::mousePressEvent(event);
        return;
    }
    // Pressing ends the pointer-over face until the pointer moves again.
    m_bOver = false;
    QAbstractButton::mousePressEvent(event);
    m_bPressed = true;
}

void CSkinnedButton::mouseMoveEvent(QMouseEvent* event)
{
    if (m_bPressed) {
        // The base class shows the button pushed only while the pointer is on it.
        QAbstractButton::mouseMoveEvent(event);
        return;
    }
    if (!m_bOver && rect().contains(event->position().toPoint())) {
        m_bOver = true;
        update();
    }
    event->ignore();
}

// A click is told before the button is drawn released: QAbstractButton draws it at once, a round
// trip to the display server, and only then tells the click, which the unit's frame waited for.
void CSkinnedButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractButton::mouseReleaseEvent(event);
        return;
    }
    m_bPressed = false;
    const bool clicking = isDown() && hitButton(event->position().toPoint());
    if (clicking)
        setDown(false);   // the base class now ends the press and draws nothing at once
    update();
    QAbstractButton::mouseReleaseEvent(event);
    if (!clicking)
        return;
    event->accept();
    emit released();
    emit clicked(isChecked());
}

void CSkinnedButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click is a press like any other: a second click.
    mousePressEvent(event);
}

void CSkinnedButton::leaveEvent(QEvent* event)
{
    m_bOver = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CSkinnedButton::focusOutEvent(QFocusEvent* event)
{
    // Losing the focus ends a press without a click, wherever the button is released.
    if (m_bPressed) {
        m_bPressed = false;
        setDown(false);
        update();
    }
    QAbstractButton::focusOutEvent(event);
}
