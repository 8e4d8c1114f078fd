#include "ui/common/Accessibility.h"

#include <algorithm>
#include <vector>

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

void InstallAccessibleFactory(QAccessible::InterfaceFactory factory)
{
    static std::vector<QAccessible::InterfaceFactory> installed;
    if (std::find(installed.begin(), installed.end(), factory) != installed.end())
        return;
    installed.push_back(factory);
    QAccessible::installFactory(factory);
}
