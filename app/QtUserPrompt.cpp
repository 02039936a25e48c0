// Message boxes for the prompt interface.
#include "app/QtUserPrompt.h"

#include <QApplication>
#include <QMessageBox>

namespace vantrel {

namespace {
QMessageBox::Icon iconOf(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::Information:
            return QMessageBox::Information;
        case PromptIcon::Exclamation:
            return QMessageBox::Warning;
        case PromptIcon::Question:
            return QMessageBox::Question;
        case PromptIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}
}  // namespace

PromptAnswer QtUserPrompt::show(const PromptMessage& message) {
    QMessageBox box(iconOf(message.icon), QString::fromStdString(message.caption),
                    QString::fromStdString(message.text), QMessageBox::NoButton, m_parent);
    // A message shown during a radio operation must still be readable when the wait cursor is up.
    bool cursorOverridden = QApplication::overrideCursor() != nullptr;
    if (cursorOverridden)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    switch (message.buttons) {
        case PromptButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case PromptButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Ok);
            break;
        case PromptButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
    }
    int pressed = box.exec();
    if (cursorOverridden)
        QApplication::restoreOverrideCursor();
    switch (pressed) {
        case QMessageBox::Cancel:
            return PromptAnswer::Cancel;
        case QMessageBox::Yes:
            return PromptAnswer::Yes;
        case QMessageBox::No:
            return PromptAnswer::No;
        default:
            break;
    }
    // Closing an OK/Cancel box with Escape or the title bar counts as Cancel, a Yes/No box as No.
    if (pressed != QMessageBox::Ok && message.buttons == PromptButtons::OkCancel)
        return PromptAnswer::Cancel;
    return PromptAnswer::Ok;
}

}  // namespace vantrel
