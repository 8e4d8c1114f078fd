#include "ui/controls/SpinButton.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

#include <algorithm>

namespace {

QToolButton* MakeArrowButton(QWidget* parent, Qt::ArrowType arrow)
{
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setAutoRepeatDelay(CSpinButton::kRepeatDelayMs);
    button->setAutoRepeatInterval(CSpinButton::kRepeatIntervalMs);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

}  // namespace

CSpinButton::CSpinButton(QWidget* parent)
    : QWidget(parent),
      m_up(MakeArrowButton(this, Qt::UpArrow)),
      m_down(MakeArrowButton(this, Qt::DownArrow))
{
    connect(m_up, &QToolButton::clicked, this, [this] { emit stepped(+1); });
    connect(m_down, &QToolButton::clicked, this, [this] { emit stepped(-1); });
    resize(kWidth, 20);
    LayOutButtons();
}

void CSpinButton::SetBuddy(QLineEdit* edit)
{
    if (m_buddy)
        m_buddy->removeEventFilter(this);
    m_buddy = edit;
    if (!edit)
        return;
    edit->installEventFilter(this);
    edit->resize(std::max(0, edit->width() - kWidth), edit->height());
    AlignToBuddy();
}

void CSpinButton::AlignToBuddy()
{
    if (!m_buddy)
        return;
    if (parentWidget() != m_buddy->parentWidget())
        setParent(m_buddy->parentWidget());
    setGeometry(m_buddy->x() + m_buddy->width(), m_buddy->y(), kWidth, m_buddy->height());
    setVisible(!m_buddy->isHidden());
    raise();
}

void CSpinButton::LayOutButtons()
{
    const int upperHeight = height() / 2;
    m_up->setGeometry(0, 0, width(), upperHeight);
    m_down->setGeometry(0, upperHeight, width(), height() - upperHeight);
}

void CSpinButton::resizeEvent(QResizeEvent*)
{
    LayOutButtons();
}

bool CSpinButton::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_buddy)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            emit stepped(key == Qt::Key_Up ? +1 : -1);
            return true;
        }
        break;
    }
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        AlignToBuddy();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
