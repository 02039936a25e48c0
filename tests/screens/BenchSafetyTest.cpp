// What tries at the bench found on the screens: boxes that left a slider repeating, steps that reached the
// radio late, openings and loops that went on after Cancel or a close, and what a technician reads.
#include <QAbstractSlider>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <functional>

#include "ScreenBench.h"
#include "ScreensTests.h"
#include "ShellRig.h"
#include "link/LinkContext.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "screens/TAutoSquelchWindows.h"
#include "screens/TKMPowerEditBox.h"
#include "screens/TMobilePowerTuneHI.h"
#include "screens/TPABiasWindows.h"
#include "screens/TRSSIWindow.h"
#include "screens/TReceiveWindows.h"
#include "screens/TTransmitDACWindow.h"
#include "screens/TTransmitHighPowerWindow.h"
#include "screens/TTransmitLowPowerWindow.h"
#include "screens/TTunerEditBox.h"
#include "screens/TUpDown.h"

namespace vantrel::test {

namespace {

const QString kPortBusy = " WARNING|COM Port is currently in use by another application";

/// Runs `action` once, from inside the link's wait, as soon as `when` holds: what the technician does
/// while the radio is busy (a close, more steps).
class DuringExchange {
  public:
    DuringExchange(std::function<bool()> when, std::function<void()> action)
        : m_when(std::move(when)), m_action(std::move(action)) {
        linkContext().idleHook = [this] {
            if (!m_done && m_when()) {
                m_done = true;
                m_action();
            }
        };
    }
    ~DuringExchange() { linkContext().idleHook = nullptr; }
    bool done() const { return m_done; }

  private:
    std::function<bool()> m_when;
    std::function<void()> m_action;
    bool m_done = false;
};

/// A click on the slider's track, left of its thumb, that the mouse never lets go of (a box took the
/// release).
void pressTrack(QSlider* slider) {
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(5, slider->height() / 2));
}

int liveWrites(const QStringList& requests) {
    return int(requests.filter(QRegularExpression("^S 0/2:")).size());
}

}  // namespace

class BenchSafetyTest : public QObject {
    Q_OBJECT
  private slots:
    // --- A box raised from a slider ---------------------------------------------------------------------

