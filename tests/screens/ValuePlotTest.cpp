// The value plots: a seven-point screen's plot follows its values, and the report preview adds them on
// demand.
#include <QAbstractSlider>
#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "ScreenBench.h"
#include "ScreensTests.h"
#include "app/CommandTable.h"
#include "app/TApxPreviewWin.h"
#include "app/TApxPrintout.h"
#include "app/reportPlots.h"
#include "radio/ModelTable.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "screens/TAutoSquelchWindows.h"
#include "screens/TDeviationWindows.h"
#include "screens/TTransmitDACWindow.h"
#include "screens/TTransmitHighPowerWindow.h"
#include "screens/TTransmitLowPowerWindow.h"
#include "screens/TTunerEditBox.h"
#include "screens/TValuePlot.h"

namespace vantrel::test {

namespace {

std::optional<int> recordAt(const radioStorage& record, int row, int column) {
    return record.getValue(row, column);
}

/// Pixels of `image` inside `area` that differ from white.
int inkIn(const QImage& image, const QRect& area) {
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += image.pixel(x, y) != qRgb(255, 255, 255);
    return count;
}

/// The rows where the working colour (a saturated blue) shows in a column band of the image, above the
/// legend (the bottom 30 rows).
std::pair<int, int> blueRowsIn(const QImage& image, int left, int right) {
    int top = image.height(), bottom = -1;
    for (int y = 0; y < image.height() - 30; ++y)
        for (int x = left; x < right; ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.blue() > 150 && c.red() < 80 && c.green() < 130) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    return {top, bottom};
}

}  // namespace

class ValuePlotTest : public QObject {
    Q_OBJECT
  private slots:
    void plotShowsTheRecordAndFollowsSliderTypingKeyingAndProgram() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        TValuePlot* plot = screen->valuePlot();
        QVERIFY(plot);
        // Right of every control, inside the grown window; the controls themselves stay where they were.
        QVERIFY(plot->geometry().left() >= 700);
        QVERIFY(screen->rect().contains(plot->geometry()));
        QCOMPARE(screen->slider(3)->geometry(), QRect(250, 120, 300, 20));
        QCOMPARE(plot->data().minimum, 0);
        QCOMPARE(plot->data().maximum, 127);
        for (int i = 0; i < 7; ++i) {
            const auto stored = recordAt(bench.record, row::TxPower, col::TxPowerLow + i);
            QCOMPARE(plot->data().defaults[size_t(i)], stored);
            QCOMPARE(plot->data().working[size_t(i)], stored);
        }
        QCOMPARE(plot->data().keyedPoint, 0);

        const int before = *plot->data().working[2];
        screen->slider(2)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(plot->data().working[2], std::optional<int>(before + 1));
        QCOMPARE(plot->data().defaults[2], std::optional<int>(before));
        // A drag is followed position by position.
        QSlider* slider = screen->slider(0);
        slider->setSliderDown(true);
        slider->setSliderPosition(120);
        QCOMPARE(plot->data().working[0], std::optional<int>(120));
        slider->setSliderDown(false);
        // The plot shows what the radio has: a typed value counts once Enter takes it, and an emptied box
        // leaves the point at the value taken before.
        const std::optional<int> taken = plot->data().working[4];
        screen->workingBox(4)->setText("40");
        QCOMPARE(plot->data().working[4], taken);
        QTest::keyClick(screen->workingBox(4), Qt::Key_Return);
        QCOMPARE(plot->data().working[4], std::optional<int>(40));
        const std::optional<int> before5 = plot->data().working[5];
        screen->workingBox(5)->clear();
        QCOMPARE(plot->data().working[5], before5);
        QVERIFY(plot->data().defaults[5]);

        // Keyed at the current point (F5, where Enter was pressed last), and no longer after dekeying.
        screen->togglePtt();
        QVERIFY(bench.radio.keyed());
        QCOMPARE(plot->data().keyedPoint, 5);
        screen->togglePtt();
        QCOMPARE(plot->data().keyedPoint, 0);

