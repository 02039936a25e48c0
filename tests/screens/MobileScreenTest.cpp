// The K and M power screen, the transmit DAC screen and the battery threshold screen of mobiles.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "ScreenBench.h"
#include "ScreensTests.h"
#include "app/CommandTable.h"
#include "app/ProcedureCatalogue.h"
#include "radio/ModelTable.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "screens/TBatteryVoltageWindow.h"
#include "screens/TKMPowerEditBox.h"
#include "screens/TMobilePowerTuneHI.h"
#include "screens/TTransmitDACWindow.h"
#include "screens/TTunerEditBox.h"
#include "screens/TUpDown.h"
#include "sim/SimProtocol.h"

namespace vantrel::test {

namespace {

const QString kWritten = "NOTE|Softpots have been successfully written to the radio!!";
const QString kCommit = "WARNING|Commit new softpot values?";
const QString kDacWarning =
    "WARINING|Unacceptabel DAC values. Please check hardware as there might be a hardware failure.";

QString incorrect(int point) {
    return QStringLiteral("NOTE|Incorrect power measurement in F%1!!").arg(point);
}

/// A high series mobile with K and M; its points lie at 430 MHz, or in the low band when asked.
SimProfile highMobile(bool lowBand = false) {
    SimProfile p = SimProfile::named("high-power-mobile");
    p.softpots[softpot::MobilePower].supported = true;
    if (lowBand)
        p.base = 1200;  // 30 MHz: points at 32 to 44 MHz
    return p;
}

/// Sets the two measuring levels of the record.
void setLevels(radioStorage& record, int l1, int l2) {
    record.setValue(row::MobilePower, col::LowBandTxDacFirst, l1);
    record.setValue(row::MobilePower, col::LowBandTxDacSecond, l2);
}

/// Types the two readings of every point.
void typeReadings(TMobilePowerTuneHI& screen, const QString& p1, const QString& p2) {
    for (int point = 1; point <= 7; ++point) {
        screen.powerBox(point)->setText(p1);
        screen.powerBox(point + 7)->setText(p2);
    }
}

int km(const radioStorage& record, int point, int which) {
    return record.getValue(row::MobilePower, col::KmFirst + 2 * (point - 1) + which);
}

}  // namespace

class MobileScreenTest : public QObject {
    Q_OBJECT
  private slots:
    // --- K and M ----------------------------------------------------------------------------------------

    void kmOpensAtLowPowerAndShowsThePowersOfTheStoredPairs() {
        ScreenBench bench(SimProfile::named("lowband-mobile"));
        auto screen = bench.open<TMobilePowerTuneHI>();
        QCOMPARE(bench.code, 4);
        // The low power test mode with the record's spacing, then F1's channels.
        QCOMPARE(bench.requests(), (QStringList{"I 1", "T 1 2 2", "T 129 2 2", "C 400 400"}));
        QCOMPARE(screen->model().kScale, 25.0);
        // F1: K 128, M 68 at levels 180 and 90: (68 / 2500 * 180)^2 and (4.896 - 2.448)^2.
        QCOMPARE(screen->frequencyBox(1)->text(), QString("32.000000"));
        QCOMPARE(screen->powerBox(1)->text(), QString("23.971"));
        QCOMPARE(screen->powerBox(8)->text(), QString("5.993"));
        QCOMPARE(screen->statusBox()->text(), QString("Radio is currently dekeyed"));

        // The worked example of both models, shown back from the record.
        ScreenBench mobile(SimProfile::named("mobile"));
        setLevels(mobile.record, 100, 50);
        mobile.record.setValue(row::MobilePower, col::KmFirst, 128);
        mobile.record.setValue(row::MobilePower, col::KmFirst + 1, 50);
        auto plain = mobile.open<TMobilePowerTuneHI>();
        QCOMPARE(plain->powerBox(1)->text(), QString("4.000"));
        QCOMPARE(plain->powerBox(8)->text(), QString("1.000"));

        ScreenBench high(highMobile());
        setLevels(high.record, 100, 50);
        high.record.setValue(row::MobilePower, col::KmFirst, 19);
        high.record.setValue(row::MobilePower, col::KmFirst + 1, 50);
        auto reversed = high.open<TMobilePowerTuneHI>();
        QCOMPARE(reversed->model().kScale, 6.25);
        QCOMPARE(reversed->powerBox(1)->text(), QString("1.082"));
        QCOMPARE(reversed->powerBox(8)->text(), QString("4.162"));
    }

