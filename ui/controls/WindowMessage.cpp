#include "ui/controls/WindowMessage.h"

#include <QCoreApplication>

#ifdef QUENDA_TSAN
#include <sanitizer/tsan_interface.h>
#endif

namespace {

// Qt's event queue orders a post before its delivery with locks ThreadSanitizer
// cannot see, Qt not being built with it: a posted message says so itself,
// handed over once built, taken over before it is read or freed.
void HandOver([[maybe_unused]] QEvent* event)
{
#ifdef QUENDA_TSAN
    __tsan_release(event);
#endif
}

void TakeOver([[maybe_unused]] QEvent* event)
{
#ifdef QUENDA_TSAN
    __tsan_acquire(event);
#endif
}

}  // namespace

CWindowMessage::~CWindowMessage()
{
    TakeOver(this);
}

void PostWindowMessage(QObject* target, int message, qintptr wParam, qintptr lParam)
{
    auto* event = new CWindowMessage(message, wParam, lParam);
    HandOver(event);
    QCoreApplication::postEvent(target, event);
}

int ReceivedEventType(QEvent* event)
{
    TakeOver(event);
    return static_cast<int>(event->type());
}
