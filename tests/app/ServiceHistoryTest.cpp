// File > Service History after reads and a Program All of the simulated radio: the events newest first,
// two of them side by side, a value plotted across them, CSV; the settings; the status bar's notice.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "AppTests.h"
#include "ShellFixture.h"
#include "app/CommandTable.h"
#include "app/HistoryService.h"
#include "app/TCompareWindow.h"
#include "app/THistoryPlot.h"
#include "app/THistorySettingsDialog.h"
#include "app/THistoryWindow.h"
#include "app/TVantrelFrame.h"
#include "history/HistorySpool.h"
#include "history/historySetup.h"

namespace vantrel::test {

namespace {

template <class Window>
Window* lastChild(Shell& shell) {
    const QList<QMdiSubWindow*> children = shell.client().subWindowList();
    return children.isEmpty() ? nullptr : qobject_cast<Window*>(children.last()->widget());
}

}  // namespace

class ServiceHistoryTest : public QObject {
    Q_OBJECT
  private slots:
    void twoReadsAndAProgramAllShowInTheWindow() {
        Shell shell("portable");
        shell.historyDirectory = shell.path("data");
        QCOMPARE(shell.start(), 0);
        QVERIFY(shell.app().history().recording());
        QVERIFY(shell.run(cmd::ReadRadio));
        QVERIFY(shell.run(cmd::ReadRadio));
        QVERIFY(shell.run(cmd::ProgramAll));
        QVERIFY(shell.app().history().flush(std::chrono::seconds(30)));

        QVERIFY(shell.run(cmd::ServiceHistory));
        THistoryWindow* window = lastChild<THistoryWindow>(shell);
        QVERIFY(window);
        QCOMPARE(window->serialBox()->text(), QString("PT00000001"));
        // The window fits the area, so its plot is seen without scrolling the whole area.
        const QRect area = shell.client().viewport()->rect();
        QVERIFY(!area.isEmpty());
        QVERIFY(area.contains(shell.client().subWindowList().last()->geometry()));
        QCOMPARE(window->eventTable()->rowCount(), 3);
        QCOMPARE(window->eventTable()->item(0, THistoryWindow::KindColumn)->text(), QString("program-all"));
        QCOMPARE(window->eventTable()->item(2, THistoryWindow::KindColumn)->text(), QString("read"));
        QVERIFY(window->eventTable()->item(0, THistoryWindow::PortColumn)->text().startsWith("COM1 "));
        // The newest event's values are shown, and the plot follows one value across the events.
        QVERIFY(window->valueTable()->rowCount() > 20);
        QCOMPARE(window->valueChoice()->currentText(), QString("Transmit High Power F3"));
        QCOMPARE(window->plot()->points().size(), std::size_t(3));
        const long long f3 = shell.client().record().getValue(3, 2);
        for (const historyPlotPoint& p : window->plot()->points()) QCOMPARE(p.value.value_or(-1), f3);
        window->plotValue("Reference Oscillator Warp");
        QCOMPARE(window->plot()->title(), QString("Reference Oscillator Warp"));

        // Two events side by side in the compare window: the two reads found the same radio.
        QVERIFY(!window->compareButton()->isEnabled());
        window->selectRows({1, 2});
        QVERIFY(window->compareButton()->isEnabled());
        QVERIFY(window->compareSelected());
        TCompareWindow* compare = lastChild<TCompareWindow>(shell);
        QVERIFY(compare);
        QCOMPARE(compare->side(), TCompareWindow::Side::Event);
        QVERIFY(area.contains(shell.client().subWindowList().last()->geometry()));
        QCOMPARE(compare->summary(), QString(TCompareWindow::kSameText));
        QCOMPARE(compare->table()->horizontalHeaderItem(TCompareWindow::OtherColumn)->text(),
                 QString("Earlier Event"));

        const QString csv = shell.path("history.csv");
        QVERIFY(window->exportCsv(csv));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.startsWith("time_utc,kind,serial,"));
        QVERIFY(text.count("\r\n") > 3 * 20);

        // Any other serial number can be typed.
        window->showRadio("NOSUCH0001");
        QCOMPARE(window->eventTable()->rowCount(), 0);
        QVERIFY(window->statusLine()->text().contains("No service events"));
    }

    void aStoreOutOfReachIsToldOnceInTheStatusBar() {
        Shell shell("portable");
        shell.historyDirectory = shell.path("data");
        // Nothing listens on port 1 of this machine: the connection is refused at once.
        const char* server = "postgresql://bench@127.0.0.1:1/shop?connect_timeout=2";
        qputenv("VANTREL_HISTORY", server);
        QCOMPARE(shell.start(), 0);
        qunsetenv("VANTREL_HISTORY");
        QVERIFY(shell.run(cmd::ReadRadio));
        QVERIFY(shell.messages().last().contains("Radio has been successfully read !!"));
        QVERIFY(shell.app().history().flush(std::chrono::seconds(30)));
        QTRY_VERIFY(shell.frame().historyNotice()->isVisible() ||
                    !shell.frame().historyNotice()->text().isEmpty());
        QVERIFY(shell.frame().historyNotice()->text().contains("spool"));
        QVERIFY(shell.frame().historyNotice()->toolTip().contains("127.0.0.1"));
        const HistoryTarget target = *HistoryTarget::parse(server);
        QCOMPARE(
            HistorySpool(historySpoolDirectory(target, shell.path("data").toStdString())).pending().size(),
            std::size_t(1));
        QCOMPARE(shell.messages().size(), 1);  // no box about the history
    }

    void settingsChooseTheStoreAndTheOperator() {
        Shell shell("portable");
        shell.historyDirectory = shell.path("data");
        shell.onDialog = [&](QDialog& dialog) {
            auto* settings = qobject_cast<THistorySettingsDialog*>(&dialog);
            QVERIFY(settings);
            settings->targetBox()->setText(shell.path("shop.sqlite"));
            settings->operatorBox()->setText("day shift");
            settings->check();
            QVERIFY(settings->checkResult()->text().contains("schema version"));
            settings->accept();
        };
        QCOMPARE(shell.start(), 0);
        QVERIFY(shell.run(cmd::HistorySettings));
        QCOMPARE(QString::fromStdString(shell.app().history().target().location), shell.path("shop.sqlite"));
        QVERIFY(shell.run(cmd::ReadRadio));
        QVERIFY(shell.app().history().flush(std::chrono::seconds(30)));
        auto store = openHistoryStore(shell.app().history().target());
        const std::vector<StoredEvent> events = store->radioEvents("PT00000001");
        QCOMPARE(events.size(), std::size_t(1));
        QCOMPARE(events.front().event.operatorName, std::string("day shift"));
    }
};

std::unique_ptr<QObject> makeServiceHistoryTest() {
    return std::make_unique<ServiceHistoryTest>();
}

}  // namespace vantrel::test

#include "ServiceHistoryTest.moc"
