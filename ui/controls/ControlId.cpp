#include "ui/controls/ControlId.h"

#include <QVariant>
#include <QWidget>

namespace {
constexpr char kControlIdProperty[] = "controlId";
}

void SetControlId(QObject* control, int id)
{
    control->setProperty(kControlIdProperty, id);
}

int ControlId(const QObject* control)
{
    const QVariant id = control->property(kControlIdProperty);
    return id.isValid() ? id.toInt() : kNoControlId;
}

QWidget* FindControl(const QWidget* root, int id)
{
    for (QWidget* child : root->findChildren<QWidget*>()) {
        if (ControlId(child) == id)
            return child;
    }
    return nullptr;
}
