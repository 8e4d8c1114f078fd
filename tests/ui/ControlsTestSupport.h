// Helpers shared by the controls' widget tests.
#pragma once

#include "ui/controls/WindowMessage.h"

#include <QCoreApplication>
#include <QImage>
#include <QObject>

#include <vector>

struct ReceivedMessage {
    int message;
    qintptr wParam;
    qintptr lParam;
    bool operator==(const ReceivedMessage&) const = default;
};

// Stands in for the dialog: records every posted window message it receives.
class CMessageRecorder : public QObject {
public:
    std::vector<ReceivedMessage> Take()
    {
        QCoreApplication::sendPostedEvents(this);
        std::vector<ReceivedMessage> taken;
        taken.swap(m_received);
        return taken;
    }

protected:
    bool event(QEvent* event) override
    {
        if (auto* message = dynamic_cast<CWindowMessage*>(event)) {
            m_received.push_back({message->Message(), message->WParam(), message->LParam()});
            return true;
        }
        return QObject::event(event);
    }

private:
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
