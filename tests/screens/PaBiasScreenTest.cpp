// The PA bias screens: toggles and their zeroing sets, Program, mobile ranges, the opening per model
// with the test channel, and the supply screening in the shell.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QTest>

#include "ScreenBench.h"
#include "ScreensTests.h"
#include "ShellRig.h"
#include "app/CommandTable.h"
#include "app/ProcedureCatalogue.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "screens/TPABiasWindows.h"
#include "screens/TTunerEditBox.h"
#include "screens/TUpDown.h"
#include "sim/SimProtocol.h"

namespace vantrel::test {

namespace {

using biasRow = TPABiasWindow::biasRow;

SimProfile withModel(SimProfile p, std::string code, int base = -1) {
    code.resize(sim::identity::kModelLength, ' ');
    p.modelNo = code;
    if (base >= 0)
        p.base = static_cast<std::uint16_t>(base);
    return p;
}

/// A default variant as the shell makes it after the screening: the command's identity, its own code.
template <class Screen>
std::unique_ptr<Screen> openDefault(ScreenBench& bench, const char* normalClass, int code) {
    screenEnvironment e = bench.environment(normalClass);
    e.identity.defaultVariant = true;
    e.identity.code = code;
    return std::unique_ptr<Screen>(TScreenSession::create<Screen>(e));
}

/// The window frees the first row's toggle only; turning it on and off again frees every toggle.
void freeToggles(TPABiasWindow& screen) {
    if (screen.toggle(0)->isEnabled() && !screen.rowEnabled(0)) {
        screen.toggleRow(0);
        if (screen.rowEnabled(0))
            screen.toggleRow(0);
    }
}

/// What turning a row's toggle on sends; the toggle is turned off again when it took.
QStringList zeroingOf(ScreenBench& bench, TPABiasWindow& screen, biasRow kind) {
    const int row = screen.rowOf(kind);
    if (!screen.toggle(row)->isEnabled())
        freeToggles(screen);
    bench.mark();
    screen.toggleRow(row);
    const QStringList sent = bench.requests();
    if (screen.rowEnabled(row))
        screen.toggleRow(row);
    return sent;
}

QStringList zeroes(std::initializer_list<const char*> softpots) {
    QStringList out{"I 1"};
    for (const char* s : softpots) out << QString("S %1/2: 0").arg(s);
    return out;
}

}  // namespace

class PaBiasScreenTest : public QObject {
    Q_OBJECT
  private slots:
    void eachVariantZeroesItsOwnSet() {
        ScreenBench bench;
        const QStringList all = zeroes({"18", "20", "27"});
        const QStringList voltage = zeroes({"6", "18", "20", "27"});
        {
            auto high = bench.open<TPABiasHighVoltageWindow>();
            QCOMPARE(zeroingOf(bench, *high, biasRow::Voltage), voltage);
            for (biasRow b : {biasRow::Bias1, biasRow::Bias2, biasRow::Bias3})
                QCOMPARE(zeroingOf(bench, *high, b), all);
        }
        {
            auto low = bench.open<TPABiasLowVoltageWindow>();
            QCOMPARE(zeroingOf(bench, *low, biasRow::Voltage), voltage);
            QCOMPARE(zeroingOf(bench, *low, biasRow::Bias1), zeroes({"18"}));
            QCOMPARE(zeroingOf(bench, *low, biasRow::Bias2), zeroes({"20"}));
            // Bias 3 is only selected at low power: nothing sent, nothing freed.
            QCOMPARE(zeroingOf(bench, *low, biasRow::Bias3), QStringList());
            QVERIFY(!low->workingBox(low->rowOf(biasRow::Bias3))->isEnabled());
        }
        {
            auto highDefault = openDefault<TPABiasHighVoltageWindowDefault>(bench, "TPABiasHighVoltageWindow",
                                                                            screenCode::PaBiasHighDefault);
            QCOMPARE(zeroingOf(bench, *highDefault, biasRow::Bias1), all);
            QCOMPARE(zeroingOf(bench, *highDefault, biasRow::Voltage), voltage);
        }
        {
            auto lowDefault = openDefault<TPABiasLowVoltageWindowDefault>(bench, "TPABiasLowVoltageWindow",
                                                                          screenCode::PaBiasLowDefault);
            QCOMPARE(zeroingOf(bench, *lowDefault, biasRow::Bias2), zeroes({"20"}));
            QCOMPARE(zeroingOf(bench, *lowDefault, biasRow::Bias3), QStringList());
        }
    }

