// The auto-tuned screens: the PA voltage limit run and the auto squelch rows.
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "ScreenBench.h"
#include "ScreensTests.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "screens/TAutoSquelchWindows.h"
#include "screens/TPAVoltageLimitWindow.h"
#include "screens/TTunerEditBox.h"
#include "sim/SimProtocol.h"

namespace vantrel::test {

namespace {

constexpr const char* kRunError =
    "ERROR|Radio Communication Error!!\nWARNING!! Please ensure radio is dekeyed";

/// Watches the wait box a screen shows while the radio tunes: which requests went out while it stood.
struct BoxWatch {
    ScreenBench& bench;
    int made = 0;
    bool screenDisabled = false;
    int shownFrom = -1;
    int shownUntil = -1;

    QWidget* make(QWidget* screen) {
        ++made;
        screenDisabled = !screen->isEnabled();
        shownFrom = int(bench.requests().size());
        auto* box = new QWidget(screen);
        QObject::connect(box, &QObject::destroyed, [this] { shownUntil = int(bench.requests().size()); });
        return box;
    }
    /// The requests sent while the box stood.
    QStringList whileShown() const { return bench.requests().mid(shownFrom, shownUntil - shownFrom); }
};

template <class Screen>
std::unique_ptr<Screen> openWatched(ScreenBench& bench, BoxWatch& watch) {
    screenEnvironment e = bench.environment(ScreenBench::className<Screen>());
    e.makeAutoTuneBox = [&watch](QWidget* screen) { return watch.make(screen); };
    return std::unique_ptr<Screen>(TScreenSession::create<Screen>(e));
}

SimProfile mobileTuningTo(std::vector<int64_t> answers) {
    SimProfile p = SimProfile::named("mobile");
    p.softpots[softpot::PaVoltageLimit].autoTune = std::move(answers);
    return p;
}

/// The requests of tuning one PA voltage limit point at a mobile channel.
QStringList pointRun(int channel) {
    const QString c = QString::number(channel);
    return {"C " + c + " " + c, "K 1", "A 6", "K 0"};
}

std::vector<int> paLimits(const radioStorage& record) {
    std::vector<int> v;
    for (int i = 0; i < 7; ++i) v.push_back(record.getValue(row::PaVoltageLimit, i));
    return v;
}

}  // namespace

class AutoTuneScreenTest : public QObject {
    Q_OBJECT
  private slots:
    void paVoltageLimitTunesEveryPointKeyedAndDekeyedWithTheBoxShown() {
        ScreenBench bench(SimProfile::named("mobile"));
        BoxWatch watch{bench};
        auto screen = openWatched<TPAVoltageLimitWindow>(bench, watch);
        QCOMPARE(bench.code, 34);
        QCOMPARE(screen->size(), QSize(400, 350));
        QCOMPARE(screen->statusBox()->text(), QString("Auto tuning of all softpots has not been done"));
        QCOMPARE(screen->noteLabel()->text(), QString("Note : Valid Softpot values will range from 1-127"));
        QCOMPARE(screen->frequencyBox(1)->text(), QString("402.000000"));
        bench.mark();
        screen->autoTune();

        QStringList expected{"I 1", "A 6"};
        for (int channel : {400, 800, 1200, 1600, 2000, 2400, 2800}) expected << pointRun(channel);
        QCOMPARE(bench.requests(), expected);
        QCOMPARE(bench.messages(), QStringList{"WARNING|Auto Tune softpot values? "});
        QCOMPARE(paLimits(bench.record), (std::vector<int>{101, 102, 103, 104, 105, 106, 107}));
        QCOMPARE(screen->defaultBox(7)->text(), QString("107"));
        QCOMPARE(screen->statusBox()->text(),
                 QString("Auto tuning of all PA Voltage Limit softpots are done"));
        QVERIFY(!bench.radio.keyed());
        // The box stood over every point's exchanges, with the screen closed to input meanwhile.
        QCOMPARE(watch.made, 1);
        QVERIFY(watch.screenDisabled);
        QCOMPARE(watch.whileShown(), expected.mid(2));
        QVERIFY(screen->isEnabled());

        // Closing dekeys before the reset: the screen keyed the radio.
        bench.mark();
        screen->close();
        QCOMPARE(bench.requests(), (QStringList{"K 0", "X"}));
        QCOMPARE(bench.code, 0);
    }

