// The gain fader: a vertical slider drawn from bitmaps, a scale (the channel)
// and a knob (the thumb), both optionally transparent by a colour key. Its value
// is the position, growing downwards from the minimum at the top; a drag is
// reported while it moves (paced) and when it ends, a key or wheel step at once.
#pragma once

#include <QAbstractSlider>
#include <QBasicTimer>
#include <QImage>
#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>

class CGainFader : public QAbstractSlider {
    Q_OBJECT
public:
    // As a transparent colour: take the key from the image's pixel at (pixel x, pixel y).
    static constexpr std::uint32_t kColourFromPixel = 0xFF000000u;
    static constexpr int kMovingTimerId = 5;
    static constexpr int kMovingPeriodMs = 50;
    static constexpr int kWheelNotch = 120;

    explicit CGainFader(QWidget* parent = nullptr);

    // colour is 0xRRGGBB or kColourFromPixel. Image id 0 removes the image.
    bool SetChannelImages(int imageId, int activeId, bool transparent, std::uint32_t colour,
                          int pixelX, int pixelY);
    bool SetThumbImages(int imageId, int activeId, bool transparent, std::uint32_t colour,
                        int pixelX, int pixelY);
    void SetMargins(int left, int top, int right, int bottom);
    void SetVertical(bool vertical);
    void SetRange(int min, int max, bool redraw);

    // The position, kept within the range; the inverted one counts up from the bottom.
    void SetPos(int pos) { setValue(pos); }
    int GetPos() const { return value(); }
    void SetInvertedPos(int value) { setValue(maximum() - value); }
    int GetInvertedPos() const { return maximum() - value(); }

    // What an inverted position means to the user, for assistive technology: the gain in dB
    // and its text, say. Without a reading the position is its own value.
    struct Reading {
        double value = 0.0;
        QString text;
    };
    using ReadingOf = std::function<Reading(int invertedPos)>;
    void SetReadingOf(ReadingOf readingOf) { m_readingOf = std::move(readingOf); }
    Reading ReadingAt(int invertedPos) const;
    // Moves the knob to the position whose reading is nearest value, and reports it as a key does.
    void MoveToReading(double value);

    // y of the thumb's centre for a position, and back.
    int PosToPixel(int pos) const;
    int PixelToPos(int y) const;

    bool IsDragging() const { return m_buttonDown; }
    bool IsMovingTimerActive() const { return m_movingTimer.isActive(); }
    bool IsVertical() const { return m_vertical; }
    QPoint SavedThumbCorner() const { return {m_savedX, m_savedY}; }

    // The timer handler; only the pacing timer (kMovingTimerId) does anything.
    void OnTimer(int timerId);

    QSize sizeHint() const override;

signals:
    // The knob moved during a drag (at most once per pacing period), and an
    // action ended: a drag released, a key or a wheel step.
    void faderMoving(int position);
    void faderMoved(int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int TopEnd() const;
    int BottomEnd() const;
    int ConfinePixel(int y) const;
    void PrepareBuffer();
    void DrawChannel(QPainter& painter);
    void RestoreThumbBackground(QPainter& painter);
    void DrawThumb(QPainter& painter);
    QRect DeviceRect(const QRect& logical) const;

    QRect m_rect;
    int m_width = 0;
    int m_height = 0;
    int m_thumbWidth = 0;
    int m_thumbHeight = 0;
    int m_marginLeft = 0;
    int m_marginRight = 0;
    int m_marginTop = 0;
    int m_marginBottom = 0;
    int m_savedX = -1;
    int m_savedY = -1;
    int m_grabOffset = 0;
    bool m_moving = false;
    bool m_vertical = true;
    bool m_hasActiveChannel = false;
    bool m_hasActiveThumb = false;
    bool m_transparentChannel = false;
    bool m_transparentThumb = false;
    bool m_hasThumb = false;
    bool m_hasChannel = false;
    bool m_buttonDown = false;
    // Keyed images: pixels of the transparent colour are fully transparent.
    QImage m_channel;
    QImage m_activeChannel;
    QImage m_thumb;
    QImage m_activeThumb;
    QImage m_savedBackground;
    std::int16_t m_wheelAccum = 0;

    // The control's last drawn pixels: each paint starts from them, as the window's own pixels.
    QImage m_buffer;
    QBasicTimer m_movingTimer;
    ReadingOf m_readingOf;
};
