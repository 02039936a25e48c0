// The receive screens: front end filter, rated volume (plain and Brightline) and RSSI.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "ScreenBench.h"
#include "ScreensTests.h"
#include "radio/ModelTable.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "screens/TRSSIWindow.h"
#include "screens/TReceiveWindows.h"
#include "screens/TTunerEditBox.h"

namespace vantrel::test {

namespace {

void type(TTunerEditBox* box, const QString& text) {
    box->setText(text);
}

/// A portable of `series` + `tail` whose receive points F1..F5 are used, so that its middle receive
/// point (F3) is neither F1 nor F4.
SimProfile fivePointPortable(const std::string& series, const std::string& tail) {
    SimProfile p = portableOfSeries(series, tail);
    p.rxPoints = {1000, 2000, 3000, 4000, 5000, 0, 0};
    return p;
}

QStringList calDacReads(int count) {
    QStringList out;
    for (int i = 0; i < count; ++i) out << "S 26/0";
    return out;
}

}  // namespace

class ReceiveScreenTest : public QObject {
    Q_OBJECT
  private slots:
    void frontEndFilterRangeFollowsTheModel() {
        struct Case {
            const char* profile;
            int maximum;
            const char* note;
            bool calDacBox;
        };
        for (const Case& c :
             {Case{"portable", 255, "Note : Valid Softpot values will range from 0-255", false},
              Case{"mobile", 127, "Note : Valid Softpot values will range from 0-127", false},
              Case{"high-power-mobile", 255, "Note : Valid Softpot values will range from 255-0", true}}) {
            ScreenBench bench(SimProfile::named(c.profile));
            auto screen = bench.open<TFrontEndFilterWindow>();
            QCOMPARE(bench.code, 15);
            QCOMPARE(screen->slider(0)->maximum(), c.maximum);
            QCOMPARE(screen->workingBox(0)->maximum(), c.maximum);
            QCOMPARE(screen->noteLabel()->text(), QString(c.note));
            QCOMPARE(screen->calDacBox() != nullptr, c.calDacBox);
            QVERIFY(!screen->pttButton());
            // Program refuses only above the model's maximum.
            type(screen->workingBox(2), QString::number(c.maximum + 1));
            bench.mark();
            screen->program();
            QCOMPARE(bench.messages().last(),
                     QString("ERROR|Program softpots aborted for Front End Filter!! Illegal softpot value"));
            QCOMPARE(bench.requests().filter(QRegularExpression("^S 13/1")).size(), 2);
            QCOMPARE(screen->statusBox()->text(), QString("No Frequency Tuning Point is currently selected"));
        }
    }

    void frontEndFilterShowsTheMeanOfFiveCalibrationReadings() {
        // The simulated high-power mobile's calibration DAC reads 10, 11, 11, 12, 13 in turn.
        ScreenBench bench(SimProfile::named("high-power-mobile"));
        bench.record.setValue(row::Rssi, col::FrontEndCalDac, 7);
        auto screen = bench.open<TFrontEndFilterWindow>();
        QCOMPARE(screen->calDacBox()->geometry(), QRect(410, 240, 40, 20));
        // A reading: read-only, in the normal text colour, not greyed.
        QVERIFY(screen->calDacBox()->isEnabled());
        QVERIFY(screen->calDacBox()->isReadOnly());
        QCOMPARE(screen->calDacBox()->text(), QString("7.0"));
        type(screen->workingBox(0), "200");
        bench.mark();
        screen->valueAction(0);
        QCOMPARE(bench.requests(), QStringList({"I 1", "C 400 400", "S 13/2: 200"}) + calDacReads(5));
        QCOMPARE(screen->calDacBox()->text(), QString("11.0"));
        // The record keeps the last single reading.
        QCOMPARE(bench.record.getValue(row::Rssi, col::FrontEndCalDac), 13);
        QVERIFY(!bench.radio.keyed());

        // Other radios read nothing after a live write.
        ScreenBench plain;
        auto other = plain.open<TFrontEndFilterWindow>();
        plain.mark();
        other->valueAction(0);
        QCOMPARE(plain.requests().filter("S 26/").size(), 0);
    }

