// Messages that controls post to their parent window, carried as one Qt event
// class whose type is the message number.
#pragma once

#include "protocol/ParameterImage.h"

#include <QEvent>
#include <QObject>

constexpr int WM_GRAPH_BAND_CHANGED = kWmUser + 100;   // wParam band, lParam channel
constexpr int WM_GRAPH_DRAG_DONE = kWmUser + 101;      // a drag ended: wParam band, lParam channel
constexpr int WM_FADER_MOVING = kWmUser + 9425;        // wParam fader id, lParam position
constexpr int WM_FADER_MOVED = kWmUser + 9426;         // wParam fader id, lParam position

class CWindowMessage : public QEvent {
public:
    CWindowMessage(int message, qintptr wParam, qintptr lParam)
        : QEvent(static_cast<QEvent::Type>(message)), m_wParam(wParam), m_lParam(lParam)
    {
    }
    ~CWindowMessage() override;

    int Message() const { return static_cast<int>(type()); }
    qintptr WParam() const { return m_wParam; }
    qintptr LParam() const { return m_lParam; }

private:
    qintptr m_wParam;
    qintptr m_lParam;
};

// Posts (never sends) a message to target; safe from any thread.
void PostWindowMessage(QObject* target, int message, qintptr wParam, qintptr lParam);

// The type of an event a window receives: the first read of an event that may
// have been posted from another thread.
int ReceivedEventType(QEvent* event);
