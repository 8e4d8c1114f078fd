// "Name this unit…": the name of the user's own the connected unit is shown
// and chosen by ("Hall", "Bar"). A name another unit already has is refused
// while it is typed: --device and the USB menu could no longer tell the two apart.
#pragma once

#include <QDialog>
#include <QString>

#include <string>

class QDialogButtonBox;
class QLabel;
class QLineEdit;

class CUnitNameDialog : public QDialog {
    Q_OBJECT
public:
    // unitKey: the unit's serial number, or its path when it has none.
    CUnitNameDialog(const std::string& unitKey, QWidget* parent = nullptr);

    // The name typed, without blanks around it; empty forgets the unit's name.
    QString Name() const;
    // Why the name typed cannot be taken, in the interface language; empty when it can.
    QString Refusal() const;
    QLineEdit* NameEdit() const { return m_edit; }
    QDialogButtonBox* Buttons() const { return m_buttons; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void CheckName();
    void ApplyLanguage();

    const std::string m_key;
    QLabel* m_prompt;
    QLineEdit* m_edit;
    QLabel* m_refusal;
    QDialogButtonBox* m_buttons;
};