    void kmKeysAtTheSelectedLevelAndFollowsTheFocus() {
        ScreenBench bench(SimProfile::named("lowband-mobile"));
        auto screen = bench.open<TMobilePowerTuneHI>();
        bench.mark();
        screen->focusAction(2);  // Power 1 of F2
        QCOMPARE(bench.requests(), (QStringList{"I 1", "C 800 800"}));
        bench.mark();
        screen->togglePtt();
        // Keyed at once, the voltage limit released, then level L1 live.
        QCOMPARE(bench.requests(), (QStringList{"K 1", "S 6/2: 127", "S 0/2: 180"}));
        QVERIFY(screen->keyed());
        QCOMPARE(screen->statusBox()->text(), QString("Radio is currently keyed up at 34.000000MHz"));
        bench.mark();
        screen->focusAction(9);  // Power 2 of the keyed point: level L2 without dekeying
        QCOMPARE(bench.requests(), (QStringList{"I 1", "S 0/2: 90"}));
        QVERIFY(bench.radio.keyed());
        bench.mark();
        screen->focusAction(3);  // another point: dekey first, then only its channels
        QCOMPARE(bench.requests(), (QStringList{"K 0", "I 1", "C 1200 1200"}));
        QVERIFY(!bench.radio.keyed());
        QCOMPARE(screen->statusBox()->text(), QString("Radio is currently dekeyed"));
        screen->togglePtt();
        bench.mark();
        screen->close();
        QCOMPARE(bench.requests(), (QStringList{"K 0", "X"}));
        QCOMPARE(bench.code, 0);
    }

