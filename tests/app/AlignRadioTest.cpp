// "Align Radio": the plan as a checklist, a run to the end with its results, report and archives, and
// Abort or the window's close mid-run leaving the simulated radio dekeyed and reset.
#include <QAction>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "AppTests.h"
#include "ShellFixture.h"
#include "app/TAlignWindow.h"
#include "app/TApxPreviewWin.h"
#include "app/TApxPrintout.h"
#include "instruments/InstrumentError.h"

namespace vantrel::test {

namespace {

/// Every role read straight off the simulated radio; the first reading can be held until the test
/// lets it go, so that the test acts while the radio is keyed.
class HeldBench : public PowerMeter,
                  public FrequencyCounter,
                  public ModulationAnalyser,
                  public SignalGenerator,
                  public PowerSupply {
  public:
    explicit HeldBench(SimRadio& radio) : m_radio(radio) {}
    std::string identity() override { return "held"; }
    std::string describe() const override { return "held"; }
    double watts() override {
        hold();
        return m_radio.outputWatts();
    }
    double carrierHz() override {
        hold();
        if (auto hz = m_radio.carrierHz())
            return *hz;
        throw InstrumentError(InstrumentError::Kind::NoSignal, "no carrier");
    }
    DeviationReading deviation() override {
        hold();
        if (auto d = m_radio.deviation())
            return {d->first, d->second};
        throw InstrumentError(InstrumentError::Kind::NoSignal, "no carrier");
    }
    void setFrequency(double hz) override { m_gen.first = hz; }
    void setLevel(double dbm) override { m_gen.second = dbm; }
    void setFm(double, double) override {}
    void setOutput(bool on) override { m_radio.setRfInput(on ? std::optional(m_gen) : std::nullopt); }
    std::optional<double> readFrequency() override { return m_gen.first; }
    void setVolts(double v) override { m_radio.setSupplyVolts(v); }
    double volts() override { return 7.5; }
    double amps() override { return m_radio.supplyAmps(); }

    /// The next reading waits until release(); keyedAtHold tells whether the radio transmitted then.
    void holdNext() {
        std::lock_guard lock(m_mutex);
        m_hold = true;
        m_held = false;
    }
    void waitHeld() {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return m_held; });
    }
    void release() {
        {
            std::lock_guard lock(m_mutex);
            m_hold = false;
        }
        m_wake.notify_all();
    }
    bool keyedAtHold = false;

  private:
    void hold() {
        std::unique_lock lock(m_mutex);
        if (!m_hold)
            return;
        keyedAtHold = m_radio.keyed();
        m_held = true;
        m_wake.notify_all();
        m_wake.wait(lock, [this] { return !m_hold; });
    }
    SimRadio& m_radio;
    std::pair<double, double> m_gen{150e6, -60};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_hold = false;
    bool m_held = false;
};

/// The shell with the radio read, the held bench in place of bench.conf, and the window open.
struct AlignRig {
    Shell shell{"portable"};
    HeldBench bench{shell.radio()};
    /// `withMeter` false: the power procedures are manual, their readings typed.
    explicit AlignRig(bool withMeter = true) {
        alignBenchOverride() = [this, withMeter] {
            openedBench b;
            b.borrowed = {withMeter ? &bench : nullptr, &bench, &bench, &bench, &bench};
            return b;
        };
        shell.start();
        shell.run(cmd::ReadRadio);
    }
    ~AlignRig() { alignBenchOverride() = nullptr; }
    TAlignWindow* open() {
        if (!shell.run(cmd::AlignRadio))
            return nullptr;
        for (QMdiSubWindow* child : shell.client().subWindowList())
            if (auto* w = dynamic_cast<TAlignWindow*>(child->widget()))
                return w;
        return nullptr;
    }
    /// Ticks only the named procedure.
    static int only(TAlignWindow& w, const std::string& name) {
        int found = -1;
        for (int i = 0; i < int(w.plan().steps.size()); ++i) {
            w.setChecked(i, w.plan().steps[size_t(i)].procedure == name);
            if (w.plan().steps[size_t(i)].procedure == name)
                found = i;
        }
        return found;
    }
    bool radioSafe() { return !shell.radio().keyed() && !shell.radio().testMode(); }
};

}  // namespace