    void aToggleLocksTheOthersUntilTurnedOffAndFreesItsRowOnlyAfterTheZeroes() {
        ScreenBench bench;
        auto screen = bench.open<TPABiasHighVoltageWindow>();
        QCOMPARE(screen->rowCount(), 4);
        // The voltage comes first: only its toggle is free, and no box is.
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(screen->toggle(i)->isEnabled(), i == 0);
            QVERIFY(!screen->workingBox(i)->isEnabled());
            QVERIFY(!screen->upDown(i)->isEnabled());
        }
        QCOMPARE(screen->workingBox(0)->text(), QString("0"));  // the voltage has no record value
        QVERIFY(!screen->defaultBox(0)->isVisible() && screen->defaultBox(0)->isHidden());
        QCOMPARE(screen->defaultBox(1)->text(), QString("110"));

        const int bias2 = screen->rowOf(biasRow::Bias2);
        // A locked toggle takes nothing; the first row's turned on and off again frees them all.
        screen->toggleRow(bias2);
        QVERIFY(!screen->toggle(bias2)->isChecked() && !screen->rowEnabled(bias2));
        freeToggles(*screen);
        screen->workingBox(bias2)->setText("90");
        screen->toggleRow(bias2);
        QVERIFY(screen->toggle(bias2)->isChecked());
        QVERIFY(screen->workingBox(bias2)->isEnabled() && screen->upDown(bias2)->isEnabled());
        QCOMPARE(screen->workingBox(bias2)->text(), QString("0"));
        for (int i = 0; i < 4; ++i) {
            if (i != bias2)
                QVERIFY(!screen->toggle(i)->isEnabled() && !screen->workingBox(i)->isEnabled());
        }
        screen->toggleRow(bias2);
        QVERIFY(!screen->workingBox(bias2)->isEnabled());
        for (int i = 0; i < 4; ++i) QVERIFY(screen->toggle(i)->isEnabled());

        // The radio does not take bias 2's zero: the row stays locked and the others stay free.
        bench.silence(sim::op::Softpot, softpot::PaBiasSecond);
        bench.mark();
        screen->toggleRow(screen->rowOf(biasRow::Bias1));
        QCOMPARE(bench.messages(), QStringList{"ERROR|Radio Communication Error!!"});
        QVERIFY(!screen->rowEnabled(1) && !screen->workingBox(1)->isEnabled());
        QVERIFY(!screen->toggle(1)->isChecked());
        for (int i = 0; i < 4; ++i) QVERIFY(screen->toggle(i)->isEnabled());
    }

    void liveTuningWritesTheTypedValueToTheRowsOwnSoftpot() {
        ScreenBench bench;
        auto screen = bench.open<TPABiasLowVoltageWindow>();
        const int bias2 = screen->rowOf(biasRow::Bias2);
        freeToggles(*screen);
        screen->toggleRow(bias2);
        bench.mark();
        screen->workingBox(bias2)->setText("77");
        QTest::keyClick(screen->workingBox(bias2), Qt::Key_Return);
        settle();
        QCOMPARE(bench.requests(), (QStringList{"I 1", "S 20/2: 77"}));
        // The voltage goes to softpot 6.
        screen->toggleRow(bias2);
        screen->toggleRow(0);
        screen->workingBox(0)->setText("64");
        bench.mark();
        screen->valueAction(0);
        QCOMPARE(bench.requests(), (QStringList{"I 1", "S 6/2: 64"}));
    }

    void programStopsAtBias3AfterBias1And2AndSaysWhichWereWritten() {
        ScreenBench bench;
        auto screen = bench.open<TPABiasHighVoltageWindow>();
        screen->workingBox(0)->setText("99");  // the voltage is never programmed
        screen->workingBox(1)->setText("50");
        screen->workingBox(2)->setText("60");
        screen->workingBox(3)->setText("200");
        bench.mark();
        screen->program();
        QCOMPARE(
            bench.messages(),
            (QStringList{"WARNING|Commit new softpot value?",
                         "ERROR|Program softpots aborted for PA Bias High Power!! Illegal softpot value\n\n"
                         "Bias 1 and Bias 2 were programmed into the radio before the stop."}));
        QCOMPARE(bench.requests(), (QStringList{"I 1", "S 18/1: 50", "S 20/1: 60"}));
        QCOMPARE(bench.record.getValue(row::PaBias, col::PaBiasFirstHigh), 50);
        QCOMPARE(bench.record.getValue(row::PaBias, col::PaBiasSecondHigh), 60);
        QCOMPARE(bench.record.getValue(row::PaBias, col::PaBiasThirdHigh), 100);
        QCOMPARE(screen->defaultBox(2)->text(), QString("60"));
        QCOMPARE(bench.radio.programmedValue(softpot::PaBiasSecond, 0), 60);

        // A link failure at bias 3 says the same.
        screen->workingBox(3)->setText("70");
        bench.silence(sim::op::Softpot, softpot::PaBiasThird);
        bench.mark();
        screen->program();
        QCOMPARE(
            bench.messages().mid(1),
            QStringList{"ERROR|Radio Communication Error!!\n\nBias 1 and Bias 2 were programmed into the "
                        "radio before the stop."});
    }