        // Program makes the working values the defaults.
        screen->workingBox(5)->setText("41");
        screen->program();
        QCOMPARE(plot->data().defaults[4], std::optional<int>(40));
        QCOMPARE(plot->data().defaults[0], std::optional<int>(120));
        QCOMPARE(plot->data().defaults[5], std::optional<int>(41));
    }

    void unsupportedPointsAreLeftOutOfScreenAndRecordPlots() {
        ScreenBench bench(portableWithPoints({0, 2000, 3000, 0, 5000, 6000, 7000}));
        auto screen = bench.open<TTransmitLowPowerWindow>();
        const valuePlotData shown = screen->valuePlot()->data();
        for (size_t i : {size_t(0), size_t(3)}) {
            QVERIFY(!shown.defaults[i]);
            QVERIFY(!shown.working[i]);
        }
        QCOMPARE(shown.shownPoints(), 5);
        // A value moved at a supported point stays off the unsupported ones.
        screen->slider(1)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QVERIFY(!screen->valuePlot()->data().working[0]);

        const valuePlotData stored =
            TValuePlot::recordData(TTransmitLowPowerWindow::describe(), bench.record);
        QCOMPARE(stored.defaults, shown.defaults);
        QCOMPARE(stored.working, (std::array<std::optional<int>, 7>{}));
    }

    void onlyScreensWhoseRowsAreThePointsHaveAPlot() {
        ScreenBench bench;
        auto squelch = bench.open<TAutoSquelch25KHzWindow>();
        QVERIFY(squelch->valuePlot());
        QCOMPARE(squelch->valuePlot()->data().minimum, 1);
        QCOMPARE(squelch->valuePlot()->data().maximum, 63);
        QCOMPARE(squelch->valuePlot()->data().defaults[6],
                 recordAt(bench.record, row::AutoSquelch, col::Spacing25k + 6));
        // The row's own Auto Tune button keeps its place left of the plot.
        QCOMPARE(squelch->rowButton(2)->geometry(), QRect(625, 90, 100, 20));
        QVERIFY(squelch->valuePlot()->geometry().left() >= squelch->rowButton(2)->geometry().right());
        squelch->close();

        auto dtmf = bench.open<TDTMFWindow>();
        QVERIFY(!dtmf->valuePlot());
        QCOMPARE(dtmf->size(), QSize(700, 300));
        dtmf->close();
        QVERIFY(!TValuePlot::suits(TTransmitDACWindow::describe()));
    }

