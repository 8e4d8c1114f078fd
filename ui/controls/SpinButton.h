// An up-down button pair attached to an edit (its buddy): it sits at the edit's right edge,
// and the up arrow or the Up key in the edit raise by one, the down arrow or Down key lower.
// Held buttons repeat. The owner decides what a step means.
#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

class QToolButton;

class CSpinButton : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 16;
    static constexpr int kRepeatDelayMs = 400;
    static constexpr int kRepeatIntervalMs = 60;

    explicit CSpinButton(QWidget* parent = nullptr);

    // Narrows the edit by the spin's width and places the spin in the freed space.
    void SetBuddy(QLineEdit* edit);
    QLineEdit* Buddy() const { return qobject_cast<QLineEdit*>(m_buddy.data()); }

    QToolButton* UpButton() const { return m_up; }
    QToolButton* DownButton() const { return m_down; }

signals:
    void stepped(int delta);   // +1 up, -1 down

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void AlignToBuddy();
    void LayOutButtons();

    QToolButton* m_up;
    QToolButton* m_down;
    // Held as a QWidget: the filter still sees events while the edit is being destroyed.
    QPointer<QWidget> m_buddy;
};