    void lowPowerProgramsItsColumnsChecksEveryRowAndSaysDone() {
        ScreenBench bench;
        auto screen = bench.open<TPABiasLowVoltageWindow>();
        QCOMPARE(bench.requests(), (QStringList{"I 1", "T 9 2 2"}));
        QCOMPARE(screen->defaultBox(1)->text(), QString("90"));
        // Bias 2 above its maximum stops Program on the low screens too.
        screen->workingBox(1)->setText("40");
        screen->workingBox(2)->setText("128");
        bench.mark();
        screen->program();
        QCOMPARE(
            bench.messages().mid(1),
            QStringList{"ERROR|Program softpots aborted for PA Bias Low Power!! Illegal softpot value\n\n"
                        "Bias 1 was programmed into the radio before the stop."});
        // An empty box stops it with its own note.
        screen->workingBox(2)->clear();
        bench.mark();
        screen->program();
        QCOMPARE(bench.messages().mid(1),
                 QStringList{"NOTE|Please enter a valid PA Bias Low Power softpot value!!\n\nBias 1 was "
                             "programmed into the radio before the stop."});

        screen->workingBox(2)->setText("41");
        screen->workingBox(3)->setText("42");
        bench.mark();
        screen->program();
        QCOMPARE(bench.messages(),
                 (QStringList{"WARNING|Commit new softpot value? Softpot Value Range (0-127)",
                              "NOTE|PA Bias Low softpot values commited !!"}));
        QCOMPARE(bench.prompt.shown().back().icon, PromptIcon::Information);
        QCOMPARE(bench.requests(), (QStringList{"I 1", "S 18/1: 40", "S 20/1: 41", "S 27/1: 42"}));
        for (int i = 1; i <= 3; ++i) {
            QCOMPARE(bench.record.getValue(row::PaBias, col::PaBiasFirstLow + 2 * (i - 1)), 39 + i);
            QCOMPARE(screen->defaultBox(i)->text(), QString::number(39 + i));
        }
        QCOMPARE(bench.record.getValue(row::PaBias, col::PaBiasFirstHigh), 110);
    }

