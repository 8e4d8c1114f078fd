// A drop-down list of the window: a QComboBox that a screen reader calls by its name (the label
// beside it), reading the entry it shows as its value. Qt's own combo box is called by the entry
// it shows on Linux, which leaves "Rate" or "Panel Lock" unsaid.
#pragma once

#include <QComboBox>

class CChoiceList : public QComboBox {
    Q_OBJECT
public:
    explicit CChoiceList(QWidget* parent = nullptr);
};
