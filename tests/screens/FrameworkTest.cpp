// The framework every tuning screen shares, driven through the transmit power screens and a test procedure.
#include <QAbstractSlider>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "ScreenBench.h"
#include "ScreensTests.h"
#include "radio/SoftpotTypes.h"
#include "screens/TKMPowerEditBox.h"
#include "screens/TTransmitDACWindow.h"
#include "screens/TTransmitLowPowerWindow.h"
#include "screens/TTunerEditBox.h"
#include "screens/TUpDown.h"
#include "screens/transmitPowerDataSet.h"
#include "sim/SimProtocol.h"

namespace vantrel::test {

namespace {

const QString kLinkError = "ERROR|Radio Communication Error!!";
const QString kDekeyed = "Radio is currently dekeyed";

/// A single-value procedure at the middle transmit point that never keys: a screen made of data only.
class TSingleValueProbe : public TTuningScreen {
  public:
    explicit TSingleValueProbe(const screenEnvironment& environment)
        : TTuningScreen(withIdentity(environment), describe()) {}
    static screenEnvironment withIdentity(screenEnvironment environment) {
        environment.identity.title = QStringLiteral("Probe");
        environment.identity.code = 99;
        return environment;
    }
    static tuningProcedure describe() {
        tuningProcedure p;
        p.makeDataSet = [](const tuningProcedure& d) -> std::unique_ptr<tuningDataSet> {
            return std::make_unique<transmitPowerDataSet>(d.selector);
        };
        p.selector = selector::Low;
        p.row = row::TxPower;
        p.firstColumn = col::TxPowerLow;
        p.maximum = 31;
        p.layout = screenLayout::singleValue();
        p.capabilities = screenCapabilities::neverKeys();
        p.point = singlePoint::Middle;
        p.note = "Note : Valid Softpot values will range from 0-31";
        p.emptyValue = "empty";
        p.illegalValue = "illegal";
        return p;
    }
};

void focusOut(QWidget* w) {
    QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &event);
}

}  // namespace

