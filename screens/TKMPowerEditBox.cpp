// The measured-power box of the K and M screen.
#include "screens/TKMPowerEditBox.h"

#include <QFocusEvent>

namespace vantrel {

TKMPowerEditBox::TKMPowerEditBox(QWidget* parent, double maximum, int id, const QString& text, int x, int y,
                                 int width, int height, int textLimit)
    : QLineEdit(text, parent), m_id(id), m_maximum(maximum) {
    setGeometry(x, y, width, height);
    setMaxLength(textLimit);
    setObjectName(QStringLiteral("power%1").arg(id));
}

void TKMPowerEditBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (!m_focusNotified) {
        m_focusNotified = true;
        emit notify(m_id, kFocused);
    }
}

void TKMPowerEditBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A message box or a menu taking the focus for a while leaves the box the focus of its own window:
    // getting it back is no new selection (else a message shown by the screen's action would bring the
    // focus back, run the action again and show the message again, without end).
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    m_focusNotified = false;
}

}  // namespace vantrel
