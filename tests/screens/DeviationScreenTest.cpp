// The deviation, attenuation and reference oscillator screens, and every catalogue screen opened once.
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "ScreenBench.h"
#include "ScreensTests.h"
#include "app/ProcedureCatalogue.h"
#include "operations/procedureCatalogue.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "screens/TDeviationWindows.h"
#include "screens/TMobilePowerTuneHI.h"
#include "screens/TTunerEditBox.h"
#include "screens/TUpDown.h"
#include "sim/SimProtocol.h"

namespace vantrel::test {

namespace {

/// How the catalogue walk opens a screen: the radio it needs and whether one action writes live.
struct SmokeCase {
    const char* screenClass;
    const char* profile;
    bool writesLive = true;
};
/// Screens that need another radio than the simulated portable, or write nothing live.
const SmokeCase kSmokeCases[] = {
    {"TVCOAttnWindow", "portable"},
    // Receive mode sets the radio up only on the F and K high-power mobiles.
    {"TPABiasRxModeWindow", "high-power-mobile-k"},
    {"TPAVoltageLimitWindow", "mobile", false},
    {"TRatedVolumeBrightlineWindow", "brightline"},
    {"TRSSIWindow", "portable", false},
    {"TMobilePowerTuneHI", "mobile"},
    {"TTransmitDACWindow", "lowband-mobile"},
    {"TBatteryVoltageWindow", "lowband-mobile", false},
};

SmokeCase smokeCaseFor(const char* screenClass) {
    for (const SmokeCase& c : kSmokeCases) {
        if (std::string(c.screenClass) == screenClass)
            return c;
    }
    return {screenClass, "portable"};
}

void pressEnter(QWidget* box) {
    QTest::keyClick(box, Qt::Key_Return);
    settle();
}

/// Types `text` into a row's working box as the technician would.
void type(TTunerEditBox* box, const QString& text) {
    box->setText(text);
}

}  // namespace

class DeviationScreenTest : public QObject {
    Q_OBJECT
  private slots:
    void everyCatalogueScreenOpensWritesLiveAndLeavesTheRadioDekeyedAndReset() {
        for (const ProcedureEntry& entry : procedureCatalogue()) {
            // The utilities put no radio in test mode and have tests of their own.
            if (!entry.create || catalogueForCommand(entry.commandId)->kind == catalogueKind::Utility)
                continue;
            const SmokeCase smoke = smokeCaseFor(entry.screenClass);
            ScreenBench bench(SimProfile::named(smoke.profile));
            screenEnvironment environment = bench.environment(entry.screenClass);
            QWidget* window = entry.create(environment);
            auto* session = qobject_cast<TScreenSession*>(window);
            QVERIFY2(session, entry.screenClass);
            QCOMPARE(bench.code, entry.code);
            QCOMPARE(session->windowTitle(), QString::fromLatin1(entry.windowTitle));
            QVERIFY2(bench.radio.testMode().has_value(), entry.screenClass);
            bench.mark();
            if (auto* screen = qobject_cast<TTuningScreen*>(window)) {
                if (screen->pttButton()) {
                    screen->togglePtt();
                    QVERIFY2(bench.radio.keyed(), entry.screenClass);
                } else {
                    screen->valueAction(screen->currentRow());
                }
            } else if (auto* km = qobject_cast<TMobilePowerTuneHI*>(window)) {
                km->togglePtt();
                QVERIFY2(bench.radio.keyed(), entry.screenClass);
            }
            if (smoke.writesLive)
                QVERIFY2(bench.requests().filter(QRegularExpression("^S \\d+/2")).size() >= 1,
                         entry.screenClass);
            session->close();
            QVERIFY2(!bench.radio.keyed(), entry.screenClass);
            QVERIFY2(!bench.radio.testMode().has_value(), entry.screenClass);
            QCOMPARE(bench.requests().last(), QString("X"));
            QCOMPARE(bench.code, 0);
            QVERIFY2(bench.messages().isEmpty(), qPrintable(bench.messages().join('\n')));
            delete window;
        }
    }

