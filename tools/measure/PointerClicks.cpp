#include "PointerClicks.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {
constexpr unsigned kLeftButton = 1;
}

CXTestPointer::CXTestPointer() : m_display(XOpenDisplay(nullptr))
{
    int event = 0, error = 0, major = 0, minor = 0;
    if (m_display && !XTestQueryExtension(m_display, &event, &error, &major, &minor)) {
        XCloseDisplay(m_display);
        m_display = nullptr;
    }
}

CXTestPointer::~CXTestPointer()
{
    if (m_display)
        XCloseDisplay(m_display);
}

void CXTestPointer::MoveTo(QPoint global)
{
    XTestFakeMotionEvent(m_display, -1, global.x(), global.y(), CurrentTime);
    XFlush(m_display);
}

void CXTestPointer::Press()
{
    XTestFakeButtonEvent(m_display, kLeftButton, True, CurrentTime);
    XFlush(m_display);
}

void CXTestPointer::Release()
{
    XTestFakeButtonEvent(m_display, kLeftButton, False, CurrentTime);
    XFlush(m_display);
}