    void paintedPlotPutsHighValuesAboveLowOnes() {
        valuePlotData data;
        data.minimum = 0;
        data.maximum = 100;
        data.working[0] = 100;
        data.working[6] = 0;
        QImage image(TValuePlot::kSize, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            TValuePlot::paint(painter, QRectF(image.rect()), data);
        }
        const int w = image.width();
        const auto [firstTop, firstBottom] = blueRowsIn(image, w / 7, w / 4);
        const auto [lastTop, lastBottom] = blueRowsIn(image, w - w / 7, w - 10);
        QVERIFY(firstBottom >= 0);
        QVERIFY(lastBottom >= 0);
        QVERIFY2(firstBottom < lastTop, "F1 at the maximum must stand above F7 at the minimum");
        // A value beyond the range (a typed 300) stays on the plot instead of leaving the picture.
        data.working[3] = 300;
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            TValuePlot::paint(painter, QRectF(image.rect()), data);
        }
        QVERIFY(blueRowsIn(image, w / 2 - 5, w / 2 + 15).first > 0);
    }

    void reportPlotsHoldTheRecordOfTheOfferedProcedures() {
        ScreenBench bench;
        ShellState state;
        state.record = &bench.record;
        state.radioRead = true;
        const std::vector<printoutPlot> plots = reportPlots(state);
        QVERIFY(!plots.empty());
        QStringList titles;
        for (const printoutPlot& p : plots) titles << p.title;
        QVERIFY(titles.contains("Transmit Low Power"));
        const auto low = std::find_if(plots.begin(), plots.end(),
                                      [](const printoutPlot& p) { return p.title == "Transmit Low Power"; });
        for (int i = 0; i < 7; ++i)
            QCOMPARE(low->data.defaults[size_t(i)],
                     recordAt(bench.record, row::TxPower, col::TxPowerLow + i));
        QVERIFY(reportPlots(ShellState{}).empty());

        // Describing the high power procedure of another radio for the report leaves the maximum the
        // open screens share alone.
        auto narrow = bench.open<TTransmitHighPowerWindow>();
        QCOMPARE(TTransmitHighPowerWindow::highPowerMaximum(), 127);
        ScreenBench six(portableOfSeries(defaultModelTable().seriesSix, "TSC7B4W"));
        QCOMPARE(TTransmitHighPowerWindow::procedureFor(six.record).maximum, 255);
        QCOMPARE(TTransmitHighPowerWindow::highPowerMaximum(), 127);
        narrow->close();
    }

    void previewAddsAPageOfPlotsOnDemandAndTakesItAway() {
        ScreenBench bench;
        ShellState state;
        state.record = &bench.record;
        state.radioRead = true;
        QStringList text;
        for (int i = 0; i < 30; ++i) text << QStringLiteral("line %1").arg(i);
        TApxPrintout printout("Document", text.join('\n'));
        printout.setPlots(reportPlots(state));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const int textPages = printout.pageCount(printer);

        TApxPreviewWin preview(nullptr, printer, printout, {}, {});
        QAction* show = preview.showPlotsAction();
        QVERIFY(show->isEnabled());
        QVERIFY(!show->isChecked());
        QCOMPARE(preview.pageCount(), textPages);
        show->trigger();
        QCOMPARE(preview.pageCount(), textPages + 1);
        preview.nextPage();
        QCOMPARE(preview.currentPage(), textPages + 1);

        // The plot page has ink in the first cell (the first plot) and none in a cell without a plot.
        const QImage page = printout.renderPage(printer, textPages + 1, 600);
        const QRectF paper = printer.pageLayout().fullRectPixels(printer.logicalDpiX());
        const QRectF printable = printer.pageLayout().paintRectPixels(printer.logicalDpiX());
        const double scale = 600 / paper.width();
        const QRect area = QRectF(printable.topLeft() * scale, printable.size() * scale).toRect();
        const int cellW = area.width() / TApxPrintout::kPlotColumns;
        const int cellH = area.height() / TApxPrintout::kPlotRows;
        QVERIFY(inkIn(page, QRect(area.left(), area.top(), cellW, cellH)) > 500);
        const int plotCount = int(printout.plots().size());
        if (plotCount < TApxPrintout::kPlotsPerPage) {
            const int last = TApxPrintout::kPlotsPerPage - 1;
            const QRect empty(area.left() + last % TApxPrintout::kPlotColumns * cellW,
                              area.top() + last / TApxPrintout::kPlotColumns * cellH, cellW, cellH);
            QCOMPARE(inkIn(page, empty.adjusted(2, 2, -2, -2)), 0);
        }

        // Taken away again while its page was shown: the preview goes back to the last text page.
        show->trigger();
        QCOMPARE(preview.pageCount(), textPages);
        QCOMPARE(preview.currentPage(), textPages);
        QCOMPARE(preview.indicatorText(), QStringLiteral("Page %1").arg(textPages));
    }

    void previewOfATextWithoutPlotsOffersNone() {
        TApxPrintout printout("Document", "one line\n");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        TApxPreviewWin preview(nullptr, printer, printout, {}, {});
        QVERIFY(!preview.showPlotsAction()->isEnabled());
        preview.setShowPlots(true);
        QCOMPARE(preview.pageCount(), 1);
    }
};

std::unique_ptr<QObject> makeValuePlotTest() {
    return std::make_unique<ValuePlotTest>();
}

}  // namespace vantrel::test

#include "ValuePlotTest.moc"
