// The pointer moved and its button pressed and released through the X server (XTest), as a
// user's mouse does: the program under measure gets the events the way it gets a user's.
#pragma once

#include <QPoint>

struct _XDisplay;

class CXTestPointer {
public:
    CXTestPointer();
    ~CXTestPointer();
    CXTestPointer(const CXTestPointer&) = delete;
    CXTestPointer& operator=(const CXTestPointer&) = delete;

    // False without an X server or its XTest extension.
    bool IsAvailable() const { return m_display != nullptr; }
    // Each sends its event to the X server at once.
    void MoveTo(QPoint global);
    void Press();
    void Release();

private:
    _XDisplay* m_display = nullptr;
};
