// Every message box of the program goes through ShowMessageBox, so that tests
// can replace the modal box by a hook and read what would have been shown.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>

#include <functional>

class QWidget;

using MessageBoxHook = std::function<void(const QString& text, const QString& caption)>;

// Shows a modal box with an OK button, or hands text and caption to the hook if one is set.
void ShowMessageBox(QWidget* parent, const QString& text, const QString& caption);

// Shows a warning box that does not block, which the program may close again;
// with a hook set, the hook gets text and caption instead and nothing is shown.
QPointer<QMessageBox> OpenMessageBox(QWidget* parent, const QString& text, const QString& caption);

// Installs a hook that replaces the modal box; an empty hook restores the box.
void SetMessageBoxHook(MessageBoxHook hook);

// The caption of the range message: the base name of the program's executable.
QString ApplicationName();