    void kmProgramComputesEveryPairThenWritesTwoBytesPerPoint() {
        ScreenBench bench(SimProfile::named("lowband-mobile"));
        setLevels(bench.record, 100, 50);
        auto screen = bench.open<TMobilePowerTuneHI>();
        screen->togglePtt();
        typeReadings(*screen, "4.0", "1.0");
        bench.mark();
        screen->program();
        QCOMPARE(bench.messages(), (QStringList{kCommit, kWritten}));
        QStringList expected{"I 1", "K 0"};
        for (int channel = 400; channel <= 2800; channel += 400)
            expected << QString("C %1 %1").arg(channel) << "S 17/1: 128 50";
        expected << "C 400 400";  // back at the selected point
        QCOMPARE(bench.requests(), expected);
        for (int point = 1; point <= 7; ++point) {
            QCOMPARE(km(bench.record, point, 0), 128);
            QCOMPARE(km(bench.record, point, 1), 50);
            QCOMPARE(bench.radio.programmedValue(softpot::MobilePower, 0, point - 1), 0x8032);
        }
        QVERIFY(!screen->keyed());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    void kmProgramStopsBeforeAnyRequestOnAReadingTheRadioCannotHold() {
        ScreenBench bench(SimProfile::named("lowband-mobile"));
        setLevels(bench.record, 100, 50);
        auto screen = bench.open<TMobilePowerTuneHI>();
        typeReadings(*screen, "4.0", "1.0");
        screen->powerBox(3)->setText("400");  // M of F3 = 1000
        bench.mark();
        screen->program();
        QCOMPARE(bench.messages(), (QStringList{kCommit, incorrect(3)}));
        QVERIFY(bench.requests().isEmpty());
        QCOMPARE(km(bench.record, 1, 1), 68);

        // A negative reading (Power 2 boxes take any character) stops too.
        screen->powerBox(3)->setText("4.0");
        screen->powerBox(12)->setText("-1");
        bench.mark();
        screen->program();
        QCOMPARE(bench.messages().last(), incorrect(5));
        QVERIFY(bench.requests().isEmpty());

        // Equal levels leave no slope: the first point is refused whatever was read.
        screen->powerBox(12)->setText("1.0");
        setLevels(bench.record, 80, 80);
        bench.mark();
        screen->program();
        QCOMPARE(bench.messages().last(), incorrect(1));
        QVERIFY(bench.requests().isEmpty());

        // Cancel at the question: nothing at all.
        bench.prompt.answer(PromptAnswer::Cancel);
        bench.mark();
        screen->program();
        QCOMPARE(bench.messages(), QStringList{kCommit});
        QVERIFY(bench.requests().isEmpty());
    }

    void kmUnusedPointsAreDisabledAndSkipped() {
        SimProfile profile = SimProfile::named("lowband-mobile");
        profile.txPoints[1] = 0;
        ScreenBench bench(profile);
        setLevels(bench.record, 100, 50);
        auto screen = bench.open<TMobilePowerTuneHI>();
        QCOMPARE(screen->frequencyBox(2)->text(), QString("UNSUPPORTED"));
        QVERIFY(screen->powerBox(2)->text().isEmpty());
        QVERIFY(!screen->powerBox(2)->isEnabled());
        QVERIFY(!screen->powerBox(9)->isEnabled());
        for (int point : {1, 3, 4, 5, 6, 7}) {
            screen->powerBox(point)->setText("4");
            screen->powerBox(point + 7)->setText("1");
        }
        bench.mark();
        screen->program();
        QCOMPARE(bench.messages().last(), kWritten);
        QCOMPARE(bench.requests().filter("S 17/1").size(), 6);
        QVERIFY(!bench.requests().contains("C 800 800"));
    }

    void kmReportsLinkFailuresInTheStatusBoxAfterDekeying() {
        ScreenBench bench(SimProfile::named("lowband-mobile"));
        auto screen = bench.open<TMobilePowerTuneHI>();
        screen->togglePtt();
        bench.silence(sim::op::Softpot, softpot::TxPower);
        bench.mark();
        screen->focusAction(8);
        QVERIFY(!bench.radio.keyed());
        QVERIFY(!screen->keyed());
        QCOMPARE(bench.requests().last(), QString("K 0"));
        QCOMPARE(screen->statusBox()->text(), QString("Radio Communication Error!!"));
        QVERIFY(bench.messages().isEmpty());

        // A dekey that fails as well leaves the warning that the radio may still transmit.
        bench.radio.clearFaults();
        screen->togglePtt();
        QVERIFY(bench.radio.keyed());
        bench.silenceFromRequest(0);
        bench.mark();
        screen->togglePtt();
        QCOMPARE(bench.messages(), QStringList{"WARNING|" + QString(TScreenSession::kStillKeyedText)});
        QCOMPARE(screen->statusBox()->text(), QString("Radio Communication Error!!"));
        QVERIFY(screen->keyed());
    }

    void kmBoxAsksOnceUntilTheFocusMovesWithinTheWindow() {
        ScreenBench bench(SimProfile::named("lowband-mobile"));
        auto screen = bench.open<TMobilePowerTuneHI>();
        TKMPowerEditBox* box = screen->powerBox(9);
        int asked = 0;
        connect(box, &TKMPowerEditBox::notify, box, [&](int id, int code) {
            QCOMPARE(id, 4001);
            QCOMPARE(code, TKMPowerEditBox::kFocused);
            ++asked;
        });
        auto focus = [&](QEvent::Type type, Qt::FocusReason reason) {
            QFocusEvent event(type, reason);
            QCoreApplication::sendEvent(box, &event);
        };
        focus(QEvent::FocusIn, Qt::MouseFocusReason);
        QCOMPARE(asked, 1);
        QCOMPARE(screen->currentSelection(), 9);
        // A message box shown by the action takes the focus and gives it back: no second action.
        focus(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        focus(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        focus(QEvent::FocusOut, Qt::PopupFocusReason);
        focus(QEvent::FocusIn, Qt::PopupFocusReason);
        QCOMPARE(asked, 1);
        focus(QEvent::FocusOut, Qt::TabFocusReason);
        focus(QEvent::FocusIn, Qt::BacktabFocusReason);
        QCOMPARE(asked, 2);
    }

    void kmOpeningFailureShowsTheMessageAndClearsTheCode() {
        ScreenBench bench(SimProfile::named("lowband-mobile"));
        bench.silence(sim::op::TestMode);
        auto screen = bench.open<TMobilePowerTuneHI>();
        QCOMPARE(bench.code, 0);
        QCOMPARE(bench.messages(), QStringList{"ERROR|Radio Communication Error!!"});
        QCOMPARE(screen->statusBox()->text(), QString("Radio Communication Error!!"));
    }

    void kmOfALowBandHighMobileWaitsForTheDacMarkTheDacCommandNeverGives() {
        // A high series mobile in the low band: the K and M command waits for the DAC screen's mark,
        // and the DAC command is for other mobiles only, so neither can be picked.
        ScreenBench bench(highMobile(true));
        QCOMPARE(bench.record.getValue(row::MobilePower, col::LowBandFlag), 1);
        ShellState state;
        state.record = &bench.record;
        state.radioRead = true;
        QVERIFY(!isCommandEnabled(cmd::KmTuning, state));
        QVERIFY(!isCommandEnabled(cmd::TransmitDac, state));
        bench.record.setValue(row::TxDacMarker, col::TxDacMarker, 1);
        QVERIFY(isCommandEnabled(cmd::KmTuning, state));

        // The same mobile outside the low band and a low-band mobile of another series have K and M.
        ScreenBench uhf(highMobile(false));
        state.record = &uhf.record;
        QVERIFY(isCommandEnabled(cmd::KmTuning, state));
        ScreenBench low(SimProfile::named("lowband-mobile"));
        state.record = &low.record;
        QVERIFY(isCommandEnabled(cmd::KmTuning, state));
        QVERIFY(isCommandEnabled(cmd::TransmitDac, state));
    }

    // --- Transmit DAC -----------------------------------------------------------------------------------

    void dacOpensAtHighPowerAtTheHighestPointAndMarksTheRecord() {
        ScreenBench bench(SimProfile::named("lowband-mobile"));
        QCOMPARE(bench.record.getValue(row::TxDacMarker, col::TxDacMarker), 0);
        auto screen = bench.open<TTransmitDACWindow>();
        QCOMPARE(bench.code, 35);
        QCOMPARE(bench.requests(), (QStringList{"I 1", "T 1 0 2", "T 129 0 2", "C 2800 2800"}));
        QCOMPARE(bench.record.getValue(row::TxDacMarker, col::TxDacMarker), 1);
        QCOMPARE(screen->frequencyBox(0)->text(), QString("DAC 1"));
        QCOMPARE(screen->frequencyBox(1)->text(), QString("DAC 2"));
        QCOMPARE(screen->defaultBox(0)->text(), QString("180"));
        QCOMPARE(screen->programButton(), nullptr);
        QCOMPARE(screen->noteLabel()->text(), QString("Note : Valid Softpot values will range from 0-255"));

        // An opening that fails leaves the record unmarked.
        ScreenBench failing(SimProfile::named("lowband-mobile"));
        failing.silence(sim::op::TestMode);
        auto closed = failing.open<TTransmitDACWindow>();
        QCOMPARE(failing.code, 0);
        QCOMPARE(failing.record.getValue(row::TxDacMarker, col::TxDacMarker), 0);
    }

    void dacChangesNothingWhileDekeyedAndStoresAtOnceWhileKeyed() {
        ScreenBench bench(SimProfile::named("lowband-mobile"));
        auto screen = bench.open<TTransmitDACWindow>();
        bench.mark();
        screen->upDown(1)->setPosition(40);
        screen->valueAction(1);
        screen->slider(0)->setSliderPosition(150);
        screen->sliderAction(0, QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(bench.record.getValue(row::MobilePower, col::LowBandTxDacFirst), 180);
        QCOMPARE(bench.record.getValue(row::MobilePower, col::LowBandTxDacSecond), 90);
        QVERIFY(bench.requests().filter(QRegularExpression("^[SK] ")).isEmpty());
        QVERIFY(!bench.radio.liveValue(softpot::TxPower).has_value());

        bench.mark();
        screen->togglePtt();
        // Keyed at DAC 1 with the value its row shows now, which goes into the record at once.
        QCOMPARE(bench.requests(), (QStringList{"K 1", "S 6/2: 127", "S 0/2: 150"}));
        QCOMPARE(bench.record.getValue(row::MobilePower, col::LowBandTxDacFirst), 150);
        screen->upDown(0)->setPosition(160);
        bench.mark();
        screen->valueAction(0);
        QCOMPARE(bench.requests(), (QStringList{"I 1", "S 0/2: 160"}));
        QCOMPARE(bench.record.getValue(row::MobilePower, col::LowBandTxDacFirst), 160);
        QCOMPARE(screen->defaultBox(0)->text(), QString("160"));
        bench.mark();
        screen->close();
        QCOMPARE(bench.requests(), (QStringList{"K 0", "X"}));
        QVERIFY(bench.messages().isEmpty());
    }

    void dacWarnsAtClosingOnlyWhenTheSecondIsBelowAnOutlyingFirst() {
        QVERIFY(!TTransmitDACWindow::unacceptable(20, 20));
        QVERIFY(TTransmitDACWindow::unacceptable(201, 200));
        const struct {
            int dac1, dac2;
            bool warns;
        } cases[] = {{150, 10, true}, {10, 150, false}, {150, 100, false}};
        for (const auto& c : cases) {
            ScreenBench bench(SimProfile::named("lowband-mobile"));
            setLevels(bench.record, c.dac1, c.dac2);
            auto screen = bench.open<TTransmitDACWindow>();
            screen->togglePtt();
            bench.mark();
            screen->close();
            // The transmitter is off and the radio reset before the warning waits for the technician.
            QCOMPARE(bench.requests(), (QStringList{"K 0", "X"}));
            QCOMPARE(bench.messages(), c.warns ? QStringList{kDacWarning} : QStringList{});
        }
    }

    // --- Battery threshold ------------------------------------------------------------------------------

    void batteryShowsTheTargetAndProgramsWithinSixteenOfIt() {
        for (int measured : {56, 72, 88, 55, 89}) {
            SimProfile profile = SimProfile::named("lowband-mobile");
            profile.batterySupply = static_cast<std::uint8_t>(measured);
            ScreenBench bench(profile);
            bench.record.setValue(row::Parameters, col::BatteryThreshold, 72);
            auto screen = bench.open<TBatteryVoltageWindow>();
            QCOMPARE(bench.requests(), (QStringList{"I 1", "T 9 2 2"}));
            QCOMPARE(screen->targetBox()->text(), QString("7.2\n"));
            QCOMPARE(screen->defaultBox()->text(), QString("72\n"));
            bench.mark();
            screen->program();
            const bool accepted = measured >= 56 && measured <= 88;
            // No serial number check and no question; the radio is told 1 and keeps its measurement.
            QCOMPARE(bench.requests(),
                     accepted ? (QStringList{"S 10/3: 0", "S 10/1: 1"}) : QStringList{"S 10/3: 0"});
            QCOMPARE(bench.messages(),
                     QStringList{accepted ? "NOTE|Battery Treshold softpot values commited !!"
                                          : "NOTE|Incorrect supply voltage setting"});
            QCOMPARE(bench.record.getValue(row::Parameters, col::BatteryThreshold), accepted ? measured : 72);
            QCOMPARE(screen->defaultBox()->text(), QString("%1\n").arg(accepted ? measured : 72));
            if (accepted)
                QCOMPARE(bench.radio.programmedValue(softpot::Battery), measured);
        }
    }

    void batteryStopsWhenTheRadioRefusesTheReadAndClosesWithDekeyAndReset() {
        SimProfile profile = SimProfile::named("lowband-mobile");
        ScreenBench bench(profile);
        auto screen = bench.open<TBatteryVoltageWindow>();
        QCOMPARE(screen->programButton()->objectName(), QString("button7002"));
        bench.radio.addFault([] {
            SimFaultRule rule;
            rule.kind = SimFaultKind::Unsupported;
            rule.opcode = sim::op::Softpot;
            rule.firstByte = softpot::Battery;
            rule.times = 0;
            return rule;
        }());
        bench.mark();
        screen->program();
        QCOMPARE(bench.requests(), QStringList{"S 10/3: 0"});
        QVERIFY(bench.messages().isEmpty());
        QVERIFY(!bench.record.isSupported(flag::BatteryThreshold));
        bench.mark();
        screen->close();
        QCOMPARE(bench.requests(), (QStringList{"K 0", "X"}));
    }
};

std::unique_ptr<QObject> makeMobileScreenTest() {
    return std::make_unique<MobileScreenTest>();
}

}  // namespace vantrel::test

#include "MobileScreenTest.moc"
