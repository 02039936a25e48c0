// The About box.
#include "app/TAboutDialog.h"

#include <QDate>
#include <QLabel>
#include <QPushButton>

#include "VantrelVersion.h"
#include "app/AppIcons.h"
#include "app/DialogUnits.h"

namespace vantrel {

QString TAboutDialog::isoDate(const char* compilerDate) {
    // The compiler writes "Mmm dd yyyy" with a blank before a one-digit day ("Dec  8 2026").
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QStringList parts = QString::fromLatin1(compilerDate).simplified().split(QLatin1Char(' '));
    if (parts.size() != 3)
        return QString::fromLatin1(compilerDate).simplified();
    int month = 0;
    for (int m = 0; m < 12; ++m)
        if (parts[0] == QLatin1String(kMonths[m]))
            month = m + 1;
    const QDate date(parts[2].toInt(), month, parts[1].toInt());
    return date.isValid() ? date.toString(Qt::ISODate) : QString::fromLatin1(compilerDate).simplified();
}

TAboutDialog::TAboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Tuner for Feldaris Radios"));
    setObjectName(QStringLiteral("TAboutDialog"));
    DialogUnits du(*this);
    setFixedSize(du.size(230, 164));

    auto* icon = new QLabel(this);
    icon->setPixmap(applicationIcon().pixmap(48, 48));
    icon->setGeometry(du.rect(10, 10, 32, 32));

    auto* title = new QLabel(QStringLiteral("Tuner for Feldaris and Entry Level Feldaris radios "), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setObjectName(QStringLiteral("title"));
    // Bold runs wider than the units' average character: the title takes two lines rather than lose
    // its end.
    title->setWordWrap(true);
    title->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    title->setGeometry(du.rect(50, 8, 172, 20));

    auto* version = new QLabel(QStringLiteral("Version %1").arg(QLatin1String(kVersion)), this);
    version->setObjectName(QStringLiteral("version"));
    version->setGeometry(du.rect(50, 32, 170, 10));
    auto* date = new QLabel(QStringLiteral("Released %1").arg(isoDate(__DATE__)), this);
    date->setObjectName(QStringLiteral("releaseDate"));
    date->setGeometry(du.rect(50, 43, 170, 10));

    auto* legal1 =
        new QLabel(QStringLiteral("Copyright (C) 2026 The Vantrel developers. Free software under the GNU "
                                  "General Public License version 3 or later (%1), with NO "
                                  "WARRANTY. Qt is used under the GNU LGPL version 3.")
                       .arg(QLatin1String(kLicenceId)),
                   this);
    legal1->setWordWrap(true);
    legal1->setObjectName(QStringLiteral("legal1"));
    legal1->setGeometry(du.rect(10, 58, 210, 36));
    auto* legal2 = new QLabel(
        QStringLiteral("This program writes tuning values into radio equipment. Use it only with the "
                       "radio connected as the setup pictures show and with the test equipment described "
                       "in the help."),
        this);
    legal2->setWordWrap(true);
    legal2->setObjectName(QStringLiteral("legal2"));
    legal2->setGeometry(du.rect(10, 96, 210, 36));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setGeometry(du.rect(90, 140, 50, 15));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace vantrel
