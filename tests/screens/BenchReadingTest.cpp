// Instrument readings on the tuning screens: shown while keyed at the keyed point, gone when dekeyed, and a
// failing instrument shown there without a single extra request to the radio.
#include <QLabel>
#include <QTest>
#include <cstdlib>

#include "ScreenBench.h"
#include "ScreensTests.h"
#include "screens/TBenchReading.h"
#include "screens/TDeviationWindows.h"
#include "screens/TReceiveWindows.h"
#include "screens/TTransmitHighPowerWindow.h"
#include "sim/SimBench.h"

namespace vantrel::test {

namespace {

/// The simulated bench's instruments on the bench radio, named to the screens through the environment.
class BenchInstruments {
  public:
    explicit BenchInstruments(SimRadio& radio) : sim(radio, "0,test") {
        sim.start(0);
        for (auto [role, name] :
             {std::pair{SimBenchRole::PowerMeter, "VANTREL_BENCH_POWER_METER"},
              std::pair{SimBenchRole::ModulationAnalyser, "VANTREL_BENCH_MODULATION_ANALYSER"}})
            ::setenv(name, ("tcp:127.0.0.1:" + std::to_string(sim.port(role))).c_str(), 1);
    }
    ~BenchInstruments() {
        ::unsetenv("VANTREL_BENCH_POWER_METER");
        ::unsetenv("VANTREL_BENCH_MODULATION_ANALYSER");
    }
    SimBench sim;
};

}  // namespace

class BenchReadingTest : public QObject {
    Q_OBJECT
  private slots:
    void testTheKeyedPointShowsTheMeterAndNothingWhileDekeyed() {
        ScreenBench bench;
        BenchInstruments instruments(bench.radio);
        auto screen = bench.open<TTransmitHighPowerWindow>();
        screen->show();
        auto* reading = screen->findChild<TBenchReading*>("benchReading");
        QVERIFY(reading);
        reading->follow();
        QVERIFY(!reading->isVisible());
        screen->togglePtt();
        reading->follow();
        QVERIFY(reading->waitForReading(5000));
        QVERIFY2(reading->text().startsWith("Meter at F1: ") && reading->text().endsWith(" W"),
                 qPrintable(reading->text()));
        const double shown = reading->text().section(' ', 3, 3).toDouble();
        QVERIFY(std::abs(shown - bench.radio.outputWatts()) < 0.001);

        // The meter refuses everything: its error shows where the reading was, the radio hears nothing.
        instruments.sim.setFault(SimBenchRole::PowerMeter, SimInstrumentFault::Errors);
        bench.mark();
        QVERIFY(reading->waitForReading(8000));
        QVERIFY2(reading->toolTip().contains("-200"), qPrintable(reading->toolTip()));
        QVERIFY(bench.requests().isEmpty());
        QVERIFY(bench.radio.keyed());

        screen->togglePtt();
        reading->follow();
        QVERIFY(!reading->isVisible());
        QVERIFY(reading->text().isEmpty());
    }

    void testDeviationScreensReadTheAnalyserAndReceiveScreensReadNothing() {
        ScreenBench bench;
        BenchInstruments instruments(bench.radio);
        auto dtmf = bench.open<TDTMFWindow>();
        dtmf->show();
        auto* reading = dtmf->findChild<TBenchReading*>("benchReading");
        QVERIFY(reading);
        dtmf->togglePtt();
        reading->follow();
        QVERIFY(reading->waitForReading(5000));
        QVERIFY2(reading->text().startsWith("Deviation: ") && reading->text().contains("kHz (tone 1209 Hz)"),
                 qPrintable(reading->text()));
        dtmf->togglePtt();
        dtmf.reset();

        auto frontEnd = bench.open<TFrontEndFilterWindow>();
        QVERIFY(!frontEnd->findChild<TBenchReading*>("benchReading"));
        QCOMPARE(TBenchReading::roleForSoftpot(11), std::optional<Role>(Role::FrequencyCounter));
        QCOMPARE(TBenchReading::roleForSoftpot(13), std::optional<Role>());
    }
};

std::unique_ptr<QObject> makeBenchReadingTest() {
    return std::make_unique<BenchReadingTest>();
}

}  // namespace vantrel::test

#include "BenchReadingTest.moc"