class FrameworkTest : public QObject {
    Q_OBJECT
  private slots:
    void openingChecksSerialSetsTestModeAndFirstPointThenShowsTheRecord() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        QCOMPARE(bench.code, 3);
        QCOMPARE(bench.requests(), (QStringList{"I 1", "T 1 2 2", "T 129 2 2", "C 1000 1000"}));
        QVERIFY(!screen->connectionOpen());
        QCOMPARE(screen->rowCount(), 7);
        QCOMPARE(screen->frequencyBox(0)->text(), QString("135.000000"));
        QCOMPARE(screen->defaultBox(6)->text(), QString("96"));
        QCOMPARE(screen->workingBox(2)->text(), QString("92"));
        QCOMPARE(screen->slider(2)->value(), 92);
        QCOMPARE(screen->slider(2)->maximum(), 127);
        QCOMPARE(screen->statusBox()->text(), kDekeyed);
        QCOMPARE(screen->noteLabel()->text(), QString("Note : Valid Softpot values will range from 0-127"));
        // The 700 x 350 of the controls, and the plot of the values beside them.
        QCOMPARE(screen->size(), QSize(950, 350));
        QCOMPARE(screen->slider(3)->geometry(), QRect(250, 120, 300, 20));
        QVERIFY(bench.messages().isEmpty());
    }

    void unsupportedPointIsShownDisabledAndSkippedByProgram() {
        ScreenBench bench(portableWithPoints({0, 2000, 3000, 0, 5000, 6000, 7000}));
        auto screen = bench.open<TTransmitLowPowerWindow>();
        // F1 is unused: the first pair falls back to F2's transmit channel.
        QCOMPARE(bench.requests().mid(3), (QStringList{"C 2000 1000"}));
        QCOMPARE(screen->frequencyBox(0)->text(), QString("UNSUPPORTED"));
        QCOMPARE(screen->frequencyBox(3)->text(), QString("UNSUPPORTED"));
        QVERIFY(screen->workingBox(3)->text().isEmpty());
        QVERIFY(screen->defaultBox(3)->text().isEmpty());
        QVERIFY(!screen->slider(3)->isEnabled());
        QVERIFY(!screen->workingBox(3)->isEnabled());
        QCOMPARE(screen->currentRow(), 1);
        // The current value belongs to the current point, F2.
        QCOMPARE(screen->currentValue(), 91);

        bench.mark();
        screen->program();
        QCOMPARE(bench.requests(), (QStringList{"I 1", "C 2000 2000", "S 0/1: 91", "C 3000 3000", "S 0/1: 92",
                                                "C 5000 5000", "S 0/1: 94", "C 6000 6000", "S 0/1: 95",
                                                "C 7000 7000", "S 0/1: 96", "C 2000 2000"}));
    }

    void sliderStepsPrepareThePointOnAConnectionOfTheirOwn() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        bench.mark();
        const unsigned opened = bench.line.openCount();
        screen->slider(2)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        settle();
        screen->slider(2)->triggerAction(QAbstractSlider::SliderPageStepSub);
        settle();
        QCOMPARE(bench.requests(), (QStringList{"I 1", "C 3000 3000", "I 1", "C 3000 3000"}));
        QCOMPARE(bench.line.openCount(), opened + 2);
        QVERIFY(!screen->connectionOpen());
        QCOMPARE(screen->workingBox(2)->text(), QString("68"));  // 92 + 1 - 25
        QCOMPARE(screen->currentRow(), 2);
        QCOMPARE(screen->currentValue(), 68);
        QVERIFY(!bench.radio.keyed());
    }

    void dragKeepsOneConnectionAndWritesEveryPositionWhileKeyed() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        screen->togglePtt();
        bench.mark();
        const unsigned opened = bench.line.openCount();
        QSlider* slider = screen->slider(0);
        slider->setSliderDown(true);
        slider->setSliderPosition(95);
        settle();
        slider->setSliderPosition(97);
        settle();
        QVERIFY(screen->connectionOpen());
        slider->setSliderDown(false);  // end of the drag
        QVERIFY(!screen->connectionOpen());
        QCOMPARE(bench.line.openCount(), opened + 1);
        QCOMPARE(bench.requests(), (QStringList{"I 1", "S 0/2: 95", "S 0/2: 97"}));
        QCOMPARE(screen->workingBox(0)->text(), QString("97"));
        QCOMPARE(bench.radio.liveValue(softpot::TxPower, 1, 0).value_or(-1), 97);
    }

    void theKeyedRowTakesAnEditedValueOnLeavingOrGoesBackToTheRadioValue() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        screen->togglePtt();
        TTunerEditBox* box = screen->workingBox(0);
        bench.mark();
        box->setText("50");
        box->setModified(true);
        focusOut(box);
        settle();
        QCOMPARE(bench.requests(), (QStringList{"I 1", "S 0/2: 50"}));
        QCOMPARE(screen->slider(0)->value(), 50);

        bench.mark();
        box->setText("200");
        box->setModified(true);
        focusOut(box);
        QCOMPARE(bench.messages(), QStringList{"OUT OF RANGE|Softpot Value (200) is not between 0 and 127"});
        QCOMPARE(box->text(), QString("50"));
        QVERIFY(bench.requests().isEmpty());

        // Another row while keyed, and every row while dekeyed, keep clamping without a radio action.
        TTunerEditBox* other = screen->workingBox(1);
        other->setText("200");
        other->setModified(true);
        focusOut(other);
        QCOMPARE(other->text(), QString("127"));
        QVERIFY(bench.requests().isEmpty());
        // Digits only: "1.5" cannot be typed.
        other->clear();
        QTest::keyClicks(other, "1.5");
        QCOMPARE(other->text(), QString("15"));
        // The keyed row is marked in the rows, not only in the status box.
        QCOMPARE(screen->frequencyBox(0)->toolTip(), QString("Transmitting at this point"));
    }

    void aFailedDekeyWarnsThatTheRadioMayStillBeTransmittingAlsoAtClose() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        screen->togglePtt();
        bench.silence(sim::op::Key);
        bench.mark();
        screen->togglePtt();
        const QString stillKeyed = QString("WARNING|") + TScreenSession::kStillKeyedText;
        QCOMPARE(bench.messages(), (QStringList{kLinkError, stillKeyed}));
        QVERIFY(screen->keyed());
        bench.mark();
        screen->close();
        QCOMPARE(bench.messages(), QStringList{stillKeyed});
        QCOMPARE(bench.code, 0);
        // The reset still goes out after the unconfirmed dekey, and takes the radio off the air.
        const QStringList closing = bench.requests();
        QVERIFY(!closing.isEmpty());
        QCOMPARE(closing.back(), QString("X"));
        QVERIFY(!bench.radio.keyed());
    }

    void pttKeysAtTheCurrentPointWithTheCurrentValueAndDekeysAgain() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        screen->slider(1)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        settle();
        bench.mark();
        screen->togglePtt();
        QCOMPARE(bench.requests(), (QStringList{"K 1", "S 0/2: 92"}));
        QVERIFY(bench.radio.keyed());
        QVERIFY(screen->keyed());
        QCOMPARE(screen->statusBox()->text(), QString("Radio is currently keyed up at 140.000000MHz"));
        bench.mark();
        screen->togglePtt();
        QCOMPARE(bench.requests(), (QStringList{"K 0"}));
        QVERIFY(!bench.radio.keyed());
        QCOMPARE(screen->statusBox()->text(), kDekeyed);
    }

    void anotherPointWhileKeyedDekeysFirstAndOnlySelectsIt() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        screen->togglePtt();
        bench.mark();
        screen->slider(4)->triggerAction(QAbstractSlider::SliderSingleStepSub);
        settle();
        QCOMPARE(bench.requests(), (QStringList{"K 0", "I 1", "C 5000 5000"}));
        QVERIFY(!bench.radio.keyed());
        QCOMPARE(screen->statusBox()->text(), kDekeyed);
        // The same point while keyed writes live without a new channel.
        screen->togglePtt();
        bench.mark();
        screen->upDown(4)->step(+1);
        screen->valueAction(4);
        QCOMPARE(bench.requests(), (QStringList{"I 1", "S 0/2: 94"}));
    }

    void upDownAndEnterCheckTheSerialNumberEveryTime() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        bench.mark();
        screen->upDown(5)->step(-1);
        emit screen->upDown(5)->endScroll();
        QCOMPARE(screen->slider(5)->value(), 94);
        settle();
        screen->workingBox(6)->setText("50");
        QTest::keyClick(screen->workingBox(6), Qt::Key_Return);
        QCOMPARE(screen->slider(6)->value(), 50);
        settle();
        QCOMPARE(bench.requests(), (QStringList{"I 1", "C 6000 6000", "I 1", "C 7000 7000"}));
        QCOMPARE(screen->currentValue(), 50);
    }

    void enterOutOfRangeWarnsAndSendsNothingLeavingTheBoxClamps() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        bench.mark();
        TTunerEditBox* box = screen->workingBox(0);
        box->setText("130");
        QTest::keyClick(box, Qt::Key_Enter);
        QCOMPARE(bench.messages(), QStringList{"OUT OF RANGE|Softpot Value (130) is not between 0 and 127"});
        QCOMPARE(bench.prompt.shown().back().icon, PromptIcon::Exclamation);
        QCOMPARE(screen->slider(0)->value(), 90);
        focusOut(box);
        QCOMPARE(box->text(), QString("127"));
        QCOMPARE(screen->slider(0)->value(), 127);
        box->clear();
        focusOut(box);
        QCOMPARE(box->text(), QString("0"));
        QCOMPARE(screen->slider(0)->value(), 0);
        QVERIFY(bench.requests().isEmpty());
    }

    void powerBoxNotifiesOncePerFocus() {
        QWidget parent;
        TKMPowerEditBox box(&parent, 999.99, 4010, QString(), 200, 30, 100, 20, 6);
        QList<int> codes;
        connect(&box, &TKMPowerEditBox::notify, this, [&](int id, int code) { codes << id << code; });
        QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
        QApplication::sendEvent(&box, &in);
        QApplication::sendEvent(&box, &in);
        QCOMPARE(codes, (QList<int>{4010, 302}));
        focusOut(&box);
        QApplication::sendEvent(&box, &in);
        QCOMPARE(codes.size(), 4);
    }

    void programWhileKeyedDekeysProgramsAndStaysOnTheCurrentPoint() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        screen->slider(2)->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // F3 = 93
        settle();
        screen->togglePtt();
        bench.mark();
        screen->program();
        QCOMPARE(bench.messages(),
                 QStringList{"WARNING|Commit new softpot values? Softpot Value Range (0-127)"});
        const QStringList sent = bench.requests();
        QCOMPARE(sent.mid(0, 4), (QStringList{"I 1", "K 0", "C 1000 1000", "S 0/1: 90"}));
        QCOMPARE(sent.mid(6, 2), (QStringList{"C 3000 3000", "S 0/1: 93"}));
        QCOMPARE(sent.back(), QString("C 3000 3000"));
        QCOMPARE(sent.size(), 2 + 14 + 1);
        QVERIFY(!bench.radio.keyed());
        QVERIFY(!screen->keyed());
        QCOMPARE(bench.record.getValue(row::TxPower, col::TxPowerLow + 2), 93);
        QCOMPARE(screen->defaultBox(2)->text(), QString("93"));
        QCOMPARE(bench.radio.programmedValue(softpot::TxPower, 1, 2), 93);
    }

    void programCancelledOrStoppedByABadBox() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        bench.mark();
        bench.prompt.answer(PromptAnswer::Cancel);
        screen->program();
        QCOMPARE(bench.requests(), QStringList{"I 1"});
        QVERIFY(!screen->connectionOpen());

        screen->workingBox(0)->setText("88");
        screen->workingBox(2)->clear();
        bench.mark();
        screen->program();
        QCOMPARE(bench.requests(),
                 (QStringList{"I 1", "C 1000 1000", "S 0/1: 88", "C 2000 2000", "S 0/1: 91"}));
        QCOMPARE(bench.messages().back(),
                 QString("NOTE|Please enter a valid Transmit Low Power softpot value!!"));
        QCOMPARE(bench.record.getValue(row::TxPower, col::TxPowerLow), 88);
        QVERIFY(!screen->connectionOpen());

        // A box holding more than the maximum (typed, never left) stops Program with the illegal message.
        screen->workingBox(2)->setText("92");
        screen->workingBox(4)->setText("200");
        bench.mark();
        screen->program();
        QCOMPARE(bench.messages().back(),
                 QString("ERROR|Program softpots aborted for Transmit Low Power!! Illegal softpot value"));
        QCOMPARE(bench.requests().size(), 1 + 4 * 2);
    }

    void linkFailureInProgramKeepsTheEarlierPoints() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        for (int i = 0; i < 7; ++i) screen->workingBox(i)->setText(QString::number(60 + i));
        bench.mark();
        // Serial, then F1 and F2 (channel and value each), then silence from F3's channel on.
        bench.silenceFromRequest(6);
        screen->program();
        QCOMPARE(bench.messages().back(), kLinkError);
        QCOMPARE(bench.record.getValue(row::TxPower, col::TxPowerLow), 60);
        QCOMPARE(bench.record.getValue(row::TxPower, col::TxPowerLow + 1), 61);
        QCOMPARE(bench.record.getValue(row::TxPower, col::TxPowerLow + 2), 92);
        QCOMPARE(screen->defaultBox(1)->text(), QString("61"));
        QCOMPARE(screen->defaultBox(2)->text(), QString("92"));
        QCOMPARE(bench.radio.programmedValue(softpot::TxPower, 1, 1), 61);
        QVERIFY(!screen->connectionOpen());
    }

    void aFailedActionWhileKeyedDekeysTheRadioBeforeTheMessage() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        screen->togglePtt();
        bench.mark();
        bench.silence(sim::op::Softpot);
        screen->slider(0)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        settle();
        QCOMPARE(bench.requests().front(), QString("I 1"));
        QCOMPARE(bench.requests().back(), QString("K 0"));
        QVERIFY(!bench.radio.keyed());
        QVERIFY(!screen->keyed());
        QCOMPARE(screen->statusBox()->text(), kDekeyed);
        QCOMPARE(bench.messages(), QStringList{kLinkError});
        QVERIFY(!screen->connectionOpen());
    }

    void aKeyUpThatFailsHalfWayIsDekeyed() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        bench.mark();
        bench.silence(sim::op::Softpot);  // the key-up works, the live value after it does not
        screen->togglePtt();
        QCOMPARE(bench.requests().front(), QString("K 1"));
        QCOMPARE(bench.requests().back(), QString("K 0"));
        QVERIFY(!bench.radio.keyed());
        QVERIFY(!screen->keyed());
        QCOMPARE(bench.messages(), QStringList{kLinkError});
    }

    void closingWhileKeyedDekeysThenResets() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        screen->togglePtt();
        bench.mark();
        QVERIFY(screen->close());
        QCOMPARE(bench.requests(), (QStringList{"K 0", "X"}));
        QVERIFY(!bench.radio.keyed());
        QCOMPARE(bench.code, 0);
        screen.reset();
        QCOMPARE(bench.requests(), (QStringList{"K 0", "X"}));
    }

    void closingWithThePortBusyShowsThePortMessageAndStillCloses() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        bench.mark();
        bench.holdPort();
        screen.reset();
        QCOMPARE(bench.messages(),
                 QStringList{" WARNING|COM Port is currently in use by another application"});
        QCOMPARE(bench.code, 0);
        QVERIFY(bench.requests().isEmpty());
    }

    void portBusyAtOpeningRefusesTheScreenAndSendsNothingAtAll() {
        ScreenBench bench;
        bench.holdPort();
        auto screen = bench.open<TTransmitLowPowerWindow>();
        QCOMPARE(bench.code, 0);
        QCOMPARE(bench.messages(),
                 QStringList{" WARNING|COM Port is currently in use by another application"});
        bench.releasePort();
        screen.reset();
        QVERIFY(bench.requests().isEmpty());
        QCOMPARE(bench.messages().size(), 1);
    }

    void linkFailureAtOpeningRefusesTheScreen() {
        ScreenBench bench;
        bench.silence(sim::op::TestMode);
        auto screen = bench.open<TTransmitLowPowerWindow>();
        QCOMPARE(bench.code, 0);
        QCOMPARE(bench.messages(), QStringList{kLinkError});
    }

    void serialMismatchAnsweredOkRereadsRefreshesAndSetsUpAgain() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        screen->togglePtt();
        bench.record.setSerialNo("SOMEBODY01");
        bench.record.setValue(row::TxPower, col::TxPowerLow + 3, 5);
        bench.mark();
        screen->slider(3)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        settle();
        QCOMPARE(bench.messages().front(),
                 QString("WARNING|Serial No. mismatch!! Read in new radio?\n\n"
                         "Radio connected: PT00000001\nRadio in memory: SOMEBODY01"));
        QCOMPARE(bench.prompt.shown().front().buttons, PromptButtons::OkCancel);
        QCOMPARE(bench.reads, 1);
        QCOMPARE(QString(bench.record.getSerialNo()), QString("PT00000001"));
        QCOMPARE(screen->defaultBox(3)->text(), QString("93"));
        QCOMPARE(screen->workingBox(3)->text(), QString("93"));
        QVERIFY(!screen->keyed());
        QCOMPARE(screen->statusBox()->text(), kDekeyed);
        // The read reset the radio; the screen put it back into its test mode.
        const QStringList sent = bench.requests();
        QCOMPARE(sent.mid(sent.size() - 3), (QStringList{"T 1 2 2", "T 129 2 2", "C 1000 1000"}));
        QVERIFY(!screen->connectionOpen());
    }

    void serialMismatchCancelledAbandonsTheAction() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        bench.record.setSerialNo("SOMEBODY01");
        bench.mark();
        bench.prompt.answer(PromptAnswer::Cancel);
        screen->program();
        QCOMPARE(bench.requests(), QStringList{"I 1"});
        QCOMPARE(bench.reads, 0);
        QCOMPARE(bench.messages().size(), 1);
        QVERIFY(!screen->connectionOpen());
    }

    void aTypedEntryOutlivesTheViewsRedrawsAndProgramWritesIt() {
        // The view redraws from the session after every change; what is being typed is not overwritten.
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        screen->workingBox(4)->setText("77");
        screen->slider(2)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        settle();
        screen->togglePtt();
        screen->togglePtt();
        QCOMPARE(screen->workingBox(4)->text(), QString("77"));
        QCOMPARE(screen->workingBox(2)->text(), QString("93"));
        screen->program();
        QCOMPARE(bench.record.getValue(row::TxPower, col::TxPowerLow + 4), 77);
        QCOMPARE(screen->defaultBox(4)->text(), QString("77"));
        QCOMPARE(screen->workingBox(4)->text(), QString("77"));
    }

    void aWindowDestroyedWhileKeyedDekeysAndResetsWithoutItsClosingNote() {
        ScreenBench bench(SimProfile::named("lowband-mobile"));
        bench.record.setValue(row::MobilePower, col::LowBandTxDacSecond, 10);  // a pair the closing warns of
        auto screen = bench.open<TTransmitDACWindow>();
        screen->togglePtt();
        QVERIFY(bench.radio.keyed());
        bench.mark();
        screen.reset();
        QCOMPARE(bench.requests(), (QStringList{"K 0", "X"}));
        QVERIFY(!bench.radio.keyed());
        QVERIFY(bench.messages().isEmpty());
        QCOMPARE(bench.code, 0);
    }

    void singleValueScreenIsOneRowAtItsChosenPoint() {
        ScreenBench bench(portableWithPoints({1000, 0, 3000, 0, 0, 6000, 0}));
        auto screen = bench.open<TSingleValueProbe>();
        QCOMPARE(screen->rowCount(), 1);
        QCOMPARE(screen->pointOfRow(0), 3);
        QCOMPARE(screen->size(), QSize(700, 300));
        QCOMPARE(screen->noteLabel()->y(), 250);
        QCOMPARE(screen->frequencyBox(0)->text(), QString("145.000000"));
        QCOMPARE(bench.requests().back(), QString("C 3000 3000"));
        QVERIFY(!screen->pttButton());
        // Without keying every value goes to the radio at once; closing only resets.
        bench.mark();
        screen->slider(0)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        settle();
        QCOMPARE(bench.requests(), (QStringList{"I 1", "C 3000 3000", "S 0/2: 31"}));
        bench.mark();
        screen.reset();
        QCOMPARE(bench.requests(), QStringList{"X"});

        ScreenBench gap(portableWithPoints({1000, 2000, 0, 0, 5000, 0, 0}));
        auto unsupported = gap.open<TSingleValueProbe>();
        QCOMPARE(unsupported->frequencyBox(0)->text(), QString("UNSUPPORTED"));
        QVERIFY(!unsupported->slider(0)->isEnabled());
        gap.mark();
        unsupported->program();
        QCOMPARE(gap.requests(), QStringList{"I 1"});
    }
};

std::unique_ptr<QObject> makeFrameworkTest() {
    return std::make_unique<FrameworkTest>();
}

}  // namespace vantrel::test

#include "FrameworkTest.moc"
