// The "Bench Instruments" dialog against the simulated bench: Test shows identity and reading or the
// failure, Save writes what the rows say and refuses what cannot be used.
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "AppTests.h"
#include "app/TBenchDialog.h"
#include "sim/SimBench.h"
#include "sim/SimProfile.h"
#include "sim/SimRadio.h"

namespace vantrel::test {

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

class BenchDialogTest : public QObject {
    Q_OBJECT

    static constexpr int kAnswered = 60000;  // ms; a slow, busy machine

  private slots:
    void testShowsIdentityAndReadingOrTheFailureAndSaveWritesTheRows() {
        SimRadio radio(SimProfile::defaults());
        SimBench bench(radio, "0,test");
        bench.start(0);
        QTemporaryDir dir;
        TBenchDialog dialog(nullptr, dir.path(), {VANTREL_TEST_DIALECTS});
        QVERIFY(!dialog.testButton(Role::PowerMeter)->isEnabled());
        dialog.usedBox(Role::PowerMeter)->setChecked(true);
        QVERIFY(dialog.testButton(Role::PowerMeter)->isEnabled());
        dialog.addressEdit(Role::PowerMeter)
            ->setText(QStringLiteral("127.0.0.1:%1").arg(bench.port(SimBenchRole::PowerMeter)));
        dialog.offsetBox(Role::PowerMeter)->setValue(10.0);
        QTest::mouseClick(dialog.testButton(Role::PowerMeter), Qt::LeftButton);
        QCOMPARE(dialog.resultLabel(Role::PowerMeter)->text(), QStringLiteral("Testing..."));
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.testing(), kAnswered);
        QVERIFY2(
            dialog.resultLabel(Role::PowerMeter)->text().startsWith("Vantrel,Simulated Power Meter,0,test"),
            qPrintable(dialog.resultLabel(Role::PowerMeter)->text()));
        QVERIFY(dialog.resultLabel(Role::PowerMeter)->text().endsWith(" W"));

        // An instrument that refuses everything: its error queue shows in its own row only.
        bench.setFault(SimBenchRole::PowerSupply, SimInstrumentFault::Errors);
        dialog.usedBox(Role::PowerSupply)->setChecked(true);
        dialog.addressEdit(Role::PowerSupply)
            ->setText(QStringLiteral("127.0.0.1:%1").arg(bench.port(SimBenchRole::PowerSupply)));
        dialog.test(Role::PowerSupply);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.testing(), kAnswered);
        QVERIFY2(dialog.resultLabel(Role::PowerSupply)->text().startsWith("FAILED: "),
                 qPrintable(dialog.resultLabel(Role::PowerSupply)->text()));
        QVERIFY(dialog.resultLabel(Role::PowerSupply)->text().contains("-200"));
        QVERIFY(dialog.resultLabel(Role::PowerMeter)->text().startsWith("Vantrel"));

        dialog.save();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const BenchConfig saved = BenchConfig::load(dir.path().toStdString());
        QCOMPARE(saved.roles.size(), size_t(2));
        QCOMPARE(saved.roles.at(Role::PowerMeter).offsetDb, 10.0);
        QCOMPARE(QString::fromStdString(saved.roles.at(Role::PowerSupply).address),
                 QStringLiteral("127.0.0.1:%1").arg(bench.port(SimBenchRole::PowerSupply)));

        // Opened again, the dialog shows what was saved.
        TBenchDialog again(nullptr, dir.path(), {VANTREL_TEST_DIALECTS});
        QVERIFY(again.usedBox(Role::PowerMeter)->isChecked());
        QVERIFY(!again.usedBox(Role::FrequencyCounter)->isChecked());
        QCOMPARE(again.offsetBox(Role::PowerMeter)->value(), 10.0);
    }

    void testASilentInstrumentHoldsOnlyItsOwnRowAndTheDialogMayCloseMeanwhile() {
        SimRadio radio(SimProfile::defaults());
        SimBench bench(radio, "0,test");
        bench.start(0);
        bench.setFault(SimBenchRole::FrequencyCounter, SimInstrumentFault::Timeout);
        QTemporaryDir dir;
        auto dialog = std::make_unique<TBenchDialog>(nullptr, dir.path(), std::vector<std::string>{VANTREL_TEST_DIALECTS});
        for (Role r : {Role::FrequencyCounter, Role::PowerMeter}) {
            dialog->usedBox(r)->setChecked(true);
            dialog->addressEdit(r)->setText(
                QStringLiteral("127.0.0.1:%1").arg(bench.port(r == Role::PowerMeter ? SimBenchRole::PowerMeter
                                                                                    : SimBenchRole::FrequencyCounter)));
        }
        QElapsedTimer held;
        held.start();
        dialog->test(Role::FrequencyCounter);
        // The dialog went straight back to its event loop: the row waits, its button too, the rest works.
        QVERIFY(held.elapsed() < 1000);
        QVERIFY(!dialog->testButton(Role::FrequencyCounter)->isEnabled());
        dialog->test(Role::PowerMeter);
        QTRY_VERIFY_WITH_TIMEOUT(dialog->resultLabel(Role::PowerMeter)->text().startsWith("Vantrel"), kAnswered);
        QCOMPARE(dialog->resultLabel(Role::FrequencyCounter)->text(), QStringLiteral("Testing..."));
        // Closed while the counter is still silent: its late answer must not reach the gone dialog.
        dialog.reset();
        QTest::qWait(200);
    }

    void testADamagedFileIsToldAndAnUnusableRowIsNeverSaved() {
        QTemporaryDir dir;
        const QString file = dir.filePath("bench.conf");
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[power-meter]\naddress = 127.0.0.1\nvoltage = 3\n");
        }
        TBenchDialog dialog(nullptr, dir.path(), {VANTREL_TEST_DIALECTS});
        QVERIFY2(dialog.message()->text().contains("bench.conf:3: unknown key 'voltage'"),
                 qPrintable(dialog.message()->text()));
        dialog.usedBox(Role::SignalGenerator)->setChecked(true);
        dialog.addressEdit(Role::SignalGenerator)->setText("no such host!");
        dialog.save();
        QVERIFY(dialog.message()->text().startsWith("Not saved: signal generator"));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(readAll(file), QByteArray("[power-meter]\naddress = 127.0.0.1\nvoltage = 3\n"));
        dialog.test(Role::SignalGenerator);
        QVERIFY(!dialog.testing());
        QVERIFY(dialog.resultLabel(Role::SignalGenerator)->text().contains("HOST:PORT"));
    }
};

std::unique_ptr<QObject> makeBenchDialogTest() {
    return std::make_unique<BenchDialogTest>();
}

}  // namespace vantrel::test

#include "BenchDialogTest.moc"
