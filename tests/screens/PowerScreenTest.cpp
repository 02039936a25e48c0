// The transmit power screens: the model-chosen maximum and the per-point program rules.
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include "ScreenBench.h"
#include "ScreensTests.h"
#include "history/HistorySink.h"
#include "radio/ModelTable.h"
#include "radio/SoftpotTypes.h"
#include "screens/TTransmitHighPowerWindow.h"
#include "screens/TTransmitLowPowerWindow.h"
#include "screens/TTunerEditBox.h"
#include "screens/TUpDown.h"

namespace vantrel::test {

namespace {

QString refused(int point, const char* level, bool blank) {
    return QStringLiteral(
               "ERROR|Program softpot %1 aborted for Transmit %2 Power!! softpot value above max "
               "value allowed%3")
        .arg(point)
        .arg(QLatin1String(level))
        .arg(blank ? QStringLiteral(" ") : QString());
}

/// A high series portable with the C variant and without the power limit table (softpot 28).
SimProfile highPortableC() {
    const ModelTable table = defaultModelTable();
    SimProfile p = portableOfSeries(table.seriesHigh, std::string("T") + table.variantC + "C7B4W");
    p.softpots[softpot::TxPowerThird].supported = false;
    return p;
}

}  // namespace

class PowerScreenTest : public QObject {
    Q_OBJECT
  private slots:
    void sixSeriesPortablesTuneHighPowerUpTo255OthersTo127() {
        ScreenBench six(portableOfSeries(defaultModelTable().seriesSix, "TSC7B4W"));
        auto wide = six.open<TTransmitHighPowerWindow>();
        QCOMPARE(TTransmitHighPowerWindow::highPowerMaximum(), 255);
        QCOMPARE(wide->slider(0)->maximum(), 255);
        QCOMPARE(wide->upDown(0)->maximum(), 255);
        QCOMPARE(wide->workingBox(0)->maximum(), 255);
        QCOMPARE(wide->workingBox(0)->text(), QString("100"));
        QCOMPARE(wide->noteLabel()->text(), QString("Note : Valid Softpot values will range from 0-255"));
        six.mark();
        wide->program();
        QCOMPARE(six.messages().front(),
                 QString("WARNING|Commit new softpot values? Softpot Value Range 0-255"));
        QCOMPARE(six.requests().mid(1, 2), (QStringList{"C 1000 1000", "S 0/1: 100"}));

        ScreenBench plain;
        auto narrow = plain.open<TTransmitHighPowerWindow>();
        QCOMPARE(TTransmitHighPowerWindow::highPowerMaximum(), 127);
        QCOMPARE(narrow->slider(0)->maximum(), 127);
        QCOMPARE(narrow->noteLabel()->text(), QString("Note : Valid Softpot values will range from 0-127"));
        // High power opens its own test-mode level.
        QCOMPARE(plain.requests().mid(1, 2), (QStringList{"T 1 0 2", "T 129 0 2"}));
    }

    void highPortableCRefusesAHighValueAboveThePointsLowValue() {
        ScreenBench bench(highPortableC());
        QVERIFY(!bench.record.isSupported(flag::TxPowerThird));
        auto screen = bench.open<TTransmitHighPowerWindow>();
        const int values[] = {80, 100, 92, 50, 50, 50, 50};  // low power is 90..96
        for (int i = 0; i < 7; ++i) screen->workingBox(i)->setText(QString::number(values[i]));
        bench.mark();
        screen->program();
        QCOMPARE(bench.messages().mid(1), QStringList{refused(2, "High", true)});
        const QStringList sent = bench.requests();
        QVERIFY(!sent.contains("S 0/1: 100"));
        QVERIFY(sent.contains("S 0/1: 92"));
        QCOMPARE(sent.filter("S 0/1").size(), 6);
        QCOMPARE(screen->defaultBox(1)->text(), QString("102"));
        QCOMPARE(bench.record.getValue(row::TxPower, col::TxPowerHigh + 1), 102);
        QCOMPARE(bench.record.getValue(row::TxPower, col::TxPowerHigh + 2), 92);
        QCOMPARE(bench.radio.programmedValue(softpot::TxPower, 0, 1), 102);
    }