class AlignRadioTest : public QObject {
    Q_OBJECT
  private slots:
    void planShowsAsAChecklist() {
        {
            // Without instruments: nothing is automatic, nothing is ticked, and the command needs a read.
            Shell shell("portable");
            shell.start();
            QVERIFY(!isCommandEnabled(cmd::AlignRadio, shell.client().shellState()));
            shell.run(cmd::ReadRadio);
            QVERIFY(isCommandEnabled(cmd::AlignRadio, shell.client().shellState()));
        }
        AlignRig rig;
        TAlignWindow* w = rig.open();
        QVERIFY(w);
        const alignmentPlan& plan = w->plan();
        QVERIFY(plan.steps.size() > 3);
        QCOMPARE(plan.group, std::string("portable"));
        QCOMPARE(w->checklist()->topLevelItemCount(), int(plan.steps.size()));
        for (int i = 0; i < int(plan.steps.size()); ++i) {
            const planStep& s = plan.steps[size_t(i)];
            QTreeWidgetItem* item = w->checklist()->topLevelItem(i);
            QCOMPARE(item->text(0), QString::fromStdString(s.title));
            QCOMPARE(item->text(1), QString::fromLatin1(planModeName(s.mode)));
            const bool checkable = item->flags() & Qt::ItemIsUserCheckable;
            QCOMPARE(checkable, s.mode != planMode::Skipped && s.kind != alignmentKind::ManualOnly);
            QCOMPARE(w->isChecked(i), s.mode == planMode::Automatic);
        }
        QVERIFY(AlignRig::only(*w, "tx-high-power") >= 0);
        QVERIFY(w->startButton()->isEnabled());
        QVERIFY(!w->abortButton()->isEnabled());
        // A second command shows the same window.
        QVERIFY(rig.shell.run(cmd::AlignRadio));
        QCOMPARE(rig.shell.client().subWindowList().size(), 1);
    }

    void runToTheEndFillsResultsAndShowsTheReport() {
        AlignRig rig;
        TAlignWindow* w = rig.open();
        QVERIFY(w);
        const int index = AlignRig::only(*w, "tx-high-power");
        QVERIFY(index >= 0);
        bool previewWithBefore = false;
        QStringList reportLines;
        rig.shell.onDialog = [&](QDialog& d) {
            if (auto* preview = dynamic_cast<TApxPreviewWin*>(&d)) {
                previewWithBefore = preview->beforeAfterAction() && preview->beforeAfterAction()->isChecked();
                reportLines = preview->printout().lines();
            }
        };
        rig.bench.holdNext();
        QVERIFY(w->start());
        rig.bench.waitHeld();
        // While it runs the port is the alignment's: no read, no Program All, no screen.
        const ShellState during = rig.shell.client().shellState();
        QVERIFY(!isCommandEnabled(cmd::ReadRadio, during));
        QVERIFY(!isCommandEnabled(cmd::ProgramAll, during));
        QVERIFY(!isCommandEnabled(cmd::AlignRadio, during));
        QVERIFY(rig.bench.keyedAtHold);
        rig.bench.release();
        w->runner().waitForEnd();

        QCOMPARE(w->state(), TAlignWindow::State::Done);
        QCOMPARE(w->results().size(), size_t(1));
        const procedureResult& r = w->results().front();
        QCOMPARE(int(r.end), int(procedureEnd::Aligned));
        QVERIFY(r.programmed);
        QVERIFY(!r.rows.empty());
        QCOMPARE(w->resultsTable()->rowCount(), int(r.rows.size()));
        for (int row = 0; row < w->resultsTable()->rowCount(); ++row)
            QCOMPARE(w->resultsTable()->item(row, 6)->text(), QStringLiteral("yes"));
        QVERIFY(w->checklist()->topLevelItem(index)->text(4).startsWith("aligned"));
        QVERIFY(w->plot()->data().shownPoints() > 0);
        QVERIFY(rig.radioSafe());
        QCOMPARE(rig.shell.app().openScreenCode(), 0);
        QVERIFY(isCommandEnabled(cmd::ProgramAll, rig.shell.client().shellState()));

        // Archives before and after, and the report with the Before column on.
        QVERIFY(QFileInfo(w->beforeArchive()).isFile());
        QVERIFY(QFileInfo(w->afterArchive()).isFile());
        QVERIFY(w->statusLine()->text().contains(QFileInfo(w->afterArchive()).fileName()));
        QVERIFY(previewWithBefore);
        QVERIFY(reportLines.join('\n').contains("Before: before alignment"));
        QVERIFY(!reportLines.filter(QRegularExpression(" \\*$")).isEmpty());
        QVERIFY(w->reportButton()->isEnabled());
    }