    void singleValueScreensWorkAtTheirChosenPoint() {
        // Points F1, F3 and F6: lowest F1, middle F3, highest F6.
        ScreenBench bench(portableWithPoints({1000, 0, 3000, 0, 0, 6000, 0}));
        auto dtmf = bench.open<TDTMFWindow>();
        QCOMPARE(dtmf->pointOfRow(0), 1);
        QCOMPARE(dtmf->frequencyBox(0)->text(), QString("135.000000"));
        dtmf->close();
        auto qdt = bench.open<TQDT1200Window>();
        QCOMPARE(qdt->pointOfRow(0), 3);
        qdt->close();
        bench.mark();
        auto hss = bench.open<THSSWindow>();
        QCOMPARE(hss->pointOfRow(0), 6);
        // Test mode (7, 2, spacing), then the chosen point's channels.
        QCOMPARE(bench.requests(), (QStringList{"I 1", "T 7 2 2", "C 6000 6000"}));
        QCOMPARE(hss->size(), QSize(700, 300));
        QCOMPARE(hss->statusBox()->objectName(), QString("status4016"));
        QCOMPARE(hss->statusBox()->geometry(), QRect(10, 200, 600, 40));
        QCOMPARE(hss->pttButton()->geometry().topLeft(), QPoint(20, 150));
    }

    void middlePointWithoutAChannelIsUnsupportedAndNeverKeyed() {
        // Points F1, F2 and F5: the middle point is F3, which the radio does not use.
        ScreenBench bench(portableWithPoints({1000, 2000, 0, 0, 5000, 0, 0}));
        auto mpt = bench.open<TMPT1200Window>();
        QCOMPARE(mpt->pointOfRow(0), 3);
        QCOMPARE(mpt->frequencyBox(0)->text(), QString("UNSUPPORTED"));
        QVERIFY(mpt->workingBox(0)->text().isEmpty());
        QVERIFY(!mpt->slider(0)->isEnabled());
        QVERIFY(!mpt->pttButton()->isEnabled());
        bench.mark();
        mpt->program();
        // The serial check and the commit question, and nothing written.
        QCOMPARE(bench.requests(), QStringList{"I 1"});
        QCOMPARE(bench.messages(),
                 QStringList{"WARNING|Commit new softpot value? Softpot Value Range (0-31)"});
    }

    void referenceOscillatorTakesNineBitsInTwoBytes() {
        ScreenBench bench;
        auto warp = bench.open<TRefOscWarpWindow>();
        QCOMPARE(warp->slider(0)->maximum(), 511);
        QCOMPARE(warp->noteLabel()->text(), QString("Note : Valid Softpot values will range from 0-511"));
        // Test mode (1, 2, spacing) then (129, 2, spacing); the highest point is F7.
        warp->togglePtt();
        bench.mark();
        type(warp->workingBox(0), "300");
        pressEnter(warp->workingBox(0));
        QCOMPARE(bench.requests(), (QStringList{"I 1", "S 11/2: 1 44"}));
        QCOMPARE(bench.radio.liveValue(softpot::RefOscWarp).value_or(-1), 300);

        bench.mark();
        type(warp->workingBox(0), "512");
        pressEnter(warp->workingBox(0));
        QCOMPARE(bench.messages(), QStringList{"OUT OF RANGE|Softpot Value (512) is not between 0 and 511"});
        QVERIFY(bench.requests().isEmpty());

        bench.mark();
        warp->program();
        QCOMPARE(
            bench.messages().last(),
            QString("ERROR|Program softpots aborted for Reference Oscillator Warp !! Illegal softpot value"));
        QCOMPARE(bench.requests(), (QStringList{"I 1", "K 0"}));
        QCOMPARE(bench.record.getValue(row::RefOscWarp, 0), bench.radio.programmedValue(softpot::RefOscWarp));

        bench.mark();
        type(warp->workingBox(0), "");
        warp->program();
        QCOMPARE(bench.messages().last(),
                 QString("ERROR|Please enter a valid Reference Oscillator Warp softpot value!!"));

        bench.mark();
        type(warp->workingBox(0), "257");
        warp->program();
        QCOMPARE(bench.requests(), (QStringList{"I 1", "C 7000 7000", "S 11/1: 1 1", "C 7000 7000"}));
        QCOMPARE(bench.radio.programmedValue(softpot::RefOscWarp), 257);
        QCOMPARE(bench.record.getValue(row::RefOscWarp, 0), 257);
        QCOMPARE(warp->defaultBox(0)->text(), QString("257"));
    }

