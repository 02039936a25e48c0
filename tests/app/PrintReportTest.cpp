// The printed and previewed report: the page shows display.txt exactly, with or without a printer.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QToolBar>
#include <QXmlStreamReader>
#include <cmath>

#include "AppTests.h"
#include "ShellFixture.h"
#include "app/CommandTable.h"
#include "app/TApxPreviewWin.h"
#include "app/TApxPrintout.h"

namespace vantrel::test {

namespace {

/// A line as a plain text window shows it: each tab runs to the next multiple of eight columns.
QString expanded(const QString& line) {
    QString out;
    for (QChar c : line) {
        if (c == '\t')
            out += QString(8 - out.size() % 8, ' ');
        else
            out += c;
    }
    return out;
}

QString rightTrimmed(QString s) {
    while (!s.isEmpty() && s.back().isSpace()) s.chop(1);
    return s;
}

/// display.txt's lines as they must appear on paper, trailing blanks dropped.
QStringList reportLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLatin1(file.readAll()).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString& l : lines) l = rightTrimmed(expanded(l));
    return lines;
}

/// One word pdftotext found on a page, with its box in points.
struct PdfWord {
    double left, top, right;
    QString text;
};

/// The words of each page of a PDF, as pdftotext -bbox reports them.
QList<QList<PdfWord>> pdfWords(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    QList<QList<PdfWord>> pages;
    QXmlStreamReader xml(p.readAllStandardOutput());
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("page")) {
            pages.append(QList<PdfWord>());
        } else if (xml.name() == QLatin1String("word") && !pages.isEmpty()) {
            const QXmlStreamAttributes a = xml.attributes();
            const double left = a.value("xMin").toDouble(), top = a.value("yMin").toDouble();
            const double right = a.value("xMax").toDouble();
            pages.last().append(PdfWord{left, top, right, xml.readElementText()});
        }
    }
    return pages;
}

/// The page's text put back on its character grid: the cell width comes from the glyphs themselves,
/// the line pitch from the closest two lines, the origin from the printable area's top left corner.
QStringList pageText(const QList<PdfWord>& words, QPointF origin) {
    double cellSum = 0;
    int cells = 0;
    QList<double> tops;
    for (const PdfWord& w : words) {
        cellSum += w.right - w.left;
        cells += int(w.text.size());
        tops << w.top;
    }
    if (cells == 0)
        return {};
    const double cell = cellSum / cells;
    std::sort(tops.begin(), tops.end());
    double pitch = 1e9;
    for (int i = 1; i < tops.size(); ++i)
        if (tops[i] - tops[i - 1] > 1)
            pitch = std::min(pitch, tops[i] - tops[i - 1]);
    QStringList lines;
    for (const PdfWord& w : words) {
        const int row = int(std::lround((w.top - origin.y()) / pitch));
        const int column = int(std::lround((w.left - origin.x()) / cell));
        if (row < 0 || column < 0)
            return {QStringLiteral("word outside the printable area: ") + w.text};
        while (lines.size() <= row) lines << QString();
        QString& line = lines[row];
        if (line.size() < column + w.text.size())
            line = line.leftJustified(column + int(w.text.size()), ' ');
        line.replace(column, w.text.size(), w.text);
    }
    for (QString& l : lines) l = rightTrimmed(l);
    return lines;
}

}  // namespace

class PrintReportTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QFAIL("pdftotext is missing: make deps installs poppler-utils");
    }

    void printedPagesShowTheReportTextWithItsTabStops_data() {
        QTest::addColumn<QString>("profile");
        QTest::newRow("portable") << QStringLiteral("portable");
        QTest::newRow("mobile") << QStringLiteral("mobile");
    }

    void printedPagesShowTheReportTextWithItsTabStops() {
        QFETCH(QString, profile);
        Shell shell(profile.toStdString());
        shell.start();
        QVERIFY(shell.run(cmd::ReadRadio));
        shell.onDialog = [](QDialog&) {};
        QVERIFY(shell.run(cmd::PrintPreview));  // writes display.txt
        const QStringList expected = reportLines(shell.path("display.txt"));
        QVERIFY(expected.size() > 100);
        QVERIFY(expected.join('\n').contains("**** TRANSMIT LOW POWER ****") ||
                expected.join('\n').contains("**** MOBILE K & M SOFTPOTS ****"));

        QFile file(shell.path("display.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        TApxPrintout printout("Document", QString::fromLatin1(file.readAll()));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(shell.path("report.pdf"));
        QVERIFY(printout.print(printer));

        // Page by page, the lines painted are the report's lines with their tab stops expanded.
        const QList<QList<PdfWord>> pages = pdfWords(shell.path("report.pdf"));
        QCOMPARE(int(pages.size()), printout.pageCount(printer));
        const QPointF origin = printer.pageLayout().paintRect(QPageLayout::Point).topLeft();
        const int perPage = printout.linesPerPage(printer);
        for (int i = 0; i < pages.size(); ++i) {
            QStringList want = expected.mid(i * perPage, perPage);
            while (!want.isEmpty() && want.last().isEmpty()) want.removeLast();
            // The report's closing blank lines make no page of their own.
            QVERIFY2(!pages[i].isEmpty(), qPrintable(QStringLiteral("page %1 is blank").arg(i + 1)));
            const QStringList got = pageText(pages[i], origin);
            for (int k = 0; k < std::min(want.size(), got.size()); ++k) QCOMPARE(got[k], want[k]);
            QCOMPARE(got.size(), want.size());
        }
    }

    void closingBlankLinesMakeNoPageOfTheirOwn() {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        TApxPrintout probe("Document", "x");
        const int perPage = probe.linesPerPage(printer);
        // The report ends in up to 50 blank lines; whatever page they fall on, they print nothing.
        for (int text : {1, perPage - 1, perPage, perPage + 1, 2 * perPage}) {
            const QString body = QString("line\n").repeated(text) + QString(50, '\n');
            TApxPrintout printout("Document", body);
            QCOMPARE(printout.pageCount(printer), (text + perPage - 1) / perPage);
        }
        TApxPrintout blank("Document", QString(80, '\n'));
        QCOMPARE(blank.pageCount(printer), 1);
    }

    void withoutAPrinterThePreviewOpensAndSavesThePdfFromInside() {
        Shell shell("portable");
        shell.start();
        QVERIFY(shell.run(cmd::ReadRadio));
        shell.prompt().clear();
        shell.printerAvailable = false;
        shell.files << shell.path("report.pdf");
        int pages = 0;
        shell.onDialog = [&](QDialog& d) {
            auto* preview = dynamic_cast<TApxPreviewWin*>(&d);
            if (!preview)
                return;
            pages = preview->pageCount();
            preview->findChild<QAction*>("print")->trigger();
            preview->findChild<QAction*>("saveAsPdf")->trigger();
        };
        QVERIFY(shell.run(cmd::PrintPreview));
        // Only the preview: no notice about print formats, no question before it.
        QCOMPARE(shell.dialogsRun, QStringList{"Preview Window"});
        QVERIFY(pages >= 2);
        // Print inside it says why it cannot; Save as PDF writes the file without further questions and
        // says where it went.
        QCOMPARE(shell.messages(), (QStringList{"NOTE|Please install Default Printer Device !!",
                                                "NOTE|The report has been saved as " +
                                                    QDir::toNativeSeparators(shell.path("report.pdf"))}));
        QCOMPARE(int(pdfWords(shell.path("report.pdf")).size()), pages);
        // A new file gets the usual mode, not the private one of the temporary file it was written as.
        QVERIFY(QFileInfo(shell.path("report.pdf")).permissions() & QFileDevice::ReadOther);
        QCOMPARE(shell.app().printJobs(), 0);
    }

    void savingThePdfThroughALinkUpdatesItsTarget() {
        Shell shell("portable");
        shell.start();
        QVERIFY(shell.run(cmd::ReadRadio));
        shell.printerAvailable = false;
        QFile old(shell.path("kept.pdf"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        QVERIFY(QFile::link(shell.path("kept.pdf"), shell.path("link.pdf")));
        shell.files << shell.path("link.pdf");
        shell.onDialog = [](QDialog& d) {
            if (auto* preview = dynamic_cast<TApxPreviewWin*>(&d))
                preview->findChild<QAction*>("saveAsPdf")->trigger();
        };
        shell.prompt().clear();
        QVERIFY(shell.run(cmd::PrintPreview));
        QCOMPARE(shell.messages(), QStringList{"NOTE|The report has been saved as " +
                                               QDir::toNativeSeparators(shell.path("link.pdf"))});
        QVERIFY(QFileInfo(shell.path("link.pdf")).isSymLink());
        QVERIFY(QFile(shell.path("kept.pdf")).size() > 1000);
        QCOMPARE(QDir(shell.path("")).entryList(QDir::Files | QDir::Hidden).filter(".vantrel-pdf"),
                 QStringList());
    }
};

std::unique_ptr<QObject> makePrintReportTest() {
    return std::make_unique<PrintReportTest>();
}

}  // namespace vantrel::test

#include "PrintReportTest.moc"