    void abortMidRunLeavesTheRadioDekeyedAndReset() {
        AlignRig rig;
        TAlignWindow* w = rig.open();
        QVERIFY(w);
        AlignRig::only(*w, "tx-high-power");
        const int second = AlignRig::only(*w, "tx-low-power");
        w->setChecked(AlignRig::only(*w, "tx-high-power"), true);
        w->setChecked(second, true);
        rig.bench.holdNext();
        QVERIFY(w->start());
        rig.bench.waitHeld();
        QVERIFY(rig.bench.keyedAtHold);
        w->abort();
        QVERIFY(!w->abortButton()->isEnabled());
        rig.bench.release();
        w->runner().waitForEnd();
        QCOMPARE(w->state(), TAlignWindow::State::Done);
        QVERIFY(rig.radioSafe());
        QVERIFY(!w->results().empty());
        QCOMPARE(int(w->results().front().end), int(procedureEnd::Stopped));
        QVERIFY(!w->results().front().programmed);
        for (const procedureResult& r : w->results()) QVERIFY(r.end != procedureEnd::Aligned);
        QCOMPARE(rig.shell.app().openScreenCode(), 0);
        QVERIFY(w->liveLine()->text().startsWith("Aborted"));
    }

    void skipAndPauseActBetweenProcedures() {
        AlignRig rig;
        TAlignWindow* w = rig.open();
        QVERIFY(w);
        const int high = AlignRig::only(*w, "tx-high-power");
        const int low = AlignRig::only(*w, "tx-low-power");
        w->setChecked(high, true);
        rig.bench.holdNext();
        QVERIFY(w->start());
        rig.bench.waitHeld();
        w->setPaused(true);
        w->skip();  // the running step cannot be dropped: the next one is
        QCOMPARE(w->checklist()->topLevelItem(low)->text(4), QStringLiteral("to be skipped"));
        rig.bench.release();
        w->setPaused(false);
        w->runner().waitForEnd();
        QCOMPARE(w->results().size(), size_t(2));
        QCOMPARE(int(w->results()[0].end), int(procedureEnd::Aligned));
        QCOMPARE(int(w->results()[1].end), int(procedureEnd::Skipped));
        QVERIFY(rig.radioSafe());
    }

    void manualStepTakesTheTypedReadings() {
        AlignRig rig(false);
        TAlignWindow* w = rig.open();
        QVERIFY(w);
        const int index = AlignRig::only(*w, "tx-high-power");
        QCOMPARE(int(w->plan().steps[size_t(index)].mode), int(planMode::Manual));
        QVERIFY(w->isChecked(index));
        QVERIFY(w->start());
        // Each reading is asked on this thread while the run waits: type what the meter would show.
        int asked = 0;
        while (w->state() != TAlignWindow::State::Done && asked < 400) {
            QCoreApplication::sendPostedEvents(&w->runner(), QEvent::MetaCall);
            QDialog* dialog = w->manualDialog();
            if (!dialog) {
                std::this_thread::yield();
                continue;
            }
            ++asked;
            auto* edit = dialog->findChild<QLineEdit*>();
            QVERIFY(edit);
            QVERIFY(rig.shell.radio().keyed());
            edit->setText(QString::number(rig.shell.radio().outputWatts(), 'f', 3));
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        }
        QCOMPARE(w->state(), TAlignWindow::State::Done);
        QVERIFY(asked > 0);
        QCOMPARE(w->results().size(), size_t(1));
        QCOMPARE(int(w->results().front().end), int(procedureEnd::Aligned));
        QVERIFY(rig.radioSafe());
    }

    void closingMidRunStopsFirstThenCloses() {
        AlignRig rig;
        TAlignWindow* w = rig.open();
        QVERIFY(w);
        AlignRig::only(*w, "tx-high-power");
        QPointer<TAlignWindow> guard(w);
        rig.bench.holdNext();
        QVERIFY(w->start());
        rig.bench.waitHeld();
        QMdiSubWindow* child = rig.shell.client().subWindowList().front();
        child->close();
        QVERIFY(guard);  // still there: the run stops first
        QCOMPARE(w->state(), TAlignWindow::State::Stopping);
        rig.bench.release();
        w->runner().waitForEnd();
        Shell::settle();
        QVERIFY(!guard);
        QVERIFY(rig.radioSafe());
        QCOMPARE(rig.shell.app().openScreenCode(), 0);
        QVERIFY(rig.shell.client().subWindowList().isEmpty());

        // The main window's close aborts too, and goes once the radio is dekeyed and reset.
        AlignRig again;
        TAlignWindow* second = again.open();
        QVERIFY(second);
        AlignRig::only(*second, "tx-low-power");
        again.shell.frame().show();
        again.bench.holdNext();
        QVERIFY(second->start());
        again.bench.waitHeld();
        QVERIFY(!again.shell.frame().close());
        QCOMPARE(second->state(), TAlignWindow::State::Stopping);
        again.bench.release();
        second->runner().waitForEnd();
        Shell::settle();
        QVERIFY(again.radioSafe());
        QVERIFY(!again.shell.frame().isVisible());
    }
};

std::unique_ptr<QObject> makeAlignRadioTest() {
    return std::make_unique<AlignRadioTest>();
}

}  // namespace vantrel::test

#include "AlignRadioTest.moc"
