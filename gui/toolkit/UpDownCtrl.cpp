#include "gui/toolkit/UpDownCtrl.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

#include "gui/toolkit/GuiText.h"
#include "platform/ResourceIds.h"

UpDownCtrl::UpDownCtrl(QWidget* parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    m_up->setAccessibleName(ResourceQString(res::kStepUpName));
    m_down->setAccessibleName(ResourceQString(res::kStepDownName));
    for (QToolButton* arrow : {m_up, m_down}) {
        arrow->setAutoRepeat(true);
        arrow->setFocusPolicy(Qt::NoFocus);
    }
    setFocusPolicy(Qt::NoFocus);
    connect(m_up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });
}

void UpDownCtrl::SetBuddy(QLineEdit* buddy) {
    m_buddy = buddy;
    // The arrows say which field they step: they sit apart from its label.
    m_up->setAccessibleDescription(
        ResourceQString(res::kStepUpDescription).arg(buddy->accessibleName()));
    m_down->setAccessibleDescription(
        ResourceQString(res::kStepDownDescription).arg(buddy->accessibleName()));
    buddy->installEventFilter(this);
    QRect field = buddy->geometry();
    field.setWidth(std::max(field.width() - width(), 1));
    buddy->setGeometry(field);
    setGeometry(field.right() + 1, field.top(), width(), field.height());
}

void UpDownCtrl::SetRange(int lower, int upper) {
    m_lower = lower;
    m_upper = upper;
}

void UpDownCtrl::Step(int delta) {
    if (!m_buddy) return;
    const int low = std::min(m_lower, m_upper);
    const int high = std::max(m_lower, m_upper);
    const int64_t value = FromWindowText(m_buddy).ToInteger();
    // A number typed beyond the range stays as it is rather than step the wrong way.
    if ((delta > 0 && value > high) || (delta < 0 && value < low)) return;
    m_buddy->setText(QString::number(std::clamp<int64_t>(value + delta, low, high)));
}

bool UpDownCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_buddy && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void UpDownCtrl::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}