    void aRadioThatRefusesKeepsTheOldValuesAndNamesEachPoint() {
        ScreenBench bench(SimProfile::named("no-single-power"));
        QVERIFY(bench.record.isSupported(flag::TxPowerThird));
        auto high = bench.open<TTransmitHighPowerWindow>();
        high->workingBox(0)->setText("70");
        high->workingBox(1)->setText("71");
        bench.mark();
        high->program();
        const QStringList shown = bench.messages().mid(1);
        QCOMPARE(shown.size(), 7);
        QCOMPARE(shown[0], refused(1, "High", true));
        QCOMPARE(shown[1], refused(2, "High", false));
        QCOMPARE(bench.record.getValue(row::TxPower, col::TxPowerHigh), 100);
        QCOMPARE(high->defaultBox(0)->text(), QString("100"));
        high.reset();

        auto low = bench.open<TTransmitLowPowerWindow>();
        low->workingBox(0)->setText("70");
        bench.mark();
        low->program();
        QCOMPARE(bench.messages().mid(1, 2),
                 (QStringList{refused(1, "Low", false), refused(2, "Low", false)}));
        QCOMPARE(bench.record.getValue(row::TxPower, col::TxPowerLow), 90);
    }

    void lowPowerLivesInColumns7To13AndLeavesHighPowerAlone() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        QCOMPARE(screen->defaultBox(0)->text(), QString("90"));
        for (int i = 0; i < 7; ++i) screen->workingBox(i)->setText(QString::number(40 + i));
        screen->program();
        for (int i = 0; i < 7; ++i) {
            QCOMPARE(bench.record.getValue(row::TxPower, col::TxPowerLow + i), 40 + i);
            QCOMPARE(bench.record.getValue(row::TxPower, col::TxPowerHigh + i), 100 + 2 * i);
            QCOMPARE(bench.radio.programmedValue(softpot::TxPower, 1, i), 40 + i);
            QCOMPARE(bench.radio.programmedValue(softpot::TxPower, 0, i), 100 + 2 * i);
        }
    }

    // The framework's Program goes into the service history: each point before and after, and whether it
    // ran to its end (a link failure part-way leaves what reached the radio).
    void programIsRecordedWithEachPointBeforeAndAfter() {
        CollectingHistorySink sink;
        ScopedHistorySink installed(&sink);
        ScreenBench bench;
        auto screen = bench.open<TTransmitHighPowerWindow>();
        screen->workingBox(2)->setText("77");
        screen->program();
        QCOMPARE(sink.events().size(), std::size_t(1));
        const ServiceEvent& done = sink.events().front();
        QCOMPARE(done.kind, EventKind::Program);
        QCOMPARE(done.subject, std::string("Transmit High Power"));
        QCOMPARE(done.outcome, std::string(eventOutcome::Ok));
        QCOMPARE(done.serial, std::string("PT00000001"));
        QCOMPARE(done.values.size(), std::size_t(7));
        QVERIFY(done.value("Transmit High Power F3"));
        QCOMPARE(*done.value("Transmit High Power F3")->before, 104);
        QCOMPARE(*done.value("Transmit High Power F3")->after, 77);
        QCOMPARE(*done.value("Transmit High Power F1")->after, 100);

        sink.clear();
        screen->workingBox(0)->setText("70");
        screen->workingBox(5)->setText("71");
        bench.silence(0x20);  // softpot requests go unanswered from now on
        screen->program();
        QCOMPARE(sink.events().size(), std::size_t(1));
        const ServiceEvent& failed = sink.events().front();
        QCOMPARE(failed.outcome, std::string(eventOutcome::Failed));
        // Not stored: nothing reached the radio.
        QCOMPARE(*failed.value("Transmit High Power F1")->after, 100);
    }
};

std::unique_ptr<QObject> makePowerScreenTest() {
    return std::make_unique<PowerScreenTest>();
}

}  // namespace vantrel::test

#include "PowerScreenTest.moc"