    void mobilesTuneBias2And3UpTo255() {
        ScreenBench bench(SimProfile::named("mobile"));
        auto screen = bench.open<TPABiasHighVoltageWindow>();
        // A mobile that is not a high-power one gets the portable's test mode.
        QCOMPARE(bench.requests(), (QStringList{"I 1", "T 9 0 2"}));
        const int maxima[] = {127, 127, 255, 255};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(screen->upDown(i)->maximum(), maxima[i]);
            QCOMPARE(screen->workingBox(i)->maximum(), maxima[i]);
        }
        QCOMPARE(screen->noteLabel()->text(),
                 QString("Note : Voltage and Bias 1 softpot values range from 0-127\n"
                         "           Bias 2 and 3 softpot values range from 0-255"));
        screen->workingBox(1)->setText("128");
        screen->workingBox(2)->setText("255");
        bench.mark();
        screen->program();
        QVERIFY(
            bench.messages().value(1).startsWith("ERROR|Program softpots aborted for PA Bias High Power!!"));
        QCOMPARE(bench.requests(), QStringList{"I 1"});
        screen->workingBox(1)->setText("127");
        screen->workingBox(3)->setText("254");
        bench.mark();
        screen->program();
        QCOMPARE(bench.requests(), (QStringList{"I 1", "S 18/1: 127", "S 20/1: 255", "S 27/1: 254"}));
    }

    void rowsFollowTheFlags() {
        SimProfile p = SimProfile::named("portable");
        p.softpots[softpot::PaBiasSecond].supported = false;
        p.softpots[softpot::PaBiasThird].supported = false;
        p.softpots[softpot::PaVoltageLimit].supported = false;
        ScreenBench bench(p);
        auto screen = bench.open<TPABiasHighVoltageWindow>();
        QCOMPARE(screen->rowCount(), 1);
        QCOMPARE(screen->rowOf(biasRow::Bias1), 0);
        QVERIFY(screen->toggle(0)->isEnabled());
        // Only the softpot the radio has is zeroed.
        QCOMPARE(zeroingOf(bench, *screen, biasRow::Bias1), zeroes({"18"}));
    }

    void theTestChannelFormulaAndItsLimits() {
        QCOMPARE(paBiasTestChannel(TPABiasWindow::kMobileTestHz, 5200), std::optional<std::uint16_t>(14000));
        QCOMPARE(paBiasTestChannel(TPABiasWindow::kQrTestHz, 16000), std::optional<std::uint16_t>(20000));
        QCOMPARE(paBiasTestChannel(TPABiasWindow::kKTestHz, 5200), std::optional<std::uint16_t>(8800));
        QCOMPARE(paBiasTestChannel(TPABiasWindow::kMobileTestHz, 7999), std::optional<std::uint16_t>(5));
        // At or above the test frequency, and too far below it, there is no channel.
        QVERIFY(!paBiasTestChannel(TPABiasWindow::kMobileTestHz, 8000));
        QVERIFY(!paBiasTestChannel(TPABiasWindow::kMobileTestHz, 16000));
        QVERIFY(!paBiasTestChannel(TPABiasWindow::kQrTestHz, 0));
        QVERIFY(!paBiasTestChannel(TPABiasWindow::kQrTestHz, 65535));
    }

    void highPowerMobilesKeyAtTheirTestChannel() {
        // Variant R, band letter N: 500 MHz, channel (500 MHz - 400 MHz) / 5 kHz.
        ScreenBench qr(SimProfile::named("high-power-mobile-n"));
        auto screen = qr.open<TPABiasHighVoltageWindow>();
        QCOMPARE(qr.requests(), (QStringList{"I 1", "T 9 2 2", "c 20000", "K 1", "S 20/2: 0", "S 0/2: 255"}));
        QVERIFY(qr.radio.keyed() && screen->keyed());
        QCOMPARE(screen->statusBox()->text(), QString("Radio is currently keyed up at 500.000000MHz"));
        // Tuning another row keeps the transmitter on; closing takes it off.
        screen->toggleRow(0);
        qr.mark();
        screen->workingBox(0)->setText("30");
        screen->valueAction(0);
        QCOMPARE(qr.requests(), (QStringList{"I 1", "S 6/2: 30"}));
        qr.mark();
        screen->close();
        QCOMPARE(qr.requests(), (QStringList{"K 0", "X"}));
        QVERIFY(!qr.radio.keyed());

        // Band letter N without Q or R: 200 MHz.
        ScreenBench n(withModel(SimProfile::named("high-power-mobile-n"), "M52HSC7BNW", 5200));
        auto at200 = n.open<TPABiasHighVoltageWindow>();
        QCOMPARE(n.requests().mid(1, 2), (QStringList{"T 9 2 2", "c 14000"}));

        // Other high-power mobiles are keyed as they are.
        ScreenBench plain(withModel(SimProfile::named("high-power-mobile-n"), "M52HSC7B4W"));
        auto keyedOnly = plain.open<TPABiasHighVoltageWindow>();
        QCOMPARE(plain.requests(), (QStringList{"I 1", "K 1", "S 0/2: 255"}));

        // A base the test frequency cannot be reached from: nothing keyed, the screen does not open.
        ScreenBench far(withModel(SimProfile::named("high-power-mobile-n"), "M52RSC7BNW", 20000));
        auto refused = far.open<TPABiasHighVoltageWindow>();
        QCOMPARE(far.code, 0);
        QVERIFY(!far.requests().contains("K 1"));
        QCOMPARE(far.requests(), QStringList{"I 1"});
        QCOMPARE(far.messages().size(), 1);
        QVERIFY(far.messages().front().startsWith("ERROR|"));
    }

    void receiveModeSetsUpTheFAndKMobilesOnly() {
        ScreenBench k(SimProfile::named("high-power-mobile-k"));
        auto screen = k.open<TPABiasRxModeWindow>();
        QCOMPARE(k.requests(),
                 (QStringList{"I 1", "T 9 0 2", "c 8800", "S 20/2: 0", "S 27/2: 0", "S 0/2: 255"}));
        QVERIFY(!k.radio.keyed());
        QCOMPARE(k.code, screenCode::PaBiasHigh);
        // Receive mode tunes the high power columns.
        screen->workingBox(1)->setText("33");
        screen->program();
        QCOMPARE(k.record.getValue(row::PaBias, col::PaBiasFirstHigh), 33);
        QCOMPARE(k.messages().last(), QString("NOTE|PA Bias High softpot values commited !!"));

        ScreenBench f(withModel(SimProfile::named("high-power-mobile"), "M52FSC7B4W", 5200));
        auto fScreen = f.open<TPABiasRxModeWindow>();
        QCOMPARE(f.requests(),
                 (QStringList{"I 1", "T 0 2 2", "T 9 0 2", "c 14000", "S 20/2: 0", "S 0/2: 255"}));

        // The shipped F profile sits above 200 MHz: the screen refuses it before sending anything.
        ScreenBench uhf(SimProfile::named("high-power-mobile"));
        auto refused = uhf.open<TPABiasRxModeWindow>();
        QCOMPARE(uhf.code, 0);
        QCOMPARE(uhf.requests(), QStringList{"I 1"});

        ScreenBench portable;
        auto unset = portable.open<TPABiasRxModeWindow>();
        QCOMPARE(portable.requests(), QStringList{"I 1"});
    }

    void defaultVariantsOnlyDekeyAndResetAndAskForTheSupplyBack() {
        ScreenBench bench;
        auto screen = openDefault<TPABiasLowVoltageWindowDefault>(bench, "TPABiasLowVoltageWindow",
                                                                  screenCode::PaBiasLowDefault);
        QCOMPARE(bench.code, screenCode::PaBiasLowDefault);
        QCOMPARE(bench.requests(), (QStringList{"I 1", "K 0", "X"}));
        QCOMPARE(screen->defaultBox(1)->text(), QString("90"));
        bench.mark();
        screen->close();
        QCOMPARE(bench.requests(), (QStringList{"K 0", "X"}));
        QCOMPARE(bench.messages(), QStringList{"NOTE|Please Set Supply Voltage Back to 7.5V"});
        QCOMPARE(bench.prompt.shown().back().icon, PromptIcon::None);
        QCOMPARE(bench.code, 0);

        // The normal screens close without it.
        auto normal = bench.open<TPABiasLowVoltageWindow>();
        bench.mark();
        normal->close();
        QVERIFY(bench.messages().isEmpty());
    }

    void screeningOpensTheNormalScreenFirstAndTheDefaultOneOnlyAfterIt() {
        {
            // No: the normal screen's test mode is set before the current question, then it is shown.
            ShellRig rig;
            rig.run(cmd::ReadRadio);
            rig.bench.mark();
            rig.bench.prompt.answer(PromptAnswer::Ok);
            rig.bench.prompt.answer(PromptAnswer::No);
            QVERIFY(rig.run(cmd::PaBiasHigh));
            QCOMPARE(rig.bench.requests(), (QStringList{"I 1", "T 9 0 2"}));
            QCOMPARE(rig.bench.messages().size(), 3);
            QCOMPARE(rig.bench.messages()[1], QString("WARNING|Is Current Drawn of the Radio > 100mA?"));
            QCOMPARE(rig.bench.prompt.shown()[1].icon, PromptIcon::Information);
            QCOMPARE(rig.app->openScreenCode(), screenCode::PaBiasHigh);
            QVERIFY(dynamic_cast<TPABiasHighVoltageWindow*>(rig.screen()));
            QCOMPARE(rig.client().subWindowList().first()->windowTitle(),
                     QString("PA Bias Voltage High Power"));
        }
        {
            // Yes: the normal screen goes (dekey, reset) before the default one comes; help 40017.
            ShellRig rig;
            rig.run(cmd::ReadRadio);
            rig.bench.mark();
            QVERIFY(rig.run(cmd::PaBiasLow));
            QCOMPARE(rig.bench.requests(), (QStringList{"I 1", "T 9 2 2", "K 0", "X", "I 1", "K 0", "X"}));
            QCOMPARE(rig.app->openScreenCode(), screenCode::PaBiasLowDefault);
            QVERIFY(dynamic_cast<TPABiasLowVoltageWindowDefault*>(rig.screen()));
            QCOMPARE(rig.client().subWindowList().size(), 1);
            QCOMPARE(rig.client().subWindowList().first()->windowTitle(),
                     QString("PA Bias Default (Low Power)"));
            QCOMPARE(rig.app->lastHelpContext(), helpContext::PaBiasDefault);
            rig.app->contextHelp();
            QCOMPARE(rig.app->lastHelpContext(), helpContext::PaBiasDefault);
            // Another PA bias command now says the window is still open, before any question.
            rig.bench.mark();
            rig.client().cmPaBiasHigh(cmd::PaBiasHigh);
            QCOMPARE(rig.bench.messages(),
                     QStringList{" NOTE|Current window still open! Please close first!"});
            QVERIFY(rig.bench.requests().isEmpty());
        }
    }
};

std::unique_ptr<QObject> makePaBiasScreenTest() {
    return std::make_unique<PaBiasScreenTest>();
}

}  // namespace vantrel::test

#include "PaBiasScreenTest.moc"
