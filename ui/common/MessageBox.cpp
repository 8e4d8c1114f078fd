#include "ui/common/MessageBox.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

namespace {

MessageBoxHook& Hook()
{
    static MessageBoxHook hook;
    return hook;
}

}  // namespace

void ShowMessageBox(QWidget* parent, const QString& text, const QString& caption)
{
    if (Hook()) {
        Hook()(text, caption);
        return;
    }
    QMessageBox::warning(parent, caption, text, QMessageBox::Ok);
}

QPointer<QMessageBox> OpenMessageBox(QWidget* parent, const QString& text, const QString& caption)
{
    if (Hook()) {
        Hook()(text, caption);
        return nullptr;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, caption, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return box;
}

void SetMessageBoxHook(MessageBoxHook hook)
{
    Hook() = std::move(hook);
}

QString ApplicationName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}
