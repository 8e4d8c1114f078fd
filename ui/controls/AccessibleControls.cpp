#include "ui/controls/AccessibleControls.h"

#include "ui/common/Accessibility.h"
#include "ui/controls/GainFader.h"
#include "ui/controls/MeterLamp.h"
#include "ui/controls/SkinnedButton.h"

#include <QAccessibleWidget>

namespace {

class CAccessibleSkinnedButton : public QAccessibleWidget {
public:
    explicit CAccessibleSkinnedButton(CSkinnedButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? Button()->SpokenState() : QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = Button()->isCheckable();
        s.checked = Button()->isChecked();
        s.pressed = Button()->isDown();
        return s;
    }

    QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }

    void doAction(const QString& actionName) override
    {
        if (actionName != pressAction())
            QAccessibleWidget::doAction(actionName);
        else if (Button()->isEnabled())
            Button()->click();
    }

private:
    CSkinnedButton* Button() const { return static_cast<CSkinnedButton*>(widget()); }
};

// The fader's values are its readings (dB for the gain), top of the scale the maximum.
class CAccessibleFader : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit CAccessibleFader(CGainFader* fader) : QAccessibleWidget(fader, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? Current().text : QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return Current().value; }
    void setCurrentValue(const QVariant& value) override { Fader()->MoveToReading(value.toDouble()); }
    QVariant maximumValue() const override { return Fader()->ReadingAt(Fader()->maximum() - Fader()->minimum()).value; }
    QVariant minimumValue() const override { return Fader()->ReadingAt(0).value; }
    QVariant minimumStepSize() const override { return Fader()->ReadingAt(1).value - Fader()->ReadingAt(0).value; }

private:
    CGainFader* Fader() const { return static_cast<CGainFader*>(widget()); }
    CGainFader::Reading Current() const { return Fader()->ReadingAt(Fader()->GetInvertedPos()); }
};

class CAccessibleLamp : public QAccessibleWidget {
public:
    explicit CAccessibleLamp(CMeterLamp* lamp) : QAccessibleWidget(lamp, QAccessible::Indicator) {}

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? static_cast<CMeterLamp*>(widget())->SpokenState() : QAccessibleWidget::text(t);
    }
};

template <class Control>
bool Is(const QString& className)
{
    return className == QLatin1String(Control::staticMetaObject.className());
}

QAccessibleInterface* ControlInterface(const QString& className, QObject* object)
{
    if (object == nullptr)
        return nullptr;
    if (Is<CSkinnedButton>(className))
        return new CAccessibleSkinnedButton(static_cast<CSkinnedButton*>(object));
    if (Is<CGainFader>(className))
        return new CAccessibleFader(static_cast<CGainFader*>(object));
    if (Is<CMeterLamp>(className))
        return new CAccessibleLamp(static_cast<CMeterLamp*>(object));
    return nullptr;
}

}  // namespace

void InstallControlsAccessibility()
{
    InstallAccessibleFactory(&ControlInterface);
}