    void vcoProgramRefreshesTheNarrowerSpacingsAndStoresTheSet() {
        ScreenBench bench(portableWithPoints({1000, 2000, 0, 4000, 5000, 6000, 7000}));
        auto vco = bench.open<TVCOAttnWindow>();
        for (int i = 0; i < 7; ++i) type(vco->workingBox(i), QString::number(40 + i));
        bench.mark();
        vco->program();
        const QStringList sent = bench.requests();
        QCOMPARE(sent.mid(0, 3), (QStringList{"I 1", "C 1000 1000", "S 2/1: 40"}));
        QVERIFY(!sent.contains("C 3000 3000"));
        // After the points: 12.5 kHz set-up and read at the highest point, 20 kHz likewise, back to 25 kHz.
        const int after = sent.indexOf("S 2/1: 46") + 1;
        QCOMPARE(sent.mid(after),
                 (QStringList{"T 1 2 0", "T 128 2 0", "C 7000 7000", "S 2/0: 0", "T 1 2 1", "T 128 2 1",
                              "C 7000 7000", "S 2/0: 0", "T 1 2 2", "T 128 2 2", "C 1000 1000"}));
        for (int i = 0; i < 7; ++i)
            QCOMPARE(bench.record.getValue(row::VcoAttenuation, col::Spacing25k + i), i == 2 ? 0 : 40 + i);
        QCOMPARE(bench.record.getValue(row::VcoAttenuation, col::Spacing12k5 + 6),
                 int(bench.radio.programmedValue(softpot::VcoAttenuation, 0, 6)));
    }

    void aPointTheRadioAnswersUnsupportedIsNeitherProgrammedNorStored() {
        ScreenBench bench;
        auto vco = bench.open<TVCOAttnWindow>();
        const int before = bench.record.getValue(row::VcoAttenuation, col::Spacing25k + 1);
        for (int i = 0; i < 7; ++i) type(vco->workingBox(i), QString::number(50 + i));
        bench.mark();
        // Serial check, F1's channels and write, F2's channels, then F2's write is refused.
        SimFaultRule refusal;
        refusal.kind = SimFaultKind::Unsupported;
        refusal.atRequest = bench.radio.requestCount() + 5;
        refusal.opcode = sim::op::Softpot;
        refusal.firstByte = softpot::VcoAttenuation;
        bench.radio.addFault(refusal);
        vco->program();
        QVERIFY(bench.messages().filter("ERROR|").size() == 1);
        QCOMPARE(bench.record.getValue(row::VcoAttenuation, col::Spacing25k + 1), before);
        QCOMPARE(bench.record.getValue(row::VcoAttenuation, col::Spacing25k), 50);
        QCOMPARE(bench.record.getValue(row::VcoAttenuation, col::Spacing25k + 2), 52);
    }

    void attenuationScreensRefuseOnlyAboveTheirMaximum() {
        ScreenBench bench;
        auto mod = bench.open<TModulationAttnWindow>();
        QCOMPARE(mod->slider(0)->maximum(), 63);
        type(mod->workingBox(3), "64");
        bench.mark();
        mod->program();
        QCOMPARE(bench.messages().last(),
                 QString("ERROR|Program softpots aborted for Modulation Attn.!! Illegal softpot value"));
        // F1 to F3 went out before the stop and stay in the radio and the record.
        QCOMPARE(bench.requests().filter(QRegularExpression("^S 3/1")).size(), 3);
        QCOMPARE(bench.record.getValue(row::ModAttenuation, col::SetThird + 2),
                 mod->workingBox(2)->text().toInt());
    }
};

std::unique_ptr<QObject> makeDeviationScreenTest() {
    return std::make_unique<DeviationScreenTest>();
}

}  // namespace vantrel::test

#include "DeviationScreenTest.moc"
