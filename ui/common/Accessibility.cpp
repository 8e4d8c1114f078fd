#include "ui/common/Accessibility.h"

#include <QAccessible>

namespace {

AccessibilityHook& Hook()
{
    static AccessibilityHook hook;
    return hook;
}

}  // namespace

void TellAccessibility(QAccessibleEvent& event)
{
    if (Hook())
        Hook()(event);
    QAccessible::updateAccessibility(&event);
}

void SetAccessibilityHook(AccessibilityHook hook)
{
    Hook() = std::move(hook);
}