    void paVoltageLimitProbedUnsupportedSendsNothingElse() {
        SimProfile p = SimProfile::named("mobile");
        p.softpots[softpot::PaVoltageLimit].supported = false;
        ScreenBench bench(p);
        BoxWatch watch{bench};
        auto screen = openWatched<TPAVoltageLimitWindow>(bench, watch);
        bench.mark();
        screen->autoTune();
        QCOMPARE(bench.requests(), (QStringList{"I 1", "A 6"}));
        QCOMPARE(bench.messages(), QStringList{"ERROR|PA Voltage Limit Auto Tuning Unsupported!!"});
        QCOMPARE(watch.made, 0);
        QVERIFY(!screen->connectionOpen());
    }

    void paVoltageLimitAnswerZeroStopsTheRunAtThatPoint() {
        ScreenBench bench(mobileTuningTo({101, 102, 0, 104, 105, 106, 107}));
        BoxWatch watch{bench};
        auto screen = openWatched<TPAVoltageLimitWindow>(bench, watch);
        const std::vector<int> before = paLimits(bench.record);
        bench.mark();
        screen->autoTune();
        // The failing point is dekeyed too; nothing of F4 goes out.
        QCOMPARE(bench.requests().mid(2), pointRun(400) + pointRun(800) + pointRun(1200));
        QCOMPARE(bench.messages().last(), QString("ERROR|Tuning is not possible. Please check hardware!!"));
        QCOMPARE(screen->statusBox()->text(), QString("Error in tuning Softpot 3"));
        const std::vector<int> after = paLimits(bench.record);
        QCOMPARE(after[0], 101);
        QCOMPARE(after[1], 102);
        for (int i = 2; i < 7; ++i) QCOMPARE(after[size_t(i)], before[size_t(i)]);
        QCOMPARE(screen->defaultBox(2)->text(), QString("102"));
        QCOMPARE(screen->defaultBox(4)->text(), QString::number(before[3]));
        QVERIFY(!bench.radio.keyed());
        QVERIFY(watch.shownUntil >= 0);
        QVERIFY(!screen->connectionOpen());

        // At F1 the text has its blank before the marks.
        ScreenBench first(mobileTuningTo({0, 102, 103, 104, 105, 106, 107}));
        auto again = first.open<TPAVoltageLimitWindow>();
        first.mark();
        again->autoTune();
        QCOMPARE(first.messages().last(), QString("ERROR|Tuning is not possible. Please check hardware !!"));
        QCOMPARE(again->statusBox()->text(), QString("Error in tuning Softpot 1"));
    }

    void paVoltageLimitSkipsUnusedPoints() {
        SimProfile p = SimProfile::named("mobile");
        p.txPoints = {400, 0, 1200, 0, 0, 0, 2800};
        ScreenBench bench(p);
        auto screen = bench.open<TPAVoltageLimitWindow>();
        QCOMPARE(screen->frequencyBox(2)->text(), QString("UNSUPPORTED"));
        QVERIFY(screen->defaultBox(2)->text().isEmpty());
        bench.mark();
        screen->autoTune();
        // Each used point with its receive partner; the unused ones are passed over.
        QCOMPARE(bench.requests().filter(QRegularExpression("^C ")),
                 (QStringList{"C 400 400", "C 1200 1200", "C 2800 2800"}));
        QVERIFY(screen->defaultBox(2)->text().isEmpty());
        QCOMPARE(screen->defaultBox(3)->text(), QString("103"));
    }

    void paVoltageLimitLinkFailureInTheRunDekeysAndWarns() {
        ScreenBench bench(SimProfile::named("mobile"));
        BoxWatch watch{bench};
        auto screen = openWatched<TPAVoltageLimitWindow>(bench, watch);
        bench.mark();
        // The probe is answered; F1's auto-tune, sent keyed, is not.
        SimFaultRule rule;
        rule.kind = SimFaultKind::Silence;
        rule.atRequest = bench.radio.requestCount() + 3;
        rule.opcode = sim::op::AutoTune;
        rule.times = 0;
        bench.radio.addFault(rule);
        screen->autoTune();
        QCOMPARE(bench.messages().last(), QString(kRunError));
        QCOMPARE(bench.requests().last(), QString("K 0"));
        QVERIFY(!bench.radio.keyed());
        QVERIFY(!screen->keyed());
        QCOMPARE(screen->statusBox()->text(), QString("Radio Communication Error!!"));
        // The box went before the message.
        QVERIFY(watch.shownUntil >= 0);
        QVERIFY(!screen->connectionOpen());
        QVERIFY(screen->isEnabled());
    }

