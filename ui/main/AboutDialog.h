// The about box, opened from the main window's context menu: the program's
// name and version in the window's language.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class CAboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDialog(QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void ApplyLanguage();

    QLabel* m_name = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_ok = nullptr;
};

// The menu entry that opens the about box: "&About Quenda...", "关于 Quenda(&A)...".
QString AboutMenuText();
