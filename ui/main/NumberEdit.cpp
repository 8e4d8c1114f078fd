#include "ui/main/NumberEdit.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QRegularExpression>

namespace {

struct EditShortcut {
    QKeyCombination keys;
    void (*action)(CNumberEdit& edit);
    bool changesText;
};

// Bound here rather than through the platform's key scheme, which may lack Ctrl+Y or Ctrl+Shift+Z.
const EditShortcut kEditShortcuts[] = {
    {Qt::CTRL | Qt::Key_A, [](CNumberEdit& edit) { edit.selectAll(); }, false},
    {Qt::CTRL | Qt::Key_C, [](CNumberEdit& edit) { edit.copy(); }, false},
    {Qt::CTRL | Qt::Key_X, [](CNumberEdit& edit) { edit.cut(); }, true},
    {Qt::CTRL | Qt::Key_Z, [](CNumberEdit& edit) { edit.undo(); }, true},
    {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, [](CNumberEdit& edit) { edit.redo(); }, true},
    {Qt::CTRL | Qt::Key_Y, [](CNumberEdit& edit) { edit.redo(); }, true},
    {Qt::CTRL | Qt::Key_V, [](CNumberEdit& edit) { edit.PasteNumber(); }, true},
};

const EditShortcut* FindEditShortcut(const QKeyEvent* key)
{
    const QKeyCombination pressed(key->modifiers(), Qt::Key(key->key()));
    for (const EditShortcut& shortcut : kEditShortcuts)
        if (shortcut.keys == pressed)
            return &shortcut;
    return nullptr;
}

QString ClipboardText(QClipboard::Mode mode = QClipboard::Clipboard)
{
    return QGuiApplication::clipboard()->text(mode);
}

// The standard context menu's Paste is the entry wired to QLineEdit::paste: by name in
// older Qt, by member pointer in newer.
bool UnwirePaste(QAction* action, QLineEdit* edit)
{
    const bool byName = QObject::disconnect(action, SIGNAL(triggered()), edit, SLOT(paste()));
    const bool byPointer = QObject::disconnect(action, &QAction::triggered, edit, &QLineEdit::paste);
    return byName || byPointer;
}

}  // namespace

bool IsNumberText(const QString& text)
{
    static const QRegularExpression number(
        QRegularExpression::anchoredPattern(QStringLiteral("-?([0-9]+\\.?[0-9]*|\\.[0-9]+)")));
    return number.match(text).hasMatch();
}

CNumberEdit::CNumberEdit(QWidget* parent) : QLineEdit(parent) {}

bool CNumberEdit::IsEditShortcut(const QKeyEvent* key)
{
    return FindEditShortcut(key) != nullptr;
}

void CNumberEdit::PasteNumber()
{
    if (!isReadOnly() && IsNumberText(ClipboardText()))
        paste();
}

bool CNumberEdit::event(QEvent* event)
{
    // Claiming the keys here keeps a window shortcut on the same keys from taking them.
    if (event->type() == QEvent::ShortcutOverride) {
        const EditShortcut* shortcut = FindEditShortcut(static_cast<QKeyEvent*>(event));
        if (shortcut && (!shortcut->changesText || !isReadOnly())) {
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void CNumberEdit::keyPressEvent(QKeyEvent* event)
{
    if (const EditShortcut* shortcut = FindEditShortcut(event)) {
        if (!shortcut->changesText || !isReadOnly())
            shortcut->action(*this);
        event->accept();
    } else if (event->matches(QKeySequence::Paste)) {
        PasteNumber();
        event->accept();
    } else {
        QLineEdit::keyPressEvent(event);
    }
}

void CNumberEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    for (QAction* action : menu->actions()) {
        if (UnwirePaste(action, this)) {
            action->setEnabled(IsNumberText(ClipboardText()));
            connect(action, &QAction::triggered, this, &CNumberEdit::PasteNumber);
        }
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void CNumberEdit::mouseReleaseEvent(QMouseEvent* event)
{
    // Where the platform has a selection clipboard, a middle click pastes it.
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection() &&
        !IsNumberText(ClipboardText(QClipboard::Selection))) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}
