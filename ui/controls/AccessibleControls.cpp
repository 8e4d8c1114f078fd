#include "ui/controls/AccessibleControls.h"

#include "ui/common/Accessibility.h"
#include "ui/controls/ChoiceList.h"
#include "ui/controls/GainFader.h"
#include "ui/controls/LevelMeter.h"
#include "ui/controls/MeterLamp.h"
#include "ui/controls/SkinnedButton.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>

#include <algorithm>

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

// The meter reads as one level: how many of its level lamps are lit, out of how many. Its
// lamps are not its children to a screen reader, which would otherwise read ten indicators.
class CAccessibleLevelMeter : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit CAccessibleLevelMeter(CLevelMeter* meter) : QAccessibleWidget(meter, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? Meter()->SpokenLevel() : QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        return s;
    }

    QVariant currentValue() const override { return Meter()->LitLevels(); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return std::max(0, Meter()->LampCount() - 1); }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    CLevelMeter* Meter() const { return static_cast<CLevelMeter*>(widget()); }
};

// A combo box whose name is its own and whose value is the entry shown (the number a code
// without an entry shows as, else); its one child is the list it drops down.
class CAccessibleChoiceList : public QAccessibleWidget {
public:
    explicit CAccessibleChoiceList(CChoiceList* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(List()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child != nullptr && child->object() == List()->view() ? 0 : -1;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Value)
            return QAccessibleWidget::text(t);
        return List()->currentIndex() >= 0 ? List()->currentText() : List()->placeholderText();
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = List()->view()->isVisible();
        return s;
    }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString& actionName) override
    {
        if (actionName != showMenuAction() && actionName != pressAction())
            return;
        if (List()->view()->isVisible())
            List()->hidePopup();
        else
            List()->showPopup();
    }

private:
    CChoiceList* List() const { return static_cast<CChoiceList*>(widget()); }
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
    if (Is<CLevelMeter>(className))
        return new CAccessibleLevelMeter(static_cast<CLevelMeter*>(object));
    if (Is<CChoiceList>(className))
        return new CAccessibleChoiceList(static_cast<CChoiceList*>(object));
    return nullptr;
}

}  // namespace

void InstallControlsAccessibility()
{
    InstallAccessibleFactory(&ControlInterface);
}
