// An up-down control beside its buddy edit box.
#include "screens/TUpDown.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>
#include <algorithm>

#include "screens/TTunerEditBox.h"

namespace vantrel {

namespace {
constexpr int kFirstRepeatMs = 400;
constexpr int kRepeatMs = 60;
constexpr int kWidth = 18;
}  // namespace

TUpDown::TUpDown(QWidget* parent, int id)
    : QWidget(parent), m_id(id), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    setObjectName(QStringLiteral("updown%1").arg(id));
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {m_up, m_down}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRaise(false);
        b->setIconSize(QSize(7, 5));
    }
    connect(m_up, &QToolButton::pressed, this, [this] { press(+1); });
    connect(m_down, &QToolButton::pressed, this, [this] { press(-1); });
    connect(m_up, &QToolButton::released, this, &TUpDown::release);
    connect(m_down, &QToolButton::released, this, &TUpDown::release);
    connect(&m_repeat, &QTimer::timeout, this, [this] {
        m_repeat.setInterval(kRepeatMs);
        step(m_repeatDelta);
    });
}

void TUpDown::attachTo(QLineEdit* buddy) {
    m_buddy = buddy;
    const QRect r = buddy->geometry();
    buddy->setGeometry(r.x(), r.y(), r.width() - kWidth, r.height());
    setGeometry(r.right() + 1 - kWidth, r.y(), kWidth, r.height());
}

void TUpDown::setRange(int minimum, int maximum) {
    m_minimum = minimum;
    m_maximum = maximum;
}

int TUpDown::position() const {
    const int value = m_buddy ? TTunerEditBox::leadingValue(m_buddy->text(), TTunerEditBox::kReadLength) : 0;
    return std::clamp(value, m_minimum, m_maximum);
}

void TUpDown::setPosition(int value) {
    if (m_buddy)
        m_buddy->setText(QString::number(std::clamp(value, m_minimum, m_maximum)));
}

void TUpDown::step(int delta) {
    setPosition(position() + delta);
}

void TUpDown::press(int delta) {
    m_repeatDelta = delta;
    step(delta);
    m_repeat.start(kFirstRepeatMs);
}

void TUpDown::release() {
    m_repeat.stop();
    emit endScroll();
}

void TUpDown::letGo() {
    for (QToolButton* arrow : {m_up, m_down}) {
        if (!arrow->isDown())
            continue;
        const QPointF at = arrow->rect().center();
        QMouseEvent release(QEvent::MouseButtonRelease, at, arrow->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(arrow, &release);
    }
    m_repeat.stop();
}

void TUpDown::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}

void TUpDown::changeEvent(QEvent* event) {
    // A control disabled in the middle of a press must not keep stepping.
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        m_repeat.stop();
    QWidget::changeEvent(event);
}

}  // namespace vantrel
