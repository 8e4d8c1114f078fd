// Helpers shared by the controls' widget tests.
#pragma once

#include "ui/controls/GainFader.h"

#include <QCoreApplication>
#include <QImage>
#include <QObject>

#include <vector>

enum class FaderSignal { Moving, Moved };

struct ReceivedMessage {
    FaderSignal signal;
    int position;
    bool operator==(const ReceivedMessage&) const = default;
};

// Stands in for the window: records every signal of the fader it listens to.
class CMessageRecorder {
public:
    void Listen(CGainFader& fader)
    {
        QObject::connect(&fader, &CGainFader::faderMoving, &m_context,
                         [this](int position) { m_received.push_back({FaderSignal::Moving, position}); });
        QObject::connect(&fader, &CGainFader::faderMoved, &m_context,
                         [this](int position) { m_received.push_back({FaderSignal::Moved, position}); });
    }

    std::vector<ReceivedMessage> Take()
    {
        std::vector<ReceivedMessage> taken;
        taken.swap(m_received);
        return taken;
    }

private:
    QObject m_context;
    std::vector<ReceivedMessage> m_received;
};

// The light-blue "down"/"on" faces have far more blue than red; the white faces do not.
inline bool IsBlueFace(const QImage& image, QPoint at)
{
    const QRgb pixel = image.pixel(at);
    return qBlue(pixel) - qRed(pixel) > 30;
}

inline bool IsWhiteFace(const QImage& image, QPoint at)
{
    const QRgb pixel = image.pixel(at);
    return qRed(pixel) > 0xD8 && qBlue(pixel) - qRed(pixel) < 12;
}