    void ratedVolumeWorksAtTheMiddleReceivePoint() {
        ScreenBench bench(fivePointPortable("45", "TSC7B4W"));
        bench.mark();
        auto screen = bench.open<TRatedVolumeWindow>();
        QCOMPARE(bench.code, 19);
        QCOMPARE(bench.requests(), (QStringList{"I 1", "T 0 2 2", "C 3000 3000"}));
        QCOMPARE(screen->pointOfRow(0), 3);
        QCOMPARE(screen->size(), QSize(700, 300));
        QCOMPARE(screen->statusBox()->objectName(), QString("status4016"));
        QCOMPARE(screen->statusBox()->text(), QString("Radio is currently dekeyed"));
        QCOMPARE(screen->noteLabel()->text(), QString("Note : Valid Softpot values will range from 0-255"));
        type(screen->workingBox(0), "140");
        bench.mark();
        screen->valueAction(0);
        QCOMPARE(bench.requests(), (QStringList{"I 1", "C 3000 3000", "S 8/2: 140"}));
        bench.mark();
        screen->program();
        QCOMPARE(bench.messages(),
                 QStringList{"WARNING|Commit new softpot value? Softpot Value Range(0-255)"});
        QCOMPARE(bench.requests(), (QStringList{"I 1", "C 3000 3000", "S 8/1: 140"}));
        QCOMPARE(bench.record.getValue(row::RatedVolume, col::RatedVolume), 140);
        QCOMPARE(screen->defaultBox(0)->text(), QString("140"));
        bench.mark();
        screen->close();
        QCOMPARE(bench.requests(), QStringList{"X"});
    }

    void brightlineRatedVolumeWritesTheSameSoftpotUnderItsOwnTestMode() {
        ScreenBench bench(SimProfile::named("brightline"));
        const int plain = bench.record.getValue(row::RatedVolume, col::RatedVolume);
        bench.mark();
        auto screen = bench.open<TRatedVolumeBrightlineWindow>();
        QCOMPARE(bench.code, 38);
        QCOMPARE(bench.requests(), (QStringList{"I 1", "T 18 2 2", "C 4000 4100"}));
        QCOMPARE(screen->workingBox(0)->text(), QString("140"));
        type(screen->workingBox(0), "90");
        bench.mark();
        screen->program();
        QCOMPARE(bench.requests().mid(1), (QStringList{"C 4000 4100", "S 8/1: 90"}));
        QCOMPARE(bench.record.getValue(row::RatedVolume, col::RatedVolumeBrightline), 90);
        QCOMPARE(bench.record.getValue(row::RatedVolume, col::RatedVolume), plain);
        QCOMPARE(bench.radio.programmedValue(softpot::RatedVolume, 1), 90);
        QCOMPARE(bench.radio.programmedValue(softpot::RatedVolume, 0), 128);
    }

    void ratedVolumeWithoutAMiddlePointWritesNothing() {
        SimProfile p = SimProfile::named("portable");
        p.rxPoints = {1000, 2000, 3000, 0, 5000, 6000, 7000};
        ScreenBench bench(p);
        auto screen = bench.open<TRatedVolumeWindow>();
        QCOMPARE(screen->frequencyBox(0)->text(), QString("UNSUPPORTED"));
        QVERIFY(!screen->slider(0)->isEnabled());
        bench.mark();
        screen->valueAction(0);
        screen->program();
        QCOMPARE(bench.requests(), QStringList{"I 1"});
    }