    void closingDuringTheRunWaitsThenDekeysAndResets() {
        ScreenBench bench(SimProfile::named("mobile"));
        auto* screen = TScreenSession::create<TPAVoltageLimitWindow>(
            bench.environment(ScreenBench::className<TPAVoltageLimitWindow>()));
        QPointer<TPAVoltageLimitWindow> alive(screen);
        bench.mark();
        bool asked = false;
        // While F2 is being tuned the technician closes the window and presses Auto Tune again.
        QObject::connect(screen->statusBox(), &QLineEdit::textChanged, screen, [&](const QString& text) {
            if (!asked && text.startsWith("Point 404")) {
                asked = true;
                screen->autoTune();
                screen->close();
            }
        });
        screen->autoTune();
        QVERIFY(asked);
        QVERIFY(!screen->closing());
        // The run stopped after the exchange under way: F2's channel was set, but the radio was neither
        // keyed nor asked to tune there again; one question only.
        QCOMPARE(bench.requests().mid(2), pointRun(400) + QStringList{"C 800 800"});
        QCOMPARE(bench.messages(), QStringList{"WARNING|Auto Tune softpot values? "});
        QVERIFY(!bench.radio.keyed());
        // The close asked for happens once the run is over.
        QCoreApplication::processEvents();
        QVERIFY(screen->closing());
        QCOMPARE(bench.requests().mid(7), (QStringList{"K 0", "X"}));
        QCOMPARE(bench.code, 0);
        QVERIFY(!bench.radio.testMode().has_value());
        delete alive.data();
    }

    void autoSquelchRowAutoTuneChangesOnlyItsRow() {
        ScreenBench bench;
        BoxWatch watch{bench};
        auto screen = openWatched<TAutoSquelch25KHzWindow>(bench, watch);
        QCOMPARE(bench.code, 18);
        QCOMPARE(screen->size(), QSize(1000, 350));  // 750 x 350 and the plot beside the rows
        QVERIFY(!screen->pttButton());
        QCOMPARE(screen->rowButton(2)->objectName(), QString("button7004"));
        QCOMPARE(screen->rowButton(2)->geometry(), QRect(625, 90, 100, 20));
        QCOMPARE(screen->slider(0)->maximum(), 63);
        QStringList working;
        std::vector<int> stored;
        for (int i = 0; i < 7; ++i) {
            working << screen->workingBox(i)->text();
            stored.push_back(bench.record.getValue(row::AutoSquelch, col::Spacing25k + i));
        }
        const int narrow = bench.record.getValue(row::AutoSquelch, col::Spacing12k5 + 2);
        bench.mark();
        screen->rowButton(2)->click();
        QCOMPARE(bench.requests(), (QStringList{"I 1", "C 3000 3000", "A 7"}));
        QCOMPARE(watch.whileShown(), (QStringList{"C 3000 3000", "A 7"}));
        QCOMPARE(screen->workingBox(2)->text(), QString("35"));
        QCOMPARE(screen->slider(2)->value(), 35);
        QCOMPARE(bench.record.getValue(row::AutoSquelch, col::Spacing25k + 2), 35);
        QCOMPARE(screen->currentRow(), 2);
        QCOMPARE(screen->currentValue(), 35);
        QCOMPARE(screen->statusBox()->text(), QString("Point 145.000000MHz is currently being tuned"));
        for (int i = 0; i < 7; ++i) {
            if (i == 2)
                continue;
            QCOMPARE(screen->workingBox(i)->text(), working[i]);
            QCOMPARE(bench.record.getValue(row::AutoSquelch, col::Spacing25k + i), stored[size_t(i)]);
        }
        // The default box keeps what the radio holds programmed.
        QCOMPARE(screen->defaultBox(2)->text(), QString::number(stored[2]));
        // The other spacings' values are untouched.
        QCOMPARE(bench.record.getValue(row::AutoSquelch, col::Spacing12k5 + 2), narrow);

        // Closing resets only: the screen never keys.
        bench.mark();
        screen->close();
        QCOMPARE(bench.requests(), QStringList{"X"});
    }

    void autoSquelchStoresNothingTheRadioCouldNotTune() {
        // The simulated high-power mobile settles on 0 at F4.
        ScreenBench bench(SimProfile::named("high-power-mobile"));
        auto screen = bench.open<TAutoSquelch25KHzWindow>();
        const int before = bench.record.getValue(row::AutoSquelch, col::Spacing25k + 3);
        const QString shown = screen->workingBox(3)->text();
        screen->autoTuneRow(3);
        QCOMPARE(bench.record.getValue(row::AutoSquelch, col::Spacing25k + 3), before);
        QCOMPARE(screen->workingBox(3)->text(), shown);
        QCOMPARE(screen->statusBox()->text(), QString("Error in tuning Softpot 4"));
        screen->autoTuneRow(4);
        QCOMPARE(bench.record.getValue(row::AutoSquelch, col::Spacing25k + 4), 45);
    }

