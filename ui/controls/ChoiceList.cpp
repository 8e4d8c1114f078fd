#include "ui/controls/ChoiceList.h"

#include "ui/controls/AccessibleControls.h"

CChoiceList::CChoiceList(QWidget* parent) : QComboBox(parent)
{
    InstallControlsAccessibility();
}
