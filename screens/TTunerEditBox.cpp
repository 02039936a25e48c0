// The working value box of a tuning screen.
#include "screens/TTunerEditBox.h"

#include <QAbstractSlider>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QRegularExpressionValidator>

#include "operations/UserPrompt.h"
#include "operations/tuningSession.h"

namespace vantrel {

TTunerEditBox::TTunerEditBox(QWidget* parent, UserPrompt& prompt, QAbstractSlider* slider, int maximum,
                             int id, const QString& text, int x, int y, int width, int height, int textLimit)
    : QLineEdit(text, parent), m_prompt(prompt), m_slider(slider), m_id(id), m_maximum(maximum) {
    setGeometry(x, y, width, height);
    setMaxLength(textLimit);
    // Digits only: a decimal point would make the box show "1.5" while 1 goes to the radio.
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    setObjectName(QStringLiteral("working%1").arg(id));
}

int TTunerEditBox::leadingValue(const QString& text, int length) {
    int value = 0;
    const QString head = text.left(length);
    for (QChar c : head) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

std::string TTunerEditBox::outOfRangeText(int value, int minimum, int maximum) {
    return tuningSession::outOfRangeText(value, minimum, maximum);
}

void TTunerEditBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

bool TTunerEditBox::accept() {
    m_lastValue = leadingValue(text(), kReadLength);
    if (m_lastValue < m_minimum || m_lastValue > m_maximum) {
        m_prompt.show(outOfRangeText(m_lastValue, m_minimum, m_maximum), kOutOfRangeCaption,
                      PromptIcon::Exclamation);
        return false;
    }
    setModified(false);
    if (m_slider)
        m_slider->setValue(m_lastValue);
    emit notify(m_id, kAccepted);
    return true;
}

void TTunerEditBox::setCommitOnLeave(bool commit, int radioValue) {
    m_commitOnLeave = commit;
    m_radioValue = radioValue;
}

void TTunerEditBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // The edit's own context menu takes the focus only for a moment, and another window (a message box,
    // above all the one Enter just raised) leaves the box the focus of its own window: neither is the
    // technician leaving the box.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason)
        return;
    if (m_commitOnLeave && isModified())
        commitOnLeaveNow();
    else
        clampOnLeave();
}

void TTunerEditBox::commitOnLeaveNow() {
    if (text().isEmpty()) {
        m_prompt.show("Softpot Value (none) is not between " + std::to_string(m_minimum) + " and " +
                          std::to_string(m_maximum),
                      kOutOfRangeCaption, PromptIcon::Exclamation);
    } else if (accept()) {
        return;
    }
    // The radio keeps what it had: so does the box.
    setText(QString::number(m_radioValue));
    setModified(false);
    if (m_slider)
        m_slider->setValue(m_radioValue);
}

void TTunerEditBox::clampOnLeave() {
    const QString current = text();
    m_lastValue = leadingValue(current, kReadLength);
    if (m_lastValue < m_minimum || current.isEmpty())
        setText(QString::number(m_minimum));
    else if (m_lastValue > m_maximum)
        setText(QString::number(m_maximum));
    if (m_slider)
        m_slider->setValue(m_lastValue);
}

}  // namespace vantrel
