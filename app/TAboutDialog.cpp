// The About box.
#include "app/TAboutDialog.h"

#include <QLabel>
#include <QPushButton>

#include "VantrelVersion.h"
#include "app/AppIcons.h"
#include "app/DialogUnits.h"

namespace vantrel {

TAboutDialog::TAboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Tuner for Feldaris Radios"));
    setObjectName(QStringLiteral("TAboutDialog"));
    DialogUnits du(*this);
    setFixedSize(du.size(230, 150));

    auto* icon = new QLabel(this);
    icon->setPixmap(applicationIcon().pixmap(48, 48));
    icon->setGeometry(du.rect(10, 10, 32, 32));

    auto* title = new QLabel(QStringLiteral("Tuner for Feldaris and Entry Level Feldaris radios "), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setObjectName(QStringLiteral("title"));
    title->setGeometry(du.rect(50, 12, 175, 10));

    auto* version = new QLabel(QStringLiteral("Version %1").arg(QLatin1String(kVersion)), this);
    version->setObjectName(QStringLiteral("version"));
    version->setGeometry(du.rect(50, 26, 170, 10));
    auto* date = new QLabel(QStringLiteral("Released %1").arg(QStringLiteral(__DATE__)), this);
    date->setObjectName(QStringLiteral("releaseDate"));
    date->setGeometry(du.rect(50, 38, 170, 10));

    auto* legal1 =
        new QLabel(QStringLiteral("Copyright (c) the Vantrel developers. All rights reserved."), this);
    legal1->setWordWrap(true);
    legal1->setGeometry(du.rect(10, 60, 210, 20));
    auto* legal2 = new QLabel(
        QStringLiteral("This program writes tuning values into radio equipment. Use it only with the "
                       "radio connected as the setup pictures show and with the test equipment described "
                       "in the help."),
        this);
    legal2->setWordWrap(true);
    legal2->setGeometry(du.rect(10, 82, 210, 36));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setGeometry(du.rect(90, 126, 50, 15));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace vantrel
