// The radio information dialog.
#include "app/TRadioInfoDialog.h"

#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/DialogUnits.h"
#include "radio/radioStorage.h"

namespace vantrel {

TRadioInfoDialog::TRadioInfoDialog(QWidget* parent, const radioStorage& record) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Radio Information"));
    setObjectName(QStringLiteral("TRadioInfoDialog"));
    DialogUnits du(*this);
    setFixedSize(du.size(213, 90));

    auto* serialLabel = new QLabel(QStringLiteral("Radio Serial No"), this);
    serialLabel->setGeometry(du.rect(12, 16, 70, 10));
    // Identity texts are fixed-width with trailing blanks; a fixed-pitch face shows them as they are.
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_serial = new QLineEdit(QString::fromLatin1(record.getSerialNo()), this);
    m_serial->setObjectName(QStringLiteral("serialNo"));
    m_serial->setReadOnly(true);
    m_serial->setFont(fixed);
    m_serial->setGeometry(du.rect(84, 13, 116, 13));

    auto* modelLabel = new QLabel(QStringLiteral("Radio Model No"), this);
    modelLabel->setGeometry(du.rect(12, 38, 70, 10));
    m_model = new QLineEdit(QString::fromLatin1(record.getModelNo()), this);
    m_model->setObjectName(QStringLiteral("modelNo"));
    m_model->setReadOnly(true);
    m_model->setFont(fixed);
    m_model->setGeometry(du.rect(84, 35, 116, 13));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setGeometry(du.rect(81, 64, 50, 15));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

QString TRadioInfoDialog::serialText() const {
    return m_serial->text();
}
QString TRadioInfoDialog::modelText() const {
    return m_model->text();
}

}  // namespace vantrel
