// The number edits of the main window. Their editing shortcuts work the same on every
// platform, and a paste, by key, by context menu or by middle click, takes the clipboard
// only when it holds a signed decimal number; anything else leaves the text as it is.
#pragma once

#include <QLineEdit>

class QKeyEvent;

// An optional leading "-", then digits with at most one "." among them.
bool IsNumberText(const QString& text);

class CNumberEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit CNumberEdit(QWidget* parent);

    // Ctrl+A, Ctrl+C, Ctrl+X, Ctrl+Z, Ctrl+Shift+Z, Ctrl+Y and Ctrl+V: the keys the edit
    // acts on itself.
    static bool IsEditShortcut(const QKeyEvent* key);

    // Pastes the clipboard when it holds a number.
    void PasteNumber();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
