// The serial number entry.
#include "utilities/TSerialNoEdit.h"

#include <QKeyEvent>
#include <QValidator>

#include "operations/utilityRules.h"

namespace vantrel {

namespace {

/// Admits only characters of the serial set, at most ten of them.
class SerialValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        if (input.size() > static_cast<qsizetype>(serialRule::Length))
            return Invalid;
        for (QChar c : input)
            if (c.unicode() > 0x7F || !serialRule::admits(static_cast<char>(c.unicode())))
                return Invalid;
        return input.size() == static_cast<qsizetype>(serialRule::Length) ? Acceptable : Intermediate;
    }
};

}  // namespace

TSerialNoEdit::TSerialNoEdit(QWidget* parent) : QLineEdit(parent) {
    setObjectName(QStringLiteral("edit%1").arg(kId));
    setMaxLength(static_cast<int>(serialRule::Length));
    setValidator(new SerialValidator(this));
}

void TSerialNoEdit::keyPressEvent(QKeyEvent* event) {
    QLineEdit::keyPressEvent(event);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        emit notify(kId, kEnterNotification);
}

}  // namespace vantrel
