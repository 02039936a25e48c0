// The print notification.
#include "app/TTunerNotifyDlg.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "app/DialogUnits.h"

namespace vantrel {

TTunerNotifyDlg::TTunerNotifyDlg(QWidget* parent, int /*resource*/) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Print Notifcation"));
    setObjectName(QStringLiteral("TTunerNotifyDlg"));
    DialogUnits du(*this);
    setFixedSize(du.size(241, 122));

    auto* group = new QGroupBox(QStringLiteral("Notification Message"), this);
    group->setGeometry(du.rect(7, 7, 227, 86));
    auto* icon = new QLabel(this);
    int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(side, side));
    icon->setGeometry(du.rect(16, 22, 24, 24));
    auto* text = new QLabel(
        QStringLiteral("Printing format changes will take effect immediately. However, for the print preview "
                       "window to be updated, please close the current print preview window and then open "
                       "it again."),
        this);
    text->setObjectName(QStringLiteral("message"));
    text->setWordWrap(true);
    text->setGeometry(du.rect(46, 20, 180, 66));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setGeometry(du.rect(95, 100, 50, 15));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace vantrel