    void autoSquelchTunesByHandWithoutKeying() {
        ScreenBench bench;
        auto screen = bench.open<TAutoSquelch20KHzWindow>();
        QCOMPARE(bench.radio.testMode().value(), (std::array<uint8_t, 3>{1, 2, 1}));
        type(screen->workingBox(1), "12");
        bench.mark();
        QTest::keyClick(screen->workingBox(1), Qt::Key_Return);
        settle();
        QCOMPARE(bench.requests(), (QStringList{"I 1", "C 2000 2000", "S 7/2: 12"}));
        QVERIFY(!bench.radio.keyed());
        QCOMPARE(screen->statusBox()->text(), QString("Point 140.000000MHz is currently being tuned"));
    }

    void autoSquelchProgramRefusesOutOfRangeAndEmptyValues() {
        ScreenBench bench;
        auto screen = bench.open<TAutoSquelch125KHzWindow>();
        for (const char* bad : {"64", "0"}) {
            type(screen->workingBox(1), bad);
            bench.mark();
            screen->program();
            QCOMPARE(
                bench.messages().last(),
                QString("ERROR|Program softpots aborted for Auto Squelch 12.5KHz!! Illegal softpot value"));
            QCOMPARE(bench.requests().filter(QRegularExpression("^S 7/1")).size(), 1);
        }
        type(screen->workingBox(1), "20");
        type(screen->workingBox(3), "");
        bench.mark();
        screen->program();
        QCOMPARE(bench.messages(),
                 (QStringList{"WARNING|Commit new softpot values? Softpot Value Range(1-63)",
                              "NOTE|Please enter a valid Auto Squelch 12.5KHz softpot value!!"}));
        // F1 to F3 went out; nothing of F4.
        QCOMPARE(bench.requests().mid(1),
                 (QStringList{"C 1000 1000", "S 7/1: " + screen->workingBox(0)->text(), "C 2000 2000",
                              "S 7/1: 20", "C 3000 3000", "S 7/1: " + screen->workingBox(2)->text()}));
        QCOMPARE(bench.record.getValue(row::AutoSquelch, col::Spacing12k5 + 1), 20);
        QCOMPARE(screen->statusBox()->text(), QString("No Frequency Tuning Point is currently selected"));
    }

    void autoSquelchProgramStoresTheSetWithZeroForUnusedPoints() {
        SimProfile p = SimProfile::named("portable");
        p.rxPoints = {1000, 2000, 3000, 0, 5000, 6000, 7000};
        ScreenBench bench(p);
        bench.record.setValue(row::AutoSquelch, col::Spacing25k + 3, 33);
        auto screen = bench.open<TAutoSquelch25KHzWindow>();
        QCOMPARE(screen->frequencyBox(3)->text(), QString("UNSUPPORTED"));
        QVERIFY(!screen->rowButton(3)->isEnabled());
        for (int i = 0; i < 7; ++i)
            if (i != 3)
                type(screen->workingBox(i), QString::number(10 + i));
        bench.mark();
        screen->program();
        QCOMPARE(bench.requests().filter(QRegularExpression("^S 7/1")).size(), 6);
        QVERIFY(!bench.requests().contains("C 4000 4000"));
        // After the run the last point written stays selected.
        QCOMPARE(bench.requests().last(), QString("S 7/1: 16"));
        for (int i = 0; i < 7; ++i)
            QCOMPARE(bench.record.getValue(row::AutoSquelch, col::Spacing25k + i), i == 3 ? 0 : 10 + i);
        QCOMPARE(bench.radio.programmedValue(softpot::AutoSquelch, 2, 6), 16);
    }

    void autoSquelchRefusesASecondExchangeWhileTheRadioTunes() {
        ScreenBench bench;
        BoxWatch watch{bench};
        auto screen = openWatched<TAutoSquelch25KHzWindow>(bench, watch);
        bool tried = false;
        QObject::connect(screen->statusBox(), &QLineEdit::textChanged, screen.get(), [&] {
            if (tried || watch.made == 0)
                return;
            tried = true;
            screen->rowButton(5)->click();
            screen->autoTuneRow(5);
            screen->valueAction(5);
            screen->program();
        });
        bench.mark();
        screen->autoTuneRow(1);
        QVERIFY(tried);
        QCOMPARE(bench.requests(), (QStringList{"I 1", "C 2000 2000", "A 7"}));
        QVERIFY(bench.messages().isEmpty());
        QCOMPARE(watch.made, 1);
    }

  private:
    static void type(TTunerEditBox* box, const QString& text) { box->setText(text); }
};

std::unique_ptr<QObject> makeAutoTuneScreenTest() {
    return std::make_unique<AutoTuneScreenTest>();
}

}  // namespace vantrel::test

#include "AutoTuneScreenTest.moc"
