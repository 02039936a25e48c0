// Small things of the shell: file dialog starting points, the About box, the setup pictures' labels, the
// status bar's columns and the help pages' wording.
#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>

#include "AppTests.h"
#include "ShellFixture.h"
#include "app/CommandTable.h"
#include "app/Pictures.h"
#include "app/TAboutDialog.h"
#include "app/TApxPreviewWin.h"
#include "screens/TTuningScreen.h"

namespace vantrel::test {

namespace {

QString statusFor(const QString& serial, const QString& model) {
    return "Radio Serial No :" + serial + QString(95, ' ') + "Radio Model No: " + model;
}

/// Where the second column of ink starts in a picture of the status text: the first dark pixel column
/// after a blank stretch of at least `gap` columns that follows the first ink.
int secondColumnX(const QImage& image, int gap = 30) {
    const int top = image.height() / 4, bottom = image.height() * 3 / 4;
    auto inked = [&](int x) {
        for (int y = top; y <= bottom; ++y)
            if (qGray(image.pixel(x, y)) < 110)
                return true;
        return false;
    };
    bool seenInk = false;
    int blank = 0;
    for (int x = 4; x < image.width() - 4; ++x) {
        if (inked(x)) {
            if (seenInk && blank >= gap)
                return x;
            seenInk = true;
            blank = 0;
        } else if (seenInk) {
            ++blank;
        }
    }
    return -1;
}

}  // namespace

class ShellDetailsTest : public QObject {
    Q_OBJECT
  private slots:
    void fileDialogsStartInTheLastFolderAndProposeTheSerialNumber() {
        Shell shell("portable");
        shell.start();
        const QString start = QDir::currentPath();
        shell.run(cmd::LoadArchive);  // nothing read yet: the folder alone
        QCOMPARE(shell.fileSuggestions, QStringList{start});

        QVERIFY(shell.run(cmd::ReadRadio));
        QVERIFY(QDir(shell.path("")).mkdir("bench"));
        const QString bench = QDir(shell.path("bench")).absolutePath();
        shell.fileSuggestions.clear();
        shell.files << bench + "/first.sfp";
        QVERIFY(shell.run(cmd::SaveArchive));
        QVERIFY(QFile::exists(bench + "/first.sfp"));
        shell.run(cmd::SaveArchive);  // cancelled
        shell.run(cmd::LoadArchive);  // cancelled
        QCOMPARE(shell.fileSuggestions, (QStringList{start + "/PT00000001.sfp", bench + "/PT00000001.sfp",
                                                     bench + "/PT00000001.sfp"}));

        shell.fileSuggestions.clear();
        shell.printerAvailable = false;
        shell.onDialog = [](QDialog& d) {
            if (auto* preview = dynamic_cast<TApxPreviewWin*>(&d))
                preview->findChild<QAction*>("saveAsPdf")->trigger();
        };
        shell.run(cmd::PrintPreview);
        QCOMPARE(shell.fileSuggestions, QStringList{bench + "/PT00000001.pdf"});
    }

    void theAboutBoxShowsItsTextsWholeWithAnIsoDate() {
        TAboutDialog about(nullptr);
        for (QLabel* label : about.findChildren<QLabel*>()) {
            if (label->text().isEmpty())
                continue;  // the icon
            const bool fits = label->wordWrap() ? label->heightForWidth(label->width()) <= label->height()
                                                : label->sizeHint().width() <= label->width();
            QVERIFY2(fits, qPrintable(label->text()));
        }
        const QString date = about.findChild<QLabel*>("releaseDate")->text();
        QVERIFY2(QRegularExpression("^Released \\d{4}-\\d{2}-\\d{2}$").match(date).hasMatch(),
                 qPrintable(date));
        QVERIFY(about.findChild<QLabel*>("legal1")->text().contains("GPL-3.0-or-later"));
        QCOMPARE(TAboutDialog::isoDate("Dec  8 2026"), QString("2026-12-08"));
        QCOMPARE(TAboutDialog::isoDate("Jan 31 2027"), QString("2027-01-31"));
    }

    void setupPictureLabelsStayClearOfTheBoxes() {
        for (bool portable : {true, false}) {
            const SetupPictureLayout layout = setupPictureLayout(portable);
            const QFontMetricsF fm(layout.labelFont);
            for (int i = 0; i < layout.cables.size(); ++i) {
                const auto& c = layout.cables[i];
                const QString what = (portable ? "portable: " : "mobile: ") + c.label;
                QVERIFY2(layout.picture.contains(c.labelRect), qPrintable(what));
                for (const QRectF& box : layout.boxes)
                    QVERIFY2(!c.labelRect.intersects(box), qPrintable(what));
                for (int k = 0; k < i; ++k)
                    QVERIFY2(!c.labelRect.intersects(layout.cables[k].labelRect), qPrintable(what));
                for (const auto& other : layout.cables) {
                    const QPainterPath path = cablePath(other);
                    for (int step = 0; step <= 100; ++step)
                        QVERIFY2(!c.labelRect.contains(path.pointAtPercent(step / 100.0)), qPrintable(what));
                }
                for (const QString& line : c.label.split('\n'))
                    QVERIFY2(fm.horizontalAdvance(line) <= c.labelRect.width(), qPrintable(what));
                QVERIFY2(fm.lineSpacing() * c.label.split('\n').size() <= c.labelRect.height() + 1,
                         qPrintable(what));
            }
            QCOMPARE(drawSetupPicture(portable).size(), layout.picture.size().toSize());
        }
    }

    void theStatusBarModelColumnStaysWhereverTheSerialNumberEnds() {
        Shell shell("portable");
        shell.start();
        shell.frame().resize(1200, 700);
        shell.frame().show();
        QLabel* status = shell.frame().statusText();
        QList<int> columns;
        for (const QString& serial :
             {QString("1"), QString("Invalid"), QString("PT00000001"), QString("WWWWWWWWWW")}) {
            status->setText(statusFor(serial, "H25KDC9PW5AN"));
            columns << secondColumnX(status->grab().toImage());
        }
        QVERIFY(columns.first() > 0);
        for (int x : columns) QCOMPARE(x, columns.first());
        QCOMPARE(status->text(), statusFor("WWWWWWWWWW", "H25KDC9PW5AN"));
    }

    void helpCallsUnusedPointsWhatTheScreensCallThem() {
        const QStringList pages = QDir(":/help").entryList({"*.html"});
        QVERIFY(pages.size() > 10);
        int pointPages = 0;
        for (const QString& page : pages) {
            QFile file(":/help/" + page);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString html = QString::fromUtf8(file.readAll());
            QVERIFY2(!html.contains("NOT REQUIRED"), qPrintable(page));
            if (html.contains("points marked")) {
                ++pointPages;
                QVERIFY2(html.contains(QString("points marked ") + TTuningScreen::kUnsupportedText),
                         qPrintable(page));
            }
        }
        QVERIFY(pointPages >= 10);
    }
};

std::unique_ptr<QObject> makeShellDetailsTest() {
    return std::make_unique<ShellDetailsTest>();
}

}  // namespace vantrel::test

#include "ShellDetailsTest.moc"
