// A push button drawn entirely from bitmaps: normal, down, over and disabled faces,
// and the program's pointing-hand cursor. A face is decoded when it is first drawn, so a
// button never pressed, or never shown, decodes no more than it needs.
#pragma once

#include <QAbstractButton>
#include <QCursor>
#include <QImage>
#include <QString>

#include <array>

class CSkinnedButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int kHandCursorId = 134;
    static constexpr int kHandHotX = 5;
    static constexpr int kHandHotY = 0;

    explicit CSkinnedButton(QWidget* parent = nullptr);

    // Ids of 0 leave that face empty; the normal face also serves as the disabled face.
    void SetImages(int normalId, int downId = 0, int overId = 0);
    // A switch shows its state in one face for all three, and says it to a screen reader.
    void ShowSwitch(int imageId, bool on);

    bool IsOver() const { return m_bOver; }
    bool IsPressed() const { return m_bPressed; }
    bool HasHandCursor() const { return m_hasHandCursor; }
    // A switch (a checkable button) says "on" or "off" to a screen reader; a push button nothing.
    QString SpokenState() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // A switch shows the state the window sets: a click does not flip it.
    void nextCheckState() override {}

private:
    enum Face { kNormal, kDown, kOver };
    const QImage& FaceImage(Face face) const;
    const QImage& FaceToDraw() const;

    QCursor m_hHandCursor;
    bool m_hasHandCursor = false;
    bool m_bOver = false;
    bool m_bPressed = false;
    std::array<int, 3> m_imageIds{};   // normal, down, over; 0 = none yet
    mutable std::array<QImage, 3> m_faces;          // as decoded
    mutable std::array<bool, 3> m_decoded{};
};
