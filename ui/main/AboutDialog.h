// The about box, opened from the main window's context menu.
#pragma once

#include <QDialog>

class CAboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDialog(QWidget* parent = nullptr);
};

// The menu entry that opens the about box: "关于 Quenda(&A)...".
QString AboutMenuText();
