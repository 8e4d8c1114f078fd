// The preset name entry: one edit that takes at most 15 bytes of GBK text.
#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

constexpr int IDC_PRESET_NAME = 1028;

class CPresetNameDialog : public QDialog {
    Q_OBJECT

public:
    CPresetNameDialog(QWidget* parent, const QString& name);

    // The name given, or the edit's text once the user confirmed with OK.
    const QString& Name() const { return m_strName; }

private:
    void OnInitDialog();
    void OnOK();

    QString m_strName;
    QLineEdit* m_pEdit;
};