    void rssiUpdateTakesTheThresholdAndRefreshesEveryBox() {
        ScreenBench bench;
        auto screen = bench.open<TRSSIWindow>();
        QCOMPARE(bench.code, 20);
        QCOMPARE(screen->size(), QSize(560, 230));
        QCOMPARE(screen->softpotBox(1)->text(), QString("40"));
        // The record keeps the level's magnitude; the box shows the level, below 0 dBm.
        QCOMPARE(screen->levelBox(3)->text(), QString("-51"));
        QCOMPARE(screen->updateButton(2)->objectName(), QString("button7002"));
        for (int col = 0; col < col::RssiCount; ++col) bench.record.setValue(row::Rssi, col, 0);
        screen->levelBox(2)->setText("-117");
        bench.mark();
        screen->updateButton(2)->click();
        // Threshold 2 is softpot 26 programmed with 1; then the read of the thresholds and levels.
        QCOMPARE(bench.requests(), (QStringList{"I 1", "S 26/1: 1", "S 26/3: 0", "S 25/0"}));
        QCOMPARE(bench.radio.profile().rssi.value(), (std::array<uint8_t, 3>{40, 100, 120}));
        const QStringList softpots{"40", "100", "120"};
        const QStringList levels{"-49", "-50", "-51"};
        for (int row = 1; row <= 3; ++row) {
            QCOMPARE(screen->softpotBox(row)->text(), softpots[row - 1]);
            QCOMPARE(screen->levelBox(row)->text(), levels[row - 1]);
        }
        QCOMPARE(bench.record.getValue(row::Rssi, col::RssiFirst + 1), 100);
        bench.mark();
        screen->close();
        QCOMPARE(bench.requests(), QStringList{"X"});
    }

    void rssiRowsAndPointFollowTheModel() {
        const ModelTable t = defaultModelTable();
        struct Case {
            const char* name;
            SimProfile profile;
            int rows;
            int point;
            const char* opening;
        };
        const std::string m(1, t.variantM);
        const std::string five(1, t.variantFive);
        const std::string n(1, t.variantN);
        const Case cases[] = {
            {"other portable", fivePointPortable("45", "TSC7B4W"), 3, 3, "T 0 2 2|C 3000 3000"},
            {"main M", fivePointPortable(t.seriesMain, m + "SC6A2T"), 2, 4, "T 0 2 0|C 4000 4000"},
            {"main Five", fivePointPortable(t.seriesMain, five + "SC7A3T"), 2, 1, "T 0 2 0|C 1000 1000"},
            {"high portable", fivePointPortable(t.seriesHigh, "HSC7A1T"), 2, 3, "T 0 2 2|C 3000 3000"},
            {"six N", fivePointPortable(t.seriesSix, "MSC4A" + n + "T"), 3, 3, "T 0 2 2|C 3000 3000"},
        };
        for (const Case& c : cases) {
            ScreenBench bench(c.profile);
            bench.mark();
            auto screen = bench.open<TRSSIWindow>();
            QVERIFY2(screen->rowCount() == c.rows, c.name);
            QVERIFY2(screen->point() == c.point, c.name);
            QCOMPARE(bench.requests().mid(1).join('|'), QString(c.opening));
            QCOMPARE(screen->updateButton(3)->isVisibleTo(screen.get()), c.rows == 3);
            QCOMPARE(screen->pointBox()->text(),
                     QString::asprintf("Frequency tuning point is currently %f MHz", 130.0 + 5.0 * c.point));
            if (c.rows == 2) {
                bench.mark();
                screen->update(3);
                QVERIFY(bench.requests().isEmpty());
            }
        }
    }

    void rssiUpdateFailureIsReported() {
        ScreenBench bench;
        auto screen = bench.open<TRSSIWindow>();
        bench.silence(0x20, softpot::Rssi);
        bench.mark();
        screen->update(1);
        QCOMPARE(bench.messages(), QStringList{"ERROR|Radio Communication Error!!"});
        QVERIFY(!screen->connectionOpen());
    }
};

std::unique_ptr<QObject> makeReceiveScreenTest() {
    return std::make_unique<ReceiveScreenTest>();
}

}  // namespace vantrel::test

#include "ReceiveScreenTest.moc"
