// Every accessibility event the program raises itself goes through TellAccessibility, so that
// tests can read what a screen reader would be told: the offscreen platform has no bridge to one.
#pragma once

#include <QAccessible>

#include <functional>

using AccessibilityHook = std::function<void(const QAccessibleEvent& event)>;

// Hands the event to the platform's assistive technology, and to the hook if one is set.
void TellAccessibility(QAccessibleEvent& event);

// Installs a hook that hears every event told; an empty hook removes it.
void SetAccessibilityHook(AccessibilityHook hook);

// Registers a factory of accessible interfaces with Qt, once however often it is called.
void InstallAccessibleFactory(QAccessible::InterfaceFactory factory);