    void aBoxFromASliderClickIsShownOnceAndTheSliderStopsRepeating() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitHighPowerWindow>();
        screen->show();
        screen->togglePtt();
        bench.holdPort();  // the port goes away
        bench.mark();
        pressTrack(screen->slider(0));
        settle();
        // The slider's page step would repeat every 50 ms after half a second while it is held.
        QTest::qWait(800);
        QCOMPARE(bench.messages(), QStringList{kPortBusy});
        // When the port comes back nothing is written that the technician did not do.
        bench.releasePort();
        QTest::qWait(300);
        QVERIFY(bench.requests().isEmpty());
        // The keyed point shows what the radio still has.
        QCOMPARE(screen->workingBox(0)->text(), QString::number(screen->slider(0)->value()));
        QCOMPARE(bench.radio.liveValue(softpot::TxPower, 0, 0).value_or(-1), screen->slider(0)->value());
        bench.mark();
        screen->togglePtt();
        QCOMPARE(bench.requests(), QStringList{"K 0"});
    }

    void theMismatchQuestionFromASliderClickIsAskedOnce() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        screen->show();
        bench.record.setSerialNo("SOMEBODY01");
        bench.mark();
        bench.prompt.answer(PromptAnswer::Cancel);
        pressTrack(screen->slider(2));
        settle();
        QTest::qWait(800);
        QCOMPARE(bench.messages().size(), 1);
        QVERIFY(bench.messages().front().startsWith("WARNING|Serial No. mismatch!!"));
        QCOMPARE(bench.requests(), QStringList{"I 1"});
    }

    void aBoxLetsGoOfAnArrowHeldDown() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        screen->show();
        auto* up = screen->upDown(1)->findChildren<QToolButton*>().first();
        QTest::mousePress(up, Qt::LeftButton);
        bench.holdPort();
        screen->program();  // any box: here the port message
        const QString shown = screen->workingBox(1)->text();
        QTest::qWait(700);
        QCOMPARE(screen->workingBox(1)->text(), shown);
        QVERIFY(!up->isDown());
    }

    // --- Steps while the radio is busy ------------------------------------------------------------------

    void stepsArrivingTogetherFoldIntoOneWriteOfTheLatestValue() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        screen->togglePtt();
        bench.mark();
        // Key repeats that waited behind an exchange reach the slider in one burst.
        for (int i = 0; i < 10; ++i) screen->slider(0)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(screen->workingBox(0)->text(), QString("100"));
        settle();
        QCOMPARE(bench.requests(), (QStringList{"I 1", "S 0/2: 100"}));
        QCOMPARE(bench.radio.liveValue(softpot::TxPower, 1, 0).value_or(-1), 100);
    }

    void stepsMadeDuringAnExchangeGoOutRightAfterItAsOneWrite() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        screen->togglePtt();
        bench.mark();
        QSlider* slider = screen->slider(0);
        DuringExchange more([&] { return !bench.requests().isEmpty(); },
                            [&] {
                                for (int i = 0; i < 5; ++i)
                                    slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
                            });
        slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        settle();
        QVERIFY(more.done());
        settle();
        // The step under way, then one write of the value the screen shows, and nothing after it.
        const QStringList sent = bench.requests();
        QCOMPARE(liveWrites(sent), 2);
        QCOMPARE(sent.back(), QString("S 0/2: 96"));
        QCOMPARE(bench.radio.liveValue(softpot::TxPower, 1, 0).value_or(-1), slider->value());
        bench.mark();
        settle();
        QVERIFY(bench.requests().isEmpty());
    }

    void aDekeyIsNeverPrecededByStepsStillWaiting() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        screen->togglePtt();
        bench.mark();
        for (int i = 0; i < 3; ++i) {
            screen->upDown(0)->step(+1);
            emit screen->upDown(0)->endScroll();
        }
        screen->togglePtt();
        settle();
        QCOMPARE(bench.requests(), QStringList{"K 0"});
        // The value shown goes out with the next key-up.
        bench.mark();
        screen->togglePtt();
        QCOMPARE(bench.requests(), (QStringList{"K 1", "S 0/2: 93"}));
    }

    void aStepOnAnotherPointStillSelectsItBeforePttKeys() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        bench.mark();
        screen->slider(3)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        screen->togglePtt();
        QCOMPARE(bench.requests(), (QStringList{"I 1", "C 4000 4000", "K 1", "S 0/2: 94"}));
    }

    // --- Opening after a serial number mismatch -----------------------------------------------------------

    void cancelOnTheMismatchAtOpeningSendsNothingMore() {
        ScreenBench bench;
        bench.record.setSerialNo("SOMEBODY01");
        bench.mark();
        bench.prompt.answer(PromptAnswer::Cancel);
        auto screen = bench.open<TTransmitLowPowerWindow>();
        QCOMPARE(bench.code, 0);
        QCOMPARE(bench.messages().size(), 1);
        screen.reset();  // the shell removes the refused window
        QCOMPARE(bench.requests(), QStringList{"I 1"});
        QVERIFY(!bench.radio.testMode().has_value());
        QCOMPARE(bench.reads, 0);
    }

    void aReadAtOpeningThatDidNotBringTheRadioInSetsNothingUp() {
        ScreenBench bench;
        bench.record.setSerialNo("SOMEBODY01");
        screenEnvironment e = bench.environment(ScreenBench::className<TTransmitLowPowerWindow>());
        e.readRadio = [] {};  // the technician cancelled the read: the record is still the other radio's
        bench.mark();
        std::unique_ptr<TTransmitLowPowerWindow> screen(TScreenSession::create<TTransmitLowPowerWindow>(e));
        QCOMPARE(bench.code, 0);
        screen.reset();
        QCOMPARE(bench.requests(), QStringList{"I 1"});
    }

    void aRadioReadAtOpeningThatLacksTheProcedureDoesNotOpenIt() {
        ShellRig rig;
        rig.run(cmd::ReadRadio);
        SimRadio mobile(SimProfile::named("mobile"));
        SimPeer mobilePeer(mobile);
        rig.bench.line.setPeer(&mobilePeer);
        QVERIFY(rig.run(cmd::TxHighPower));
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(rig.client().subWindowList().isEmpty());
        QCOMPARE(rig.app->openScreenCode(), 0);
        QVERIFY(rig.bench.messages().contains(
            "NOTE|The radio now connected does not have this procedure.\nThe window is closed."));
        // The read left the mobile reset; the screen put nothing of its own on it.
        QVERIFY(!mobile.testMode().has_value());
        QVERIFY(!mobile.keyed());
        rig.bench.line.setPeer(&rig.bench.peer);
    }

    // --- A close during a loop --------------------------------------------------------------------------

    void aCloseDuringProgramStopsAfterTheExchangeUnderWayThenDekeysAndResets() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        screen->togglePtt();
        bench.mark();
        DuringExchange close([&] { return bench.requests().filter("S 0/1").size() == 2; },
                             [&] { screen->close(); });
        screen->program();
        QVERIFY(close.done());
        QCOMPARE(bench.requests().filter("S 0/1").size(), 2);
        QCoreApplication::sendPostedEvents();
        QVERIFY(screen->closing());
        QCOMPARE(bench.requests().mid(bench.requests().size() - 2), (QStringList{"K 0", "X"}));
        QVERIFY(!bench.radio.keyed());
        QVERIFY(!bench.radio.testMode().has_value());
    }

    void aCloseDuringTheKAndMProgramStopsItToo() {
        ScreenBench bench(SimProfile::named("lowband-mobile"));
        auto screen = bench.open<TMobilePowerTuneHI>();
        for (int point = 1; point <= 7; ++point) {
            screen->powerBox(point)->setText("25");
            screen->powerBox(point + 7)->setText("6.25");
        }
        bench.mark();
        DuringExchange close([&] { return bench.requests().filter("S 17/1").size() == 1; },
                             [&] { screen->close(); });
        screen->program();
        QVERIFY(close.done());
        QCOMPARE(bench.requests().filter("S 17/1").size(), 1);
        // No "written" note for a Program that was stopped.
        QCOMPARE(bench.messages(), QStringList{"WARNING|Commit new softpot values?"});
        QCoreApplication::sendPostedEvents();
        QVERIFY(screen->closing());
        QCOMPARE(bench.requests().back(), QString("X"));
    }

    void aCloseDuringARowsAutoTuneStopsBeforeTheRadioTunes() {
        ScreenBench bench;
        auto screen = bench.open<TAutoSquelch25KHzWindow>();
        bench.mark();
        DuringExchange close([&] { return bench.requests().filter(QRegularExpression("^C ")).size() == 1; },
                             [&] { screen->close(); });
        screen->autoTuneRow(2);
        QVERIFY(close.done());
        QVERIFY(bench.requests().filter(QRegularExpression("^A ")).isEmpty());
        QCoreApplication::sendPostedEvents();
        QVERIFY(screen->closing());
        QCOMPARE(bench.requests().back(), QString("X"));
    }

    // --- PA bias keyed at opening -------------------------------------------------------------------------

    void paBiasProgramLeavesTheTransmitterAsItWas() {
        ScreenBench bench(SimProfile::named("high-power-mobile-n"));
        auto screen = bench.open<TPABiasHighVoltageWindow>();
        QVERIFY(bench.radio.keyed() && screen->keyed());
        bench.mark();
        screen->program();
        QVERIFY(bench.requests().filter(QRegularExpression("^K ")).isEmpty());
        QVERIFY(bench.requests().filter(QRegularExpression("^S (18|20|27)/1")).size() >= 1);
        // The bias is still watched under transmit.
        QVERIFY(bench.radio.keyed());
        QVERIFY(screen->keyed());
        QVERIFY(screen->statusBox()->text().startsWith("Radio is currently keyed up"));
        bench.mark();
        screen->close();
        QCOMPARE(bench.requests(), (QStringList{"K 0", "X"}));
    }

    // --- One message per Enter ----------------------------------------------------------------------------

    void outOfRangeOnTheKeyedRowIsShownOncePerEnter() {
        ScreenBench bench;
        auto screen = bench.open<TTransmitLowPowerWindow>();
        screen->togglePtt();
        TTunerEditBox* box = screen->workingBox(0);
        bench.mark();
        box->setText("200");
        box->setModified(true);
        QTest::keyClick(box, Qt::Key_Return);
        // The box takes the focus, and gives it back when it goes.
        QFocusEvent toBox(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(box, &toBox);
        QFocusEvent back(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(box, &back);
        settle();
        QCOMPARE(bench.messages(), QStringList{"OUT OF RANGE|Softpot Value (200) is not between 0 and 127"});
        QVERIFY(bench.requests().isEmpty());
    }

    // --- The DAC screen while dekeyed ---------------------------------------------------------------------

    void dacSendsNothingWhileDekeyed() {
        ScreenBench bench(SimProfile::named("lowband-mobile"));
        auto screen = bench.open<TTransmitDACWindow>();
        bench.mark();
        screen->slider(0)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        screen->upDown(1)->step(-1);
        emit screen->upDown(1)->endScroll();
        screen->workingBox(0)->setText("150");
        QTest::keyClick(screen->workingBox(0), Qt::Key_Return);
        settle();
        QVERIFY(bench.requests().isEmpty());
        QCOMPARE(bench.record.getValue(row::MobilePower, col::LowBandTxDacFirst), 180);
        // Keyed, the row's steps go live (and into the record) with the serial number check.
        screen->togglePtt();
        bench.mark();
        screen->slider(0)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        settle();
        QCOMPARE(bench.requests(), (QStringList{"I 1", "S 0/2: 151"}));
    }

    void dacStatusSaysDekeyedUnderItsClosingWarning() {
        ScreenBench bench(SimProfile::named("lowband-mobile"));
        bench.record.setValue(row::MobilePower, col::LowBandTxDacFirst, 150);
        bench.record.setValue(row::MobilePower, col::LowBandTxDacSecond, 10);
        auto screen = bench.open<TTransmitDACWindow>();
        screen->togglePtt();
        bench.mark();
        screen->close();
        QCOMPARE(bench.messages().size(), 1);
        QCOMPARE(screen->statusBox()->text(), QString(TTuningScreen::kDekeyedText));
    }

    // --- What a technician reads
    // ----------------------------------------------------------------------------

    void unusedPointsShowNoValueOnTheirSliders() {
        ScreenBench bench(portableWithPoints({1000, 2000, 3000, 0, 5000, 6000, 7000}));
        auto screen = bench.open<TTransmitLowPowerWindow>();
        QVERIFY(!screen->slider(3)->isEnabled());
        QCOMPARE(screen->slider(3)->value(), screen->slider(3)->minimum());
    }

    void receiveAndSquelchScreensOpenSayingTheRadioIsDekeyed() {
        ScreenBench bench;
        auto squelch = bench.open<TAutoSquelch25KHzWindow>();
        QCOMPARE(squelch->statusBox()->text(), QString(TTuningScreen::kDekeyedText));
        squelch.reset();
        auto filter = bench.open<TFrontEndFilterWindow>();
        QCOMPARE(filter->statusBox()->text(), QString(TTuningScreen::kDekeyedText));
    }

    void frontEndFilterReadingIsAReadableFieldBesideItsLabel() {
        ScreenBench bench(SimProfile::named("high-power-mobile"));
        auto screen = bench.open<TFrontEndFilterWindow>();
        QLineEdit* box = screen->calDacBox();
        QVERIFY(box->isEnabled() && box->isReadOnly());
        QLabel* label = nullptr;
        for (QLabel* l : screen->findChildren<QLabel*>())
            if (l->text() == "RSSI DAC")
                label = l;
        QVERIFY(label);
        QVERIFY(label->geometry().right() < box->geometry().left());
        QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->width());
    }

    void rssiLevelsCarryTheirSign() {
        ScreenBench bench;
        bench.record.setValue(row::Rssi, col::RssiCalDacFirst, 49);
        bench.record.setValue(row::Rssi, col::RssiCalDacFirst + 1, 0);
        auto screen = bench.open<TRSSIWindow>();
        const QList<QLineEdit*> levels = screen->findChildren<QLineEdit*>(QRegularExpression("^level"));
        QCOMPARE(levels.size(), 3);
        QStringList shown;
        for (QLineEdit* l : levels) shown << l->text();
        QVERIFY(shown.contains("-49"));
        QVERIFY(shown.contains("0"));
    }

    void kAndMShowsThePttGlyphAndMarksTheKeyedPoint() {
        ScreenBench bench(SimProfile::named("lowband-mobile"));
        auto screen = bench.open<TMobilePowerTuneHI>();
        QVERIFY(!screen->pttButton()->icon().isNull());
        screen->focusAction(2);
        screen->togglePtt();
        QCOMPARE(screen->frequencyBox(2)->toolTip(), QString("Transmitting at this point"));
        QVERIFY(screen->frequencyBox(1)->toolTip().isEmpty());
        screen->togglePtt();
        QVERIFY(screen->frequencyBox(2)->toolTip().isEmpty());
    }

    void everyScreenFrameStandsAtFiftyFifty() {
        struct Case {
            const char* profile;
            int command;
        };
        for (const Case& c :
             {Case{"lowband-mobile", cmd::KmTuning}, Case{"lowband-mobile", cmd::BatteryThreshold},
              Case{"portable", cmd::BatteryThreshold}, Case{"portable", cmd::Rssi}}) {
            ShellRig rig(SimProfile::named(c.profile));
            QVERIFY(rig.run(cmd::ReadRadio));
            QVERIFY2(rig.run(c.command), c.profile);
            QMdiSubWindow* child = rig.client().subWindowList().first();
            child->show();
            QCOMPARE(child->pos(), QPoint(50, 50));
        }
    }
};

std::unique_ptr<QObject> makeBenchSafetyTest() {
    return std::make_unique<BenchSafetyTest>();
}

}  // namespace vantrel::test

#include "BenchSafetyTest.moc"
